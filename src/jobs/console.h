// The console: the main dialog's logic without a toolkit. It owns the link, the ten
// parameter fields with their histories and strings, and the job slots; the window that
// shows it (the wx dialog or vantel-batch's text surface) forwards to it.
#pragma once
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jobs/command_row.h"
#include "jobs/history.h"
#include "jobs/journal.h"
#include "jobs/slots.h"
#include "jobs/surface.h"
#include "link/plexa.h"

class CRegPair;

namespace vantel {

// The journal's note at the end of a session, and the start of the one when saving failed.
inline constexpr std::wstring_view kSavedNote = L"Histories gespeichert";
inline constexpr std::wstring_view kNotSavedNote = L"Histories nicht gespeichert";
inline constexpr std::wstring_view kBusyText = L"Auftrag steht noch aus";
inline constexpr std::wstring_view kFailureText = L"Ätschi Bätsch:\r\nFehler!";
// The one box that follows a flood whose notifications went to the journal only.
inline constexpr std::wstring_view kDivertedFormat = L"%u Meldungen ohne Box, nur im Protokoll";

// A job that a slot (or an entry of the Show-variable table) is waiting for.
struct PendingJob {
    int slot;  // 0-132, or kShowTableSlotBase + table index
    std::int16_t handle;
    int id;            // the command that started it; 0 when unknown
    std::wstring path; // its menu path without "&"
    std::int64_t ageMs;  // since its request; -1 when unknown
};

class CConsole {
public:
    // appPair: the application registry pair, parent of the history pairs. rows: the
    // commands it runs (the catalogue); they outlive the console.
    CConsole(ISurface& surface, std::unique_ptr<link::ILinkBackend> link, CRegPair& appPair, CommandRows rows);
    CConsole(const CConsole&) = delete;
    CConsole& operator=(const CConsole&) = delete;

    link::CPlexa& Link() { return m_link; }
    Journal& GetJournal() { return m_journal; }
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
    // Dialog end: every field's list stored under its index, in one transaction. False when
    // nothing was stored; vantel::reg::LastError() says why.
    bool SaveHistories();

    HWND Window() const { return m_window; }
    CommandRows Rows() const { return m_rows; }

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
    // Notifications handled without a box because the queue was full.
    std::uint64_t DivertedNotifications() const { return m_divertedTotal; }

    // Each box runs a nested loop that keeps dispatching; past this many open boxes, further
    // notifications wait, in order, until one closes, so a flood cannot exhaust the stack.
    static constexpr int kMaxOpenBoxes = 16;
    // Past this many waiting notifications, further ones are handled at once into the
    // journal without a box; results of the user's own jobs and questions always wait.
    static constexpr std::size_t kMaxQueued = 1000;

    // Results, messages, notifications and busy refusals go to the journal only, without a
    // box; the question dialog still opens, since the controller waits for its answer.
    void SetJournalOnly(bool on) { m_journalOnly = on; }
    bool JournalOnly() const { return m_journalOnly; }

    // A close request: no box or question opens from now on (a question is answered 0, as
    // its close box does), and everything queued is handled into the journal. The window
    // closes the boxes it still shows.
    void BeginClose();
    bool Closing() const { return m_closing; }
    // The dialog has ended; note says how (for instance that the histories were saved).
    void End(const std::wstring& note);

    // A recording or replay of a script started or ended; text says which, and the file.
    void ScriptNote(const std::wstring& text);
    // The link to a controller of its own connected, broke or was refused; text says which.
    void LinkNote(const std::wstring& text);

    // Every slot and Show-table entry that holds a handle, in slot order.
    std::vector<PendingJob> PendingJobs() const;
    // CmdAbort of a pending job from outside the menus (the journal window).
    void AbortJob(std::int16_t h);

    // Clears every slot and Show-table entry (link start and "&Init").
    void ClearAllSlots();
    // Clears every slot and Show-table entry that holds h.
    void FreeHandle(std::int16_t h);

    // Milliseconds on a clock that only goes forward, for latencies; tests set their own.
    std::function<std::int64_t()> monotonicMs;

private:

    struct Notification {
        bool bofKey;
        WPARAM wParam;
        LPARAM lParam;
    };

    // Who started a job, for the journal's command column and latency.
    struct Origin {
        bool known = false;
        int id = 0;
        std::wstring_view path;  // interned
        std::int64_t started = 0;
    };

    // What the entries made now belong to; nested boxes nest these.
    struct Context {
        explicit Context(JournalKind k) : callKind(k) {}
        JournalKind callKind;  // what a link call made now is
        int id = 0;
        std::wstring_view path;  // interned
        std::optional<std::int16_t> handle;
        std::optional<int> slot;
        std::optional<std::int64_t> started;
    };
    class ContextScope;

    std::int64_t NowMs() const;
    JournalEntry Entry(JournalKind kind) const;
    void Record(JournalEntry entry);
    void OnLinkCall(link::CallId id, std::span<const link::LinkArg> args, std::int32_t ret);
    int SlotNumber(const std::int16_t* slot) const;
    // The first slot (or kShowTableSlotBase + table index) that holds h; -1 when none does.
    int PendingHandle(std::int16_t h) const;
    void SlotFreed(int slotNumber, std::int16_t h);
    bool Divertible(const Notification& n) const;
    bool BoxesSuppressed() const { return m_journalOnly || m_diverting > 0 || m_closing; }
    // The surface's box, counted for the nesting bound; the caller has journaled it.
    void OpenBox(const std::wstring& text);
    template <class F>
    void EachBusySlot(F f) const;

    void Deliver(const Notification& n);
    void Drain();
    void Handle(const Notification& n);
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
    CommandRows m_rows;
    Journal m_journal;
    std::vector<Context> m_contexts;
    std::unordered_map<int, std::wstring_view> m_paths;  // command id -> its journal path
    // By the handle's 16 bits: a job's command and start, for as long as a slot holds it.
    std::vector<Origin> m_origins = std::vector<Origin>(1 << 16);
    Origin& OriginOf(std::int16_t h) { return m_origins[static_cast<std::uint16_t>(h)]; }
    const Origin& OriginOf(std::int16_t h) const { return m_origins[static_cast<std::uint16_t>(h)]; }
    link::CPlexa m_link;
    CRegPair& m_appPair;
    std::array<FieldHistory, kFieldCount> m_fields;
    FieldTexts m_params;
    JobSlots m_slots;
    HWND m_window = 0;
    int m_openBoxes = 0;
    std::deque<Notification> m_queue;
    bool m_journalOnly = false;
    bool m_closing = false;
    bool m_starting = false;
    int m_diverting = 0;
    std::uint64_t m_divertedTotal = 0;
    std::uint64_t m_divertedUnreported = 0;
};

}  // namespace vantel
