// The recorder: what the console's journal makes of the user's actions as script lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "jobs/recorder.h"
#include "script/script.h"

namespace vantel {
namespace {

using link::CallId;
using Lines = std::vector<std::string>;

constexpr int kShow = 32711, kExecute = 32842;
// The question dialog's left button; the others follow.
constexpr int kFirstAnswer = 1004;

class RecorderTest : public ::testing::Test, protected test::ConsoleRig {
protected:
    RecorderTest() : recorder([this] { return idle; }, [this] { return now; }) {
        recorder.Begin(L"9.8.7", L"2026-01-02 03:04");
        console->GetJournal().Subscribe([this](const JournalEntry& e) { recorder.Observe(e); });
    }

    // The lines after the two of the header.
    Lines Body() const { return Lines(recorder.Lines().begin() + 2, recorder.Lines().end()); }
    // The controller's question on job h, answered with the dialog's end code.
    void Ask(std::int16_t h, int code) {
        link->Answer(CallId::GetSyncAddDialog, 1,
                     {std::int64_t{0}, std::int64_t{0x2a}, std::int64_t{1}, std::int64_t{2}, L"Weiter?", L"", L"",
                      link::StringArray{}, link::BoolArray{}, link::StringArray{L"Ja", L"Nein", L"Egal"},
                      link::BoolArray{}});
        surface.codes.push_back(code);
        Post(h, 100);
    }

    bool idle = true;
    std::int64_t now = 1000;
    Recorder recorder;
};

TEST_F(RecorderTest, FieldLinesOnlyWhenTheTextACommandReadChangedAndTheyReadBack) {
    Fields({L"$OV_PRO", L"", L"  zwei Blanks "});
    Menu(kShow);
    Fields({L"$OV_PRO", L"", L"  zwei Blanks "});
    Menu(kShow);
    // A pick from the history reaches the command as the text it put in the field.
    Fields({L"Ätschi 🤖", L"", L""});
    Menu(kExecute);

    EXPECT_EQ(recorder.Lines().at(0), "# Recorded by Vantel 9.8.7 on 2026-01-02 03:04");
    EXPECT_EQ(recorder.Lines().at(1), "# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0");
    EXPECT_EQ(Body(), (Lines{"field 1 $OV_PRO", "field 3   zwei Blanks ", "menu 32711", "wait", "menu 32711", "wait",
                             "field 1 Ätschi 🤖", "field 3 ", "menu 32842"}));

    // What vantel-batch reads back is what the command read.
    script::ScriptLine line;
    std::string error;
    ASSERT_TRUE(script::ParseScriptLine(Body().at(1), line, error)) << error;
    EXPECT_EQ(line.text, L"  zwei Blanks ");
    ASSERT_TRUE(script::ParseScriptLine(Body().at(6), line, error)) << error;
    EXPECT_EQ(line.text, L"Ätschi 🤖");
    for (const std::string& text : recorder.Lines()) EXPECT_TRUE(script::ParseScriptLine(text, line, error)) << text;
}

TEST_F(RecorderTest, AnswersGoBeforeTheCommandWhoseJobAskedInTheOrderTheQuestionsCame) {
    link->handles = {33, 7};
    Fields({L"ask Weiter?|Ja|Nein"});
    Menu(kExecute);  // job 33
    Fields({L"$OV_PRO"});
    Menu(kShow);  // job 7
    Ask(7, kFirstAnswer + 2);
    // Job 33 asks later: its answer cannot go before job 7's, or the queue would mix them up.
    Ask(33, kFirstAnswer + 1);
    // A job that no line of the recording started: its answer stays where the recording is.
    recorder.QuestionClosed();
    Ask(99, test::FakeSurface::kClosed);
    Fields({L"$OV_PRO"});
    Menu(kShow);

    EXPECT_EQ(Body(), (Lines{"field 1 ask Weiter?|Ja|Nein", "menu 32842", "wait", "field 1 $OV_PRO", "answer 2",
                             "answer 1", "menu 32711", "answer close", "wait", "menu 32711"}));

    // The first answer of a job goes right before its command.
    Fields({L"ask Noch?|Ja"});
    link->handles = {40};
    Menu(kExecute);
    Ask(40, kFirstAnswer);
    const Lines body = Body();
    EXPECT_EQ(Lines(body.end() - 4, body.end()), (Lines{"wait", "field 1 ask Noch?|Ja", "answer 0", "menu 32842"}));
}

TEST_F(RecorderTest, WaitWhenEveryJobHadEndedSleepForTheTimeTheUserWaitedWhileOneRan) {
    Menu(kShow);
    idle = false;
    now += 2500;
    Menu(kShow);
    now += 60'000;
    Menu(kShow);  // longer than the cap
    idle = true;
    now += 30'000;
    const std::string text = recorder.Finish(true);

    EXPECT_EQ(Body(), (Lines{"menu 32711", "sleep 2500", "menu 32711", "sleep 10000", "menu 32711", "wait", "close"}));
    EXPECT_EQ(text.substr(text.size() - 11), "wait\nclose\n");
}

TEST(RecorderFile, AFileThatCannotBeWrittenIsSaidWithItsPath) {
    std::string error;
    EXPECT_FALSE(WriteTextFile("/nonexistent-folder/rec.vbs", "menu 1\n", error));
    EXPECT_EQ(error, "/nonexistent-folder/rec.vbs: No such file or directory");
}

}  // namespace
}  // namespace vantel
