#include "app/startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sqlite3.h>
#include <sys/wait.h>

#include "platform/ole.h"
#include "platform/registry.h"
#include "platform/version.h"
#include "temp_stores.h"

namespace vantel {
namespace {

// A host that reads the version block of the built vantel executable and records what
// start-up shows.
class RecordingHost : public IStartupHost {
public:
    std::wstring ExecutablePath() override { return exe; }
    std::wstring CurrentDirectory() override { return cwd; }
    void AfxMessageBox(const std::wstring& text) override { boxes.push_back(text); }
    void RunMainDialog() override { ++dialogs; }

    std::wstring exe = L"" VANTEL_EXE_PATH;
    std::wstring cwd = L"/opt/robots/cell1";
    std::vector<std::wstring> boxes;
    int dialogs = 0;
};

const std::wstring kVersion = L"" VANTEL_PROJECT_VERSION;
const std::wstring kNotRegistered =
    L"Vantel Version " + kVersion + L" not registered\nStart Vantel with Option /RegServer";

std::wstring AppPathsValue(const wchar_t* name) {
    CRegItem item(HKEY_LOCAL_MACHINE, kAppPathsKey, false);
    std::wstring v = L"<missing>";
    item.GetValue(name, v);
    return v;
}

CVantelCmdLine Parse(std::vector<std::wstring> args) {
    CVantelCmdLine cmd;
    ParseCommandLine(args, cmd);
    return cmd;
}

TEST(CommandLine, SwitchesInAnyCaseAndOrder) {
    EXPECT_TRUE(Parse({L"/RegServer"}).m_bRegServer);
    EXPECT_TRUE(Parse({L"-regserver"}).m_bRegServer);
    EXPECT_TRUE(Parse({L"-unregserver"}).m_bUnregServer);
    EXPECT_TRUE(Parse({L"/UnRegServer", L"/unregserver"}).m_bUnregServer);

    const auto both = Parse({L"-UNREGSERVER", L"/regSERVER", L"file.txt"});
    EXPECT_TRUE(both.m_bRegServer);
    EXPECT_TRUE(both.m_bUnregServer);

    for (const auto& other : {L"/Register", L"regserver", L"--regserver", L"/REGSERVER2", L"/"}) {
        const auto cmd = Parse({other});
        EXPECT_FALSE(cmd.m_bRegServer) << other;
        EXPECT_FALSE(cmd.m_bUnregServer) << other;
    }
}

TEST(VersionInfo, ReadFromTheBuiltExecutable) {
    std::wstring name, version;
    ReadVersionInfo(L"" VANTEL_EXE_PATH, name, version);
    EXPECT_EQ(name, L"Vantel");
    EXPECT_EQ(version, kVersion);

    name = L"stale";
    version = L"stale";
    ReadVersionInfo(name, version);  // the test binary carries no version block
    EXPECT_EQ(name, L"");
    EXPECT_EQ(version, L"");
}

class Startup : public ::testing::Test {
protected:
    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    RecordingHost host;

    StartupOutcome Run(std::vector<std::wstring> args) { return RunStartup(host, app, args); }
};

TEST_F(Startup, RegistrationWritesEntriesAndShowsNothing) {
    EXPECT_EQ(Run({L"/RegServer"}), StartupOutcome::Registered);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_EQ(host.dialogs, 0);

    std::wstring v;
    ASSERT_TRUE(app.GetValue(L"", v));
    EXPECT_EQ(v, kVersion);
    ASSERT_TRUE(app.GetValue(L"AppName", v));
    EXPECT_EQ(v, host.exe);
    EXPECT_EQ(AppPathsValue(L""), host.exe);
    EXPECT_EQ(AppPathsValue(L"Path"), L"/opt/robots/cell1");  // alone, no ";"

    EXPECT_EQ(Run({}), StartupOutcome::DialogRun);
    EXPECT_EQ(host.dialogs, 1);
    EXPECT_TRUE(host.boxes.empty());
}

TEST_F(Startup, BothSwitchesRegisterOnly) {
    app.SetValue(L"", L"0.9", false, false);
    EXPECT_EQ(Run({L"-unregserver", L"/REGSERVER"}), StartupOutcome::Registered);
    std::wstring v;
    ASSERT_TRUE(app.GetValue(L"", v));
    EXPECT_EQ(v, kVersion);
}

TEST_F(Startup, NotRegisteredMessage) {
    EXPECT_EQ(Run({}), StartupOutcome::NotRegistered);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0], kNotRegistered);
    EXPECT_EQ(host.dialogs, 0);

    // Any other switch is a normal start.
    host.boxes.clear();
    EXPECT_EQ(Run({L"/Automation", L"-Embedding"}), StartupOutcome::NotRegistered);
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{kNotRegistered});
}

TEST_F(Startup, VersionComparedExactly) {
    app.SetValue(L"", kVersion + L"A", false, false);
    EXPECT_EQ(Run({}), StartupOutcome::NotRegistered);

    app.SetValue(L"", L" " + kVersion, false, false);
    EXPECT_EQ(Run({}), StartupOutcome::NotRegistered);
    EXPECT_EQ(host.dialogs, 0);
}

TEST_F(Startup, UnregisterThenStartShowsTheMessage) {
    ASSERT_EQ(Run({L"/RegServer"}), StartupOutcome::Registered);
    EXPECT_EQ(Run({L"-unregserver"}), StartupOutcome::Unregistered);
    EXPECT_TRUE(host.boxes.empty());
    std::wstring v;
    EXPECT_FALSE(app.GetValue(L"", v));
    EXPECT_FALSE(app.GetValue(L"AppName", v));
    // The App Paths key stays.
    EXPECT_EQ(AppPathsValue(L""), host.exe);

    EXPECT_EQ(Run({}), StartupOutcome::NotRegistered);
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{kNotRegistered});
}

TEST_F(Startup, MissingVersionBlockComparesEmptyStrings) {
    host.exe = L"/bin/sh";
    ASSERT_EQ(Run({L"/RegServer"}), StartupOutcome::Registered);
    std::wstring v = L"x";
    ASSERT_TRUE(app.GetValue(L"", v));
    EXPECT_EQ(v, L"");
    EXPECT_EQ(Run({}), StartupOutcome::DialogRun);
}

TEST_F(Startup, PathListOfAppPaths) {
    {
        CRegItem item(HKEY_LOCAL_MACHINE, kAppPathsKey, false);
        ASSERT_TRUE(item.SetValue(L"Path", L"/opt/a;/opt/robots/cell1/bin"));
    }
    // A parent folder of a listed entry is a folder of its own and is appended.
    host.cwd = L"/opt/robots/cell1";
    Run({L"/RegServer"});
    EXPECT_EQ(AppPathsValue(L"Path"), L"/opt/a;/opt/robots/cell1/bin;/opt/robots/cell1");

    // Present as a whole entry: unchanged, also when first or in the middle.
    Run({L"/RegServer"});
    host.cwd = L"/opt/a";
    Run({L"/RegServer"});
    host.cwd = L"/opt/robots/cell1/bin";
    Run({L"/RegServer"});
    EXPECT_EQ(AppPathsValue(L"Path"), L"/opt/a;/opt/robots/cell1/bin;/opt/robots/cell1");

    // Case matters.
    host.cwd = L"/OPT/A";
    Run({L"/RegServer"});
    EXPECT_EQ(AppPathsValue(L"Path"), L"/opt/a;/opt/robots/cell1/bin;/opt/robots/cell1;/OPT/A");
    EXPECT_TRUE(host.boxes.empty());
}

TEST(PathList, WholeEntries) {
    EXPECT_TRUE(PathListContains(L"a;b;c", L"b"));
    EXPECT_TRUE(PathListContains(L"a", L"a"));
    EXPECT_TRUE(PathListContains(L"a;;b", L""));
    EXPECT_FALSE(PathListContains(L"ab;c", L"a"));
    EXPECT_FALSE(PathListContains(L"x;a/b", L"a"));
    EXPECT_FALSE(PathListContains(L"", L"a"));
}

TEST(StartupStore, UnwritableStoreShowsRegistryError) {
    test::TempStores stores;
    // The store's folder is a regular file: nothing can be opened or written.
    const std::string blocker = stores.Dir() + "/blocked";
    FILE* f = fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    setenv("VANTEL_REGISTRY", (blocker + "/user.db").c_str(), 1);
    setenv("VANTEL_MACHINE_REGISTRY", (blocker + "/machine.db").c_str(), 1);

    CRegPair app(L"Plexa.Vantel", false);
    RecordingHost host;
    EXPECT_EQ(RunStartup(host, app, {L"/RegServer"}), StartupOutcome::Registered);
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{L"Error accessing Registry"});

    host.boxes.clear();
    EXPECT_EQ(RunStartup(host, app, {}), StartupOutcome::NotRegistered);
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{kNotRegistered});
}

TEST(StartupStore, MachineStoreFailureAlsoReported) {
    test::TempStores stores;
    const std::string blocker = stores.Dir() + "/blocked";
    FILE* f = fopen(blocker.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fclose(f);
    setenv("VANTEL_MACHINE_REGISTRY", (blocker + "/machine.db").c_str(), 1);

    CRegPair app(L"Plexa.Vantel", false);
    RecordingHost host;
    RunStartup(host, app, {L"/RegServer"});
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{L"Error accessing Registry"});
}

// Another program holds the user store locked: start-up says so, not "not registered".
TEST_F(Startup, LockedStoreIsReportedAsBusy) {
    ASSERT_EQ(Run({L"/RegServer"}), StartupOutcome::Registered);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(stores.UserStore().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);

    EXPECT_EQ(Run({}), StartupOutcome::RegistryBusy);
    EXPECT_EQ(Run({L"/RegServer"}), StartupOutcome::Registered);
    EXPECT_EQ(host.boxes, (std::vector<std::wstring>{kRegistryBusy, kRegistryBusy}));
    EXPECT_EQ(host.dialogs, 0);

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Run({}), StartupOutcome::DialogRun);
}

TEST_F(Startup, OleFailureMessage) {
    Run({L"/RegServer"});
    SetOleInitFailsForTesting(true);
    const auto outcome = Run({});
    SetOleInitFailsForTesting(false);
    EXPECT_EQ(outcome, StartupOutcome::OleFailed);
    EXPECT_EQ(host.boxes, std::vector<std::wstring>{L"OLE Initialisierung fehlgeschlagen"});
    EXPECT_EQ(host.dialogs, 0);
}

TEST_F(Startup, BaseInitFailureEndsSilently) {
    struct FailingHost : RecordingHost {
        bool BaseInitInstance() override { return false; }
    } failing;
    EXPECT_EQ(RunStartup(failing, app, {L"/RegServer"}), StartupOutcome::BaseInitFailed);
    std::wstring v;
    EXPECT_FALSE(app.GetValue(L"", v));
    EXPECT_TRUE(failing.boxes.empty());
}

// The built executable with no display at all.
class NoDisplay : public ::testing::Test {
protected:
    // Runs vantel with args; its exit status, and its standard error in err.
    int Run(const std::string& args, std::string& err) {
        const std::string errFile = stores.Dir() + "/stderr.txt";
        const int status = std::system(
            ("env -u DISPLAY -u WAYLAND_DISPLAY '" VANTEL_EXE_PATH "' " + args + " 2>'" + errFile + "'").c_str());
        std::ifstream in(errFile);
        err.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    test::TempStores stores;
    CRegPair app{kAppPairName, false};
};

TEST_F(NoDisplay, RegistrationRunsAndTheConsoleSaysWhyItCannot) {
    std::string err;
    EXPECT_EQ(Run("/RegServer", err), 0);
    EXPECT_EQ(err, "");
    std::wstring v;
    ASSERT_TRUE(app.GetValue(L"", v));
    EXPECT_EQ(v, kVersion);
    EXPECT_TRUE(app.GetValue(L"AppName", v));

    EXPECT_EQ(Run("-unregserver", err), 0);
    EXPECT_EQ(err, "");
    EXPECT_FALSE(app.GetValue(L"", v));
    EXPECT_FALSE(app.GetValue(L"AppName", v));

    EXPECT_NE(Run("", err), 0);
    EXPECT_NE(err.find("no display"), std::string::npos) << err;
}

TEST_F(NoDisplay, MessageOfABoxGoesToStandardError) {
    const std::string blocker = stores.Dir() + "/blocked";
    std::ofstream(blocker).put('x');
    setenv("VANTEL_REGISTRY", (blocker + "/user.db").c_str(), 1);
    std::string err;
    EXPECT_EQ(Run("/RegServer", err), 1);
    EXPECT_EQ(err, "vantel: Error accessing Registry\n");
}

}  // namespace
}  // namespace vantel
