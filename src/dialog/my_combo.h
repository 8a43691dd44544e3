// A parameter field: a drop-down combo box that remembers what was typed into it.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include <wx/combobox.h>

namespace vantel {

class CMyComboBox : public wxComboBox {
public:
    CMyComboBox(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size);

    // The list's selection as the history sees it: -1 once the user has typed.
    int HistorySelection() const { return m_selection; }
    // Shows a history: the list, its selection and the edit text.
    void ShowHistory(const std::vector<std::wstring>& items, int selection, const std::wstring& text);
    // Called when the field loses the focus.
    std::function<void(CMyComboBox&)> onLeave;

private:
    void OnPicked(wxCommandEvent& e);
    void OnText(wxCommandEvent& e);
    void OnKillFocus(wxFocusEvent& e);

    int m_selection = -1;
    wxString m_pickedText;
    bool m_syncing = false;
};

}  // namespace vantel
