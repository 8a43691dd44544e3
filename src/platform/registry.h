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
// Every write is its own BEGIN IMMEDIATE transaction (synchronous=FULL, busy timeout),
// so two processes closing at once lose nothing. A store that cannot be opened or
// written makes the calls return false. A corrupt store file is moved aside (renamed
// with a ".corrupt-<time>" suffix, never deleted) and a fresh one created; a read-only
// store is read and its writes fail. A store file or folder with no write bit at all is
// read-only even for root. DeleteValue is false also when there was no such value.
//
// The boolean flags of the calls are kept as the callers pass them; this store gives
// them no meaning.
#pragma once
#include <memory>
#include <string>

namespace vantel::reg {
class Store;
enum class Hive { User, Machine };
// The store file path that a hive maps to now (environment read at each call).
std::string StorePath(Hive hive);
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
