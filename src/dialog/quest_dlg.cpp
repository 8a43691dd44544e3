#include "dialog/quest_dlg.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/stattext.h>

#include "dialog/layout.h"

namespace vantel {

CQuestDlg::CQuestDlg(wxWindow* parent)
    : CModalDialog(parent, wxString(kQuestionTitle.data(), kQuestionTitle.size()),
                   wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX, wxID_CANCEL) {
    const wxSize extent = GetTextExtent(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const double duX = extent.x / 52.0 / 4.0;
    const double duY = std::max(GetCharHeight() / 8.0, wxButton::GetDefaultSize(this).y / 16.0);
    const auto px = [&](int x, int y) { return wxPoint(static_cast<int>(x * duX + 0.5), static_cast<int>(y * duY + 0.5)); };
    int k = 0;
    for (const ControlRow& c : QuestionDialogControls()) {
        const wxPoint pos = px(c.rect.x, c.rect.y);
        const wxPoint size = px(c.rect.w, c.rect.h);
        if (c.kind == ControlKind::Static) {
            // Fixed size: text beyond the area is not shown.
            m_text = new wxStaticText(this, c.id, wxString(), pos, wxSize(size.x, size.y),
                                      wxST_NO_AUTORESIZE | wxALIGN_LEFT);
        } else {
            auto* button = new wxButton(this, c.id, wxString(), pos, wxSize(size.x, size.y));
            button->Bind(wxEVT_BUTTON, [this, id = c.id](wxCommandEvent&) { EndModal(id); });
            m_buttons[k++] = button;
        }
    }
    const wxPoint client = px(kQuestionWidthDu, kQuestionHeightDu);
    SetClientSize(client.x, client.y);
}

void CQuestDlg::OnInitDialog() {
    for (int k = 0; k < 3; ++k) m_buttons[k]->SetLabel(wxString(m_captions[k]));
    m_text->SetLabelText(wxString(m_question));  // controller text, shown as it stands
    // An empty caption is an answer not offered; the other buttons keep their places.
    for (int k = 0; k < 3; ++k) m_buttons[k]->Show(!m_captions[k].empty());
}

int CQuestDlg::DoModal() {
    OnInitDialog();
    return ShowModal();
}

}  // namespace vantel
