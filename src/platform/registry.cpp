#include "platform/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/aside.h"
#include "platform/text.h"

namespace vantel::reg {

namespace {

using Clock = std::chrono::steady_clock;

// The schema text as SQLite keeps it for the table this store creates.
constexpr std::string_view kTableSql =
    "CREATE TABLE reg_value("
    "key TEXT NOT NULL COLLATE NOCASE, "
    "name TEXT NOT NULL COLLATE NOCASE, "
    "data TEXT NOT NULL, "
    "PRIMARY KEY(key, name)) WITHOUT ROWID";

struct Failure {
    Status status = Status::Ok;
    std::string text;
};
thread_local Failure t_last;
// Until when the current call may wait for a lock; one bound for all of its statements.
thread_local Clock::time_point t_deadline;

void SetStatus(Status status, std::string text = {}) { t_last = {status, std::move(text)}; }

int WaitWhileBusy(void*, int count) {
    const auto now = Clock::now();
    if (now >= t_deadline) return 0;
    // Short steps: a writer that commits again and again frees the lock only for moments, and
    // a long sleep would miss every one of them until the bound runs out.
    const auto step = std::chrono::milliseconds(std::min(4, 1 << std::min(count, 2)));
    std::this_thread::sleep_for(std::min<Clock::duration>(step, t_deadline - now));
    return 1;
}

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string DefaultFolder() {
    if (auto xdg = Env("XDG_CONFIG_HOME"); !xdg.empty()) return xdg + "/vantel";
    if (auto home = Env("HOME"); !home.empty()) return home + "/.config/vantel";
    return {};
}

std::string Folder(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool MakeFolders(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = Folder(folder);
    if (parent != folder && !MakeFolders(parent)) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// Root may write anywhere, so permission checks alone would never make a store
// read-only for it. A file or folder with no write bit at all counts as read-only
// for everybody; that is how an administrator (or a test) freezes a store.
bool Unwritable(const std::string& path, const struct stat& st) {
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool FolderUnwritable(const std::string& path) {
    const std::string folder = Folder(path);
    struct stat st {};
    return ::stat(folder.c_str(), &st) != 0 || Unwritable(folder, st);
}

// Suspect: a statement of ours did not fit the store, whose schema someone changed while
// it was open; it is checked again as at opening.
enum class Outcome { Ok, Missing, Failed, Corrupt, Busy, Suspect };

thread_local int t_lastRc = SQLITE_OK;

bool IsBusy(int rc) { return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED; }

// A failure while the store is in use.
Outcome Classify(int rc) {
    t_lastRc = rc;
    const int primary = rc & 0xFF;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB) return Outcome::Corrupt;
    if (primary == SQLITE_ERROR || primary == SQLITE_SCHEMA) return Outcome::Suspect;
    return IsBusy(rc) ? Outcome::Busy : Outcome::Failed;
}

// A failure of the checks at opening, which only run fixed, valid statements: unless the
// store is busy or the system refused, what fails is the file, which is not our store.
Outcome ClassifyCheck(int rc) {
    t_lastRc = rc;
    switch (rc & 0xFF) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED: return Outcome::Busy;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_NOMEM:
        case SQLITE_FULL:
        case SQLITE_PERM:
        case SQLITE_READONLY:
        case SQLITE_AUTH:
        case SQLITE_INTERRUPT:
        case SQLITE_NOLFS: return Outcome::Failed;
        default: return Outcome::Corrupt;
    }
}

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int PrepareResult() const { return m_rc; }
    sqlite3_stmt* Get() const { return m_stmt; }
    void Bind(int index, const std::string& text) {
        sqlite3_bind_text(m_stmt, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    int Step() { return sqlite3_step(m_stmt); }
    std::string_view Column(int index) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
        const int bytes = sqlite3_column_bytes(m_stmt, index);
        return text != nullptr ? std::string_view(text, static_cast<std::size_t>(bytes)) : std::string_view();
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
    int m_rc;
};

int Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }

struct Store {
    sqlite3* db = nullptr;
    bool readOnly = false;
    dev_t dev = 0;
    ino_t ino = 0;
    std::mutex mu;

    Store() = default;
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;
    ~Store() { sqlite3_close_v2(db); }
};

struct StoreCache {
    std::mutex mu;
    std::map<std::string, std::shared_ptr<Store>> stores;
};

StoreCache& Cache() {
    // Never destroyed, so values can still be written from other static destructors.
    static auto* cache = new StoreCache;
    return *cache;
}

void MoveAside(const std::string& path) {
    const std::string target = vantel::MoveAside(path);
    if (target.empty()) return;
    // A journal left beside the old file would otherwise be played into the new one.
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
        const std::string side = path + suffix;
        if (::access(side.c_str(), F_OK) == 0) RenameNoReplace(side, target + suffix);
    }
}

// Ok: sqlite_master holds this store's table and nothing else (empty: not even that).
Outcome CheckSchema(sqlite3* db, bool& empty) {
    Statement rows(db, "SELECT type, name, tbl_name, sql FROM sqlite_master");
    int rc = rows.PrepareResult();
    if (rc != SQLITE_OK) return ClassifyCheck(rc);
    bool ours = false, other = false;
    while ((rc = rows.Step()) == SQLITE_ROW) {
        if (rows.Column(0) == "table" && rows.Column(1) == "reg_value" && rows.Column(2) == "reg_value" &&
            rows.Column(3) == kTableSql)
            ours = true;
        else
            other = true;
    }
    if (rc != SQLITE_DONE) return ClassifyCheck(rc);
    if (other) return Outcome::Corrupt;
    empty = !ours;
    return Outcome::Ok;
}

Outcome Prepare(Store& store) {
    sqlite3_busy_handler(store.db, WaitWhileBusy, nullptr);
    int rc = SQLITE_OK;
    if (!store.readOnly) {
        rc = Exec(store.db, "PRAGMA synchronous=FULL");
        if (rc != SQLITE_OK) return ClassifyCheck(rc);
    }

    bool empty = false;
    if (Outcome schema = CheckSchema(store.db, empty); schema != Outcome::Ok) return schema;
    if (empty && !store.readOnly) {
        // IMMEDIATE, so two processes creating the store at once queue up instead of
        // one of them failing on the lock upgrade.
        rc = Exec(store.db, "BEGIN IMMEDIATE");
        if (rc == SQLITE_OK) {
            const std::string create = "CREATE TABLE IF NOT EXISTS" + std::string(kTableSql.substr(12));
            rc = Exec(store.db, create.c_str());
            if (rc == SQLITE_OK) rc = Exec(store.db, "COMMIT");
            if (rc != SQLITE_OK && sqlite3_get_autocommit(store.db) == 0) Exec(store.db, "ROLLBACK");
        }
        if (rc != SQLITE_OK) return ClassifyCheck(rc);
        // Whoever created it, it must be the table we expect.
        if (Outcome schema = CheckSchema(store.db, empty); schema != Outcome::Ok) return schema;
        if (empty) return Outcome::Corrupt;
    }

    Statement check(store.db, "PRAGMA quick_check");
    rc = check.PrepareResult();
    if (rc == SQLITE_OK) rc = check.Step();
    if (rc == SQLITE_ROW) return check.Column(0) == "ok" ? Outcome::Ok : Outcome::Corrupt;
    return ClassifyCheck(rc);
}

std::string Describe(const std::string& path, Outcome outcome) {
    switch (outcome) {
        case Outcome::Busy: return path + ": the store is busy (another program holds it locked)";
        case Outcome::Corrupt: return path + ": the store is damaged and cannot be moved aside";
        default: return path + ": " + sqlite3_errstr(t_lastRc);
    }
}

bool FolderWithFiles(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return true;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Anything at path but a regular file or a link to one; "none" when nothing is there.
bool NotAFile(const std::string& path, bool& none) {
    struct stat st {};
    none = false;
    if (::lstat(path.c_str(), &st) != 0) {
        none = errno == ENOENT;
        return false;
    }
    if (S_ISREG(st.st_mode)) return false;
    // A link is followed only to look at what it names; a FIFO is never opened.
    return !S_ISLNK(st.st_mode) || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode);
}

// Opens the store at path; anything writable that is not the expected store is moved
// aside and replaced. Called with the cache lock held; on failure the reason is set.
std::shared_ptr<Store> Open(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        bool none = false;
        if (NotAFile(path, none)) {
            if (FolderUnwritable(path)) {
                SetStatus(Status::Unavailable, path + ": not a store file, and its folder is read-only");
                return nullptr;
            }
            // A path mistaken for the folder (a home or config folder) must not be renamed
            // away from under everything else in it.
            if (FolderWithFiles(path)) {
                SetStatus(Status::Unavailable, path + ": a folder with files in it, not a store file");
                return nullptr;
            }
            MoveAside(path);
            continue;
        }
        struct stat st {};
        const bool exists = !none && ::stat(path.c_str(), &st) == 0;
        if (!exists) {
            if (!MakeFolders(Folder(path)) || FolderUnwritable(path)) {
                SetStatus(Status::Unavailable, path + ": its folder cannot be created or written");
                return nullptr;
            }
        }

        auto store = std::make_shared<Store>();
        store->readOnly = exists && (Unwritable(path, st) || FolderUnwritable(path));
        const int flags = store->readOnly ? SQLITE_OPEN_READONLY
                                          : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        if (const int rc = sqlite3_open_v2(path.c_str(), &store->db, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
            rc != SQLITE_OK) {
            SetStatus(Status::Unavailable, path + ": " + sqlite3_errstr(rc));
            return nullptr;
        }

        const Outcome outcome = Prepare(*store);
        if (outcome == Outcome::Ok) {
            if (::stat(path.c_str(), &st) != 0) {
                SetStatus(Status::Unavailable, path + ": removed while it was opened");
                return nullptr;
            }
            store->dev = st.st_dev;
            store->ino = st.st_ino;
            return store;
        }
        if (outcome != Outcome::Corrupt || store->readOnly) {
            SetStatus(outcome == Outcome::Busy ? Status::Busy : Status::Unavailable, Describe(path, outcome));
            return nullptr;
        }
        store.reset();
        MoveAside(path);
    }
    SetStatus(Status::Unavailable, path + ": no usable store after moving the old one aside");
    return nullptr;
}

// The cached store for path, reopened when the file was replaced, removed or made
// read-only since.
std::shared_ptr<Store> Acquire(const std::string& path) {
    if (path.empty()) {
        SetStatus(Status::Unavailable, "no store path (set VANTEL_REGISTRY or HOME)");
        return nullptr;
    }
    auto& cache = Cache();
    std::lock_guard lock(cache.mu);
    if (auto it = cache.stores.find(path); it != cache.stores.end()) {
        const Store& cached = *it->second;
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0 && st.st_dev == cached.dev && st.st_ino == cached.ino &&
            cached.readOnly == (Unwritable(path, st) || FolderUnwritable(path)))
            return it->second;
        cache.stores.erase(it);
    }
    auto store = Open(path);
    if (store) cache.stores.emplace(path, store);
    return store;
}

// A store to be opened, and so checked, again at the next call.
void Forget(const std::string& path, const std::shared_ptr<Store>& store) {
    auto& cache = Cache();
    std::lock_guard lock(cache.mu);
    if (auto it = cache.stores.find(path); it != cache.stores.end() && it->second == store) cache.stores.erase(it);
}

// A store that turned out corrupt while in use: drop it, and move the file aside
// unless another connection (or process) already replaced it.
void Quarantine(const std::string& path, const std::shared_ptr<Store>& store) {
    auto& cache = Cache();
    std::lock_guard lock(cache.mu);
    if (auto it = cache.stores.find(path); it != cache.stores.end() && it->second == store) cache.stores.erase(it);
    struct stat st {};
    if (!store->readOnly && ::stat(path.c_str(), &st) == 0 && st.st_dev == store->dev && st.st_ino == store->ino)
        MoveAside(path);
}

template <class Fn>
bool Run(Hive hive, bool write, Fn fn) {
    const std::string path = StorePath(hive);
    t_deadline = Clock::now() + kBusyWait;
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto store = Acquire(path);
        if (!store) return false;
        if (write && store->readOnly) {
            SetStatus(Status::ReadOnly, path + ": the store is read-only");
            return false;
        }
        Outcome outcome;
        {
            std::lock_guard lock(store->mu);
            outcome = fn(store->db);
        }
        switch (outcome) {
            case Outcome::Ok: SetStatus(Status::Ok); return true;
            case Outcome::Missing: SetStatus(Status::Missing); return false;
            case Outcome::Busy: SetStatus(Status::Busy, Describe(path, outcome)); return false;
            case Outcome::Failed: SetStatus(Status::Unavailable, Describe(path, outcome)); return false;
            case Outcome::Suspect:
                Forget(path, store);
                continue;
            case Outcome::Corrupt: break;
        }
        if (store->readOnly) {
            SetStatus(Status::Unavailable, Describe(path, outcome));
            return false;
        }
        Quarantine(path, store);
    }
    SetStatus(Status::Unavailable, path + ": " + sqlite3_errstr(t_lastRc));
    return false;
}

// Runs sql once per row of arguments, all in one transaction.
Outcome Write(sqlite3* db, const char* sql, const std::vector<std::vector<std::string>>& rows) {
    int rc = Exec(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return Classify(rc);
    bool changed = false;
    {
        Statement stmt(db, sql);
        rc = stmt.PrepareResult();
        for (std::size_t r = 0; rc == SQLITE_OK && r < rows.size(); ++r) {
            sqlite3_reset(stmt.Get());
            int index = 1;
            for (const std::string& arg : rows[r]) stmt.Bind(index++, arg);
            rc = stmt.Step();
            changed = changed || sqlite3_changes(db) > 0;
            if (rc == SQLITE_DONE) rc = SQLITE_OK;
        }
    }
    if (rc == SQLITE_OK) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
        const Outcome outcome = Classify(rc);
        if (sqlite3_get_autocommit(db) == 0) Exec(db, "ROLLBACK");
        return outcome;
    }
    return changed ? Outcome::Ok : Outcome::Missing;
}

}  // namespace

constexpr char kUpsert[] =
    "INSERT INTO reg_value(key, name, data) VALUES(?1, ?2, ?3) "
    "ON CONFLICT(key, name) DO UPDATE SET data = excluded.data";

bool SetValue(Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& data) {
    const std::vector<std::vector<std::string>> rows{{ToUtf8(key), ToUtf8(name), ToUtf8(data)}};
    return Run(hive, true, [&](sqlite3* db) { return Write(db, kUpsert, rows); });
}

bool GetValue(Hive hive, const std::wstring& key, const std::wstring& name, std::wstring& data) {
    const std::string k = ToUtf8(key), n = ToUtf8(name);
    std::string found;
    const bool ok = Run(hive, false, [&](sqlite3* db) {
        Statement stmt(db, "SELECT data FROM reg_value WHERE key = ?1 AND name = ?2");
        int rc = stmt.PrepareResult();
        if (rc != SQLITE_OK) return Classify(rc);
        stmt.Bind(1, k);
        stmt.Bind(2, n);
        rc = stmt.Step();
        if (rc == SQLITE_DONE) return Outcome::Missing;
        if (rc != SQLITE_ROW) return Classify(rc);
        found.assign(stmt.Column(0));
        return Outcome::Ok;
    });
    if (ok) data = FromUtf8(found);
    return ok;
}

// False also when there was no such value, as on the original platform.
bool DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name) {
    const std::vector<std::vector<std::string>> rows{{ToUtf8(key), ToUtf8(name)}};
    return Run(hive, true, [&](sqlite3* db) {
        return Write(db, "DELETE FROM reg_value WHERE key = ?1 AND name = ?2", rows);
    });
}

Status LastStatus() { return t_last.status; }

std::string LastError() { return t_last.text; }

bool SetValues(Hive hive, const std::vector<Value>& values) {
    if (values.empty()) {
        SetStatus(Status::Ok);
        return true;
    }
    std::vector<std::vector<std::string>> rows;
    rows.reserve(values.size());
    for (const Value& v : values) rows.push_back({ToUtf8(v.key), ToUtf8(v.name), ToUtf8(v.data)});
    // An upsert always changes a row, so Missing cannot come back.
    return Run(hive, true, [&](sqlite3* db) { return Write(db, kUpsert, rows); });
}

std::string StorePath(Hive hive) {
    if (hive == Hive::User) {
        if (auto path = Env("VANTEL_REGISTRY"); !path.empty()) return path;
        const std::string folder = DefaultFolder();
        return folder.empty() ? std::string() : folder + "/registry.db";
    }
    if (auto path = Env("VANTEL_MACHINE_REGISTRY"); !path.empty()) return path;
    // Beside the user store, so pointing VANTEL_REGISTRY elsewhere moves both.
    const std::string user = StorePath(Hive::User);
    return user.empty() ? std::string() : Folder(user) + "/machine-registry.db";
}

}  // namespace vantel::reg
