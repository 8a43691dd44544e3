// The notification handlers: one per notification type, found in a table keyed by the type.
#include "jobs/console.h"

#include "jobs/convert.h"

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

// A dialog as both fetch calls deliver it.
struct DialogMessage {
    MessageHead head;
    StringArray params, answers;
    BoolArray flags, answerFlags;
};

template <auto Fetch>
int FetchDialog(link::CPlexa& link, std::int16_t h, DialogMessage& d) {
    MessageHead& m = d.head;
    return (link.*Fetch)(h, m.time, m.handle, m.type, m.number, m.text1, m.text2, m.text3, d.params, d.flags,
                         d.answers, d.answerFlags);
}

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

void CConsole::ShowFailure() { ShowMessage(std::wstring(kFailureText)); }

// A type without a handler is a failure; the handlers fetch what their type announces.
void CConsole::Dispatch(WPARAM wParam, LPARAM lParam) {
    using T = link::ENotifyType;
    static constexpr struct {
        T type;
        void (CConsole::*handle)(std::int16_t);
    } kHandlers[] = {
        {T::Result,              &CConsole::OnResult},
        {T::SyncAddMessage,      &CConsole::OnSyncAddMessage},
        {T::CommandAbort,        &CConsole::OnCommandAbort},
        {T::AsyncAddInfo,        &CConsole::OnAsyncAddMessage},
        {T::AsyncAddState,       &CConsole::OnAsyncAddMessage},
        {T::AsyncAddAcknowledge, &CConsole::OnAsyncAddMessage},
        {T::AsyncAddWait,        &CConsole::OnAsyncAddMessage},
        {T::AsyncSubMessage,     &CConsole::OnAsyncSubMessage},
        {T::AsyncConfirm,        &CConsole::OnAsyncConfirm},
        {T::AsyncAddDialog,      &CConsole::OnAsyncAddDialog},
        {T::AsyncAnswer,         &CConsole::OnAsyncAnswer},
        {T::SyncAddDialog,       &CConsole::OnSyncAddDialog},
        {T::Mouse6D,             &CConsole::On6DMouse},
        {T::KeySwitch,           &CConsole::OnKeySwitch},
        {T::ProgressInfo,        &CConsole::OnProgressInfo},
    };
    const auto h = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam & 0xFFFF));
    for (const auto& handler : kHandlers) {
        if (static_cast<LPARAM>(handler.type) == lParam) return (this->*handler.handle)(h);
    }
    ShowFailure();
}

// An idle slot holds no job, so it never matches, not even a handle of 0.
void CConsole::OnResult(std::int16_t h) {
    if (h != 0) {
        for (std::int16_t& entry : m_slots.showTable) {
            if (entry == h) return RunResultRow(SlotOwner(m_rows, kShowTable), entry, h);
        }
        for (const std::uint8_t s : kResultSearchOrder) {
            if (m_slots.block[s] == h) return RunResultRow(SlotOwner(m_rows, s), m_slots.block[s], h);
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
        if (clear && slot == h) {
            SlotFreed(SlotNumber(&slot), h);
            slot = 0;
            if (PendingHandle(h) < 0) OriginOf(h).known = false;
        }
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
    FreeHandle(h);
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
    FreeHandle(h);
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
    DialogMessage d;
    const int result = FetchDialog<&link::CPlexa::GetAsyncAddDialog>(m_link, h, d);
    if (result == 1) {
        const std::wstring lists =
            L"\nParams:" + ListLines(d.params, d.flags) + L"\nAnswers:" + ListLines(d.answers, d.answerFlags);
        ShowMessage(d.head.Text(L"AsyncAddDialog") + lists);
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
    DialogMessage d;
    const int result = FetchDialog<&link::CPlexa::GetSyncAddDialog>(m_link, h, d);
    if (result == 1) {
        AnswerCaptions captions;
        for (std::size_t k = 0; k < captions.size() && k < d.answers.size(); ++k) captions[k] = d.answers[k];
        // Both dialog kinds carry the heading "AsyncAddDialog".
        const int code = AskQuestion(d.head.Text(L"AsyncAddDialog"), captions);
        m_link.SyncAnswer(h, d.head.handle, AnswerOf(code));
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
