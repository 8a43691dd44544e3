// The console's message box: the text alone, the application's name as caption, OK only.
// It fits the screen whatever the text's size: the text scrolls inside it, can be selected
// and copied, and OK stays in view.
#pragma once
#include <string>

#include "dialog/modal_dialog.h"

class wxButton;
class wxTextCtrl;

namespace vantel {

class CMessageBox : public CModalDialog {
public:
    CMessageBox(wxWindow* parent, const std::wstring& text);

    wxTextCtrl* Text() const { return m_text; }
    wxButton* OkButton() const { return m_ok; }
    // Text of more than one line, or with tabs, is set in a fixed-width font.
    bool FixedWidth() const { return m_fixed; }

    // The most of the display's work area a box takes, in each direction.
    static constexpr double kScreenShare = 0.8;

protected:
    bool OnKey(wxKeyEvent& e) override;

private:
    wxSize TextSize(const std::wstring& text, wxSize most) const;

    std::wstring m_value;
    wxTextCtrl* m_text = nullptr;
    wxButton* m_ok = nullptr;
    bool m_fixed = false;
};

}  // namespace vantel
