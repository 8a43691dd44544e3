#include <gtest/gtest.h>

#include <array>

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include "dialog/quest_dlg.h"
#include "gui_util.h"
#include "x11_close.h"

namespace vantel {
namespace {

TEST(QuestionDialog, EmptyCaptionHidesItsButtonAndTheOthersStay) {
    CQuestDlg dlg(nullptr);
    dlg.m_captions = {L"Ja", L"", L"Nein"};
    dlg.m_question = L"Weiter?";
    std::array<wxRect, 3> placed;
    for (int k = 0; k < 3; ++k) placed[k] = dlg.Button(k)->GetRect();

    dlg.CallAfter([&] {
        test::PumpUntil([&] { return dlg.IsShown() && dlg.Button(2)->IsShownOnScreen(); });
        EXPECT_TRUE(dlg.Button(0)->IsShown());
        EXPECT_FALSE(dlg.Button(1)->IsShown());
        EXPECT_TRUE(dlg.Button(2)->IsShown());
        EXPECT_EQ(dlg.Button(0)->GetLabel(), L"Ja");
        EXPECT_EQ(dlg.Button(2)->GetLabel(), L"Nein");
        EXPECT_EQ(dlg.Text()->GetLabel(), L"Weiter?");
        for (int k = 0; k < 3; ++k) EXPECT_EQ(dlg.Button(k)->GetRect(), placed[k]) << k;
        // The right button still sits right of the gap where the middle one was.
        EXPECT_GT(placed[2].x, placed[1].GetRight());
        EXPECT_EQ(placed[2].y, placed[0].y);

        dlg.Raise();
        wxButton* right = dlg.Button(2);
        wxUIActionSimulator sim;
        sim.MouseMove(right->GetScreenRect().GetPosition() + wxPoint(right->GetSize().x / 2, right->GetSize().y / 2));
        test::Pump(5);
        sim.MouseClick();
        // A click that never arrives fails the test instead of leaving the window open.
        if (!test::PumpUntil([&] { return !dlg.IsModal(); })) dlg.EndModal(-1);
    });
    EXPECT_EQ(dlg.DoModal(), 1006);
}

TEST(QuestionDialog, EscapeEndsItAsItsCloseBoxDoes) {
    CQuestDlg dlg(nullptr);
    dlg.m_captions = {L"Ja", L"Nein", L""};
    dlg.m_question = L"Weiter?";
    dlg.CallAfter([&] {
        ASSERT_TRUE(test::PumpUntil([&] { return dlg.Button(0)->IsShownOnScreen(); }));
        dlg.Raise();
        dlg.Button(0)->SetFocus();
        test::Pump();
        wxUIActionSimulator().Char(WXK_ESCAPE);
        // A key that does not end it fails the test with an answer of its own.
        if (!test::PumpUntil([&] { return !dlg.IsModal(); })) dlg.EndModal(1005);
    });
    EXPECT_EQ(dlg.DoModal(), wxID_CANCEL);  // answer 0

    dlg.CallAfter([&] {
        ASSERT_TRUE(test::PumpUntil([&] { return dlg.Button(0)->IsShownOnScreen(); }));
        ASSERT_TRUE(test::CloseAsWindowManager("Dialogfrage"));
        if (!test::PumpUntil([&] { return !dlg.IsModal(); })) dlg.EndModal(1005);
    });
    EXPECT_EQ(dlg.DoModal(), wxID_CANCEL);
}

}  // namespace
}  // namespace vantel
