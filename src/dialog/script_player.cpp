#include "dialog/script_player.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include <wx/app.h>

#include "commands/catalogue.h"
#include "jobs/messages.h"
#include "dialog/modal_dialog.h"
#include "dialog/my_combo.h"
#include "dialog/quest_dlg.h"
#include "dialog/vantel_dlg.h"
#include "platform/text.h"
#include "platform/winmsg.h"

namespace vantel {
namespace {

using script::Verb;

// What the question dialog's close box ends it with.
constexpr int kClosedCode = wxID_CANCEL;

}  // namespace

CScriptPlayer::CScriptPlayer(CVantelDlg& dlg) : m_dlg(dlg) {
    m_timer.SetOwner(this);
    Bind(wxEVT_TIMER, &CScriptPlayer::OnTimer, this);
}

CScriptPlayer::~CScriptPlayer() { m_timer.Stop(); }

bool CScriptPlayer::Load(const std::string& path, std::wstring& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = FromUtf8(path) + L": die Datei kann nicht gelesen werden.";
        return false;
    }
    std::vector<Line> lines;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        Line line{number, {}};
        std::string reason;
        if (!script::ParseScriptLine(text, line.line, reason)) {
            error = L"Zeile " + std::to_wstring(number) + L": " + FromUtf8(reason);
            return false;
        }
        switch (line.line.verb) {
            case Verb::Nothing: continue;
            case Verb::Handle:
            case Verb::Result:
                error = L"Zeile " + std::to_wstring(number) + L": \"" +
                        (line.line.verb == Verb::Handle ? L"handle" : L"result") +
                        L"\" gilt nur für den geskripteten Link von vantel-batch (--link script).";
                return false;
            case Verb::Menu:
                if (FindCommand(static_cast<int>(line.line.first)) == nullptr) {
                    error = L"Zeile " + std::to_wstring(number) + L": kein Befehl hat die Nummer " +
                            std::to_wstring(line.line.first) + L".";
                    return false;
                }
                break;
            default: break;
        }
        lines.push_back(std::move(line));
    }
    if (in.bad()) {
        error = FromUtf8(path) + L": die Datei kann nicht gelesen werden.";
        return false;
    }
    m_lines = std::move(lines);
    m_index = 0;
    return true;
}

void CScriptPlayer::Start() {
    m_running = true;
    m_stopAsked = false;
    m_sleeping = false;
    m_answers.clear();
    // As in vantel-batch, the script starts from empty fields; the histories stay.
    for (int n = 1; n <= kFieldCount; ++n) {
        FieldHistory& field = m_dlg.Console().Field(n);
        field.Type(L"");
        m_dlg.FieldControl(n).ShowHistory(field.items, field.selection, field.text);
    }
    m_timer.StartOnce(kStepMs);
}

void CScriptPlayer::Stop() {
    if (!m_running) return;
    m_stopAsked = true;
    if (!m_inLine) Finish(true);
}

std::optional<int> CScriptPlayer::TakeAnswer() {
    if (m_answers.empty()) return std::nullopt;
    const int code = m_answers.front();
    m_answers.pop_front();
    return code;
}

void CScriptPlayer::Finish(bool stopped) {
    m_running = false;
    m_timer.Stop();
    m_answers.clear();
    if (onEnd) onEnd(stopped);
}

// No box waits for the user and nothing posted waits to be dispatched.
bool CScriptPlayer::Settled() const {
    return CModalDialog::OpenCount() == 0 && !wxTheApp->HasPendingEvents();
}

void CScriptPlayer::OnTimer(wxTimerEvent&) {
    if (!m_running || m_inLine) return;
    if (m_sleeping) {
        m_sleeping = false;
        ++m_index;
    }
    // A box open now holds the replay as it would hold the user.
    if (CModalDialog::OpenCount() > 0) {
        m_timer.StartOnce(kPollMs);
        return;
    }
    if (m_index >= m_lines.size()) {
        Finish(false);
        return;
    }
    const script::ScriptLine& line = m_lines[m_index].line;
    if (onStep) onStep();
    if (line.verb == Verb::Wait) {
        CConsole& console = m_dlg.Console();
        const bool idle = Settled() && console.QueuedNotifications() == 0 &&
                          console.Link().Backend().JobsInFlight() == 0;
        if (idle) ++m_index;
        m_timer.StartOnce(idle ? kStepMs : kPollMs);
        return;
    }
    if (line.verb == Verb::Sleep) {
        m_sleeping = true;
        m_timer.StartOnce(static_cast<int>(std::max<std::int64_t>(1, line.first)));
        return;
    }
    m_inLine = true;
    Carry(line);
    m_inLine = false;
    if (!m_running) return;
    ++m_index;
    if (line.verb == Verb::Close) {
        Finish(false);
    } else if (m_stopAsked) {
        Finish(true);
    } else {
        m_timer.StartOnce(kStepMs);
    }
}

// As vantel-batch carries out each line, on the dialog's own fields and window.
void CScriptPlayer::Carry(const script::ScriptLine& line) {
    CConsole& console = m_dlg.Console();
    switch (line.verb) {
        case Verb::Field:
        case Verb::Pick: {
            const int n = static_cast<int>(line.first);
            FieldHistory& field = console.Field(n);
            if (line.verb == Verb::Field) {
                field.Type(line.text);
            } else {
                field.Pick(static_cast<int>(line.second));
            }
            field.LeaveField();
            m_dlg.FieldControl(n).ShowHistory(field.items, field.selection, field.text);
            break;
        }
        case Verb::Menu: console.Command(static_cast<int>(line.first)); break;
        case Verb::Post:
            PostMessageW(m_dlg.Handle(), WM_PLEXA, static_cast<WPARAM>(line.first), static_cast<LPARAM>(line.second));
            break;
        case Verb::BofKey: PostMessageW(m_dlg.Handle(), WM_BOFKEY, static_cast<WPARAM>(line.first), 0); break;
        case Verb::Answer:
            m_answers.push_back(line.first == script::kAnswerClose ? kClosedCode
                                                                   : kFirstAnswerCode + static_cast<int>(line.first));
            break;
        case Verb::Close: m_dlg.OnSysCommand(CVantelDlg::kScClose); break;
        default: break;
    }
}

}  // namespace vantel
