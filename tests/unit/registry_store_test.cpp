// The registry stores under damage, locks, write protection and two consoles at once.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <sstream>
#include <string>
#include <vector>

#include "batch/runner.h"
#include "jobs/history.h"
#include "platform/registry.h"
#include "temp_stores.h"

namespace fs = std::filesystem;
using vantel::reg::Status;

namespace vantel {
namespace {

// Fails the test, and ends the run, when fn takes longer than a generous bound.
void WithinHangGuard(const std::function<void()>& fn) {
    auto done = std::async(std::launch::async, fn);
    if (done.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "the store call hangs";
        std::_Exit(1);
    }
    done.get();
}

// A connection of the test's own, as another program would hold one.
class OtherConnection {
public:
    explicit OtherConnection(const fs::path& path) {
        EXPECT_EQ(sqlite3_open(path.c_str(), &m_db), SQLITE_OK);
    }
    ~OtherConnection() { sqlite3_close(m_db); }
    OtherConnection(const OtherConnection&) = delete;
    OtherConnection& operator=(const OtherConnection&) = delete;

    void Exec(const std::string& sql) {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << sql << ": " << error;
        sqlite3_free(error);
    }

private:
    sqlite3* m_db = nullptr;
};

// Points the user store elsewhere for the life of the object.
class ScopedStore {
public:
    explicit ScopedStore(const fs::path& path) : m_old(std::getenv("VANTEL_REGISTRY")) {
        fs::create_directories(path.parent_path());
        ::setenv("VANTEL_REGISTRY", path.c_str(), 1);
    }
    ~ScopedStore() { ::setenv("VANTEL_REGISTRY", m_old.c_str(), 1); }
    ScopedStore(const ScopedStore&) = delete;
    ScopedStore& operator=(const ScopedStore&) = delete;

private:
    std::string m_old;
};

class RegistryStore : public ::testing::Test {
protected:
    static std::wstring Get(CRegPair& pair, const std::wstring& name) { return test::ValueOf(pair, name); }

    // Everything moved aside from the path (by default the user store's).
    std::vector<fs::path> MovedAside(fs::path path = {}) const {
        if (path.empty()) path = m_user;
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(path.parent_path()))
            if (entry.path().filename().string().rfind(path.filename().string() + ".corrupt-", 0) == 0)
                found.push_back(entry.path());
        return found;
    }

    // A good store at the user path with one value in it.
    void MakeGoodStore() {
        CRegPair pair(L"Plexa.Vantel", false);
        ASSERT_TRUE(pair.SetValue(L"Before", L"1"));
    }

    // A store as a console left it, at a path this process has not opened yet.
    static void LeaveGoodStore(const fs::path& path) {
        OtherConnection store(path);
        store.Exec(
            "CREATE TABLE reg_value(key TEXT NOT NULL COLLATE NOCASE, name TEXT NOT NULL COLLATE NOCASE, "
            "data TEXT NOT NULL, PRIMARY KEY(key, name)) WITHOUT ROWID; "
            "INSERT INTO reg_value VALUES('Plexa.Vantel', 'Before', '1')");
    }

    test::TempStores m_stores;
    const fs::path m_dir{m_stores.Dir()};
    const fs::path m_user{m_stores.UserStore()};
};

TEST_F(RegistryStore, StoreWithAnotherSchemaIsMovedAsideAndReplaced) {
    const char* const variants[] = {
        // One changed byte in the schema text: SQLite reports no corruption, only errors.
        "PRAGMA writable_schema=ON; "
        "UPDATE sqlite_master SET sql = replace(sql, 'NOCASE', 'NOCASF') WHERE name = 'reg_value';",
        "DROP TABLE reg_value; CREATE TABLE reg_value(key TEXT, name TEXT, value TEXT, PRIMARY KEY(key, name));",
        "DROP TABLE reg_value; CREATE TABLE t(key, name, data); "
        "CREATE VIEW reg_value AS SELECT key, name, data FROM t;",
        "CREATE TRIGGER wipe AFTER INSERT ON reg_value BEGIN DELETE FROM reg_value; END;",
    };
    int n = 0;
    for (const char* damage : variants) {
        SCOPED_TRACE(damage);
        // Damaged while no console ran.
        const fs::path path = m_dir / std::to_string(++n) / "registry.db";
        ScopedStore at(path);
        LeaveGoodStore(path);
        OtherConnection(path).Exec(damage);

        CRegPair pair(L"Plexa.Vantel", false);
        EXPECT_TRUE(pair.SetValue(L"After", L"2"));
        EXPECT_EQ(Get(pair, L"After"), L"2");
        EXPECT_EQ(Get(pair, L"Before"), L"<untouched>") << "a fresh store";
        EXPECT_EQ(MovedAside(path).size(), 1u);
    }

    // Damaged under an open connection: the next call finds out and checks again.
    MakeGoodStore();
    OtherConnection(m_user).Exec(variants[2]);
    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_TRUE(pair.SetValue(L"After", L"2"));
    EXPECT_EQ(Get(pair, L"Before"), L"<untouched>");
    EXPECT_EQ(MovedAside().size(), 1u);
}

TEST_F(RegistryStore, WhatIsNoStoreFileIsMovedAsideUnopenedAndALinkToAStoreIsFollowed) {
    const std::function<void()> put[] = {
        [&] { fs::create_directory(m_user); },
        [&] { ASSERT_EQ(::mkfifo(m_user.c_str(), 0600), 0); },
        [&] { fs::create_directory_symlink(m_dir / "a-folder", m_user); fs::create_directory(m_dir / "a-folder"); },
        [&] { fs::create_symlink(m_dir / "nothing-there", m_user); },
    };
    for (std::size_t i = 0; i < std::size(put); ++i) {
        SCOPED_TRACE(i);
        put[i]();
        struct stat before {};
        ASSERT_EQ(::lstat(m_user.c_str(), &before), 0);
        WithinHangGuard([] {
            CRegPair pair(L"Plexa.Vantel", false);
            EXPECT_TRUE(pair.SetValue(L"After", L"2"));
        });
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(m_user))) << "a fresh store";
        const auto moved = MovedAside();
        ASSERT_EQ(moved.size(), 1u);
        struct stat after {};
        ASSERT_EQ(::lstat(moved.back().c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << "what stood there is kept, renamed";
        fs::rename(moved.back(), m_dir / ("kept-" + std::to_string(i)));
        fs::remove(m_user);
    }

    // A folder with files in it is never renamed: the path may name a home or config folder.
    fs::create_directories(m_user / "settings");
    {
        CRegPair pair(L"Plexa.Vantel", false);
        EXPECT_FALSE(pair.SetValue(L"After", L"2"));
        EXPECT_EQ(reg::LastStatus(), Status::Unavailable);
        EXPECT_TRUE(fs::is_directory(m_user / "settings"));
    }
    fs::remove_all(m_user);

    // Settings kept in a folder of their own, linked to: the link stays and is used.
    const fs::path target = m_dir / "dotfiles" / "registry.db";
    {
        ScopedStore elsewhere(target);
        CRegPair pair(L"Plexa.Vantel", false);
        ASSERT_TRUE(pair.SetValue(L"InTarget", L"yes"));
    }
    fs::create_symlink(target, m_user);
    {
        CRegPair pair(L"Plexa.Vantel", false);
        EXPECT_EQ(Get(pair, L"InTarget"), L"yes");
        EXPECT_TRUE(pair.SetValue(L"ThroughLink", L"also"));
    }
    EXPECT_TRUE(fs::is_symlink(m_user));
    EXPECT_TRUE(MovedAside().empty());
    ScopedStore elsewhere(target);
    CRegPair pair(L"Plexa.Vantel", false);
    EXPECT_EQ(Get(pair, L"ThroughLink"), L"also");
}

TEST_F(RegistryStore, LockedStoreFailsWithinTheBoundAndSaysItIsBusy) {
    MakeGoodStore();
    // Never opened by this process before, so the checks at opening meet the lock too.
    const fs::path fresh = m_dir / "fresh.db";
    LeaveGoodStore(fresh);

    for (const fs::path& path : {m_user, fresh}) {
        SCOPED_TRACE(path);
        ScopedStore at(path);
        OtherConnection other(path);
        other.Exec("BEGIN EXCLUSIVE");
        std::array<FieldHistory, 10> fields;
        fields[0].items = {L"robot 7"};
        CRegPair app(L"Plexa.Vantel", false);
        Status status = Status::Ok;
        std::string error;
        WithinHangGuard([&] {
            EXPECT_FALSE(SaveHistories(app, fields));
            status = reg::LastStatus();
            error = reg::LastError();
        });
        EXPECT_EQ(status, Status::Busy);
        EXPECT_NE(error.find(path.string() + ": the store is busy"), std::string::npos) << error;

        other.Exec("ROLLBACK");
        EXPECT_TRUE(SaveHistories(app, fields)) << reg::LastError();
        EXPECT_EQ(reg::LastStatus(), Status::Ok);
        EXPECT_EQ(reg::LastError(), "");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 2)
        << "a busy store is not a damaged one: nothing moved aside";
}

// No write bit at all: read-only even for root, which ignores permissions otherwise.
TEST_F(RegistryStore, ReadOnlyStoreFailsToSaveAndSaysSo) {
    MakeGoodStore();
    fs::permissions(m_user, fs::perms::owner_read);
    std::array<FieldHistory, 10> fields;
    fields[9].items = {L"robot 7"};
    CRegPair app(L"Plexa.Vantel", false);
    EXPECT_FALSE(SaveHistories(app, fields));
    EXPECT_EQ(reg::LastStatus(), Status::ReadOnly);
    EXPECT_EQ(reg::LastError(), m_user.string() + ": the store is read-only");

    // vantel-batch says it on standard error and ends with the status of an outside failure.
    std::ostringstream out, err;
    batch::Runner runner(batch::Options{batch::LinkKind::Script, false, {}, m_user.string()}, out);
    std::istringstream script("field 1 robot 7\nclose\n");
    EXPECT_EQ(runner.Run(script, err), 3);
    EXPECT_EQ(err.str(), "vantel-batch: histories not saved: " + m_user.string() + ": the store is read-only\n");
    const Journal& journal = runner.Console().GetJournal();
    ASSERT_GT(journal.Size(), 0u);
    EXPECT_EQ(journal.At(journal.Size() - 1).text,
              L"Histories nicht gespeichert: " + m_user.wstring() + L": the store is read-only");
}

TEST_F(RegistryStore, TwoConsolesSavingAtOnceNeverMixAList) {
    constexpr int kRounds = 30;
    const std::array<const wchar_t*, 2> who = {L"A", L"B"};
    auto children = test::StartTogether(2, [&](int c) {
        std::array<FieldHistory, 10> fields;
        for (auto& field : fields)
            for (int k = 0; k < kHistoryLimit; ++k) field.items.push_back(who[c] + std::to_wstring(k));
        CRegPair app(L"Plexa.Vantel", false);
        int failures = 0;
        for (int round = 0; round < kRounds; ++round) failures += SaveHistories(app, fields) ? 0 : 1;
        return failures == 0 ? 0 : 1;
    });
    ASSERT_EQ(children.size(), 2u);

    // Reads while they write, each read one snapshot of every list: a list is one
    // console's, never both.
    int mixed = 0, reads = 0;
    const auto check = [&] {
        sqlite3* db = nullptr;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_open_v2(m_user.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT key, group_concat(substr(data, 1, 1), '') FROM reg_value GROUP BY key",
                               -1, &stmt, nullptr) == SQLITE_OK) {
            while (sqlite3_step(stmt) == SQLITE_ROW) {
                const std::string firsts = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 1));
                ++reads;
                if (firsts.find_first_not_of(firsts[0]) != std::string::npos) ++mixed;
            }
        }
        sqlite3_finalize(stmt);
        sqlite3_close(db);
    };
    for (int running = 2; running > 0;) {
        if (fs::exists(m_user)) check();
        for (pid_t& pid : children) {
            int status = 0;
            if (pid > 0 && ::waitpid(pid, &status, WNOHANG) == pid) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a save failed";
                pid = 0;
                --running;
            }
        }
    }
    check();
    EXPECT_GT(reads, 0);
    EXPECT_EQ(mixed, 0);
}

}  // namespace
}  // namespace vantel
