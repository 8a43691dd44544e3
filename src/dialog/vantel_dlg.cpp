#include "dialog/vantel_dlg.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include <fmt/xchar.h>
#include <wx/accel.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/control.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/evtloop.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statbox.h>
#include <wx/statusbr.h>
#include <wx/utils.h>

#include "commands/catalogue.h"
#include "commands/hints.h"
#include "dialog/journal_wnd.h"
#include "dialog/layout.h"
#include "dialog/message_box.h"
#include "dialog/my_combo.h"
#include "dialog/quest_dlg.h"
#include "dialog/script_player.h"
#include "dialog/template_keys.h"
#include "jobs/journal_file.h"
#include "jobs/messages.h"
#include "jobs/recorder.h"
#include "platform/command_socket.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/winmsg.h"
#include "remote/remote_link.h"

namespace vantel {
namespace {

// A posted window message, carried to the user-interface thread.
struct Posted {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};


// A command id from outside travels to the dialog as this message, with the id as wParam.
UINT CommandMessage() {
    static const UINT msg = RegisterWindowMessageW(L"WM_COMMAND");
    return msg;
}

// A change of the link's state waits in the dialog's LinkStateQueue.
UINT LinkStateMessage() {
    static const UINT msg = RegisterWindowMessageW(L"VantelLinkState");
    return msg;
}

constexpr int kMenuIdBase = 20000;
// Status line fields.
enum { kLinkField, kPendingField, kOutcomeField, kJournalFileField };
constexpr int kStatusDelayMs = 100;

}  // namespace

wxIcon VantelIcon(int size) {
    // A rounded dark-teal square with a white "V" over a small orange joint: a robot arm's
    // two links meeting at the console's initial.
    wxBitmap bmp(size, size, 32);
    bmp.UseAlpha();
    {
        wxMemoryDC dc(bmp);
        dc.SetBackground(*wxTRANSPARENT_BRUSH);
        dc.Clear();
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(0x1F, 0x5F, 0x6B)));
        dc.DrawRoundedRectangle(0, 0, size, size, size / 6.0);
        const int w = std::max(2, size / 7);
        dc.SetPen(wxPen(*wxWHITE, w));
        dc.DrawLine(size / 5, size / 5, size / 2, size * 4 / 5);
        dc.DrawLine(size / 2, size * 4 / 5, size * 4 / 5, size / 5);
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(0xF2, 0x8C, 0x28)));
        dc.DrawCircle(size / 2, size * 4 / 5 - w / 2, std::max(2, size / 8));
    }
    wxIcon icon;
    icon.CopyFromBitmap(bmp);
    return icon;
}

struct CVantelDlg::LinkStateQueue {
    std::mutex mutex;
    std::deque<std::pair<std::wstring, std::wstring>> changes;  // status line, journal
};

CVantelDlg::CVantelDlg(CRegPair& appPair, std::unique_ptr<link::ILinkBackend> link, wxWindow* parent)
    : wxFrame(parent, wxID_ANY, wxString(kMainTitle.data(), kMainTitle.size()), wxDefaultPosition, wxDefaultSize,
              wxCAPTION | wxSYSTEM_MENU | wxMINIMIZE_BOX | wxCLOSE_BOX) {
    m_console = std::make_unique<CConsole>(*this, std::move(link), appPair, Catalogue());
    wxIconBundle icons;
    icons.AddIcon(VantelIcon(32));
    icons.AddIcon(VantelIcon(16));
    SetIcons(icons);

    m_hwnd = CreatePostTarget([this](UINT msg, WPARAM wParam, LPARAM lParam) {
        auto* event = new wxThreadEvent(wxEVT_THREAD);
        event->SetPayload(Posted{msg, wParam, lParam});
        wxQueueEvent(this, event);
    });
    Bind(wxEVT_THREAD, &CVantelDlg::OnPosted, this);
    Bind(wxEVT_MENU, &CVantelDlg::OnCommand, this);
    Bind(wxEVT_BUTTON, &CVantelDlg::OnCommand, this);
    Bind(wxEVT_CLOSE_WINDOW, &CVantelDlg::OnClose, this);
    Bind(wxEVT_CHAR_HOOK, &CVantelDlg::OnCharHook, this);

    SetMenuBar(BuildMenuBar());
    BuildControls();

    m_appPair = &appPair;
    BuildStatusLine();
    StartJournal();
}

CVantelDlg::~CVantelDlg() {
    StopListening();
    if (m_player) m_player->onEnd = nullptr;
    m_player.reset();
    if (m_recorder) m_console->GetJournal().Unsubscribe(m_recorderToken);
    if (m_journalWnd != nullptr) {
        m_journalWnd->Detach();
        m_journalWnd->Destroy();
    }
    m_console->GetJournal().Unsubscribe(m_journalToken);
    // No post reaches this window once it is going.
    DestroyPostTarget(m_hwnd);
}

wxSize CVantelDlg::DuToPixels(int w, int h) const {
    return wxSize(static_cast<int>(w * m_duX + 0.5), static_cast<int>(h * m_duY + 0.5));
}

wxPoint CVantelDlg::DuToPixels(wxPoint p) const {
    return wxPoint(static_cast<int>(p.x * m_duX + 0.5), static_cast<int>(p.y * m_duY + 0.5));
}

wxMenuBar* CVantelDlg::BuildMenuBar() {
    auto* bar = new wxMenuBar();
    std::map<std::wstring, wxMenu*> menus;
    for (std::wstring_view top : TopLevelMenus()) {
        auto* menu = new wxMenu();
        menus[std::wstring(top)] = menu;
        bar->Append(menu, wxString(top.data(), top.size()));
    }
    // The menu named by path, its submenus created in the order they first appear.
    const auto menuAt = [&](std::wstring_view path) -> wxMenu* {
        std::wstring key;
        wxMenu* menu = nullptr;
        std::size_t start = 0;
        while (start <= path.size()) {
            const std::size_t end = std::min(path.find(L'/', start), path.size());
            const std::wstring_view part = path.substr(start, end - start);
            const std::wstring parent = key;
            key += (key.empty() ? L"" : L"/") + std::wstring(part);
            auto it = menus.find(key);
            if (it == menus.end()) {
                auto* sub = new wxMenu();
                if (menu != nullptr) menu->AppendSubMenu(sub, wxString(part.data(), part.size()));
                it = menus.emplace(key, sub).first;
            }
            menu = it->second;
            start = end + 1;
        }
        return menu;
    };
    for (const CommandRow& row : Catalogue()) {
        switch (row.kind) {
            case RowKind::Item: {
                const std::size_t cut = row.path.rfind(L'/');
                wxMenu* menu = menuAt(row.path.substr(0, cut));
                const std::wstring_view text = row.path.substr(cut + 1);
                const int menuId = kMenuIdBase + static_cast<int>(m_menuCommands.size());
                m_menuCommands[menuId] = row.id;
                menu->Append(menuId, wxString(text.data(), text.size()), hint::Short(row));
                break;
            }
            case RowKind::Separator: menuAt(row.path)->AppendSeparator(); break;
            case RowKind::Submenu: menuAt(row.path); break;
            case RowKind::Button:
            case RowKind::Hidden: break;
        }
    }
    return bar;
}

void CVantelDlg::BuildControls() {
    m_panel = new wxPanel(this, wxID_ANY);

    // Dialog units from the dialog font; taller if the toolkit's fields need more room.
    const wxSize extent = m_panel->GetTextExtent(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_duX = extent.x / 52.0 / 4.0;
    m_duY = m_panel->GetCharHeight() / 8.0;
    {
        auto* probe = new wxComboBox(m_panel, wxID_ANY);
        const int comboHeight = probe->GetBestSize().y;
        probe->Destroy();
        m_duY = std::max(m_duY, comboHeight / 15.0);
    }

    // Group boxes first, so that the controls they frame are drawn above them.
    for (const ControlRow& c : MainDialogControls()) {
        if (c.kind != ControlKind::GroupBox) continue;
        new wxStaticBox(m_panel, wxID_ANY, wxString(c.text.data(), c.text.size()), DuToPixels({c.rect.x, c.rect.y}),
                        DuToPixels(c.rect.w, c.rect.h));
    }
    int field = 0;
    for (const ControlRow& c : MainDialogControls()) {
        const wxPoint pos = DuToPixels({c.rect.x, c.rect.y});
        if (c.kind == ControlKind::Combo) {
            auto* combo = new CMyComboBox(m_panel, c.id, pos, wxSize(DuToPixels(c.rect.w, 0).x, -1));
            combo->onLeave = [this](CMyComboBox& f) { OnFieldLeft(f); };
            m_fields[field++] = combo;
        } else if (c.kind == ControlKind::Button) {
            auto* button = new wxButton(m_panel, c.id, wxString(c.text.data(), c.text.size()), pos,
                                        DuToPixels(c.rect.w, c.rect.h), wxBU_EXACTFIT);
            if (const CommandRow* row = FindCommand(c.id)) button->SetToolTip(hint::Full(*row));
        }
    }
    m_panel->Bind(wxEVT_RIGHT_DOWN, [this](wxMouseEvent&) { ShowWindowMenu(); });
    SetClientSize(DuToPixels(kMainWidthDu, kMainHeightDu));
}

void CVantelDlg::OnInitDialog() {
    Centre();
    m_console->LoadHistories();
    for (int n = 1; n <= kFieldCount; ++n) {
        const FieldHistory& h = m_console->Field(n);
        FieldControl(n).ShowHistory(h.items, h.selection, h.text);
    }
    m_console->Start(m_hwnd);
    if (m_fields[0] != nullptr) m_fields[0]->SetFocus();
}

int CVantelDlg::DoModal() {
    OnInitDialog();
    Show();
    Raise();
    StartListening();
    wxGUIEventLoop loop;
    m_loop = &loop;
    loop.Run();
    m_loop = nullptr;
    StopListening();
    SaveAndDestroy();
    return m_result;
}

// The listener's thread only queues: the command runs on this thread, in its turn.
void CVantelDlg::StartListening() {
    const HWND hwnd = m_hwnd;
    const UINT msg = CommandMessage();
    auto listener = std::make_unique<remote::CommandListener>();
    std::string error;
    const bool listening = listener->Start(
        [hwnd, msg](int id) { return FindCommand(id) != nullptr && PostMessageW(hwnd, msg, static_cast<WPARAM>(id), 0); },
        error);
    if (listening) {
        m_listener = std::move(listener);
    } else {
        // The console works without it; only the commands from outside are missing.
        std::fprintf(stderr, "vantel: not listening for commands: %s\n", error.c_str());
    }
}

void CVantelDlg::StopListening() { m_listener.reset(); }

std::string CVantelDlg::CommandSocketPath() const { return m_listener ? m_listener->Path() : std::string(); }

void CVantelDlg::EndDialog(int code) {
    m_result = code;
    CModalDialog::EndAll(wxID_CANCEL);
    CModalDialog::WhenAllClosed([this, code] {
        if (m_loop != nullptr) m_loop->ScheduleExit(code);
    });
}

UINT CVantelDlg::CloseRequestMessage() {
    static const UINT msg = RegisterWindowMessageW(L"Vantel.CloseRequest");
    return msg;
}

void CVantelDlg::SaveAndDestroy() {
    if (m_saved) return;
    m_saved = true;
    const bool saved = m_console->SaveHistories();
    const std::wstring reason = saved ? std::wstring() : FromUtf8(reg::LastError());
    std::wstring note(saved ? kSavedNote : kNotSavedNote);
    if (!saved) note += L": " + reason;
    if (!m_endSignal.empty()) note += L" (" + m_endSignal + L")";
    m_console->End(note);
    if (!saved) {
        std::fprintf(stderr, "vantel: histories not saved: %s\n", ToUtf8(reason).c_str());
        // A close by signal may come from a session that is ending: nobody to press OK.
        if (m_endSignal.empty()) {
            MessageBox(L"Die Histories der Parameterfelder konnten nicht gespeichert werden; die Eingaben "
                       L"dieser Sitzung gehen verloren.\n\n" +
                       reason);
        }
    }
    Hide();
}

FieldTexts CVantelDlg::ReadFields() {
    FieldTexts texts;
    for (int n = 1; n <= kFieldCount; ++n) texts[n - 1] = FieldControl(n).GetValue().ToStdWstring();
    return texts;
}

void CVantelDlg::MessageBox(const std::wstring& text) {
    CMessageBox box(this, text);
    box.ShowModal();
}

int CVantelDlg::RunQuestion(const std::wstring& question, const AnswerCaptions& captions) {
    // A replay's queued answer ends the question without showing it, as vantel-batch does.
    std::optional<int> code = m_player ? m_player->TakeAnswer() : std::nullopt;
    if (!code) {
        CQuestDlg dlg(this);
        dlg.m_question = question;
        dlg.m_captions = captions;
        code = dlg.DoModal();
    }
    if (m_recorder && (*code < kFirstAnswerCode || *code > kFirstAnswerCode + 2)) m_recorder->QuestionClosed();
    return *code;
}

void CVantelDlg::Pause(unsigned ms) { wxMilliSleep(ms); }

void CVantelDlg::OnFieldLeft(CMyComboBox& control) {
    for (int n = 1; n <= kFieldCount; ++n) {
        if (m_fields[n - 1] != &control) continue;
        FieldHistory& h = m_console->Field(n);
        h.text = control.GetValue().ToStdWstring();
        h.selection = control.HistorySelection();
        // The list may have been changed by nobody but us; keep the control's entries.
        h.LeaveField();
        control.ShowHistory(h.items, h.selection, h.text);
        return;
    }
}

int CVantelDlg::MenuIdOf(int commandId) const {
    for (const auto& [menuId, command] : m_menuCommands) {
        if (command == commandId) return menuId;
    }
    return wxID_NONE;
}

void CVantelDlg::OnCommand(wxCommandEvent& e) {
    int id = e.GetId();
    if (e.GetEventType() == wxEVT_MENU) {
        const auto it = m_menuCommands.find(id);
        if (it == m_menuCommands.end()) {
            e.Skip();
            return;
        }
        id = it->second;
    }
    if (!m_console->Command(id)) e.Skip();
}

void CVantelDlg::OnPosted(wxThreadEvent& e) {
    const auto posted = e.GetPayload<Posted>();
    if (posted.msg == CommandMessage()) {
        // Checked again here: only ids the dialog handles run, whoever posted them, and
        // only while the dialog runs.
        const int id = static_cast<int>(posted.wParam);
        if (m_loop != nullptr && !m_console->Closing() && posted.wParam <= 0xFFFF && FindCommand(id) != nullptr) {
            m_console->Command(id);
        }
        return;
    }
    if (posted.msg == LinkStateMessage() && m_linkStates) {
        std::deque<std::pair<std::wstring, std::wstring>> changes;
        {
            std::lock_guard lock(m_linkStates->mutex);
            changes.swap(m_linkStates->changes);
        }
        for (const auto& [status, journal] : changes) {
            SetLinkDescription(status);
            m_console->LinkNote(journal);
        }
        return;
    }
    if (posted.msg == CloseRequestMessage()) {
        const char* name = posted.wParam != 0 ? sigabbrev_np(static_cast<int>(posted.wParam)) : nullptr;
        if (name != nullptr && m_endSignal.empty()) m_endSignal = L"SIG" + FromUtf8(name);
        OnSysCommand(kScClose);
        return;
    }
    m_console->OnMessage(posted.msg, posted.wParam, posted.lParam);
}

void CVantelDlg::OnClose(wxCloseEvent& e) {
    if (e.CanVeto()) e.Veto();
    OnSysCommand(kScClose);
}

void CVantelDlg::OnCharHook(wxKeyEvent& e) {
    if (CModalDialog::OpenCount() > 0) return;  // the boxes have the keyboard
    const int key = e.GetKeyCode();
    if (key == WXK_ESCAPE) return;  // Esc never closes the dialog
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER) {
        // Enter clicks a focused button, as in any dialog, and otherwise does nothing.
        if (dynamic_cast<wxButton*>(FindFocus()) != nullptr) e.Skip();
        return;
    }
    if (key == WXK_SPACE && e.GetModifiers() == wxMOD_ALT) {
        ShowWindowMenu();
        return;
    }
    if (MoveFocusByTemplate(*m_panel, MainDialogControls(), e)) return;
    e.Skip();
}

// The journal's observers on the dialog's side: the session's file and the status line. The
// option "Meldungen nur im Protokoll" is read here, before the console starts.
void CVantelDlg::StartJournal() {
    m_optionsPair = std::make_unique<CRegPair>(*m_appPair, L"Options", false);
    std::wstring journalOnly;
    if (m_optionsPair->GetValue(L"JournalOnly", journalOnly)) m_console->SetJournalOnly(journalOnly == L"1");

    if (JournalFileWanted()) {
        m_journalFile = std::make_unique<JournalFile>();
        std::string error;
        if (!m_journalFile->OpenSession(DefaultJournalFolder(), {}, error)) JournalFileFailed(error);
    }
    m_journalToken = m_console->GetJournal().Subscribe([this](const JournalEntry& e) { OnJournalEntry(e); });

    wxAcceleratorEntry keys[] = {{wxACCEL_CTRL, 'J', kJournalWindowCommand}};
    SetAcceleratorTable(wxAcceleratorTable(1, keys));
    // Also sent by an open box when Ctrl+J is pressed in it.
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowJournalWindow(); }, kJournalWindowCommand);
}

void CVantelDlg::OnJournalEntry(const JournalEntry& e) {
    if (m_journalFile && !m_journalFile->Write(e)) JournalFileFailed(m_journalFile->Error());
    if (e.kind == JournalKind::Command && e.id != 0) ShowFieldUses(e.id);
    if (e.kind == JournalKind::Box || e.kind == JournalKind::Busy || e.kind == JournalKind::Diverted) {
        m_lastOutcome = e.path.empty() ? e.Summary() : std::wstring(e.path) + L" \u2192 " + e.Summary();
        if (e.latencyMs) m_lastOutcome += fmt::format(L", {} ms", *e.latencyMs);
    }
    // A flood of entries updates the line once per batch.
    if (!m_statusTimer.IsRunning()) m_statusTimer.StartOnce(kStatusDelayMs);
}

// Said in the status line for as long as the console runs, and once in a box.
void CVantelDlg::JournalFileFailed(const std::string& error) {
    m_journalFile.reset();
    wxStatusBar* bar = GetStatusBar();
    bar->SetFieldsCount(4);
    SetLinkDescription(m_linkText);
    const std::wstring text = L"Protokolldatei: " + FromUtf8(error);
    bar->SetStatusText(text, kJournalFileField);
    CallAfter([this, text] {
        MessageBox(L"Die Protokolldatei kann nicht geschrieben werden; das Protokoll steht nur im Fenster "
                   L"\"Protokoll\".\n\n" +
                   text);
    });
}

// Each field says what it fed last; a field the command did not read keeps its tip.
void CVantelDlg::ShowFieldUses(int id) {
    const CommandRow* row = FindCommand(id);
    if (row == nullptr) return;
    const std::wstring title = hint::Title(*row);
    for (int n = 1; n <= kFieldCount; ++n) {
        const std::wstring use = hint::FieldUse(*row, n);
        if (!use.empty() && m_fields[n - 1] != nullptr) m_fields[n - 1]->SetToolTip(title + L": " + use);
    }
}

// While a menu is open its hint takes the whole line; closing it brings the fields back.
void CVantelDlg::DoGiveHelp(const wxString& text, bool show) {
    wxStatusBar* bar = GetStatusBar();
    if (bar == nullptr) return wxFrame::DoGiveHelp(text, show);
    if (!show) {
        m_showingHelp = false;
        wxFrame::DoGiveHelp(text, show);
        SetLinkDescription(m_linkText);
        UpdateStatusLine();
        return;
    }
    if (!m_showingHelp) {
        m_showingHelp = true;
        std::vector<int> widths(static_cast<std::size_t>(bar->GetFieldsCount()), 0);
        widths[kOutcomeField] = -1;
        bar->SetStatusWidths(static_cast<int>(widths.size()), widths.data());
    }
    wxRect pane;
    bar->GetFieldRect(kOutcomeField, pane);
    wxClientDC dc(bar);
    dc.SetFont(bar->GetFont());
    const int room = pane.width - bar->FromDIP(8);
    wxFrame::DoGiveHelp(room > 0 ? wxControl::Ellipsize(text, dc, wxELLIPSIZE_END, room) : text, show);
}

void CVantelDlg::BuildStatusLine() {
    m_statusTimer.SetOwner(this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { UpdateStatusLine(); }, m_statusTimer.GetId());
    CreateStatusBar(3);
    // The highlighted menu item's hint replaces the last outcome while its menu is open.
    SetStatusBarPane(kOutcomeField);
    SetLinkDescription(m_linkText);
    UpdateStatusLine();
    // The control layout keeps its size in dialog units; the frame grows by the line.
    SetClientSize(DuToPixels(kMainWidthDu, kMainHeightDu));
}

void CVantelDlg::SetLinkDescription(const std::wstring& text) {
    m_linkText = text;
    wxStatusBar* bar = GetStatusBar();
    if (bar == nullptr) return;
    const int pad = bar->FromDIP(16);
    const int linkWidth =
        std::max(bar->GetTextExtent(text).x, bar->GetTextExtent(L"Simulierter Controller, 20 ms").x);
    const int widths[] = {linkWidth + pad, bar->GetTextExtent(L"000 ausstehend").x + pad, -1, -3};
    bar->SetStatusWidths(bar->GetFieldsCount(), widths);
    bar->SetStatusText(text, kLinkField);
}

void CVantelDlg::FollowLink(remote::RemoteLink& link) {
    if (!m_linkStates) m_linkStates = std::make_shared<LinkStateQueue>();
    // The observer runs on the link's thread and holds the queue, not the dialog: a post to
    // a window that is gone is dropped.
    const remote::Endpoint endpoint = link.Where();
    const remote::LinkStatus now =
        link.SetObserver([queue = m_linkStates, hwnd = m_hwnd, endpoint](const remote::LinkStatus& status) {
            {
                std::lock_guard lock(queue->mutex);
                queue->changes.emplace_back(remote::StatusText(endpoint, status), remote::JournalText(endpoint, status));
            }
            PostMessageW(hwnd, LinkStateMessage(), 0, 0);
        });
    SetLinkDescription(remote::StatusText(endpoint, now));
    m_console->LinkNote(remote::JournalText(endpoint, now));
}

void CVantelDlg::UpdateStatusLine() {
    wxStatusBar* bar = GetStatusBar();
    const wxString pending = wxString::Format(L"%zu ausstehend", m_console->PendingJobs().size());
    if (bar->GetStatusText(kPendingField) != pending) bar->SetStatusText(pending, kPendingField);
    std::wstring outcome = m_lastOutcome;
    if (!m_scriptStatus.empty()) outcome = m_scriptStatus + (outcome.empty() ? L"" : L" \u2014 " + outcome);
    // While a menu is open, its item's hint holds the field.
    if (!m_showingHelp && bar->GetStatusText(kOutcomeField) != outcome) bar->SetStatusText(outcome, kOutcomeField);
}

}  // namespace vantel
