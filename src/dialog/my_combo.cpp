#include "dialog/my_combo.h"

namespace vantel {

CMyComboBox::CMyComboBox(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxComboBox(parent, id, wxString(), pos, size, 0, nullptr, wxCB_DROPDOWN) {
    Bind(wxEVT_COMBOBOX, &CMyComboBox::OnPicked, this);
    Bind(wxEVT_TEXT, &CMyComboBox::OnText, this);
    Bind(wxEVT_KILL_FOCUS, &CMyComboBox::OnKillFocus, this);
}

void CMyComboBox::ShowHistory(const std::vector<std::wstring>& items, int selection, const std::wstring& text) {
    m_syncing = true;
    wxArrayString list;
    for (const auto& item : items) list.Add(wxString(item));
    Set(list);
    if (selection >= 0 && selection < static_cast<int>(items.size())) {
        SetSelection(selection);
    }
    ChangeValue(wxString(text));
    m_selection = selection;
    m_pickedText = wxString(text);
    m_syncing = false;
}

void CMyComboBox::OnPicked(wxCommandEvent& e) {
    if (!m_syncing) {
        m_selection = GetSelection();
        m_pickedText = m_selection >= 0 ? GetString(m_selection) : wxString();
        // Under GTK a mouse pick leaves the focus with the popup, and a field that never gets
        // it back is never left: the pick would not reach the history.
        if (!HasFocus()) SetFocus();
    }
    e.Skip();
}

// Picking an entry may also report a text change; only a text that differs from the
// picked entry counts as typing.
void CMyComboBox::OnText(wxCommandEvent& e) {
    if (!m_syncing && GetValue() != m_pickedText) m_selection = -1;
    e.Skip();
}

void CMyComboBox::OnKillFocus(wxFocusEvent& e) {
    if (onLeave) onLeave(*this);
    e.Skip();
}

}  // namespace vantel
