// The console: the main dialog's logic without a toolkit. It owns the link, the ten
// parameter fields with their histories and strings, and the job slots; the window that
// shows it (the wx dialog or vantel-batch's text surface) forwards to it.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>

#include "jobs/history.h"
#include "jobs/slots.h"
#include "jobs/surface.h"
#include "link/plexa.h"

class CRegPair;

namespace vantel {

struct CommandRow;

inline constexpr std::wstring_view kBusyText = L"Auftrag steht noch aus";
inline constexpr std::wstring_view kFailureText = L"Ätschi Bätsch:\r\nFehler!";

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

    // A command message; false when no command has this id. Runs the request pattern of
    // the command's row: UpdateData, busy check, request, handle into the slot.
    bool Command(int id);

    // A posted window message: WM_PLEXA to the dispatcher, WM_BOFKEY to the key handler.
    void OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnPlexa(WPARAM wParam, LPARAM lParam);
    void OnBofKey(WPARAM wParam);

    // The surface's message box, counted for the nesting bound. Rows show through this,
    // never through Surface() directly.
    void ShowMessage(const std::wstring& text);

    // Message boxes and question dialogs open now, one inside the other.
    int OpenBoxes() const { return m_openBoxes; }
    // Notifications held back because kMaxOpenBoxes boxes are open.
    std::size_t QueuedNotifications() const { return m_queue.size(); }

    // Each box runs a nested loop that keeps dispatching; past this many open boxes, further
    // notifications wait, in order, until one closes, so a flood cannot exhaust the stack.
    static constexpr int kMaxOpenBoxes = 16;

private:
    struct Notification {
        bool bofKey;
        WPARAM wParam;
        LPARAM lParam;
    };

    void Deliver(const Notification& n);
    void Drain();
    void Dispatch(WPARAM wParam, LPARAM lParam);
    int AskQuestion(const std::wstring& question, const AnswerCaptions& captions);
    void ShowFailure();

    void OnResult(std::int16_t h);
    void RunResultRow(const CommandRow* row, std::int16_t& slot, std::int16_t h);
    void OnSyncAddMessage(std::int16_t h);
    void OnCommandAbort(std::int16_t h);
    void OnAsyncAddMessage(std::int16_t h);
    void OnAsyncSubMessage(std::int16_t h);
    void OnAsyncConfirm(std::int16_t h);
    void OnAsyncAddDialog(std::int16_t h);
    void OnAsyncAnswer(std::int16_t h);
    void OnSyncAddDialog(std::int16_t h);
    void On6DMouse(std::int16_t h);
    void OnKeySwitch(std::int16_t h);
    void OnProgressInfo(std::int16_t h);

    ISurface& m_surface;
    link::CPlexa m_link;
    CRegPair& m_appPair;
    std::array<FieldHistory, kFieldCount> m_fields;
    FieldTexts m_params;
    JobSlots m_slots;
    HWND m_window = 0;
    int m_openBoxes = 0;
    std::deque<Notification> m_queue;
};

}  // namespace vantel
