// The journal's file: what vantel-batch writes reads back as the entries it journaled, a
// killed writer leaves only complete lines behind, and a session folder stays bounded
// without touching a file that another console still writes.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "batch/runner.h"
#include "jobs/journal_file.h"
#include "platform/text.h"
#include "temp_stores.h"

namespace vantel {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(JournalFile, VantelBatchWritesTheEntriesItJournaledAsJsonLines) {
    test::TempStores stores;
    const std::string path = stores.Dir() + "/run.jsonl";
    std::ostringstream out;
    batch::Runner runner(batch::Options{batch::LinkKind::Script, false, path, {}}, out);
    std::string error;
    ASSERT_TRUE(runner.OpenJournal(error)) << error;
    std::vector<JournalEntry> journaled;
    runner.Console().GetJournal().Subscribe([&](const JournalEntry& e) { journaled.push_back(e); });
    std::istringstream script(
        "field 1 $OV_PRO\n"
        "handle 7\n"
        "result ShowVarResult 1 \"Wert \\\"100\\\"\\r\\nÄ\"\n"
        "menu 32711\n"
        "post 7 0\n"
        "wait\n"
        "close\n");
    ASSERT_EQ(runner.Run(script, std::cerr), 0);

    const auto lines = Lines(path);
    ASSERT_EQ(lines.size(), journaled.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto j = nlohmann::json::parse(lines[i]);
        const JournalEntry& e = journaled[i];
        EXPECT_EQ(j["seq"], e.seq);
        EXPECT_EQ(j["kind"], std::string(KindName(e.kind)));
        EXPECT_EQ(j.value("text", ""), ToUtf8(e.text));
        EXPECT_EQ(j.value("call", ""), e.call);
    }
    EXPECT_EQ(nlohmann::json::parse(lines.front())["kind"], "start");
    EXPECT_EQ(nlohmann::json::parse(lines.back())["kind"], "close");
    bool sawBox = false;
    for (const auto& line : lines) {
        const auto j = nlohmann::json::parse(line);
        if (j["kind"] == "box") {
            EXPECT_EQ(j["text"], "Wert \"100\"\r\n\u00c4");
            EXPECT_EQ(j["path"], "Variablen/Show");
            sawBox = true;
        }
    }
    EXPECT_TRUE(sawBox);
}

// A writer killed at any moment: every line but possibly a last, unterminated one parses.
TEST(JournalFile, AKilledWriterLeavesOnlyCompleteLines) {
    test::TempStores stores;
    const std::string path = stores.Dir() + "/killed.jsonl";
    const std::string scriptPath = stores.Dir() + "/busy.vbs";
    {
        std::ofstream script(scriptPath);
        script << "field 1 " << std::string(3000, 'x') << "\n";
        for (int i = 0; i < 50000; ++i) script << "menu 32711\npost " << (i % 30000) + 1 << " 0\nwait\n";
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execl(VANTEL_BATCH_PATH, "vantel-batch", "--link", "script", "--journal", path.c_str(), scriptPath.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Killed once it has written a good deal, wherever it is then.
    for (int i = 0; i < 20000; ++i) {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0 && st.st_size > (4 << 20)) break;
        usleep(1000);
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "vantel-batch ended before it was killed";

    std::ifstream in(path, std::ios::binary);
    const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(all.empty());
    std::size_t complete = 0;
    std::size_t start = 0;
    std::uint64_t seq = 0;
    for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
        const auto j = nlohmann::json::parse(all.substr(start, end - start));
        EXPECT_EQ(j["seq"], ++seq);
        ++complete;
    }
    EXPECT_GT(complete, 100u);
    EXPECT_LT(all.size() - start, 8000u);  // what is left is at most one line being written
}

class JournalFolder : public ::testing::Test {
protected:
    void SetUp() override { folder = stores.Dir() + "/state/vantel/journal"; }
    std::vector<fs::path> Files() const {
        std::vector<fs::path> files;
        for (const auto& f : fs::directory_iterator(folder)) files.push_back(f.path());
        return files;
    }
    test::TempStores stores;
    std::string folder;
};

TEST_F(JournalFolder, SessionsGetPrivateFilesOfTheirOwnThatContinuePastTheCap) {
    JournalFolderLimits limits;
    limits.maxFileBytes = 2000;
    JournalFile a, b;
    std::string error;
    ASSERT_TRUE(a.OpenSession(folder, limits, error)) << error;
    ASSERT_TRUE(b.OpenSession(folder, limits, error)) << error;  // same second, same process
    EXPECT_NE(a.Path(), b.Path());
    EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    EXPECT_EQ(fs::status(a.Path()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    JournalEntry e;
    e.text.assign(300, L'x');
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(a.Write(e));
    a.Flush();
    EXPECT_GT(a.Parts(), 2);
    std::size_t lines = 0;
    for (const auto& f : Files()) {
        if (f.string() == b.Path()) continue;
        EXPECT_LE(fs::file_size(f), limits.maxFileBytes);
        lines += Lines(f.string()).size();
    }
    EXPECT_EQ(lines, 20u);
}

TEST_F(JournalFolder, PruningRemovesTheOldestButNeverAFileInUse) {
    fs::create_directories(folder);
    for (int i = 0; i < 5; ++i) {
        const auto path = folder + "/old-" + std::to_string(i) + ".jsonl";
        std::ofstream(path) << "{}\n";
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(10 - i));
    }
    // old-0 is the oldest, but another console still writes it.
    const int held = open((folder + "/old-0.jsonl").c_str(), O_RDONLY);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const pid_t child = fork();
    if (child == 0) {
        // Another process: flock locks belong to the open file, so test from outside it.
        JournalFolderLimits limits;
        limits.keepFiles = 4;
        JournalFile session;
        std::string error;
        _exit(session.OpenSession(folder, limits, error) ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    close(held);
    EXPECT_TRUE(fs::exists(folder + "/old-0.jsonl"));
    EXPECT_FALSE(fs::exists(folder + "/old-1.jsonl"));
    EXPECT_FALSE(fs::exists(folder + "/old-2.jsonl"));
    EXPECT_TRUE(fs::exists(folder + "/old-3.jsonl"));
    EXPECT_EQ(Files().size(), 4u);
}

}  // namespace
}  // namespace vantel
