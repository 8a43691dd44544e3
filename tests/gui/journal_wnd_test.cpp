// The journal window, the window menu's two journal items, the status line and the session's
// journal file, on real windows. Keys are pressed through the X server by xdotool, from a
// process of its own, so that they also reach a popup menu's loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include <nlohmann/json.hpp>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/listctrl.h>
#include <wx/modalhook.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "dialog/journal_wnd.h"
#include "dialog/modal_dialog.h"
#include "dialog/my_combo.h"
#include "dialog/quest_dlg.h"
#include "dialog/vantel_dlg.h"
#include "fakes.h"
#include "gui_util.h"
#include "jobs/journal_format.h"
#include "jobs/messages.h"
#include "platform/winmsg.h"

namespace vantel {
namespace {

using link::CallId;

constexpr int kShow = 32711;    // "&Variablen/S&how"
constexpr int kDPShow = 32812;  // "&Variablen/DataPath &Show"
enum { kKindColumn = 2, kPathColumn = 3, kHandleColumn = 4 };

void XdoTool(const std::string& args) { ASSERT_EQ(std::system(("xdotool " + args).c_str()), 0) << args; }

// Picks a window menu item by its mnemonic while the popup runs its own loop.
void ChooseFromWindowMenu(CVantelDlg& dlg, char mnemonic) {
    wxTimer press, giveUp;
    press.Bind(wxEVT_TIMER, [mnemonic](wxTimerEvent&) { XdoTool(std::string("key ") + mnemonic); });
    giveUp.Bind(wxEVT_TIMER, [](wxTimerEvent&) { XdoTool("key Escape"); });
    press.StartOnce(300);
    giveUp.StartOnce(5000);  // a key that went astray fails the test instead of hanging it
    dlg.ShowWindowMenu();
    press.Stop();
    giveUp.Stop();
}

// Every message box is counted and answered at once instead of being shown.
class BoxCounter : public wxModalDialogHook {
public:
    BoxCounter() { Register(); }
    ~BoxCounter() override { Unregister(); }
    int boxes = 0;

protected:
    int Enter(wxDialog*) override {
        ++boxes;
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value != nullptr) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (m_old) {
            setenv(m_name, m_old->c_str(), 1);
        } else {
            unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

class JournalWindow : public ::testing::Test {
protected:
    JournalWindow() { Make(); }

    void Make() {
        dlg.reset();
        auto owned = std::make_unique<test::FakeLink>();
        link = owned.get();
        dlg = std::make_unique<CVantelDlg>(app, std::move(owned));
    }

    void RunModal(std::function<void()> body) { test::RunModal(*dlg, std::move(body)); }

    // Runs a command whose request gets handle h.
    void Run(int id, std::int16_t h, const std::wstring& field1) {
        dlg->FieldControl(1).SetValue(field1);
        link->handles.push_back(h);
        ASSERT_TRUE(dlg->Console().Command(id));
    }

    CJournalWnd& OpenWindow() {
        dlg->ShowJournalWindow();
        CJournalWnd& wnd = *dlg->JournalWindow();
        EXPECT_TRUE(test::PumpUntil([&] { return wnd.IsShownOnScreen(); }));
        return wnd;
    }

    long Rows() { return dlg->JournalWindow()->List()->GetItemCount(); }
    bool ShowsAll() { return Rows() == static_cast<long>(dlg->Console().GetJournal().Size()); }
    wxString Cell(long row, int column) { return dlg->JournalWindow()->List()->GetItemText(row, column); }
    wxString Status(int field) { return dlg->GetStatusBar()->GetStatusText(field); }

    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    test::FakeLink* link = nullptr;
    std::unique_ptr<CVantelDlg> dlg;
};

TEST_F(JournalWindow, CtrlJOpensItAndItShowsCommandsAsTheyRun) {
    RunModal([&] {
        Run(kShow, 7, L"$OV_PRO");
        dlg->Raise();
        dlg->FieldControl(2).SetFocus();
        test::Pump();
        XdoTool("key ctrl+j");
        ASSERT_TRUE(test::PumpUntil([&] { return dlg->JournalWindow() != nullptr; }));
        CJournalWnd& wnd = *dlg->JournalWindow();
        ASSERT_TRUE(test::PumpUntil([&] { return wnd.IsShownOnScreen() && ShowsAll(); }));
        bool request = false;
        for (long row = 0; row < Rows(); ++row) {
            request = request || (Cell(row, kKindColumn) == L"request" && Cell(row, kPathColumn) == L"Variablen/Show" &&
                                  Cell(row, kHandleColumn) == L"7");
        }
        EXPECT_TRUE(request);

        // A command run while it is open arrives with the next batch, as the newest row.
        Run(kDPShow, 8, L"$OV_JOG");
        ASSERT_TRUE(test::PumpUntil([&] { return ShowsAll(); }));
        EXPECT_EQ(Cell(Rows() - 1, kPathColumn), L"Variablen/DataPath Show");
        EXPECT_EQ(Cell(Rows() - 1, kHandleColumn), L"8");

        // Ctrl+C in the list copies the selected entries as text lines.
        wxListCtrl& list = *wnd.List();
        list.SetItemState(Rows() - 2, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        list.SetItemState(Rows() - 1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        wnd.Raise();
        list.SetFocus();
        test::Pump();
        XdoTool("key ctrl+c");
        const std::string expected = ToTextLine(*wnd.EntryOfRow(Rows() - 2)) + "\n" +
                                     ToTextLine(*wnd.EntryOfRow(Rows() - 1)) + "\n";
        wxString copied;
        EXPECT_TRUE(test::PumpUntil([&] {
            wxClipboardLocker clipboard;
            wxTextDataObject text;
            if (!!clipboard && wxTheClipboard->GetData(text)) copied = text.GetText();
            return copied == wxString::FromUTF8(expected);
        })) << copied;
    });
}

TEST_F(JournalWindow, WindowMenuOpensItWhereItWasLeftIfThatIsOnAScreen) {
    const wxRect left(40, 60, 720, 430);
    RunModal([&] {
        ChooseFromWindowMenu(*dlg, 'p');
        ASSERT_NE(dlg->JournalWindow(), nullptr);
        CJournalWnd& wnd = *dlg->JournalWindow();
        ASSERT_TRUE(test::PumpUntil([&] { return wnd.IsShownOnScreen(); }));
        wnd.SetSize(left);
        ASSERT_TRUE(test::PumpUntil([&] { return wnd.GetRect() == left; }));
        wnd.Close();
        EXPECT_FALSE(wnd.IsShown());
    });
    Make();
    RunModal([&] {
        CJournalWnd& wnd = OpenWindow();
        EXPECT_TRUE(test::PumpUntil([&] { return wnd.GetRect() == left; }));
    });
    // A place on a screen that is gone.
    CRegPair place(app, L"Journal", false);
    ASSERT_TRUE(place.SetValue(L"X", L"9000"));
    Make();
    RunModal([&] {
        CJournalWnd& wnd = OpenWindow();
        test::Pump();
        EXPECT_NE(wxDisplay::GetFromPoint(wnd.GetRect().GetTopLeft() + wxPoint(40, 10)), wxNOT_FOUND);
    });
}

TEST_F(JournalWindow, FilterNarrowsTheListAndDroppedEntriesLeaveIt) {
    RunModal([&] {
        Run(kShow, 1, L"Zielpunkt_Äpfel");
        Run(kDPShow, 2, L"$OV_PRO");
        CJournalWnd& wnd = OpenWindow();
        const long all = Rows();

        // Text: path, text or call, whatever the letter case.
        wnd.FilterField()->SetValue(L"zielpunkt_äPFEL");
        ASSERT_EQ(Rows(), 1);
        EXPECT_EQ(Cell(0, kHandleColumn), L"1");
        EXPECT_EQ(wnd.CountLabel()->GetLabel(), wxString::Format(L"1 von %ld Einträgen", all));

        // Kind.
        wnd.FilterField()->SetValue(L"");
        wnd.KindChoice()->SetStringSelection(L"request");
        wxCommandEvent chosen(wxEVT_CHOICE, wnd.KindChoice()->GetId());
        chosen.SetInt(wnd.KindChoice()->GetSelection());
        wnd.KindChoice()->HandleWindowEvent(chosen);
        EXPECT_EQ(Rows(), 2);

        // Past the journal's bound its oldest entries are dropped, and so are their rows.
        Journal& journal = dlg->Console().GetJournal();
        for (std::size_t i = 0; i < journal.GetLimits().maxEntries; ++i) {
            JournalEntry e;
            e.kind = JournalKind::Direct;
            e.text = L"filler";
            journal.Add(std::move(e));
        }
        wnd.FlushRefresh();
        EXPECT_EQ(Rows(), 0);
        wnd.KindChoice()->SetSelection(0);
        chosen.SetInt(0);
        wnd.KindChoice()->HandleWindowEvent(chosen);
        ASSERT_EQ(Rows(), static_cast<long>(journal.GetLimits().maxEntries));
        EXPECT_EQ(wnd.EntryOfRow(0)->seq, journal.FirstSeq());
        EXPECT_EQ(wnd.EntryOfRow(Rows() - 1)->seq, journal.LastSeq());
    });
}

TEST_F(JournalWindow, ExportWritesParseableJsonLines) {
    RunModal([&] {
        Run(kShow, 1, L"Ätschi \"Bätsch\"\r\nFehler!");
        Run(kDPShow, 2, L"$OV_PRO");
        CJournalWnd& wnd = OpenWindow();
        wnd.FilterField()->SetValue(L"ätschi");
        ASSERT_GT(Rows(), 0);

        const std::string path = stores.Dir() + "/export.jsonl";
        for (const bool filtered : {true, false}) {
            std::string error;
            ASSERT_TRUE(wnd.Export(path, ExportFormat::JsonLines, filtered, error)) << error;
            std::ifstream in(path);
            std::vector<nlohmann::json> lines;
            for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
            const long expected = filtered ? Rows() : static_cast<long>(dlg->Console().GetJournal().Size());
            ASSERT_EQ(static_cast<long>(lines.size()), expected) << filtered;
            for (std::size_t i = 0; filtered && i < lines.size(); ++i) {
                EXPECT_EQ(lines[i]["seq"].get<std::uint64_t>(), wnd.EntryOfRow(static_cast<long>(i))->seq);
            }
        }

        std::string error;
        EXPECT_FALSE(wnd.Export(stores.Dir() + "/no such folder/x.jsonl", ExportFormat::Csv, false, error));
        EXPECT_NE(error.find("no such folder"), std::string::npos) << error;
    });
}

// The console's own box holds the main window; the journal window still takes input.
TEST_F(JournalWindow, StaysUsableWhileABoxHoldsTheMainWindow) {
    bool typed = false;
    bool mainBlocked = false;
    RunModal([&] {
        CJournalWnd& wnd = OpenWindow();
        // Runs inside the box's own loop.
        dlg->CallAfter([&] {
            test::Pump();
            ASSERT_EQ(CModalDialog::OpenCount(), 1);
            mainBlocked = !dlg->FieldControl(1).IsEnabled();
            EXPECT_TRUE(wnd.IsEnabled());
            wnd.Raise();
            wnd.FilterField()->SetFocus();
            test::Pump();
            XdoTool("type --delay 10 request");
            typed = test::PumpUntil([&] { return wnd.FilterField()->GetValue() == L"request"; });
            // A question dialog, which has no parent, belongs to the main window even now.
            CQuestDlg question(nullptr);
            EXPECT_NE(question.GetParentForModalDialog(), &wnd);
            CModalDialog::EndAll(wxID_OK);
        });
        dlg->Console().ShowMessage(L"100");
    });
    EXPECT_TRUE(mainBlocked);
    EXPECT_TRUE(typed);
}

TEST_F(JournalWindow, OptionSendsBoxesToTheJournalOnlyAndIsKept) {
    BoxCounter counter;
    const auto showResult = [&](std::int16_t h, const std::function<void()>& whilePending = {}) {
        link->Answer(CallId::ShowVarResult, 1, {std::wstring(L"100")});
        Run(kShow, h, L"$OV_PRO");
        if (whilePending) whilePending();
        PostMessageW(dlg->Handle(), WM_PLEXA, static_cast<WPARAM>(h), 0);
        // Handled once the slot is free again.
        return test::PumpUntil([&] { return dlg->Console().PendingJobs().empty(); });
    };
    RunModal([&] {
        EXPECT_FALSE(dlg->Console().JournalOnly());
        // The status line tells what is pending, then the outcome.
        ASSERT_TRUE(showResult(5, [&] { EXPECT_TRUE(test::PumpUntil([&] { return Status(1) == L"1 ausstehend"; })); }));
        EXPECT_EQ(counter.boxes, 1);
        EXPECT_TRUE(test::PumpUntil([&] { return Status(1) == L"0 ausstehend" && !Status(2).empty(); }));
        EXPECT_TRUE(Status(2).StartsWith(L"Variablen/Show \u2192 100, ")) << Status(2);

        ChooseFromWindowMenu(*dlg, 'm');
        EXPECT_TRUE(dlg->Console().JournalOnly());
        ASSERT_TRUE(showResult(6));
        EXPECT_EQ(counter.boxes, 1);
    });
    Make();
    RunModal([&] {
        EXPECT_TRUE(dlg->Console().JournalOnly());
        ASSERT_TRUE(showResult(7));
        EXPECT_EQ(counter.boxes, 1);
        ChooseFromWindowMenu(*dlg, 'm');
        EXPECT_FALSE(dlg->Console().JournalOnly());
    });
}

TEST_F(JournalWindow, SessionFileHoldsEveryEntry) {
    ScopedEnv journal("VANTEL_JOURNAL", nullptr);
    ScopedEnv state("XDG_STATE_HOME", stores.Dir().c_str());
    Make();
    std::size_t entries = 0;
    RunModal([&] {
        Run(kShow, 3, L"$OV_PRO");
        entries = dlg->Console().GetJournal().Size();
    });
    dlg.reset();
    std::vector<std::filesystem::path> files;
    for (const auto& f : std::filesystem::directory_iterator(stores.Dir() + "/vantel/journal")) files.push_back(f);
    ASSERT_EQ(files.size(), 1u);
    std::ifstream in(files[0]);
    std::size_t lines = 0;
    bool request = false;
    for (std::string line; std::getline(in, line); ++lines) {
        const auto j = nlohmann::json::parse(line);
        request = request || (j["kind"] == "request" && j["path"] == "Variablen/Show" && j["handle"] == 3);
    }
    EXPECT_GE(lines, entries);
    EXPECT_TRUE(request);
}

}  // namespace
}  // namespace vantel
