#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"
#include "temp_stores.h"

namespace fs = std::filesystem;
using vantel::reg::Hive;
using vantel::reg::StorePath;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

    void Set(const std::optional<std::string>& value) {
        if (value)
            ::setenv(m_name, value->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class Registry : public ::testing::Test {
protected:
    static std::wstring Get(CRegPair& pair, const std::wstring& name) { return vantel::test::ValueOf(pair, name); }

    vantel::test::TempStores m_stores;
    const fs::path m_dir{m_stores.Dir()};
    const fs::path m_userPath{m_stores.UserStore()};
    const fs::path m_machinePath{m_stores.MachineStore()};
};

}  // namespace

TEST_F(Registry, RoundTripsValuesAndCreatesPrivateFolders) {
    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_TRUE(pair.SetValue(L"Connection", L"COM3:115200"));
    EXPECT_TRUE(pair.SetValue(L"", L"the default value"));
    EXPECT_TRUE(pair.SetValue(L"Greeting", L"Gr\u00fc\u00dfe \u65e5\u672c \U0001F600"));
    EXPECT_TRUE(pair.SetValue(L"Empty", L""));

    EXPECT_EQ(Get(pair, L"Connection"), L"COM3:115200");
    EXPECT_EQ(Get(pair, L""), L"the default value");
    EXPECT_EQ(Get(pair, L"Greeting"), L"Gr\u00fc\u00dfe \u65e5\u672c \U0001F600");
    EXPECT_EQ(Get(pair, L"Empty"), L"");

    EXPECT_TRUE(pair.SetValue(L"Connection", L"COM4"));
    EXPECT_EQ(Get(pair, L"Connection"), L"COM4");

    const fs::path nested = m_dir / "config" / "vantel" / "registry.db";
    ScopedEnv user("VANTEL_REGISTRY", nested.string());
    EXPECT_TRUE(pair.SetValue(L"Connection", L"COM5"));
    ASSERT_TRUE(fs::is_regular_file(nested));
    struct stat st {};
    ASSERT_EQ(::stat(nested.parent_path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0077, 0u) << "new store folders are private";
}

TEST_F(Registry, KeysAndNamesIgnoreAsciiCaseAndChildPairsNest) {
    CRegPair parent(L"Plexa.Vantel", false);
    CRegPair child(parent, L"Parameter0", false);
    EXPECT_EQ(child.KeyPath(), L"Plexa.Vantel\\Parameter0");

    ASSERT_TRUE(child.SetValue(L"Value", L"17"));
    EXPECT_EQ(Get(child, L"VALUE"), L"17");
    EXPECT_EQ(Get(parent, L"Value"), L"<untouched>") << "a child's values are not the parent's";

    CRegItem item(HKEY_CURRENT_USER, L"PLEXA.VANTEL\\parameter0", false);
    std::wstring data;
    EXPECT_TRUE(item.GetValue(L"value", data));
    EXPECT_EQ(data, L"17");

    // Rewriting under another spelling updates the one value.
    EXPECT_TRUE(item.SetValue(L"vALUE", L"18"));
    EXPECT_EQ(Get(child, L"Value"), L"18");

    // Case folding is ASCII only.
    ASSERT_TRUE(parent.SetValue(L"\u00c4nderung", L"upper"));
    EXPECT_EQ(Get(parent, L"\u00e4nderung"), L"<untouched>");
}

TEST_F(Registry, MissingAndDeletedValuesLeaveDataUntouched) {
    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_EQ(Get(pair, L"Never"), L"<untouched>");

    ASSERT_TRUE(pair.SetValue(L"History0", L"dir"));
    EXPECT_TRUE(pair.DeleteValue(L"HISTORY0"));
    EXPECT_EQ(Get(pair, L"History0"), L"<untouched>");
    EXPECT_FALSE(pair.DeleteValue(L"History0")) << "nothing left to delete";
}

TEST_F(Registry, PairsOnOneStoreSeeEachOthersWrites) {
    CRegPair a(L"Plexa.Vantel", false);
    CRegPair b(L"Plexa.Vantel", true);
    ASSERT_TRUE(a.SetValue(L"X", L"from a"));
    EXPECT_EQ(Get(b, L"X"), L"from a");
    ASSERT_TRUE(b.SetValue(L"X", L"from b"));
    EXPECT_EQ(Get(a, L"X"), L"from b");
}

TEST_F(Registry, MachineAndUserStoresAreSeparateFiles) {
    CRegItem machine(HKEY_LOCAL_MACHINE, L"Software\\Vantel", false);
    CRegItem user(HKEY_CURRENT_USER, L"Software\\Vantel", false);
    ASSERT_TRUE(machine.SetValue(L"InstallDir", L"/opt/vantel"));
    std::wstring data = L"<untouched>";
    EXPECT_FALSE(user.GetValue(L"InstallDir", data));
    EXPECT_EQ(data, L"<untouched>");
    EXPECT_TRUE(machine.GetValue(L"InstallDir", data));
    EXPECT_EQ(data, L"/opt/vantel");
    EXPECT_TRUE(fs::is_regular_file(m_machinePath));
}

TEST_F(Registry, StorePathsFollowTheEnvironmentAtEachCall) {
    EXPECT_EQ(StorePath(Hive::User), m_userPath.string());
    EXPECT_EQ(StorePath(Hive::Machine), m_machinePath.string());
    {
        ScopedEnv noMachine("VANTEL_MACHINE_REGISTRY", std::nullopt);
        EXPECT_EQ(StorePath(Hive::Machine), (m_userPath.parent_path() / "machine-registry.db").string());
        ScopedEnv noUser("VANTEL_REGISTRY", std::nullopt);
        ScopedEnv xdg("XDG_CONFIG_HOME", "/xdg");
        ScopedEnv home("HOME", "/home/tester");
        EXPECT_EQ(StorePath(Hive::User), "/xdg/vantel/registry.db");
        EXPECT_EQ(StorePath(Hive::Machine), "/xdg/vantel/machine-registry.db");
        xdg.Set(std::nullopt);
        EXPECT_EQ(StorePath(Hive::User), "/home/tester/.config/vantel/registry.db");
    }

    CRegPair pair(L"Plexa.Vantel", false);
    ASSERT_TRUE(pair.SetValue(L"Where", L"first"));
    {
        ScopedEnv other("VANTEL_REGISTRY", (m_dir / "other.db").string());
        EXPECT_EQ(Get(pair, L"Where"), L"<untouched>");
        ASSERT_TRUE(pair.SetValue(L"Where", L"second"));
    }
    EXPECT_EQ(Get(pair, L"Where"), L"first");
}

TEST_F(Registry, ClosedItemRefusesEverything) {
    CRegItem item(HKEY_CURRENT_USER, L"Plexa.Vantel", false);
    ASSERT_TRUE(item.SetValue(L"A", L"1"));
    item.Close();
    std::wstring data = L"<untouched>";
    EXPECT_FALSE(item.GetValue(L"A", data));
    EXPECT_EQ(data, L"<untouched>");
    EXPECT_FALSE(item.SetValue(L"A", L"2"));
    EXPECT_FALSE(item.DeleteValue(L"A"));

    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_EQ(Get(pair, L"A"), L"1");
}

TEST_F(Registry, ThreadsWritingAtOnceLoseNothing) {
    constexpr int kThreads = 4, kValues = 50;
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&failures, t] {
            CRegPair pair(L"Plexa.Vantel", false);
            for (int i = 0; i < kValues; ++i)
                if (!pair.SetValue(L"T" + std::to_wstring(t) + L"_" + std::to_wstring(i), std::to_wstring(i)))
                    ++failures[t];
        });
    for (auto& th : threads) th.join();
    CRegPair pair(L"Plexa.Vantel", false);
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(failures[t], 0);
        for (int i = 0; i < kValues; ++i)
            EXPECT_EQ(Get(pair, L"T" + std::to_wstring(t) + L"_" + std::to_wstring(i)), std::to_wstring(i));
    }
}

TEST_F(Registry, ProcessesWritingAtOnceLoseNothing) {
    // Few enough commits that a loaded machine finishes them within the store's bounded wait.
    constexpr int kProcesses = 2, kValues = 50;
    const auto children = vantel::test::StartTogether(kProcesses, [](int c) {
        int failures = 0;
        CRegPair pair(L"Plexa.Vantel", false);
        for (int i = 0; i < kValues; ++i)
            if (!pair.SetValue(L"P" + std::to_wstring(c) + L"_" + std::to_wstring(i), std::to_wstring(i * c)))
                ++failures;
        return failures > 0 ? 1 : 0;
    });
    ASSERT_EQ(children.size(), static_cast<std::size_t>(kProcesses));
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a child's write failed";
    }

    CRegPair pair(L"Plexa.Vantel", false);
    int found = 0;
    for (int c = 0; c < kProcesses; ++c)
        for (int i = 0; i < kValues; ++i)
            if (Get(pair, L"P" + std::to_wstring(c) + L"_" + std::to_wstring(i)) == std::to_wstring(i * c)) ++found;
    EXPECT_EQ(found, kProcesses * kValues);
}

namespace {

std::vector<fs::path> CorruptCopies(const fs::path& store) {
    std::vector<fs::path> found;
    const std::string prefix = store.filename().string() + ".corrupt-";
    for (const auto& entry : fs::directory_iterator(store.parent_path()))
        if (entry.path().filename().string().rfind(prefix, 0) == 0 &&
            entry.path().filename().string().find("-journal") == std::string::npos)
            found.push_back(entry.path());
    return found;
}

void WriteGarbage(const fs::path& path) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (int i = 0; i < 512; ++i) out << "not a database page ";
}

}  // namespace

TEST_F(Registry, CorruptStoreIsMovedAsideAndReplaced) {
    fs::create_directories(m_userPath.parent_path());
    WriteGarbage(m_userPath);
    const auto garbageSize = fs::file_size(m_userPath);

    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_TRUE(pair.SetValue(L"After", L"works"));
    EXPECT_EQ(Get(pair, L"After"), L"works");

    const auto copies = CorruptCopies(m_userPath);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(fs::file_size(copies[0]), garbageSize) << "the damaged file is kept as it was";
}

TEST_F(Registry, StoreDamagedWhileOpenIsMovedAsideToo) {
    CRegPair pair(L"Plexa.Vantel", false);
    ASSERT_TRUE(pair.SetValue(L"Before", L"1"));
    WriteGarbage(m_userPath);  // same file, overwritten under the open connection

    EXPECT_EQ(Get(pair, L"Before"), L"<untouched>");
    EXPECT_TRUE(pair.SetValue(L"After", L"2"));
    EXPECT_EQ(Get(pair, L"After"), L"2");
    EXPECT_EQ(CorruptCopies(m_userPath).size(), 1u);

    // A second damage in the same second must not overwrite the first copy.
    WriteGarbage(m_userPath);
    EXPECT_TRUE(pair.SetValue(L"Again", L"3"));
    EXPECT_EQ(CorruptCopies(m_userPath).size(), 2u);
}

// A store without write bits is read-only even for root, who ignores permissions.
TEST_F(Registry, ReadOnlyStoreIsReadButNotWritten) {
    CRegPair pair(L"Plexa.Vantel", false);
    ASSERT_TRUE(pair.SetValue(L"Kept", L"yes"));

    fs::permissions(m_userPath, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Get(pair, L"Kept"), L"yes");
    EXPECT_FALSE(pair.SetValue(L"Kept", L"no"));
    EXPECT_FALSE(pair.SetValue(L"New", L"no"));
    EXPECT_FALSE(pair.DeleteValue(L"Kept"));
    EXPECT_EQ(Get(pair, L"Kept"), L"yes");

    fs::permissions(m_userPath, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(pair.SetValue(L"Kept", L"writable again"));

    const fs::path folder = m_userPath.parent_path();
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Get(pair, L"Kept"), L"writable again");
    EXPECT_FALSE(pair.SetValue(L"Kept", L"folder is frozen"));
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_TRUE(CorruptCopies(m_userPath).empty());
}

TEST_F(Registry, CorruptReadOnlyStoreIsLeftAlone) {
    fs::create_directories(m_userPath.parent_path());
    WriteGarbage(m_userPath);
    fs::permissions(m_userPath, fs::perms::owner_read);

    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_EQ(Get(pair, L"Any"), L"<untouched>");
    EXPECT_FALSE(pair.SetValue(L"Any", L"x"));
    EXPECT_TRUE(CorruptCopies(m_userPath).empty());
}

TEST_F(Registry, UnopenableStoreMakesEveryCallFail) {
    const fs::path blocker = m_dir / "plain-file";
    std::ofstream(blocker) << "in the way";
    ScopedEnv user("VANTEL_REGISTRY", (blocker / "registry.db").string());
    ScopedEnv machine("VANTEL_MACHINE_REGISTRY", (blocker / "machine.db").string());

    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_FALSE(pair.SetValue(L"A", L"1"));
    EXPECT_EQ(Get(pair, L"A"), L"<untouched>");
    EXPECT_FALSE(pair.DeleteValue(L"A"));

    CRegItem item(HKEY_LOCAL_MACHINE, L"Software\\Vantel", false);
    EXPECT_FALSE(item.SetValue(L"A", L"1"));

    // A store path that is a folder is no better.
    ScopedEnv folder("VANTEL_REGISTRY", m_dir.string());
    EXPECT_FALSE(pair.SetValue(L"A", L"1"));
}
