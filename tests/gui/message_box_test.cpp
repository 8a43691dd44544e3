// The console's message boxes and question over the main dialog: modal to it alone, sized
// to the screen, closed by keys, and closed with it.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "dialog/layout.h"
#include "dialog/message_box.h"
#include "dialog/my_combo.h"
#include "dialog/quest_dlg.h"
#include "dialog/vantel_dlg.h"
#include "gui_util.h"
#include "jobs/history.h"
#include "sim/embedded.h"
#include "platform/registry.h"
#include "temp_stores.h"
#include "x11_close.h"

namespace vantel {
namespace {

class Boxes : public ::testing::Test {
protected:
    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    std::unique_ptr<CVantelDlg> dlg = std::make_unique<CVantelDlg>(app, link::MakeEmbeddedLink(0));

    // Runs body inside the dialog's loop, then closes the dialog as its Close does.
    int RunModal(std::function<void()> body) {
        dlg->CallAfter([this, body] {
            test::Pump();
            body();
            dlg->Close();
        });
        return dlg->DoModal();
    }

    // Runs check inside the loop of the box that show opens; the box must be closed by then.
    void WithBox(const std::function<void()>& show, const std::function<void(CMessageBox&)>& check) {
        dlg->CallAfter([check] {
            auto* box = dynamic_cast<CMessageBox*>(CModalDialog::Innermost());
            ASSERT_NE(box, nullptr);
            ASSERT_TRUE(test::PumpUntil([&] { return box->IsShownOnScreen(); }));
            check(*box);
            // A key that never arrives fails the test instead of leaving the box open.
            if (box->IsModal()) {
                ADD_FAILURE() << "the box is still open";
                box->EndModal(wxID_OK);
            }
        });
        show();
    }

    // Gives the box the keyboard and presses key; false when the box stays open.
    static bool Press(CMessageBox& box, int key) {
        box.Raise();
        box.OkButton()->SetFocus();
        test::Pump();
        wxUIActionSimulator().Char(key);
        return test::PumpUntil([&] { return !box.IsModal(); });
    }
};

TEST_F(Boxes, TenThousandLinesFitTheScreenWithOkInViewAndOtherWindowsStayUsable) {
    std::wstring text = L"Dir:";
    for (int i = 1; i <= 10'000; ++i) text += L"\r\nUSER:/R1/PROG" + std::to_wstring(i) + L".SRC\t1234\tRW";
    // Another window of the program, clear of the box.
    wxFrame other(nullptr, wxID_ANY, L"Protokoll", wxPoint(0, 0), wxSize(120, 60));
    auto* button = new wxButton(&other, wxID_ANY, L"Abbrechen");
    int clicks = 0;
    button->Bind(wxEVT_BUTTON, [&](wxCommandEvent&) { ++clicks; });
    other.Show();
    RunModal([&] {
        WithBox([&] { dlg->MessageBox(text); },
                [&](CMessageBox& box) {
                    const wxRect screen = wxDisplay(dlg.get()).GetClientArea();
                    EXPECT_EQ(box.GetTitle(), L"Vantel");
                    EXPECT_TRUE(screen.Contains(box.GetScreenRect())) << box.GetScreenRect().height;
                    EXPECT_LE(box.GetSize().y, screen.height * CMessageBox::kScreenShare + 1);
                    EXPECT_LE(box.GetSize().x, screen.width * CMessageBox::kScreenShare + 1);
                    EXPECT_TRUE(screen.Contains(box.OkButton()->GetScreenRect()));
                    EXPECT_TRUE(box.Text()->GetValue() == text);
                    EXPECT_TRUE(box.FixedWidth());

                    // The main window takes no input meanwhile; another window of the program does.
                    EXPECT_FALSE(dlg->FieldControl(1).IsEnabled());
                    EXPECT_FALSE(dlg->GetMenuBar()->IsEnabled());
                    ASSERT_FALSE(box.GetScreenRect().Intersects(other.GetScreenRect()));
                    wxUIActionSimulator sim;
                    sim.MouseMove(button->GetScreenRect().GetPosition() + button->GetSize() / 2);
                    test::Pump(5);
                    sim.MouseClick();
                    EXPECT_TRUE(test::PumpUntil([&] { return clicks == 1; }));

                    EXPECT_TRUE(Press(box, WXK_RETURN));
                });
        EXPECT_TRUE(dlg->FieldControl(1).IsEnabled());
    });
}

TEST_F(Boxes, AShortTextGivesASmallBoxKeepsItsCharactersAndEscapeClosesIt) {
    int journalAsked = 0;
    dlg->Bind(wxEVT_MENU, [&](wxCommandEvent&) { ++journalAsked; }, kJournalWindowCommand);
    RunModal([&] {
        WithBox([&] { dlg->MessageBox(std::wstring(kFailureText)); },
                [&](CMessageBox& box) {
                    const wxRect screen = wxDisplay(dlg.get()).GetClientArea();
                    EXPECT_LT(box.GetSize().y, screen.height / 4);
                    EXPECT_LT(box.GetSize().x, screen.width / 3);
                    EXPECT_TRUE(box.Text()->GetValue() == L"Ätschi Bätsch:\r\nFehler!");
                    EXPECT_EQ(box.Text()->GetNumberOfLines(), 2);
                    EXPECT_EQ(box.Text()->GetLineText(1), L"Fehler!");

                    // Ctrl+A, Ctrl+C copy the text as it stands; Ctrl+J asks the main window for the journal.
                    box.Raise();
                    box.OkButton()->SetFocus();
                    test::Pump();
                    wxUIActionSimulator sim;
                    sim.Char('A', wxMOD_CONTROL);
                    sim.Char('C', wxMOD_CONTROL);
                    sim.Char('J', wxMOD_CONTROL);
                    EXPECT_TRUE(test::PumpUntil([&] { return journalAsked == 1; }));
                    wxTextDataObject copied;
                    ASSERT_TRUE(wxTheClipboard->Open());
                    wxTheClipboard->GetData(copied);
                    wxTheClipboard->Close();
                    EXPECT_TRUE(copied.GetText() == L"Ätschi Bätsch:\r\nFehler!") << copied.GetText();
                    EXPECT_TRUE(box.IsModal());

                    EXPECT_TRUE(Press(box, WXK_ESCAPE));
                });
    });
}

TEST_F(Boxes, ATitleBarCloseWhileBoxesAndTheQuestionAreOpenEndsTheConsole) {
    CModalDialog* first = nullptr;
    CModalDialog* second = nullptr;
    int answer = -1;
    bool ended = false;
    // Each step runs inside the loop of the box the step before it opens.
    const auto shown = [] { return test::PumpUntil([] { return CModalDialog::Innermost()->IsShownOnScreen(); }); };
    const int code = RunModal([&] {
        FieldHistory& field = dlg->Console().Field(10);
        field.text = L"robot 7";
        field.LeaveField();
        dlg->CallAfter([&] {
            first = CModalDialog::Innermost();
            dlg->CallAfter([&] {
                second = CModalDialog::Innermost();
                dlg->CallAfter([&] {
                    ASSERT_EQ(CModalDialog::OpenCount(), 3);
                    ASSERT_TRUE(shown());
                    // Stacked boxes sit apart, and only the innermost takes input.
                    EXPECT_GT(second->GetPosition().x, first->GetPosition().x);
                    EXPECT_GT(second->GetPosition().y, first->GetPosition().y);
                    EXPECT_FALSE(first->IsEnabled());
                    EXPECT_FALSE(second->IsEnabled());
                    EXPECT_TRUE(CModalDialog::Innermost()->IsEnabled());

                    ASSERT_TRUE(test::CloseAsWindowManager("PLEXA-Vantel"));
                    ended = test::PumpUntil([] { return !CModalDialog::Innermost()->IsModal(); });
                    if (!ended) CModalDialog::EndAll(-1);  // whatever went wrong, the test ends
                });
                answer = dlg->RunQuestion(L"Weiter?", {L"Ja", L"", L"Nein"});
            });
            ASSERT_TRUE(shown());
            dlg->Console().ShowMessage(L"zwei");
        });
        dlg->Console().ShowMessage(L"eins");
        EXPECT_TRUE(dlg->Console().Closing());
    });
    EXPECT_TRUE(ended);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(answer, wxID_CANCEL);  // which the console sends as answer 0
    EXPECT_EQ(CModalDialog::OpenCount(), 0);
    const Journal& journal = dlg->Console().GetJournal();
    ASSERT_GT(journal.Size(), 0u);
    EXPECT_EQ(journal.At(journal.Size() - 1).kind, JournalKind::Close);

    CRegPair reread(L"Plexa.Vantel", false);
    FieldHistory saved;
    LoadHistory(reread, 10, saved);
    ASSERT_FALSE(saved.items.empty());
    EXPECT_EQ(saved.items[0], L"robot 7");
}

}  // namespace
}  // namespace vantel
