#include "jobs/console.h"

#include <fmt/printf.h>
#include <fmt/xchar.h>

#include "commands/catalogue.h"
#include "jobs/messages.h"
#include "platform/registry.h"

namespace vantel {

CConsole::CConsole(ISurface& surface, std::unique_ptr<link::ILinkBackend> link, CRegPair& appPair)
    : m_surface(surface), m_link(std::move(link)), m_appPair(appPair) {}

void CConsole::UpdateData() { m_params = m_surface.ReadFields(); }

void CConsole::LoadHistories() {
    for (int n = 1; n <= kFieldCount; ++n) {
        Field(n) = FieldHistory{};
        LoadHistory(m_appPair, n, Field(n));
    }
}

void CConsole::Start(HWND window) {
    m_window = window;
    UpdateData();
    m_link.Init(L"Vantel", L"", WM_PLEXA, window, 223, WM_BOFKEY);
    m_slots.ClearAll();
}

void CConsole::SaveHistories() {
    for (int n = 1; n <= kFieldCount; ++n) SaveHistory(m_appPair, n, Field(n));
}

bool CConsole::Command(int id) {
    const CommandRow* row = FindCommand(id);
    if (row == nullptr) return false;
    // Rows without behaviour yet do nothing, as a menu item without a handler does.
    if (row->direct != nullptr) row->direct(*this);
    return true;
}

void CConsole::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PLEXA) {
        OnPlexa(wParam, lParam);
    } else if (msg == WM_BOFKEY) {
        OnBofKey(wParam);
    }
}

void CConsole::OnPlexa(WPARAM, LPARAM) {}

void CConsole::OnBofKey(WPARAM wParam) {
    m_surface.MessageBox(fmt::sprintf(L"OnBOFKey: %04x", static_cast<unsigned>(wParam)));
}

}  // namespace vantel
