#include "dialog/template_keys.h"

#include <wx/button.h>
#include <wx/event.h>
#include <wx/window.h>

#include "dialog/layout.h"

namespace vantel {

bool MoveFocusByTemplate(wxWindow& parent, std::span<const ControlRow> rows, const wxKeyEvent& key) {
    // The focus may sit in a part of a control, such as a combo box's entry.
    wxWindow* focus = wxWindow::FindFocus();
    while (focus != nullptr && focus->GetParent() != &parent) focus = focus->GetParent();
    if (focus == nullptr) return false;

    const int mods = key.GetModifiers();
    int target = 0;
    switch (key.GetKeyCode()) {
        case WXK_TAB:
            if (mods == wxMOD_NONE || mods == wxMOD_SHIFT) {
                target = NextTabStop(rows, focus->GetId(), mods == wxMOD_NONE);
            }
            break;
        case WXK_LEFT:
        case WXK_UP:
        case WXK_RIGHT:
        case WXK_DOWN:
            // In a field the arrows belong to the field (they walk its list).
            if (mods == wxMOD_NONE && dynamic_cast<wxButton*>(focus) != nullptr) {
                const bool forward = key.GetKeyCode() == WXK_RIGHT || key.GetKeyCode() == WXK_DOWN;
                target = NextInGroup(rows, focus->GetId(), forward);
            }
            break;
        default: break;
    }
    wxWindow* next = target != 0 ? parent.FindWindow(target) : nullptr;
    if (next == nullptr) return false;
    next->SetFocus();
    return true;
}

}  // namespace vantel
