#include "jobs/console.h"

#include "commands/catalogue.h"
#include "jobs/convert.h"
#include "jobs/messages.h"
#include "platform/registry.h"

namespace vantel {
namespace {

using link::BoolArray;
using link::CFileTime;
using link::EMessageType;
using link::StringArray;

std::wstring StampText(const CFileTime& time) {
    wchar_t buf[256] = {};
    time.Format(buf, 256, L"%h:%m:%s'%U");
    return buf;
}

// What the controller message and dialog notifications deliver before their lists.
struct MessageHead {
    CFileTime time;
    std::uint32_t handle = 0;
    EMessageType type{};
    std::uint32_t number = 0;
    std::wstring text1, text2, text3;

    std::wstring Text(std::wstring_view kind) const {
        const std::wstring format = L"%s\n" + std::wstring(kind) + L"\nHandle:%lx Type:%ld Number:%ld\n%s\n%s\n%s";
        return Format(format, StampText(time), handle, static_cast<std::int32_t>(type), number, text1, text2, text3);
    }
};

// A flag missing from a list shorter than its strings shows as 0.
std::wstring ListLines(const StringArray& strings, const BoolArray& flags) {
    std::wstring text;
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const int flag = i < flags.size() && flags[i] ? 1 : 0;
        text += Format(L"\n%s %d", strings[i], flag);
    }
    return text;
}

}  // namespace

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
    if (row->direct == nullptr && row->request == nullptr) return true;
    UpdateData();
    if (row->direct != nullptr) {
        row->direct(*this);
    } else {
        std::int16_t* slot = row->slot >= 0 && row->slot < kSlotCount ? &m_slots.block[row->slot] : nullptr;
        if (row->busyCheck && slot != nullptr && *slot != 0) {
            ShowMessage(std::wstring(kBusyText));
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

// Everything goes through the queue, so a notification never overtakes one held back.
void CConsole::Deliver(const Notification& n) {
    m_queue.push_back(n);
    Drain();
}

void CConsole::Drain() {
    while (m_openBoxes < kMaxOpenBoxes && !m_queue.empty()) {
        const Notification n = m_queue.front();
        m_queue.pop_front();
        if (n.bofKey) {
            ShowMessage(Format(L"OnBOFKey: %04x", static_cast<unsigned>(n.wParam)));
        } else {
            Dispatch(n.wParam, n.lParam);
        }
    }
}

void CConsole::ShowMessage(const std::wstring& text) {
    ++m_openBoxes;
    m_surface.MessageBox(text);
    --m_openBoxes;
}

int CConsole::AskQuestion(const std::wstring& question, const AnswerCaptions& captions) {
    ++m_openBoxes;
    const int code = m_surface.RunQuestion(question, captions);
    --m_openBoxes;
    return code;
}

void CConsole::ShowFailure() { ShowMessage(std::wstring(kFailureText)); }

void CConsole::Dispatch(WPARAM wParam, LPARAM lParam) {
    const auto h = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam & 0xFFFF));
    switch (lParam) {
        case 0: OnResult(h); break;
        case 1: OnSyncAddMessage(h); break;
        case 2: OnCommandAbort(h); break;
        case 10:
        case 11:
        case 12:
        case 30: OnAsyncAddMessage(h); break;
        case 20: OnAsyncSubMessage(h); break;
        case 50: OnAsyncConfirm(h); break;
        case 60: OnAsyncAddDialog(h); break;
        case 70: OnAsyncAnswer(h); break;
        case 100: OnSyncAddDialog(h); break;
        case 200: On6DMouse(h); break;
        case 300: OnKeySwitch(h); break;
        case 400: OnProgressInfo(h); break;
        default: ShowFailure(); break;
    }
}

// An idle slot holds no job, so it never matches, not even a handle of 0.
void CConsole::OnResult(std::int16_t h) {
    if (h != 0) {
        for (std::int16_t& entry : m_slots.showTable) {
            if (entry == h) return RunResultRow(SlotOwner(kShowTable), entry, h);
        }
        for (const std::uint8_t s : kResultSearchOrder) {
            if (m_slots.block[s] == h) return RunResultRow(SlotOwner(s), m_slots.block[s], h);
        }
    }
    m_link.CmdAbort(h);
    ShowFailure();
}

void CConsole::RunResultRow(const CommandRow* row, std::int16_t& slot, std::int16_t h) {
    if (row != nullptr && row->use == SlotUse::Acknowledge) return;
    const bool clear = row == nullptr || row->use == SlotUse::Clear;
    // A nested command may have put a new job into the slot while the box was open.
    const auto release = [&] {
        if (clear && slot == h) slot = 0;
    };
    std::wstring message;
    const int result = row != nullptr && row->result != nullptr ? row->result(*this, h, message) : 0;
    if (result == 1) {
        ShowMessage(message);
        release();
    } else {
        release();
        if (result == 0) ShowFailure();
    }
}

void CConsole::OnSyncAddMessage(std::int16_t h) {
    MessageHead m;
    StringArray params;
    BoolArray flags;
    const int result =
        m_link.GetSyncAddMessage(h, m.time, m.handle, m.type, m.number, m.text1, m.text2, m.text3, params, flags);
    if (result == 1) ShowMessage(m.Text(L"SyncAddMessage"));
    m_slots.ClearHandle(h);
    if (result == 0) ShowFailure();
}

void CConsole::OnCommandAbort(std::int16_t h) {
    ShowMessage(L"Cmd Abort");
    bool fetched = false;
    int result = 0;
    if (h != 0 && m_slots.block[slot::AbortTest] == h) {
        fetched = true;
        std::wstring text;
        result = m_link.SetInfoResult(h, text);
        if (result == 1) ShowMessage(text);
    }
    m_slots.ClearHandle(h);
    if (fetched && result == 0) ShowFailure();
}

void CConsole::OnAsyncAddMessage(std::int16_t h) {
    MessageHead m;
    StringArray params;
    BoolArray flags;
    const int result =
        m_link.GetAsyncAddMessage(h, m.time, m.handle, m.type, m.number, m.text1, m.text2, m.text3, params, flags);
    if (result == 1) ShowMessage(m.Text(L"AsyncAddMessage"));
    if (result == 0) ShowFailure();
}

void CConsole::OnAsyncSubMessage(std::int16_t h) {
    CFileTime time;
    std::uint32_t handle = 0;
    const int result = m_link.GetAsyncSubMessage(h, time, handle);
    if (result == 1) ShowMessage(Format(L"%s\nAsyncSubMessage\nHandle:%lx", StampText(time), handle));
    if (result == 0) ShowFailure();
}

void CConsole::OnAsyncConfirm(std::int16_t h) {
    std::uint32_t handle = 0;
    const int result = m_link.GetAsyncConfirm(h, handle);
    if (result == 1) ShowMessage(Format(L"AsyncConfirm\nHandle:%lx", handle));
    if (result == 0) ShowFailure();
}

void CConsole::OnAsyncAddDialog(std::int16_t h) {
    MessageHead m;
    StringArray params, answers;
    BoolArray flags, answerFlags;
    const int result = m_link.GetAsyncAddDialog(h, m.time, m.handle, m.type, m.number, m.text1, m.text2, m.text3,
                                                params, flags, answers, answerFlags);
    if (result == 1) {
        const std::wstring lists =
            L"\nParams:" + ListLines(params, flags) + L"\nAnswers:" + ListLines(answers, answerFlags);
        ShowMessage(m.Text(L"AsyncAddDialog") + lists);
    }
    if (result == 0) ShowFailure();
}

void CConsole::OnAsyncAnswer(std::int16_t h) {
    std::uint32_t handle = 0;
    std::int16_t answer = 0;
    const int result = m_link.GetAsyncAnswer(h, handle, answer);
    if (result == 1) ShowMessage(Format(L"AsyncAnswer\nHandle:%lx\nAnswer:%hd", handle, answer));
    if (result == 0) ShowFailure();
}

void CConsole::OnSyncAddDialog(std::int16_t h) {
    MessageHead m;
    StringArray params, answers;
    BoolArray flags, answerFlags;
    const int result = m_link.GetSyncAddDialog(h, m.time, m.handle, m.type, m.number, m.text1, m.text2, m.text3,
                                               params, flags, answers, answerFlags);
    if (result == 1) {
        AnswerCaptions captions;
        for (std::size_t k = 0; k < captions.size() && k < answers.size(); ++k) captions[k] = answers[k];
        // Both dialog kinds carry the heading "AsyncAddDialog".
        const int code = AskQuestion(m.Text(L"AsyncAddDialog"), captions);
        const std::int16_t answer = code == 1005 ? 1 : code == 1006 ? 2 : 0;
        m_link.SyncAnswer(h, m.handle, answer);
    }
    if (result == 0) ShowFailure();
}

void CConsole::On6DMouse(std::int16_t h) {
    std::int16_t x = 0, y = 0, z = 0, a = 0, b = 0, c = 0;
    const int result = m_link.PHGGet6DMouse(h, x, y, z, a, b, c);
    if (result == 1) ShowMessage(Format(L"6DMouse\nX:%d\tY:%d\tZ:%d\nA:%d\tB:%d\tC:%d", x, y, z, a, b, c));
    if (result == 0) ShowFailure();
}

void CConsole::OnKeySwitch(std::int16_t h) {
    std::int16_t position = 0;
    const int result = m_link.KeySwitchResult(h, position);
    if (result == 1) ShowMessage(Format(L"KeySwitch %hd", position));
    if (result == 0) ShowFailure();
}

// Unlike every other fetch, any non-zero result counts as success here.
void CConsole::OnProgressInfo(std::int16_t h) {
    std::int16_t percent = 0;
    std::wstring text;
    if (m_link.GetProgressInfo(h, percent, text) != 0) {
        ShowMessage(Format(L"ProgressInfo Job %hd: %hd%% %s", h, percent, text));
    } else {
        ShowFailure();
    }
}

}  // namespace vantel
