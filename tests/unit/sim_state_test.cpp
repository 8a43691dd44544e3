// The simulated file system kept between runs: what Save writes, Load reads back whole, and
// anything else leaves the file system as it was. Then the folder that keeps it, through the
// controller: what is read, what is refused and told, and what is never overwritten.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "link/plexa.h"
#include "sim/controller.h"
#include "sim_backend.h"
#include "sim/model/files.h"
#include "sim/model/state_file.h"

namespace vantel::link::sim {
namespace {

namespace fs = std::filesystem;

TEST(SimState, RoundTripKeepsEveryItemAndAttribute) {
    SimFileSystem fs(1000);
    ASSERT_TRUE(fs.Write(L"RAM:/ODD.BIN", std::vector<std::uint8_t>{0, '\n', 0xFF, '\t', '\\', 'x'}, false, 2000));
    ASSERT_TRUE(fs.Create(L"CARD:/A B", ItemType::Folder, 3000, false));
    SimItem* module = fs.Find(L"USER:/R1/DEMO.SRC");
    ASSERT_NE(module, nullptr);
    module->comment = L"tab\there, line\nbreak, back\\slash, \u00e9\u20ac";
    module->userAttributes[L"OWNER"] = L"tester\t2";
    module->lines.push_back(L"; trailing\r");
    ASSERT_TRUE(fs.SetLabel(L"RAM", L"Scratch"));
    const std::string saved = fs.Save();

    SimFileSystem other(0);
    ASSERT_TRUE(other.Load(saved));
    EXPECT_EQ(other.Save(), saved);
    EXPECT_EQ(other.Find(L"RAM:/ODD.BIN")->bytes, (std::vector<std::uint8_t>{0, '\n', 0xFF, '\t', '\\', 'x'}));
    EXPECT_EQ(other.Find(L"USER:/R1/DEMO.SRC")->comment, module->comment);
    EXPECT_EQ(other.Find(L"USER:/R1/DEMO.SRC")->userAttributes.at(L"OWNER"), L"tester\t2");
    EXPECT_EQ(other.Volume(L"RAM")->label, L"Scratch");
    EXPECT_NE(other.Find(L"CARD:/A B"), nullptr);
}

TEST(SimState, DamagedTextChangesNothing) {
    SimFileSystem source(1000);
    ASSERT_TRUE(source.Destroy(L"USER:/README.TXT", false));
    const std::string saved = source.Save();
    const std::string pristine = SimFileSystem(1000).Save();
    // Every cut that does not end on an item boundary, and a few kinds of garbage.
    std::vector<std::string> damaged = {"", "VANTEL-FS 2\n", saved + "Z\tjunk\n", saved.substr(0, saved.size() - 1)};
    for (std::size_t cut = 12; cut < saved.size(); cut += 37) damaged.push_back(saved.substr(0, cut));
    std::string flipped = saved;
    flipped[flipped.find("\nI\t") + 1] = 'Q';
    damaged.push_back(flipped);
    for (const auto& text : damaged) {
        SimFileSystem fs(1000);
        if (fs.Load(text)) {
            // A cut that happens to fall between two records is a smaller, still whole state.
            EXPECT_EQ(fs.Save(), text) << text.size();
            continue;
        }
        EXPECT_EQ(fs.Save(), pristine) << "a refused load changed the file system, at " << text.size();
    }
}

using test::Backend;

// A controller on a state folder, at latency 0; what it wrote on standard error while starting.
class Rig {
public:
    explicit Rig(const fs::path& stateDir) {
        SimConfig c;
        c.latency = c.step = c.mousePeriod = Clock::duration::zero();
        c.fixedClockMs = 0;
        c.stateDir = stateDir;
        testing::internal::CaptureStderr();
        m_backend = new Backend(c);
        told = testing::internal::GetCapturedStderr();
        link = std::make_unique<CPlexa>(std::unique_ptr<ILinkBackend>(m_backend));
        EXPECT_EQ(link->Init(L"Vantel", L"", 0xC100, 77, 223, 0), 1);
    }
    std::int16_t Done(std::int16_t h) {
        for (int i = 0; i < 1000; ++i) {
            const auto due = m_backend->sim.NextDue();
            if (!due) break;
            m_backend->now = std::max(m_backend->now, *due);
            m_backend->sim.Tick(m_backend->now);
        }
        m_backend->sim.TakePosts();
        return h;
    }
    int Destroy(const std::wstring& path) { return link->ItemDestroyResult(Done(link->ItemDestroy(path, 0))); }
    bool Logged(const std::wstring& text) {
        StringArray lines;
        link->GetLogEntriesResult(Done(link->GetLogEntries(1, 1000)), lines);
        return std::any_of(lines.begin(), lines.end(), [&](const std::wstring& l) { return l.find(text) != std::wstring::npos; });
    }

    std::string told;
    std::unique_ptr<CPlexa> link;

private:
    Backend* m_backend = nullptr;
};

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

class SimStateFolderTest : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/vantel-state-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        root = tmpl;
        dir = root / "state";
        fs::create_directory(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    fs::path State() const { return dir / "filesystem.state"; }
    // The copies moved aside, by name.
    std::vector<fs::path> Aside() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().starts_with("filesystem.state.corrupt-")) out.push_back(e.path());
        std::sort(out.begin(), out.end());
        return out;
    }
    static unsigned Mode(const fs::path& p) {
        struct stat st {};
        return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    fs::path root, dir;
};

TEST_F(SimStateFolderTest, SavingNeverWritesThroughAPlantedLink) {
    const fs::path victim = root / "victim";
    Put(victim, "precious");
    std::vector<std::string> names = {"filesystem.state.tmp"};
    for (int i = 0; i + 1 < SimStateFolder::kTempNames; ++i) names.push_back(SimStateFolder::TempName(i));
    for (const auto& name : names) fs::create_symlink(victim, dir / name);

    Rig r(dir);
    ASSERT_EQ(r.Destroy(L"USER:/README.TXT"), 1);
    EXPECT_EQ(Slurp(victim), "precious");
    ASSERT_TRUE(fs::is_regular_file(fs::symlink_status(State())));
    SimFileSystem saved(0);
    ASSERT_TRUE(saved.Load(Slurp(State())));
    EXPECT_EQ(saved.Find(L"USER:/README.TXT"), nullptr);
    for (const auto& name : names) EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dir / name))) << name;

    // With every name taken the save fails, and says so; nothing is written anywhere.
    fs::create_symlink(victim, dir / SimStateFolder::TempName(SimStateFolder::kTempNames - 1));
    const std::string before = Slurp(State());
    testing::internal::CaptureStderr();
    ASSERT_EQ(r.Destroy(L"USER:/R1/PICK.SRC"), 1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Cannot save"), std::string::npos);
    EXPECT_TRUE(r.Logged(L"Cannot save"));
    EXPECT_EQ(Slurp(victim), "precious");
    EXPECT_EQ(Slurp(State()), before);
}

TEST_F(SimStateFolderTest, StateIsPrivate) {
    const fs::path made = root / "new" / "state";
    Rig r(made);
    ASSERT_EQ(r.Destroy(L"USER:/README.TXT"), 1);
    EXPECT_EQ(Mode(made / "filesystem.state"), 0600u);
    EXPECT_EQ(Mode(made), 0700u);
    EXPECT_EQ(Mode(root / "new"), 0700u);
}

// Whatever is at the state path and cannot serve is moved aside, the start told, the samples
// used; the next save writes a fresh state and the copy stays.
TEST_F(SimStateFolderTest, UnusableStateIsMovedAsideAndTold) {
    const std::vector<std::pair<const char*, std::function<void()>>> kinds = {
        {"folder", [&] { fs::create_directory(State()); Put(State() / "inside", "x"); }},
        {"link loop", [&] { fs::create_symlink(State(), State()); }},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(State().c_str(), 0600), 0); }},
        {"device", [&] { fs::create_symlink("/dev/zero", State()); }},
        {"oversized", [&] {
             Put(State(), "VANTEL-FS 1\n");
             const int fd = ::open(State().c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(SimFileSystem(0).StateLimit() + 1)), 0);
             ::close(fd);
         }},
        {"damaged", [&] { Put(State(), "VANTEL-FS 1\nZ\tjunk\n"); }},
    };
    for (const auto& [kind, plant] : kinds) {
        SCOPED_TRACE(kind);
        fs::remove_all(dir);
        fs::create_directory(dir);
        plant();
        const auto planted = fs::symlink_status(State()).type();

        Rig r(dir);
        EXPECT_NE(r.told.find("moved aside"), std::string::npos) << r.told;
        EXPECT_TRUE(r.Logged(L"moved aside"));
        const auto aside = Aside();
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(fs::symlink_status(aside[0]).type(), planted);
        EXPECT_EQ(r.Destroy(L"USER:/README.TXT"), 1) << "not started with the samples";
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(State())));
        EXPECT_EQ(Aside(), aside);
    }
}

TEST_F(SimStateFolderTest, EveryDamagedCopyIsKept) {
    Put(State(), "damaged once");
    Rig first(dir);
    Put(State(), "damaged twice");
    Rig second(dir);
    std::set<std::string> copies;
    for (const auto& p : Aside()) copies.insert(Slurp(p));
    EXPECT_EQ(copies, (std::set<std::string>{"damaged once", "damaged twice"}));
}

// A dotfiles folder may keep the state elsewhere and link to it.
TEST_F(SimStateFolderTest, ALinkToAGoodStateIsRead) {
    SimFileSystem kept(0);
    ASSERT_TRUE(kept.Destroy(L"USER:/README.TXT", false));
    fs::create_directory(root / "dotfiles");
    Put(root / "dotfiles" / "fs.state", kept.Save());
    fs::create_symlink(root / "dotfiles" / "fs.state", State());
    Rig r(dir);
    EXPECT_EQ(r.told, "");
    EXPECT_EQ(r.Destroy(L"USER:/README.TXT"), 0) << "the samples, not the linked state";
    EXPECT_TRUE(Aside().empty());
}

// Where an unusable state cannot be moved aside (here the folder's path runs through a file),
// it is left alone: nothing is saved that run, and the start says so.
TEST_F(SimStateFolderTest, StateThatCannotBeMovedAsideIsLeftAlone) {
    Put(root / "plain", "not a folder");
    Rig r(root / "plain" / "state");
    EXPECT_NE(r.told.find("changes are not saved"), std::string::npos) << r.told;
    EXPECT_TRUE(r.Logged(L"changes are not saved"));
    ASSERT_EQ(r.Destroy(L"USER:/README.TXT"), 1);
    EXPECT_FALSE(r.Logged(L"Cannot save")) << "a save was tried";
    EXPECT_EQ(Slurp(root / "plain"), "not a folder");
}

}  // namespace
}  // namespace vantel::link::sim
