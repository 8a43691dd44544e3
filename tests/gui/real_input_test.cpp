// The parameter fields and the panel under real keyboard and mouse input: a picked history
// entry goes to the top when the field is left, and the focus follows the template's tab
// stops and groups.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "dialog/layout.h"
#include "dialog/my_combo.h"
#include "dialog/vantel_dlg.h"
#include "gui_util.h"
#include "jobs/history.h"
#include "sim/embedded.h"
#include "platform/registry.h"
#include "temp_stores.h"
#include "x_input.h"

namespace vantel {
namespace {

using Entries = std::vector<std::wstring>;

// Panel buttons: "#EX", "#T1", "#AUTO" of $MODE_OP and "TRUE" of $MOUSE_ACT.
constexpr int kEx = 1039, kT1 = 1041, kAuto = 1042, kTrue = 1046;

class RealInput : public ::testing::Test {
protected:
    RealInput() {
        CRegPair history(app, HistoryPairName(2), false);
        for (int k = 0; k < 3; ++k) history.SetValue(std::to_wstring(k), Entries{L"alpha", L"beta", L"gamma"}[k]);
        dlg = std::make_unique<CVantelDlg>(app, link::MakeEmbeddedLink(0));
    }

    void RunModal(std::function<void()> body) { test::RunModal(*dlg, std::move(body), true); }

    static int FocusId() {
        wxWindow* focus = wxWindow::FindFocus();
        return focus != nullptr ? focus->GetId() : 0;
    }
    static bool FocusReaches(int id) {
        return test::PumpUntil([id] { return FocusId() == id; });
    }
    static bool Press(const std::string& keys, int id) { return test::XDoTool("key " + keys) && FocusReaches(id); }
    // Clicks into a field's text, away from its arrow.
    static bool ClickInto(wxWindow& field) {
        const wxRect r = field.GetScreenRect();
        return test::ClickAt({r.x + r.width / 4, r.y + r.height / 2});
    }
    static Entries List(const CMyComboBox& field) {
        Entries items;
        for (unsigned k = 0; k < field.GetCount(); ++k) items.push_back(field.GetString(k).ToStdWstring());
        return items;
    }

    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    std::unique_ptr<CVantelDlg> dlg;
};

TEST_F(RealInput, EntryPickedWithTheMouseGoesToTheTopWhenTheFieldIsLeft) {
    RunModal([&] {
        CMyComboBox& field = dlg->FieldControl(2);
        ASSERT_EQ(List(field), (Entries{L"alpha", L"beta", L"gamma"}));
        ASSERT_TRUE(FocusReaches(FieldControlId(1)));

        // The arrow at the field's right end opens the list; the last of its three rows is picked.
        const wxRect r = field.GetScreenRect();
        ASSERT_TRUE(test::ClickAt({r.GetRight() - r.height / 2, r.y + r.height / 2}));
        std::optional<wxRect> popup;
        ASSERT_TRUE(test::PumpUntil([&] { return (popup = test::OpenPopup()).has_value(); }));
        ASSERT_TRUE(test::ClickAt({popup->x + popup->width / 3, popup->y + popup->height * 5 / 6}));
        ASSERT_TRUE(test::PumpUntil([&] { return field.GetValue() == L"gamma" && !test::OpenPopup(); }));

        ASSERT_TRUE(ClickInto(dlg->FieldControl(3)));
        ASSERT_TRUE(FocusReaches(FieldControlId(3)));
        EXPECT_EQ(List(field), (Entries{L"gamma", L"alpha", L"beta"}));
        EXPECT_EQ(dlg->Console().Field(2).items, (Entries{L"gamma", L"alpha", L"beta"}));
    });
}

TEST_F(RealInput, EntryPickedWithTheKeyboardGoesToTheTopWhenTheFieldIsLeft) {
    RunModal([&] {
        CMyComboBox& field = dlg->FieldControl(2);
        ASSERT_TRUE(ClickInto(field));
        ASSERT_TRUE(FocusReaches(FieldControlId(2)));

        // Alt+Down opens the list, Down and Enter take the next entry.
        ASSERT_TRUE(test::XDoTool("key alt+Down"));
        ASSERT_TRUE(test::PumpUntil([] { return test::OpenPopup().has_value(); }));
        ASSERT_TRUE(test::XDoTool("key Down Return"));
        ASSERT_TRUE(test::PumpUntil([&] { return field.GetValue() == L"beta" && !test::OpenPopup(); }));
        ASSERT_TRUE(Press("Tab", FieldControlId(3)));
        EXPECT_EQ(List(field), (Entries{L"beta", L"alpha", L"gamma"}));

        // The arrow keys walk the list without opening it.
        ASSERT_TRUE(Press("shift+Tab", FieldControlId(2)));
        ASSERT_TRUE(test::XDoTool("key Down Down"));
        ASSERT_TRUE(test::PumpUntil([&] { return field.GetValue() == L"gamma"; }));
        ASSERT_TRUE(Press("Tab", FieldControlId(3)));
        EXPECT_EQ(List(field), (Entries{L"gamma", L"beta", L"alpha"}));
    });
}

TEST_F(RealInput, TabVisitsTheFieldsAndTheFirstButtonOfEachGroup) {
    RunModal([&] {
        ASSERT_TRUE(ClickInto(dlg->FieldControl(10)));
        ASSERT_TRUE(FocusReaches(FieldControlId(10)));
        ASSERT_TRUE(Press("Tab", kEx));
        ASSERT_TRUE(Press("Tab", kTrue));  // not "#T1": the rest of the group is no tab stop
        ASSERT_TRUE(Press("shift+Tab", kEx));

        // The arrows stay inside the group and wrap; Tab goes on from wherever the focus is.
        ASSERT_TRUE(Press("Right", kT1));
        ASSERT_TRUE(Press("Left", kEx));
        ASSERT_TRUE(Press("Up", kAuto));
        ASSERT_TRUE(Press("Down", kEx));
        ASSERT_TRUE(Press("Left", kAuto));
        ASSERT_TRUE(Press("Tab", kTrue));

        // One round: the ten fields and the six button groups, each once.
        std::set<int> visited;
        int presses = 0;
        do {
            const int before = FocusId();
            ASSERT_TRUE(test::XDoTool("key Tab"));
            ASSERT_TRUE(test::PumpUntil([before] { return FocusId() != before; })) << "stuck at " << before;
            visited.insert(FocusId());
            ++presses;
        } while (FocusId() != kTrue && presses < 40);
        EXPECT_EQ(presses, 16);
        EXPECT_EQ(visited.size(), 16u);
        EXPECT_TRUE(visited.contains(FieldControlId(1)));
    });
}

}  // namespace
}  // namespace vantel
