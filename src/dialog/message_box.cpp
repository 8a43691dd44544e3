#include "dialog/message_box.h"

#include <algorithm>
#include <cmath>

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/display.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

namespace vantel {
namespace {

constexpr wchar_t kCaption[] = L"Vantel";  // the application's name
constexpr int kMargin = 12;
constexpr int kMinTextWidth = 200;
constexpr int kTabColumns = 8;
// Room the text view takes around its text, so that a text that fits shows no scroll bar.
const wxSize kTextPad(10, 8);

// Lines and the widest line in columns, as the text view breaks them ("\r\n", "\n" or "\r").
struct Extent {
    int lines = 1;
    int columns = 0;
};

Extent Measure(const std::wstring& text) {
    Extent e;
    int col = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
            e.columns = std::max(e.columns, col);
            col = 0;
            ++e.lines;
        } else if (c == L'\t') {
            col = (col / kTabColumns + 1) * kTabColumns;
        } else {
            ++col;
        }
    }
    e.columns = std::max(e.columns, col);
    return e;
}

}  // namespace

CMessageBox::CMessageBox(wxWindow* parent, const std::wstring& text)
    : CModalDialog(parent, kCaption, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxRESIZE_BORDER, wxID_OK),
      m_value(text) {
    // Listings, lists and readings line up their columns only in a fixed-width font.
    m_fixed = text.find_first_of(L"\r\n\t") != std::wstring::npos;
    const long wrap = m_fixed ? wxTE_DONTWRAP : wxTE_WORDWRAP;
    // Read-only rather than a label: the text stays as given and can be selected and copied.
    m_text = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize,
                            wxTE_MULTILINE | wxTE_READONLY | wxTE_NOHIDESEL | wrap | wxBORDER_NONE);
    // Font and colour before the text: wxGTK sets a new font by inserting the text again.
    if (m_fixed) m_text->SetFont(wxFont(wxFontInfo(GetFont().GetPointSize()).Family(wxFONTFAMILY_TELETYPE)));
    m_text->SetBackgroundColour(GetBackgroundColour());
    m_text->ChangeValue(wxString(text));
    m_text->SetInsertionPoint(0);
    m_ok = new wxButton(this, wxID_OK, L"OK");
    m_ok->SetDefault();
    m_ok->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_OK); });

    const wxSize button = m_ok->GetBestSize();
    const wxSize around(2 * kMargin, 3 * kMargin + button.y);
    const wxRect area = wxDisplay(parent != nullptr ? parent : this).GetClientArea();
    const wxSize most(static_cast<int>(area.width * kScreenShare) - around.x,
                      static_cast<int>(area.height * kScreenShare) - around.y);
    const wxSize textSize = TextSize(text, most);
    m_text->SetMinSize(wxSize(std::min(textSize.x, kMinTextWidth), std::min(textSize.y, 3 * kMargin)));

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_text, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, kMargin);
    sizer->Add(m_ok, 0, wxALIGN_CENTER_HORIZONTAL | wxALL, kMargin);
    SetSizer(sizer);
    SetClientSize(textSize + around);
    SetMinClientSize(wxSize(button.x, 0) + around + wxSize(0, 3 * kMargin));
    Layout();
    // As in any message box; the text scrolls under the mouse wheel, Tab reaches it.
    m_ok->SetFocus();
}

// The text's own size up to most, plus the scroll bars the text view will need.
wxSize CMessageBox::TextSize(const std::wstring& text, wxSize most) const {
    const int scrollbar = wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, this);
    const wxFont font = m_text->GetFont();
    int lineHeight = 0;
    wxSize size;
    if (m_fixed) {
        // Measured on one long run of characters: one character's width is fractional.
        constexpr int kSample = 64;
        int width = 0;
        GetTextExtent(wxString(kSample, L'0'), &width, &lineHeight, nullptr, nullptr, &font);
        const Extent e = Measure(text);
        size = wxSize(static_cast<int>(std::ceil(e.columns * static_cast<double>(width) / kSample)),
                      e.lines * lineHeight);
    } else {
        GetTextExtent(wxString(text), &size.x, &lineHeight, nullptr, nullptr, &font);
        size.y = lineHeight;
        if (size.x + kTextPad.x > most.x) {
            // Wrapped at words: a line or so more than the width alone asks for.
            const int lines = size.x / std::max(1, most.x - kTextPad.x) + 2;
            size = wxSize(most.x - kTextPad.x, lines * lineHeight);
        }
    }
    size += kTextPad;
    if (m_fixed && size.x > most.x) size.y += scrollbar;
    if (size.y > most.y) size.x += scrollbar;
    return wxSize(std::clamp(size.x, kMinTextWidth, std::max(kMinTextWidth, most.x)),
                  std::clamp(size.y, 0, std::max(lineHeight, most.y)));
}

bool CMessageBox::OnKey(wxKeyEvent& e) {
    const int key = e.GetKeyCode();
    const int mods = e.GetModifiers();
    if ((key == WXK_RETURN || key == WXK_NUMPAD_ENTER) && mods == wxMOD_NONE) {
        EndModal(wxID_OK);
        return true;
    }
    if (mods != wxMOD_CONTROL) return false;
    if (key == 'A' || key == 'a') {
        m_text->SetFocus();
        m_text->SelectAll();
        return true;
    }
    if (key == 'C' || key == 'c') {
        // Nothing selected: the whole text, as the box shows it.
        long from = 0, to = 0;
        m_text->GetSelection(&from, &to);
        if (from != to) {
            m_text->Copy();
        } else if (wxTheClipboard->Open()) {
            wxTheClipboard->SetData(new wxTextDataObject(wxString(m_value)));
            wxTheClipboard->Close();
        }
        return true;
    }
    return false;
}

}  // namespace vantel
