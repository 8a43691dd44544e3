#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/tooltip.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <filesystem>

#include "commands/catalogue.h"
#include "commands/hints.h"
#include "dialog/layout.h"
#include "dialog/message_box.h"
#include "dialog/modal_dialog.h"
#include "dialog/my_combo.h"
#include "dialog/vantel_dlg.h"
#include "gui_util.h"
#include "sim/embedded.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "temp_stores.h"

namespace vantel {
namespace {

template <class T>
int CountChildren(wxWindow* w) {
    int n = dynamic_cast<T*>(w) != nullptr ? 1 : 0;
    for (wxWindow* child : w->GetChildren()) n += CountChildren<T>(child);
    return n;
}

using test::RunModal;

class MainDialog : public ::testing::Test {
protected:
    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};

    std::unique_ptr<CVantelDlg> Make() {
        return std::make_unique<CVantelDlg>(app, link::MakeEmbeddedLink(0));
    }
};

TEST_F(MainDialog, OpensWithItsTemplate) {
    auto dlg = Make();
    RunModal(*dlg, [&] {
        test::Pump();
        EXPECT_EQ(dlg->GetTitle(), L"PLEXA-Vantel");
        EXPECT_TRUE(dlg->IsShown());
        EXPECT_EQ(CountChildren<CMyComboBox>(dlg.get()), 10);
        // Combo boxes contain buttons of their own on some toolkits; count ours by id.
        int buttons = 0;
        for (const ControlRow& c : MainDialogControls()) {
            if (c.kind != ControlKind::Button) continue;
            auto* b = dynamic_cast<wxButton*>(dlg->FindWindow(c.id));
            ASSERT_NE(b, nullptr) << c.id;
            EXPECT_EQ(b->GetLabel(), wxString(c.text.data(), c.text.size()));
            ++buttons;
        }
        EXPECT_EQ(buttons, 21);  // sixteen value buttons, "ALL" and the four program buttons

        wxMenuBar* bar = dlg->GetMenuBar();
        ASSERT_NE(bar, nullptr);
        const wchar_t* menus[] = {L"Ini&t", L"Diver&ses", L"&Variablen", L"&Datei", L"&Programm",
                                  L"&Editor", L"&Install", L"&Move", L"&FileManager", L"&Log"};
        ASSERT_EQ(bar->GetMenuCount(), 10u);
        for (size_t i = 0; i < 10; ++i) EXPECT_EQ(bar->GetMenuLabel(i), menus[i]);

        // Fields in template order, top to bottom.
        for (int n = 1; n < 10; ++n) {
            EXPECT_LT(dlg->FieldControl(n).GetPosition().y, dlg->FieldControl(n + 1).GetPosition().y);
            EXPECT_EQ(dlg->FieldControl(n).GetId(), FieldControlId(n));
        }
    });
}

TEST_F(MainDialog, EnterAndEscapeLeaveItOpen) {
    auto dlg = Make();
    bool stillOpen = false;
    RunModal(*dlg, [&] {
        test::Pump();
        dlg->Raise();
        dlg->FieldControl(1).SetFocus();
        test::Pump();
        wxUIActionSimulator sim;
        sim.Char(WXK_ESCAPE);
        sim.Char(WXK_RETURN);
        test::Pump(40);
        stillOpen = dlg->IsShown();
    });
    EXPECT_TRUE(stillOpen);
}

TEST_F(MainDialog, TypedTextSurvivesARestart) {
    {
        auto dlg = Make();
        RunModal(*dlg, [&] {
            test::Pump();
            dlg->Raise();
            CMyComboBox& field10 = dlg->FieldControl(10);
            field10.SetFocus();
            ASSERT_TRUE(test::PumpUntil([&] { return field10.HasFocus() || wxWindow::FindFocus() != nullptr; }));
            wxUIActionSimulator sim;
            sim.Text("robot 7");
            ASSERT_TRUE(test::PumpUntil([&] { return field10.GetValue() == L"robot 7"; }));
            dlg->FieldControl(1).SetFocus();  // leaving the field records it
            ASSERT_TRUE(test::PumpUntil([&] { return !dlg->Console().Field(10).items.empty(); }));
        });
    }
    auto dlg = Make();
    RunModal(*dlg, [&] {
        test::Pump();
        EXPECT_EQ(dlg->FieldControl(10).GetValue(), L"robot 7");
        ASSERT_GE(dlg->FieldControl(10).GetCount(), 1u);
        EXPECT_EQ(dlg->FieldControl(10).GetString(0), L"robot 7");
        EXPECT_EQ(dlg->FieldControl(1).GetValue(), L"");
    });
}

// No write bit: read-only even for root. Closing says, in a box, that the histories are lost.
TEST_F(MainDialog, HistoriesThatCannotBeSavedAreToldAtClose) {
    ASSERT_TRUE(app.SetValue(L"Probe", L"1"));
    std::filesystem::permissions(stores.UserStore(), std::filesystem::perms::owner_read);
    auto dlg = Make();
    std::wstring shown;
    wxTimer watch;
    watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        auto* box = CModalDialog::OpenCount() > 0 ? dynamic_cast<CMessageBox*>(CModalDialog::Innermost()) : nullptr;
        if (box == nullptr) return;
        shown = box->Text()->GetValue().ToStdWstring();
        CModalDialog::EndAll(wxID_OK);
    });
    watch.Start(20);
    RunModal(*dlg, [&] {
        FieldHistory& field = dlg->Console().Field(1);
        field.text = L"robot 7";
        field.LeaveField();
    });
    watch.Stop();
    const std::wstring reason = vantel::FromUtf8(stores.UserStore()) + L": the store is read-only";
    EXPECT_NE(shown.find(L"nicht gespeichert"), std::wstring::npos) << shown;
    EXPECT_NE(shown.find(reason), std::wstring::npos) << shown;
    const Journal& journal = dlg->Console().GetJournal();
    ASSERT_GT(journal.Size(), 0u);
    EXPECT_EQ(journal.At(journal.Size() - 1).text, std::wstring(kNotSavedNote) + L": " + reason);
}

}  // namespace
}  // namespace vantel

namespace vantel {
namespace {

int CountItems(wxMenu* menu, std::vector<std::wstring>& texts) {
    int n = 0;
    for (wxMenuItem* item : menu->GetMenuItems()) {
        if (item->IsSeparator()) continue;
        if (item->IsSubMenu()) {
            n += CountItems(item->GetSubMenu(), texts);
        } else {
            texts.push_back(item->GetItemLabel().ToStdWstring());
            ++n;
        }
    }
    return n;
}

TEST_F(MainDialog, MenuBarHoldsEveryCommandAndRoutesIt) {
    auto dlg = Make();
    wxMenuBar* bar = dlg->GetMenuBar();
    std::vector<std::wstring> texts;
    int items = 0;
    for (size_t i = 0; i < bar->GetMenuCount(); ++i) items += CountItems(bar->GetMenu(i), texts);
    EXPECT_EQ(items, 137);

    // Every menu item is a catalogue command, and its toolkit id leads back to it.
    int mapped = 0;
    for (const CommandRow& row : Catalogue()) {
        if (row.kind != RowKind::Item) continue;
        const int menuId = dlg->MenuIdOf(row.id);
        ASSERT_NE(menuId, wxID_NONE) << row.id;
        wxMenuItem* item = bar->FindItem(menuId);
        ASSERT_NE(item, nullptr) << row.id;
        const std::wstring_view text = row.path.substr(row.path.rfind(L'/') + 1);
        EXPECT_EQ(item->GetItemLabel().ToStdWstring(), std::wstring(text));
        ++mapped;
    }
    EXPECT_EQ(mapped, 137);
    dlg->Destroy();
}

// The highlighted item's hint stands in the status line until its menu closes; buttons say
// what they send; after a command each field it read names the argument it fed.
TEST_F(MainDialog, CommandsSayWhatTheyRead) {
    auto dlg = Make();
    RunModal(*dlg, [&] {
        test::Pump();
        wxStatusBar* bar = dlg->GetStatusBar();
        const int find = dlg->MenuIdOf(32873);
        wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, find);
        dlg->GetEventHandler()->ProcessEvent(highlight);
        const wxString shown = bar->GetStatusText(2);
        EXPECT_TRUE(shown.StartsWith(L"Find \u2014 1 handle \u00b7 2 text")) << shown;
        wxMenuEvent closed(wxEVT_MENU_CLOSE, wxID_ANY);
        dlg->GetEventHandler()->ProcessEvent(closed);
        EXPECT_FALSE(bar->GetStatusText(2).StartsWith(L"Find")) << bar->GetStatusText(2);

        auto* autoButton = dynamic_cast<wxButton*>(dlg->FindWindow(1042));
        ASSERT_NE(autoButton, nullptr);
        ASSERT_NE(autoButton->GetToolTip(), nullptr);
        EXPECT_NE(autoButton->GetToolTip()->GetTip().Find(L"value = \"#AUT\""), wxNOT_FOUND);

        EXPECT_EQ(dlg->FieldControl(7).GetToolTip(), nullptr);
        dlg->Console().Command(32873);
        ASSERT_NE(dlg->FieldControl(7).GetToolTip(), nullptr);
        EXPECT_EQ(dlg->FieldControl(7).GetToolTip()->GetTip(), L"Find: match case (%ld, not 0 \u2192 1)");
        dlg->Console().Command(32712);  // "Se&t" reads fields 1 and 2 only
        EXPECT_EQ(dlg->FieldControl(1).GetToolTip()->GetTip(), L"Set: variable (text)");
        EXPECT_EQ(dlg->FieldControl(7).GetToolTip()->GetTip(), L"Find: match case (%ld, not 0 \u2192 1)");
    });
}

}  // namespace
}  // namespace vantel
