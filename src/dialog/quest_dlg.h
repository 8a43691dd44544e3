// The question dialog: a controller's synchronous question with up to three answers.
#pragma once
#include <array>
#include <string>

#include "dialog/modal_dialog.h"
#include "jobs/surface.h"

class wxButton;
class wxStaticText;

namespace vantel {

// The end code of the question dialog's left button; the middle and right ones follow.
inline constexpr int kFirstAnswerCode = kAnswerLeft;

class CQuestDlg : public CModalDialog {
public:
    explicit CQuestDlg(wxWindow* parent = nullptr);

    // Shows the window modally to its parent; returns 1004-1006 for a button, wxID_CANCEL
    // when Escape, the close box or a close of the console ended it.
    int DoModal();
    wxButton* Button(int k) const { return m_buttons.at(k); }
    wxStaticText* Text() const { return m_text; }

    AnswerCaptions m_captions;
    std::wstring m_question;

private:
    void OnInitDialog();

    std::array<wxButton*, 3> m_buttons{};
    wxStaticText* m_text = nullptr;
};

}  // namespace vantel
