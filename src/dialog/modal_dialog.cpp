#include "dialog/modal_dialog.h"

#include <algorithm>

#include <wx/display.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/modalhook.h>
#include <wx/weakref.h>

#include "dialog/layout.h"

namespace vantel {
namespace {

std::vector<std::function<void()>>& Waiting() {
    static std::vector<std::function<void()>> waiting;
    return waiting;
}

}  // namespace

struct CModalDialog::Run {
    CModalDialog* dialog;
    wxGUIEventLoop* loop = nullptr;
    bool ended = false;
    int code = 0;
    std::vector<wxWeakRef<wxWindow>> blocked;  // what this run disabled, to enable again
};

std::vector<CModalDialog::Run*>& CModalDialog::Stack() {
    static std::vector<Run*> stack;
    return stack;
}

CModalDialog::CModalDialog(wxWindow* parent, const wxString& title, long style, int closeCode)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, style), m_closeCode(closeCode) {
    SetEscapeId(wxID_NONE);  // Escape is ours, see OnCharHook
    Bind(wxEVT_CHAR_HOOK, &CModalDialog::OnCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent&) {
        if (IsModal()) {
            EndModal(m_closeCode);
        } else {
            Hide();
        }
    });
}

int CModalDialog::OpenCount() { return static_cast<int>(Stack().size()); }

CModalDialog* CModalDialog::Innermost() { return Stack().empty() ? nullptr : Stack().back()->dialog; }

void CModalDialog::EndAll(int code) {
    const std::vector<Run*> open = Stack();
    for (auto it = open.rbegin(); it != open.rend(); ++it) (*it)->dialog->EndModal(code);
}

void CModalDialog::WhenAllClosed(std::function<void()> f) {
    if (Stack().empty()) {
        f();
    } else {
        Waiting().push_back(std::move(f));
    }
}

bool CModalDialog::IsModal() const { return m_run != nullptr && !m_run->ended; }

bool CModalDialog::OnKey(wxKeyEvent&) { return false; }

void CModalDialog::OnCharHook(wxKeyEvent& e) {
    const int key = e.GetKeyCode();
    if (e.GetModifiers() == wxMOD_CONTROL && (key == 'J' || key == 'j')) {
        // The journal window is the main window's to open; if it opens none, nothing happens.
        if (wxWindow* owner = GetParent() != nullptr ? wxGetTopLevelParent(GetParent()) : nullptr) {
            wxCommandEvent menu(wxEVT_MENU, kJournalWindowCommand);
            menu.SetEventObject(this);
            wxPostEvent(owner, menu);
        }
        return;
    }
    if (OnKey(e)) return;
    if (key == WXK_ESCAPE && e.GetModifiers() == wxMOD_NONE) {
        EndModal(m_closeCode);
        return;
    }
    e.Skip();
}

// Centred on the parent and moved by one cascade step per dialog below it, as far as the
// display's work area allows; then the steps start again from the centre.
void CModalDialog::Place(int depth) {
    if (GetParent() != nullptr) {
        CentreOnParent();
    } else {
        CentreOnScreen();
    }
    const wxRect area = wxDisplay(GetParent() != nullptr ? GetParent() : this).GetClientArea();
    const wxSize size = GetSize();
    wxPoint pos = GetPosition();
    pos.x = std::clamp(pos.x, area.x, std::max(area.x, area.GetRight() + 1 - size.x));
    pos.y = std::clamp(pos.y, area.y, std::max(area.y, area.GetBottom() + 1 - size.y));
    const int room = std::min(area.GetRight() + 1 - size.x - pos.x, area.GetBottom() + 1 - size.y - pos.y);
    const int steps = std::max(0, room) / kCascade + 1;
    const int offset = (depth % steps) * kCascade;
    Move(pos + wxPoint(offset, offset));
}

int CModalDialog::ShowModal() {
    // As the toolkit's own dialogs do: a registered hook (a test's, say) may answer instead.
    if (const int answered = wxModalDialogHook::CallEnter(this); answered != wxID_NONE) {
        wxModalDialogHook::CallExit(this);
        SetReturnCode(answered);
        return answered;
    }
    std::vector<Run*>& stack = Stack();
    Run run{this, nullptr, false, 0, {}};
    const auto block = [&run](wxWindow* w) {
        if (w == nullptr || !w->IsThisEnabled()) return;
        w->Disable();
        run.blocked.emplace_back(w);
    };
    // The frame itself stays enabled: wxGTK drops the close request of a disabled window.
    if (GetParent() != nullptr) {
        wxWindow* owner = wxGetTopLevelParent(GetParent());
        for (wxWindow* child : owner->GetChildren()) {
            if (!child->IsTopLevel()) block(child);
        }
        if (auto* frame = dynamic_cast<wxFrame*>(owner)) block(frame->GetMenuBar());
    }
    if (!stack.empty()) block(stack.back()->dialog);
    Place(static_cast<int>(stack.size()));

    stack.push_back(&run);
    m_run = &run;
    Show();
    Raise();
    wxGUIEventLoop loop;
    run.loop = &loop;
    if (!run.ended) loop.Run();
    run.loop = nullptr;
    stack.pop_back();
    m_run = nullptr;
    const bool active = IsActive();
    Hide();
    for (auto it = run.blocked.rbegin(); it != run.blocked.rend(); ++it) {
        if (wxWindow* w = it->get()) w->Enable();
    }

    if (!stack.empty()) {
        Run* outer = stack.back();
        // Only now may the loop below exit: it is the innermost again.
        if (outer->ended) {
            outer->loop->ScheduleExit(outer->code);
        } else if (active) {
            outer->dialog->Raise();
        }
    } else {
        if (active && GetParent() != nullptr) wxGetTopLevelParent(GetParent())->Raise();
        const auto waiting = std::move(Waiting());
        Waiting().clear();
        for (const auto& f : waiting) f();
    }
    wxModalDialogHook::CallExit(this);
    SetReturnCode(run.code);
    return run.code;
}

void CModalDialog::EndModal(int code) {
    if (!IsModal()) return;
    m_run->ended = true;
    m_run->code = code;
    SetReturnCode(code);
    if (Stack().back() == m_run && m_run->loop != nullptr) m_run->loop->ScheduleExit(code);
    Hide();
}

}  // namespace vantel
