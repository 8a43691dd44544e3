// Registry stand-in on SQLite: a user store (pairs) and a machine store (HKEY_LOCAL_MACHINE).
//
// Store files:
//   user store     $VANTEL_REGISTRY, else $XDG_CONFIG_HOME/vantel/registry.db,
//                  else $HOME/.config/vantel/registry.db
//   machine store  $VANTEL_MACHINE_REGISTRY, else machine-registry.db beside the user store
// The paths are read at each open, so a test can point them elsewhere.
//
// One row per value; key paths and value names compare without regard to ASCII case,
// as on the original platform. The empty value name is the key's default value.
// Every write is a BEGIN IMMEDIATE transaction (synchronous=FULL); SetValues writes many
// values in one. A call waits at most kBusyWait for a store another process holds locked.
// A store that cannot be opened or written makes the calls return false, and LastStatus
// and LastError say why.
//
// A store is checked when opened: its path must be a regular file (or a link to one), its
// schema exactly this store's table, and its integrity check clean. Any other file, folder,
// FIFO or link at the path is moved aside (renamed with a ".corrupt-<time>" suffix, never
// deleted or opened) and a fresh store created; a read-only store is read and its writes
// fail, and a damaged read-only one is left alone. A store file or folder with no write bit
// at all is read-only even for root. DeleteValue is false also when there was no such value.
//
// The boolean flags of the calls are kept as the callers pass them; this store gives
// them no meaning.
#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace vantel::reg {
class Store;
enum class Hive { User, Machine };
// The store file path that a hive maps to now (environment read at each call).
std::string StorePath(Hive hive);

// The longest one call waits for a lock another connection holds.
inline constexpr std::chrono::milliseconds kBusyWait{3000};

// How the last call on this thread ended. Missing: the store is fine but holds no such
// value (reads and deletes only).
enum class Status { Ok, Missing, Busy, ReadOnly, Unavailable };
Status LastStatus();
// The last failure on this thread in words, naming the store; empty after success.
std::string LastError();

// One value of a hive; false when it cannot be done (LastStatus says why), for a read or a
// delete also when there is no such value.
bool SetValue(Hive hive, const std::wstring& key, const std::wstring& name, const std::wstring& data);
bool GetValue(Hive hive, const std::wstring& key, const std::wstring& name, std::wstring& data);
bool DeleteValue(Hive hive, const std::wstring& key, const std::wstring& name);

struct Value {
    std::wstring key;
    std::wstring name;
    std::wstring data;
};
// Writes every value in one transaction: all of them or, with false, none. No values: true
// without touching the store.
bool SetValues(Hive hive, const std::vector<Value>& values);
}  // namespace vantel::reg

class CRegPair {
public:
    // A top-level pair of the user store.
    CRegPair(const std::wstring& name, bool flag);
    // A child pair: its key is the parent's key, a backslash, and the name.
    CRegPair(const CRegPair& parent, const std::wstring& name, bool flag);
    ~CRegPair();

    CRegPair(const CRegPair&) = delete;
    CRegPair& operator=(const CRegPair&) = delete;

    bool SetValue(const std::wstring& valueName, const std::wstring& data, bool flag1 = false, bool flag2 = false);
    bool GetValue(const std::wstring& valueName, std::wstring& data, bool flag1 = false, bool flag2 = false);
    bool DeleteValue(const std::wstring& valueName, bool flag1 = false, bool flag2 = false);

    const std::wstring& KeyPath() const { return m_key; }

private:
    std::wstring m_key;
};

enum HKEY_ROOT { HKEY_CURRENT_USER = 1, HKEY_LOCAL_MACHINE = 2 };
using HKEY = HKEY_ROOT;

class CRegItem {
public:
    // HKEY_LOCAL_MACHINE addresses the machine store, HKEY_CURRENT_USER the user store.
    CRegItem(HKEY root, const std::wstring& keyPath, bool flag);
    ~CRegItem();

    CRegItem(const CRegItem&) = delete;
    CRegItem& operator=(const CRegItem&) = delete;

    bool SetValue(const std::wstring& valueName, const std::wstring& data);
    bool GetValue(const std::wstring& valueName, std::wstring& data);
    bool DeleteValue(const std::wstring& valueName);
    // After Close every call returns false.
    void Close();

private:
    HKEY m_root;
    std::wstring m_key;
    bool m_open = true;
};
