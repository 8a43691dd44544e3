#include "jobs/console.h"

#include "jobs/convert.h"
#include "jobs/messages.h"
#include "link/trace_link.h"
#include "platform/registry.h"

namespace vantel {
// Entries made while a scope lives belong to its context.
class CConsole::ContextScope {
public:
    ContextScope(CConsole& console, Context context) : m_console(console) {
        m_console.m_contexts.push_back(std::move(context));
    }
    ~ContextScope() { m_console.m_contexts.pop_back(); }
    ContextScope(const ContextScope&) = delete;
    ContextScope& operator=(const ContextScope&) = delete;

private:
    CConsole& m_console;
};

CConsole::CConsole(ISurface& surface, std::unique_ptr<link::ILinkBackend> link, CRegPair& appPair,
                   CommandRows rows)
    : m_surface(surface),
      m_rows(rows),
      m_link(link::MakeObservedLink(std::move(link), [this](link::CallId id, std::span<const link::LinkArg> args,
                                                             std::int32_t ret) { OnLinkCall(id, args, ret); })),
      m_appPair(appPair) {}

std::int64_t CConsole::NowMs() const {
    if (monotonicMs) return monotonicMs();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

JournalEntry CConsole::Entry(JournalKind kind) const {
    JournalEntry e;
    e.kind = kind;
    if (!m_contexts.empty()) {
        const Context& c = m_contexts.back();
        e.id = c.id;
        e.path = c.path;
        e.handle = c.handle;
        e.slot = c.slot;
        if (c.started) e.latencyMs = NowMs() - *c.started;
    }
    return e;
}

void CConsole::Record(JournalEntry entry) { m_journal.Add(std::move(entry)); }

void CConsole::OnLinkCall(link::CallId id, std::span<const link::LinkArg> args, std::int32_t ret) {
    JournalKind kind = m_contexts.empty() ? JournalKind::Direct : m_contexts.back().callKind;
    const bool isRequest = link::kCallIsRequest[static_cast<std::size_t>(id)];
    if (id == link::CallId::Init) {
        kind = m_starting ? JournalKind::Start : JournalKind::Init;
    } else if (id == link::CallId::Exit) {
        kind = JournalKind::Exit;
    } else if (id == link::CallId::SyncAnswer) {
        kind = JournalKind::Answer;
    } else if (kind == JournalKind::Request && !isRequest) {
        kind = JournalKind::Direct;
    }
    JournalEntry e = Entry(kind);
    e.call = link::FormatCall(id, args, ret);
    e.ret = ret;
    if (kind == JournalKind::Answer && args.size() == 3) e.answer = args[2].As<std::int16_t>();
    if (isRequest) {
        const auto h = static_cast<std::int16_t>(ret);
        e.handle = h;
        e.latencyMs.reset();
        if (h != 0 && !m_contexts.empty()) {
            OriginOf(h) = Origin{true, m_contexts.back().id, m_contexts.back().path, NowMs()};
        }
        Record(std::move(e));
        if (h == 0) {
            JournalEntry none = Entry(JournalKind::NotStarted);
            none.text = L"nicht gestartet";
            Record(std::move(none));
        }
        return;
    }
    Record(std::move(e));
}

int CConsole::SlotNumber(const std::int16_t* slot) const {
    if (slot >= m_slots.block.data() && slot < m_slots.block.data() + kSlotCount) {
        return static_cast<int>(slot - m_slots.block.data());
    }
    return kShowTableSlotBase + static_cast<int>(slot - m_slots.showTable.data());
}

void CConsole::SlotFreed(int slotNumber, std::int16_t h) {
    JournalEntry e = Entry(JournalKind::SlotFreed);
    e.slot = slotNumber;
    e.handle = h;
    Record(std::move(e));
}

// Every slot and Show-table entry that holds a job, in slot order, until f returns true.
template <class F>
void CConsole::EachBusySlot(F f) const {
    for (int s = 0; s < kSlotCount; ++s) {
        if (m_slots.block[s] != 0 && f(s, m_slots.block[s])) return;
    }
    for (int i = 0; i < kShowTableSize; ++i) {
        if (m_slots.showTable[i] != 0 && f(kShowTableSlotBase + i, m_slots.showTable[i])) return;
    }
}

void CConsole::ClearAllSlots() {
    EachBusySlot([this](int slotNumber, std::int16_t h) {
        SlotFreed(slotNumber, h);
        return false;
    });
    m_slots.ClearAll();
    for (Origin& o : m_origins) o.known = false;
}

void CConsole::FreeHandle(std::int16_t h) {
    EachBusySlot([this, h](int slotNumber, std::int16_t held) {
        if (held == h) SlotFreed(slotNumber, h);
        return false;
    });
    m_slots.ClearHandle(h);
    OriginOf(h).known = false;
}

int CConsole::PendingHandle(std::int16_t h) const {
    int found = -1;
    EachBusySlot([&found, h](int slotNumber, std::int16_t held) {
        if (held == h) found = slotNumber;
        return held == h;
    });
    return found;
}

std::vector<PendingJob> CConsole::PendingJobs() const {
    std::vector<PendingJob> jobs;
    EachBusySlot([&](int slotNumber, std::int16_t h) {
        PendingJob job{slotNumber, h, 0, {}, -1};
        if (const Origin& o = OriginOf(h); o.known) {
            job.id = o.id;
            job.path = o.path;
            job.ageMs = NowMs() - o.started;
        } else if (const CommandRow* row = SlotOwner(m_rows, slotNumber >= kShowTableSlotBase ? kShowTable : slotNumber)) {
            job.id = row->id;
            job.path = PlainPath(row->path);
        }
        jobs.push_back(std::move(job));
        return false;
    });
    return jobs;
}

void CConsole::AbortJob(std::int16_t h) {
    Context context(JournalKind::Direct);
    context.path = L"Protokoll/Abbrechen";
    context.handle = h;
    ContextScope scope(*this, std::move(context));
    m_link.CmdAbort(h);
}

void CConsole::BeginClose() {
    if (m_closing) return;
    m_closing = true;
    Drain();
}

void CConsole::End(const std::wstring& note) {
    m_closing = true;
    Drain();
    JournalEntry e = Entry(JournalKind::Close);
    e.text = note;
    Record(std::move(e));
}

void CConsole::ScriptNote(const std::wstring& text) {
    JournalEntry e = Entry(JournalKind::Script);
    e.text = text;
    Record(std::move(e));
}

void CConsole::LinkNote(const std::wstring& text) {
    JournalEntry e = Entry(JournalKind::Link);
    e.text = text;
    Record(std::move(e));
}

void CConsole::UpdateData() { m_params = m_surface.ReadFields(); }

void CConsole::LoadHistories() {
    for (int n = 1; n <= kFieldCount; ++n) {
        Field(n) = FieldHistory{};
        LoadHistory(m_appPair, n, Field(n));
        // Each further field would wait out the lock again.
        if (reg::LastStatus() == reg::Status::Busy) break;
    }
}

void CConsole::Start(HWND window) {
    m_window = window;
    UpdateData();
    m_starting = true;
    m_link.Init(L"Vantel", L"", WM_PLEXA, window, 223, WM_BOFKEY);
    m_starting = false;
    ClearAllSlots();
}

bool CConsole::SaveHistories() { return vantel::SaveHistories(m_appPair, m_fields); }

bool CConsole::Command(int id) {
    const CommandRow* row = FindCommand(m_rows, id);
    if (row == nullptr) return false;
    const bool hasSlot = row->slot >= 0 && row->slot < kSlotCount;
    Context context(row->direct != nullptr ? JournalKind::Direct : JournalKind::Request);
    context.id = id;
    auto& path = m_paths[id];
    if (path.empty()) path = InternPath(PlainPath(row->path));
    context.path = path;
    if (hasSlot) context.slot = row->slot;
    if (row->slot == kShowTable) context.slot = kShowTableSlotBase;
    ContextScope scope(*this, std::move(context));
    // Rows without behaviour yet do nothing, as a menu item without a handler does.
    if (row->direct == nullptr && row->request == nullptr) {
        JournalEntry e = Entry(JournalKind::Command);
        e.text = L"ohne Funktion";
        Record(std::move(e));
        return true;
    }
    UpdateData();
    JournalEntry command = Entry(JournalKind::Command);
    // Up to the last field that holds something; the file shows all ten.
    std::size_t used = m_params.size();
    while (used > 0 && m_params[used - 1].empty()) --used;
    command.params.assign(m_params.begin(), m_params.begin() + static_cast<std::ptrdiff_t>(used));
    Record(std::move(command));
    if (row->direct != nullptr) {
        row->direct(*this);
    } else {
        std::int16_t* slot = hasSlot ? &m_slots.block[row->slot] : nullptr;
        if (row->busyCheck && slot != nullptr && *slot != 0) {
            JournalEntry busy = Entry(JournalKind::Busy);
            busy.handle = *slot;
            busy.text = kBusyText;
            busy.shown = !BoxesSuppressed();
            Record(std::move(busy));
            if (!BoxesSuppressed()) OpenBox(std::wstring(kBusyText));
        } else {
            const std::int16_t h = row->request(*this);
            if (slot != nullptr) *slot = h;
        }
    }
    Drain();
    return true;
}

void CConsole::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PLEXA) {
        OnPlexa(wParam, lParam);
    } else if (msg == WM_BOFKEY) {
        OnBofKey(wParam);
    }
}

void CConsole::OnPlexa(WPARAM wParam, LPARAM lParam) { Deliver({false, wParam, lParam}); }

void CConsole::OnBofKey(WPARAM wParam) { Deliver({true, wParam, 0}); }

// A result of a job the user started, or a question the controller waits on, always waits
// its turn; streams (subscriptions, messages, mouse, keys) may be diverted.
bool CConsole::Divertible(const Notification& n) const {
    if (n.bofKey) return true;
    if (n.lParam == static_cast<LPARAM>(link::ENotifyType::SyncAddDialog)) return false;
    if (n.lParam != static_cast<LPARAM>(link::ENotifyType::Result)) return true;
    const auto h = static_cast<std::int16_t>(static_cast<std::uint16_t>(n.wParam & 0xFFFF));
    bool usersJob = false;
    EachBusySlot([this, &usersJob, h](int slotNumber, std::int16_t held) {
        if (held != h) return false;
        const CommandRow* row = slotNumber >= kShowTableSlotBase ? nullptr : SlotOwner(m_rows, slotNumber);
        usersJob = row == nullptr || row->use == SlotUse::Clear;
        return usersJob;
    });
    return !usersJob;
}

// Everything goes through the queue, so a notification never overtakes one held back,
// except that past the queue's bound a stream is handled at once without a box.
void CConsole::Deliver(const Notification& n) {
    if (m_queue.size() >= kMaxQueued && Divertible(n)) {
        ++m_diverting;
        ++m_divertedTotal;
        ++m_divertedUnreported;
        Handle(n);
        --m_diverting;
        return;
    }
    m_queue.push_back(n);
    Drain();
}

void CConsole::Drain() {
    while ((m_openBoxes < kMaxOpenBoxes || m_closing) && !m_queue.empty()) {
        const Notification n = m_queue.front();
        m_queue.pop_front();
        Handle(n);
    }
    if (m_divertedUnreported > 0 && m_queue.empty() && m_openBoxes < kMaxOpenBoxes) {
        const auto count = static_cast<std::uint32_t>(m_divertedUnreported);
        m_divertedUnreported = 0;
        JournalEntry e = Entry(JournalKind::Diverted);
        e.text = Format(kDivertedFormat, count);
        e.shown = !BoxesSuppressed();
        Record(e);
        if (e.shown) OpenBox(e.text);
    }
}

void CConsole::Handle(const Notification& n) {
    if (n.bofKey) {
        ContextScope scope(*this, Context(JournalKind::Direct));
        JournalEntry key = Entry(JournalKind::Key);
        key.wParam = static_cast<std::uint64_t>(n.wParam);
        Record(std::move(key));
        ShowMessage(Format(L"OnBOFKey: %04x", static_cast<unsigned>(n.wParam)));
        return;
    }
    const auto h = static_cast<std::int16_t>(static_cast<std::uint16_t>(n.wParam & 0xFFFF));
    Context context(JournalKind::Fetch);
    context.handle = h;
    if (const Origin& o = OriginOf(h); h != 0 && o.known) {
        context.id = o.id;
        context.path = o.path;
        context.started = o.started;
    }
    ContextScope scope(*this, std::move(context));
    JournalEntry e = Entry(JournalKind::Notification);
    e.type = static_cast<std::int32_t>(n.lParam);
    e.wParam = static_cast<std::uint64_t>(n.wParam);
    Record(std::move(e));
    Dispatch(n.wParam, n.lParam);
}

void CConsole::ShowMessage(const std::wstring& text) {
    JournalEntry e = Entry(JournalKind::Box);
    e.text = text;
    e.shown = !BoxesSuppressed();
    Record(std::move(e));
    if (!BoxesSuppressed()) OpenBox(text);
}

void CConsole::OpenBox(const std::wstring& text) {
    ++m_openBoxes;
    m_surface.MessageBox(text);
    --m_openBoxes;
}

int CConsole::AskQuestion(const std::wstring& question, const AnswerCaptions& captions) {
    // Only a close suppresses the question: the controller waits for its answer.
    JournalEntry e = Entry(JournalKind::Question);
    e.text = question;
    e.buttons.assign(captions.begin(), captions.end());
    e.shown = !m_closing;
    Record(std::move(e));
    if (m_closing) return 0;
    ++m_openBoxes;
    const int code = m_surface.RunQuestion(question, captions);
    --m_openBoxes;
    return code;
}

}  // namespace vantel
