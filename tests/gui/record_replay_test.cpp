// Recording the user's actions as a script and replaying scripts in the dialog. The
// recording is made by real input through the X server and replayed by vantel-batch.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <wx/button.h>
#include <wx/menu.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include "dialog/layout.h"
#include "dialog/message_box.h"
#include "dialog/modal_dialog.h"
#include "dialog/my_combo.h"
#include "dialog/quest_dlg.h"
#include "dialog/vantel_dlg.h"
#include "gui_util.h"
#include "jobs/history.h"
#include "sim/embedded.h"
#include "link/script_value.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "temp_stores.h"
#include "x_input.h"

namespace vantel {
namespace {

using Lines = std::vector<std::string>;

constexpr int kT1 = 1041;  // panel button "#T1" of $MODE_OP

// Sets a variable for the life of a test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() { m_old ? (void)setenv(m_name, m_old->c_str(), 1) : (void)unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// Answers every box and question as a user does, with a click on a button: OK, and the
// question's button `answer`. The timer runs in the loops the boxes open. A click that a
// closing menu's grab took is made again.
class Clicker {
public:
    explicit Clicker(int answer) : m_answer(answer) {
        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Tick(); });
        m_timer.Start(50);
    }

private:
    void Tick() {
        CModalDialog* top = CModalDialog::Innermost();
        if (top == nullptr) {
            m_clicked.clear();
            return;
        }
        if (!top->IsShownOnScreen() || (m_clicked.contains(top) && ++m_clicked[top] % 20 != 0)) return;
        wxWindow* button = nullptr;
        if (auto* box = dynamic_cast<CMessageBox*>(top)) button = box->OkButton();
        if (auto* question = dynamic_cast<CQuestDlg*>(top)) button = question->Button(m_answer);
        if (button == nullptr || !button->IsShownOnScreen()) return;
        m_clicked.emplace(top, 0);
        // Not ClickAt: its --sync waits for a move, and the boxes open where the last one was.
        const wxPoint at = button->GetScreenRect().GetPosition() + button->GetSize() / 2;
        test::XDoTool("mousemove " + std::to_string(at.x) + " " + std::to_string(at.y) + " click 1");
    }

    int m_answer;
    wxTimer m_timer;
    std::map<CModalDialog*, int> m_clicked;  // the ticks since the click
};

class ScriptTest : public ::testing::Test {
protected:
    ScriptTest() {
        CRegPair history(app, HistoryPairName(1), false);
        history.SetValue(L"0", L"$MODE_OP");
        history.SetValue(L"1", L"$OV_PRO");
        dlg = std::make_unique<CVantelDlg>(app, link::MakeEmbeddedLink(0));
    }

    void RunModal(std::function<void()> body) { test::RunModal(*dlg, std::move(body), true); }

    std::string Path(const std::string& name) const { return stores.Dir() + "/" + name; }
    void WriteScript(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
    static Lines ReadLines(const std::string& path) {
        std::ifstream in(path);
        Lines lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }

    std::wstring WindowMenuLabel(int index) const {
        const auto menu = dlg->MakeWindowMenu();
        return menu->FindItemByPosition(index)->GetItemLabel().ToStdWstring();
    }
    bool Idle() const {
        return CModalDialog::OpenCount() == 0 && dlg->Console().Link().Backend().JobsInFlight() == 0;
    }
    bool AllSettled() { return test::PumpUntil([this] { return Idle(); }, 1000) && (test::Pump(), Idle()); }

    // What the journal saw between two of its script notes, as vantel-batch prints it.
    Lines Outcomes(const std::wstring& from, const std::wstring& to) const {
        const Journal& journal = dlg->Console().GetJournal();
        Lines out;
        bool inside = false;
        for (std::size_t i = 0; i < journal.Size(); ++i) {
            const JournalEntry& e = journal.At(i);
            if (e.kind == JournalKind::Script) {
                if (e.text.starts_with(from)) inside = true;
                if (e.text.starts_with(to)) inside = false;
            }
            if (!inside) continue;
            if (e.kind == JournalKind::Box || e.kind == JournalKind::Busy) out.push_back("box: " + link::EscapeText(e.text));
            if (e.kind == JournalKind::Question) {
                out.push_back("question: " + link::EscapeText(e.text));
                out.push_back("buttons: " + link::EscapeText(e.buttons.at(0)) + "|" + link::EscapeText(e.buttons.at(1)) +
                              "|" + link::EscapeText(e.buttons.at(2)));
            }
            if (e.kind == JournalKind::Answer) out.push_back("answer: " + std::to_string(*e.answer));
        }
        return out;
    }
    const JournalEntry* LastScriptNote() const {
        const Journal& journal = dlg->Console().GetJournal();
        for (std::size_t i = journal.Size(); i-- > 0;) {
            if (journal.At(i).kind == JournalKind::Script) return &journal.At(i);
        }
        return nullptr;
    }

    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    // Deterministic time stamps in the texts, as the recording's header asks of vantel-batch.
    ScopedEnv latency{"VANTEL_SIM_LATENCY_MS", "0"};
    ScopedEnv clock{"VANTEL_SIM_CLOCK_MS", "0"};
    std::unique_ptr<CVantelDlg> dlg;
};

// Keys go to the field with the focus; the toolkit's menus open with their mnemonics.
bool ClickInto(wxWindow& w) {
    const wxRect r = w.GetScreenRect();
    return test::ClickAt({r.x + r.width / 4, r.y + r.height / 2});
}
bool ChooseFromMenuBar(char menu, char item) {
    return test::XDoTool(std::string("key alt+") + menu) &&
           test::PumpUntil([] { return test::OpenPopup().has_value(); }) &&
           test::XDoTool(std::string("key ") + item);
}

TEST_F(ScriptTest, ARecordingByRealInputReplaysThroughVantelBatchWithTheSameOutcomes) {
    const std::string script = Path("recorded.vbs");
    Clicker clicker(1);  // the question's middle button
    std::wstring picked;
    RunModal([&] {
        CMyComboBox& field = dlg->FieldControl(1);
        ASSERT_TRUE(dlg->StartRecording(script));
        EXPECT_EQ(WindowMenuLabel(5), L"&Aufzeichnung beenden");
        EXPECT_NE(dlg->ScriptStatus().find(L"Aufzeichnung"), std::wstring::npos);

        // Typed into a field, then a menu command reads it.
        ASSERT_TRUE(ClickInto(field));
        ASSERT_TRUE(test::PumpUntil([&] { return field.HasFocus(); }));
        ASSERT_TRUE(test::XDoTool("key ctrl+a") && test::XDoTool("type '$OV_JOG'"));
        ASSERT_TRUE(test::PumpUntil([&] { return field.GetValue() == L"$OV_JOG"; }));
        ASSERT_TRUE(ChooseFromMenuBar('v', 'h'));  // "&Variablen/S&how"
        ASSERT_TRUE(AllSettled());

        // A history entry picked with the keyboard; a panel button; the picked variable shown.
        ASSERT_TRUE(ClickInto(field));
        ASSERT_TRUE(test::PumpUntil([&] { return field.HasFocus(); }));
        ASSERT_TRUE(test::XDoTool("key alt+Down"));
        ASSERT_TRUE(test::PumpUntil([] { return test::OpenPopup().has_value(); }));
        ASSERT_TRUE(test::XDoTool("key Down Return"));
        ASSERT_TRUE(test::PumpUntil([&] { return field.GetValue() != L"$OV_JOG" && !test::OpenPopup(); }));
        picked = field.GetValue().ToStdWstring();
        EXPECT_TRUE(picked == L"$MODE_OP" || picked == L"$OV_PRO") << picked;
        ASSERT_TRUE(ClickInto(*dlg->FindWindow(kT1)));
        ASSERT_TRUE(AllSettled());
        ASSERT_TRUE(ChooseFromMenuBar('v', 'h'));
        ASSERT_TRUE(AllSettled());

        // A job that asks a question, answered with a click.
        ASSERT_TRUE(ClickInto(field));
        ASSERT_TRUE(test::PumpUntil([&] { return field.HasFocus(); }));
        ASSERT_TRUE(test::XDoTool("key ctrl+a") && test::XDoTool("type 'ask Weiter?|Ja|Nein'"));
        ASSERT_TRUE(test::PumpUntil([&] { return field.GetValue() == L"ask Weiter?|Ja|Nein"; }));
        ASSERT_TRUE(ChooseFromMenuBar('p', 'x'));  // "&Programm/E&xecute Command"
        ASSERT_TRUE(test::PumpUntil([&] {
            const Lines seen = Outcomes(L"Aufzeichnung begonnen", L"Aufzeichnung beendet");
            return std::find(seen.begin(), seen.end(), "answer: 1") != seen.end();
        }));
        ASSERT_TRUE(AllSettled());

        ASSERT_TRUE(dlg->StopRecording());
        EXPECT_EQ(WindowMenuLabel(5), L"&Aufzeichnen...");
        EXPECT_EQ(dlg->ScriptStatus(), L"");
    });

    const Lines gui = Outcomes(L"Aufzeichnung begonnen", L"Aufzeichnung beendet");
    const Lines recorded = ReadLines(script);
    ASSERT_GE(recorded.size(), 3u);
    EXPECT_TRUE(recorded[0].starts_with("# Recorded by Vantel ")) << recorded[0];
    EXPECT_EQ(recorded[1], "# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0");
    std::string text;
    for (const std::string& line : recorded) text += line + "\n";
    // Each action once; the pick is the text it put in the field; the answer before its command.
    EXPECT_NE(text.find("field 1 $OV_JOG\nmenu 32711\nwait\nfield 1 " + ToUtf8(picked) + "\nmenu 1041\nwait\nmenu 32711\nwait\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("field 1 ask Weiter?|Ja|Nein\nanswer 1\nmenu 32842\nwait\n"), std::string::npos) << text;

    // vantel-batch replays it with a registry of its own, from empty fields.
    const std::string command = "VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0 VANTEL_REGISTRY=" + Path("batch.db") +
                                " VANTEL_MACHINE_REGISTRY=" + Path("batch-machine.db") + " " VANTEL_BATCH_PATH " " +
                                script + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    Lines batch;
    std::string line;
    for (int c; (c = std::fgetc(pipe)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        batch.push_back(line);
        line.clear();
    }
    EXPECT_EQ(pclose(pipe), 0);
    EXPECT_EQ(batch, gui);
    // The session did what the test set out to do.
    EXPECT_NE(std::find(gui.begin(), gui.end(), "box: Set Var o.k."), gui.end());
    EXPECT_NE(std::find(gui.begin(), gui.end(), "answer: 1"), gui.end());
}

// Boxes go to the journal here, so the replay runs without anybody pressing OK.
TEST_F(ScriptTest, AScriptReplaysInTheDialogAndItsMenuItemReadsStopWhileItRuns) {
    WriteScript("replay.vbs",
                "# env: VANTEL_SIM_LATENCY_MS=0\n"
                "field 1 $OV_PRO\n"
                "menu 32711\n"
                "wait\n"
                "field 1 ask Weiter?|Ja|Nein\n"
                "answer 2\n"
                "menu 32842\n"
                "wait\n"
                "pick 1 1\n");
    WriteScript("long.vbs", "field 2 eins\nsleep 600000\nfield 3 drei\n");
    RunModal([&] {
        dlg->SetJournalOnly(true);
        ASSERT_TRUE(dlg->RunScript(Path("replay.vbs")));
        EXPECT_EQ(WindowMenuLabel(6), L"Skript an&halten");
        EXPECT_NE(dlg->ScriptStatus().find(L"Skript l\u00e4uft: replay.vbs"), std::wstring::npos);
        ASSERT_TRUE(test::PumpUntil([&] { return !dlg->ScriptRunning(); }, 2000));
        EXPECT_EQ(WindowMenuLabel(6), L"Skript aus&f\u00fchren...");
        EXPECT_EQ(dlg->ScriptStatus(), L"");
        const Lines outcomes = Outcomes(L"Skript gestartet", L"Skript beendet");
        ASSERT_GE(outcomes.size(), 4u);
        EXPECT_EQ(outcomes[0], "box: 100");
        EXPECT_EQ(outcomes[3], "answer: 2");  // queued: the question was not shown
        // "pick 1 1" took the second entry to the top; the history keeps what it held before.
        EXPECT_EQ(dlg->FieldControl(1).GetValue(), L"$OV_PRO");
        EXPECT_EQ(dlg->Console().Field(1).items,
                  (std::vector<std::wstring>{L"$OV_PRO", L"ask Weiter?|Ja|Nein", L"$MODE_OP", L"$OV_PRO"}));

        // Stopped during a line that waits, it ends there; the next line does not run.
        ASSERT_TRUE(dlg->RunScript(Path("long.vbs")));
        ASSERT_TRUE(test::PumpUntil([&] { return dlg->FieldControl(2).GetValue() == L"eins"; }));
        ASSERT_TRUE(test::PumpUntil([&] { return dlg->ScriptStatus().find(L"Zeile 2") != std::wstring::npos; }));
        dlg->StopScript();
        EXPECT_FALSE(dlg->ScriptRunning());
        test::Pump();
        EXPECT_EQ(dlg->FieldControl(3).GetValue(), L"");
        ASSERT_NE(LastScriptNote(), nullptr);
        EXPECT_EQ(LastScriptNote()->text, L"Skript angehalten in Zeile 2: " + FromUtf8(Path("long.vbs")));
    });
}

TEST_F(ScriptTest, AScriptWithALineThatCannotBeReadIsRefusedNamingTheLineAndNothingRuns) {
    WriteScript("bad.vbs", "field 1 $OV_PRO\nmenu 32711\n\nfield 11 zu weit\n");
    WriteScript("scripted.vbs", "# a comment\nhandle 7\nmenu 32711\n");
    std::vector<std::wstring> shown;
    wxTimer watch;
    watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        auto* box = dynamic_cast<CMessageBox*>(CModalDialog::Innermost());
        if (box == nullptr) return;
        shown.push_back(box->Text()->GetValue().ToStdWstring());
        CModalDialog::EndAll(wxID_OK);
    });
    watch.Start(20);
    RunModal([&] {
        const std::size_t before = dlg->Console().GetJournal().Size();
        EXPECT_FALSE(dlg->RunScript(Path("bad.vbs")));
        EXPECT_FALSE(dlg->RunScript(Path("scripted.vbs")));
        EXPECT_FALSE(dlg->ScriptRunning());
        EXPECT_EQ(dlg->FieldControl(1).GetValue(), L"$MODE_OP");
        const Journal& journal = dlg->Console().GetJournal();
        for (std::size_t i = before; i < journal.Size(); ++i) EXPECT_EQ(journal.At(i).kind, JournalKind::Script);
    });
    watch.Stop();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].find(L"Zeile 4: usage: field N TEXT"), std::wstring::npos) << shown[0];
    EXPECT_NE(shown[1].find(L"Zeile 2: \"handle\""), std::wstring::npos) << shown[1];
}

}  // namespace
}  // namespace vantel
