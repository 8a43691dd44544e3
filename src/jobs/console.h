// The console: the main dialog's logic without a toolkit. It owns the link, the ten
// parameter fields with their histories and strings, and the job slots; the window that
// shows it (the wx dialog or vantel-batch's text surface) forwards to it.
#pragma once
#include <array>
#include <memory>
#include <string>

#include "jobs/history.h"
#include "jobs/slots.h"
#include "jobs/surface.h"
#include "link/plexa.h"

class CRegPair;

namespace vantel {

class CConsole {
public:
    // appPair: the application registry pair, parent of the history pairs.
    CConsole(ISurface& surface, std::unique_ptr<link::ILinkBackend> link, CRegPair& appPair);
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    link::CPlexa& Link() { return m_link; }
    ISurface& Surface() { return m_surface; }
    JobSlots& Slots() { return m_slots; }

    // Field n, 1 to 10.
    FieldHistory& Field(int n) { return m_fields.at(n - 1); }
    // The parameter strings as the last UpdateData left them; Param(n), n 1 to 10.
    const std::wstring& Param(int n) const { return m_params.at(n - 1); }
    const FieldTexts& Params() const { return m_params; }

    // UpdateData(TRUE): copies the fields' texts into the parameter strings.
    void UpdateData();

    // Dialog start, in order: LoadHistories (the window shows them), then Start.
    void LoadHistories();
    // UpdateData, CPlexa::Init("Vantel", "", WM_PLEXA, window, 223, WM_BOFKEY), all slots cleared.
    void Start(HWND window);
    // Dialog end: every field's list stored under its index.
    void SaveHistories();

    HWND Window() const { return m_window; }

    // A command message; false when no command has this id.
    bool Command(int id);

    // A posted window message: WM_PLEXA to the dispatcher, WM_BOFKEY to the key handler.
    void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPlexa(WPARAM wParam, LPARAM lParam);
    void OnBofKey(WPARAM wParam);

private:
    ISurface& m_surface;
    link::CPlexa m_link;
    CRegPair& m_appPair;
    std::array<FieldHistory, kFieldCount> m_fields;
    FieldTexts m_params;
    JobSlots m_slots;
    HWND m_window = 0;
};

}  // namespace vantel
