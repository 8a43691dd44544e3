// The registry classes the console calls, on the stores of registry.cpp.
#include "platform/registry.h"

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
