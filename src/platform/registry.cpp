#include "platform/registry.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/aside.h"
#include "platform/text.h"

namespace vantel::reg {

namespace {

// Generous: a console closing while another one writes its 200 history values, each its
// own synced transaction, must wait its turn rather than lose a value on a busy disk.
constexpr int kBusyTimeoutMs = 30000;

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

bool IsCorruption(int rc) {
    const int primary = rc & 0xFF;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

enum class Outcome { Ok, Missing, Failed, Corrupt };

Outcome Classify(int rc) { return IsCorruption(rc) ? Outcome::Corrupt : Outcome::Failed; }

class Statement {
public:
    Statement(sqlite3* db, const char* sql) { m_rc = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr); }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    int PrepareResult() const { return m_rc; }
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

enum class OpenResult { Ok, Corrupt, Failed };

OpenResult Prepare(Store& store) {
    sqlite3_busy_timeout(store.db, kBusyTimeoutMs);
    if (store.readOnly) {
        Statement probe(store.db, "SELECT count(*) FROM sqlite_master");
        int rc = probe.PrepareResult();
        if (rc == SQLITE_OK) rc = probe.Step();
        if (rc == SQLITE_ROW || rc == SQLITE_DONE) return OpenResult::Ok;
        return IsCorruption(rc) ? OpenResult::Corrupt : OpenResult::Failed;
    }

    int rc = Exec(store.db, "PRAGMA synchronous=FULL");
    if (rc != SQLITE_OK) return IsCorruption(rc) ? OpenResult::Corrupt : OpenResult::Failed;

    bool haveTable = false;
    {
        Statement check(store.db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='reg_value'");
        rc = check.PrepareResult();
        if (rc == SQLITE_OK) rc = check.Step();
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) return IsCorruption(rc) ? OpenResult::Corrupt : OpenResult::Failed;
        haveTable = rc == SQLITE_ROW;
    }
    if (!haveTable) {
        // IMMEDIATE, so two processes creating the store at once queue up instead of
        // one of them failing on the lock upgrade.
        rc = Exec(store.db, "BEGIN IMMEDIATE");
        if (rc == SQLITE_OK) {
            rc = Exec(store.db,
                      "CREATE TABLE IF NOT EXISTS reg_value("
                      "key TEXT NOT NULL COLLATE NOCASE, "
                      "name TEXT NOT NULL COLLATE NOCASE, "
                      "data TEXT NOT NULL, "
                      "PRIMARY KEY(key, name)) WITHOUT ROWID");
            if (rc == SQLITE_OK) rc = Exec(store.db, "COMMIT");
            if (rc != SQLITE_OK && sqlite3_get_autocommit(store.db) == 0) Exec(store.db, "ROLLBACK");
        }
        if (rc != SQLITE_OK) return IsCorruption(rc) ? OpenResult::Corrupt : OpenResult::Failed;
    }

    Statement check(store.db, "PRAGMA quick_check");
    rc = check.PrepareResult();
    if (rc == SQLITE_OK) rc = check.Step();
    if (rc == SQLITE_ROW) return check.Column(0) == "ok" ? OpenResult::Ok : OpenResult::Corrupt;
    return IsCorruption(rc) ? OpenResult::Corrupt : OpenResult::Failed;
}

// Opens the store at path; a corrupt writable one is moved aside and replaced.
// Called with the cache lock held.
std::shared_ptr<Store> Open(const std::string& path) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        struct stat st {};
        const bool exists = ::stat(path.c_str(), &st) == 0;
        if (exists && !S_ISREG(st.st_mode)) return nullptr;
        if (!exists) {
            if (!MakeFolders(Folder(path)) || FolderUnwritable(path)) return nullptr;
        }

        auto store = std::make_shared<Store>();
        store->readOnly = exists && (Unwritable(path, st) || FolderUnwritable(path));
        const int flags = store->readOnly ? SQLITE_OPEN_READONLY
                                          : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        if (sqlite3_open_v2(path.c_str(), &store->db, flags | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK)
            return nullptr;

        switch (Prepare(*store)) {
            case OpenResult::Ok:
                if (::stat(path.c_str(), &st) != 0) return nullptr;
                store->dev = st.st_dev;
                store->ino = st.st_ino;
                return store;
            case OpenResult::Failed:
                return nullptr;
            case OpenResult::Corrupt:
                if (store->readOnly) return nullptr;
                store.reset();
                MoveAside(path);
                break;
        }
    }
    return nullptr;
}

// The cached store for path, reopened when the file was replaced, removed or made
// read-only since.
std::shared_ptr<Store> Acquire(const std::string& path) {
    if (path.empty()) return nullptr;
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
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto store = Acquire(path);
        if (!store || (write && store->readOnly)) return false;
        Outcome outcome;
        {
            std::lock_guard lock(store->mu);
            outcome = fn(store->db);
        }
        if (outcome != Outcome::Corrupt) return outcome == Outcome::Ok;
        if (store->readOnly) return false;
        Quarantine(path, store);
    }
    return false;
}

Outcome Write(sqlite3* db, const char* sql, std::initializer_list<const std::string*> args) {
    int rc = Exec(db, "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) return Classify(rc);
    bool changed = false;
    {
        Statement stmt(db, sql);
        rc = stmt.PrepareResult();
        if (rc == SQLITE_OK) {
            int index = 1;
            for (const std::string* arg : args) stmt.Bind(index++, *arg);
            rc = stmt.Step();
            changed = sqlite3_changes(db) > 0;
        }
    }
    if (rc == SQLITE_DONE) rc = Exec(db, "COMMIT");
    if (rc != SQLITE_OK) {
        if (sqlite3_get_autocommit(db) == 0) Exec(db, "ROLLBACK");
        return Classify(rc);
    }
    return changed ? Outcome::Ok : Outcome::Missing;
}

bool SetValue(Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& data) {
    const std::string k = ToUtf8(key), n = ToUtf8(name), d = ToUtf8(data);
    return Run(hive, true, [&](sqlite3* db) {
        return Write(db,
                     "INSERT INTO reg_value(key, name, data) VALUES(?1, ?2, ?3) "
                     "ON CONFLICT(key, name) DO UPDATE SET data = excluded.data",
                     {&k, &n, &d});
    });
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
    const std::string k = ToUtf8(key), n = ToUtf8(name);
    return Run(hive, true, [&](sqlite3* db) {
        return Write(db, "DELETE FROM reg_value WHERE key = ?1 AND name = ?2", {&k, &n});
    });
}

}  // namespace

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

using vantel::reg::Hive;

CRegPair::CRegPair(const std::wstring& name, bool /*flag*/) : m_key(name) {}

CRegPair::CRegPair(const CRegPair& parent, const std::wstring& name, bool /*flag*/)
    : m_key(parent.m_key + L"\\" + name) {}

CRegPair::~CRegPair() = default;

bool CRegPair::SetValue(const std::wstring& valueName, const std::wstring& data, bool, bool) {
    return vantel::reg::SetValue(Hive::User, m_key, valueName, data);
}

bool CRegPair::GetValue(const std::wstring& valueName, std::wstring& data, bool, bool) {
    return vantel::reg::GetValue(Hive::User, m_key, valueName, data);
}

bool CRegPair::DeleteValue(const std::wstring& valueName, bool, bool) {
    return vantel::reg::DeleteValue(Hive::User, m_key, valueName);
}

namespace {
Hive HiveOf(HKEY root) { return root == HKEY_LOCAL_MACHINE ? Hive::Machine : Hive::User; }
}  // namespace

CRegItem::CRegItem(HKEY root, const std::wstring& keyPath, bool /*flag*/) : m_root(root), m_key(keyPath) {}

CRegItem::~CRegItem() = default;

bool CRegItem::SetValue(const std::wstring& valueName, const std::wstring& data) {
    return m_open && vantel::reg::SetValue(HiveOf(m_root), m_key, valueName, data);
}

bool CRegItem::GetValue(const std::wstring& valueName, std::wstring& data) {
    return m_open && vantel::reg::GetValue(HiveOf(m_root), m_key, valueName, data);
}

bool CRegItem::DeleteValue(const std::wstring& valueName) {
    return m_open && vantel::reg::DeleteValue(HiveOf(m_root), m_key, valueName);
}

void CRegItem::Close() { m_open = false; }
