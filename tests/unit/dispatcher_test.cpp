// The request pattern and the notification dispatcher, driven through the console with a
// fake surface and a fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/convert.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;
using Strings = link::StringArray;
using Flags = link::BoolArray;

constexpr int kShow = 32711;
constexpr int kSetInfo = 32713;
constexpr int kBulkShow = 36864;
constexpr int kAbortTest = 36865;
constexpr int kSilentShow = 36866;
constexpr int kSilentSetInfo = 36867;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

// 14:03:09.047 on 1 January 1970 (the tests run in UTC).
constexpr std::int64_t kStampTicks = 116444736000000000LL + ((14 * 3600 + 3 * 60 + 9) * 1000LL + 47) * 10000;
const std::wstring kStamp = L"14:03:09'047";

class Dispatcher : public ::testing::Test, protected test::ConsoleRig {};

// --- The request pattern -----------------------------------------------------------------

TEST_F(Dispatcher, CommandRefusesWhileItsSlotIsBusy) {
    surface.SetField(1, L"$OV_PRO");
    surface.SetField(2, L"");
    link->handles = {7};
    Menu(kShow);
    ASSERT_EQ(link->Count(CallId::ShowVar), 1u);
    EXPECT_EQ(link->calls[0].Str(0), L"$OV_PRO");
    EXPECT_EQ(link->calls[0].Str(1), L"");
    EXPECT_EQ(Slot(slot::ShowVar), 7);

    surface.SetField(1, L"$OV_JOG");
    Menu(kShow);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::ShowVar), 1u);
    EXPECT_EQ(Slot(slot::ShowVar), 7);
    EXPECT_EQ(console->Param(1), L"$OV_JOG");  // the fields were read all the same

    link->Answer(CallId::ShowVarResult, 1, {L"$OV_PRO=100"});
    Post(7, 0);
    EXPECT_EQ(link->CallsTo(CallId::ShowVarResult).at(0).Int(0), 7);
    EXPECT_EQ(surface.boxes.back(), L"$OV_PRO=100");
    EXPECT_EQ(Slot(slot::ShowVar), 0);

    Menu(kShow);
    ASSERT_EQ(link->Count(CallId::ShowVar), 2u);
    EXPECT_EQ(link->calls.back().Str(0), L"$OV_JOG");
}

TEST_F(Dispatcher, RequestReturningZeroLeavesTheSlotIdle) {
    link->handles = {0, 9};
    Menu(kSetInfo);
    EXPECT_EQ(Slot(slot::SetInfo), 0);
    Menu(kSetInfo);
    EXPECT_EQ(Slot(slot::SetInfo), 9);
    EXPECT_TRUE(surface.boxes.empty());
}

TEST_F(Dispatcher, HiddenCommandsOverwriteTheirSlots) {
    link->handles = {3, 4, 5, 6};
    Menu(kSilentShow);
    Menu(kSilentShow);
    Menu(kSilentSetInfo);
    Menu(kSilentSetInfo);
    EXPECT_EQ(Slot(slot::SilentShow), 4);
    EXPECT_EQ(Slot(slot::SilentSetInfo), 6);
    EXPECT_TRUE(surface.boxes.empty());
}

TEST_F(Dispatcher, RowsWithoutBehaviourDoNothing) {
    Menu(32714);  // "SetInfo &Off"
    EXPECT_TRUE(link->calls.empty());
    EXPECT_TRUE(surface.boxes.empty());
    EXPECT_FALSE(console->Command(4711));
}

// --- Type 0: results ---------------------------------------------------------------------

TEST_F(Dispatcher, ShowTableEntriesWithTheSameHandleAreServedInOrder) {
    surface.SetField(1, L"8");
    link->handles = {11, 12, 13, 99, 15, 16, 17, 99};
    Menu(kBulkShow);
    auto& table = console->Slots().showTable;
    ASSERT_EQ(table[3], 99);
    ASSERT_EQ(table[7], 99);

    link->Answer(CallId::ShowVarResult, 1, {L"first"});
    link->Answer(CallId::ShowVarResult, 0);
    Post(99, 0);
    EXPECT_EQ(table[3], 0);
    EXPECT_EQ(table[7], 99);
    Post(99, 0);  // a failed fetch frees the entry too
    EXPECT_EQ(table[7], 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"first", kFailure}));

    Post(99, 0);  // nobody waits for it any more
    ASSERT_EQ(link->Count(CallId::CmdAbort), 1u);
    EXPECT_EQ(link->CallsTo(CallId::CmdAbort)[0].Int(0), 99);
    EXPECT_EQ(surface.boxes.back(), kFailure);
    EXPECT_EQ(link->Count(CallId::ShowVarResult), 2u);
}

TEST_F(Dispatcher, ShowTableComesBeforeTheBlock) {
    link->handles = {5};
    Menu(kSilentShow);
    console->Slots().showTable[42] = 5;
    link->Answer(CallId::ShowVarResult, 1, {L"from the table"});
    Post(5, 0);
    EXPECT_EQ(surface.boxes, Boxes{L"from the table"});
    EXPECT_EQ(console->Slots().showTable[42], 0);
    EXPECT_EQ(Slot(slot::SilentShow), 5);
}

TEST_F(Dispatcher, SubscriptionShowsEveryResultUntilAborted) {
    link->handles = {21};
    Menu(kSetInfo);
    link->Answer(CallId::SetInfoResult, 1, {L"$OV_PRO 50"});
    link->Answer(CallId::SetInfoResult, 0);
    link->Answer(CallId::SetInfoResult, 1, {L"$OV_PRO 60"});
    link->Answer(CallId::SetInfoResult, 7);
    for (int i = 0; i < 4; ++i) Post(21, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"$OV_PRO 50", kFailure, L"$OV_PRO 60"}));
    EXPECT_EQ(Slot(slot::SetInfo), 21);

    Menu(kSetInfo);
    EXPECT_EQ(surface.boxes.back(), kBusy);
    EXPECT_EQ(link->Count(CallId::SetInfo), 1u);

    Post(21, 2);
    EXPECT_EQ(surface.boxes.back(), L"Cmd Abort");
    EXPECT_EQ(Slot(slot::SetInfo), 0);
    EXPECT_EQ(link->Count(CallId::SetInfoResult), 4u);  // the abort fetched nothing
}

TEST_F(Dispatcher, StartClearsEverySlot) {
    link->handles = {21};
    Menu(kSetInfo);
    console->Slots().showTable[99] = 4;
    console->Start(77);
    EXPECT_EQ(Slot(slot::SetInfo), 0);
    EXPECT_EQ(console->Slots().showTable[99], 0);
    const auto init = link->CallsTo(CallId::Init).at(0);
    EXPECT_EQ(init.Str(0), L"Vantel");
    EXPECT_EQ(init.Int(3), 77);
    EXPECT_EQ(init.Int(4), 223);
}

TEST_F(Dispatcher, TestSlotsAreOnlyAcknowledged) {
    link->handles = {31, 32, 33};
    Menu(kAbortTest);
    Menu(kSilentShow);
    Menu(kSilentSetInfo);
    const std::size_t calls = link->calls.size();
    for (std::int16_t h : {31, 32, 33, 31}) Post(h, 0);
    EXPECT_EQ(link->calls.size(), calls);
    EXPECT_TRUE(surface.boxes.empty());
    EXPECT_EQ(Slot(slot::AbortTest), 31);
    EXPECT_EQ(Slot(slot::SilentShow), 32);
    EXPECT_EQ(Slot(slot::SilentSetInfo), 33);
}

TEST_F(Dispatcher, ResultOtherThanOneOrZeroShowsNothingAndFreesTheSlot) {
    link->handles = {8};
    Menu(kShow);
    link->Answer(CallId::ShowVarResult, 2, {L"never shown"});
    Post(8, 0);
    EXPECT_TRUE(surface.boxes.empty());
    EXPECT_EQ(Slot(slot::ShowVar), 0);
}

TEST_F(Dispatcher, SlotIsFreedAfterTheResultBoxButBeforeTheFailureBox) {
    link->handles = {8, 9};
    std::vector<std::int16_t> slotWhileOpen;
    surface.onBox = [&](const std::wstring&) { slotWhileOpen.push_back(Slot(slot::ShowVar)); };
    Menu(kShow);
    link->Answer(CallId::ShowVarResult, 1, {L"v"});
    Post(8, 0);
    EXPECT_EQ(Slot(slot::ShowVar), 0);
    Menu(kShow);
    link->Answer(CallId::ShowVarResult, 0);
    Post(9, 0);
    EXPECT_EQ(slotWhileOpen, (std::vector<std::int16_t>{8, 0}));
}

TEST_F(Dispatcher, NestedResultSeesTheSlotsAsBeforeTheOpenBox) {
    link->handles = {8};
    Menu(kShow);
    link->Answer(CallId::ShowVarResult, 1, {L"first"});
    link->Answer(CallId::ShowVarResult, 1, {L"second"});
    bool nested = false;
    surface.onBox = [&](const std::wstring&) {
        if (nested) return;
        nested = true;
        Post(8, 0);  // the same job's result, delivered by the open box's loop
    };
    Post(8, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"first", L"second"}));
    EXPECT_EQ(link->Count(CallId::CmdAbort), 0u);
    EXPECT_EQ(Slot(slot::ShowVar), 0);
}

TEST_F(Dispatcher, UnknownHandleIsAborted) {
    Post(1234, 0);
    ASSERT_EQ(link->Count(CallId::CmdAbort), 1u);
    EXPECT_EQ(link->calls[0].Int(0), 1234);
    EXPECT_EQ(surface.boxes, Boxes{kFailure});

    // Idle slots hold no job: a handle of 0 finds none either.
    Post(0, 0);
    EXPECT_EQ(link->Count(CallId::CmdAbort), 2u);
    EXPECT_EQ(link->Count(CallId::ShowVarResult), 0u);
}

TEST_F(Dispatcher, HandleIsTheLowSixteenBitsOfWParam) {
    link->handles = {-2};
    Menu(kShow);
    link->Answer(CallId::ShowVarResult, 1, {L"v"});
    console->OnPlexa(WPARAM{0xABCDFFFE}, 0);
    EXPECT_EQ(surface.boxes, Boxes{L"v"});
    EXPECT_EQ(link->CallsTo(CallId::ShowVarResult)[0].Int(0), -2);
}

// --- Types 1 and 2 -----------------------------------------------------------------------

TEST_F(Dispatcher, SyncMessageFreesEverySlotHoldingItsHandle) {
    link->handles = {40, 40};
    Menu(kShow);
    Menu(kSetInfo);
    console->Slots().showTable[5] = 40;
    link->Answer(CallId::GetSyncAddMessage, 1,
                 {kStampTicks, 0xDEADBEEF, 3, 4294967295, L"Text 1", L"", L"Text 3", Strings{L"p"}, Flags{true}});
    Post(40, 1);
    EXPECT_EQ(surface.boxes,
              Boxes{kStamp + L"\nSyncAddMessage\nHandle:deadbeef Type:3 Number:-1\nText 1\n\nText 3"});
    EXPECT_EQ(Slot(slot::ShowVar), 0);
    EXPECT_EQ(Slot(slot::SetInfo), 0);
    EXPECT_EQ(console->Slots().showTable[5], 0);
    EXPECT_EQ(link->CallsTo(CallId::GetSyncAddMessage)[0].Int(0), 40);

    Menu(kShow);  // can start again without a result
    EXPECT_EQ(link->Count(CallId::ShowVar), 2u);
}

TEST_F(Dispatcher, FailedSyncMessageStillFreesTheSlot) {
    link->handles = {40};
    Menu(kSetInfo);
    std::int16_t slotAtFailure = -1;
    surface.onBox = [&](const std::wstring&) { slotAtFailure = Slot(slot::SetInfo); };
    link->Answer(CallId::GetSyncAddMessage, 0);
    Post(40, 1);
    EXPECT_EQ(surface.boxes, Boxes{kFailure});
    EXPECT_EQ(slotAtFailure, 0);
}

TEST_F(Dispatcher, AbortOfAnUnknownHandleShowsOnlyCmdAbort) {
    Post(77, 2);
    EXPECT_EQ(surface.boxes, Boxes{L"Cmd Abort"});
    EXPECT_TRUE(link->calls.empty());
}

TEST_F(Dispatcher, AbortOfTheAbortTestJobFetchesItsInfo) {
    surface.SetField(3, L"0");
    link->handles = {50, 51};
    Menu(kAbortTest);
    link->Answer(CallId::SetInfoResult, 1, {L"info so far"});
    Post(50, 2);
    EXPECT_EQ(surface.boxes, (Boxes{L"Cmd Abort", L"info so far"}));
    EXPECT_EQ(Slot(slot::AbortTest), 0);

    Menu(kAbortTest);
    link->Answer(CallId::SetInfoResult, 0);
    std::int16_t slotAtFailure = -1;
    surface.onBox = [&](const std::wstring& text) {
        if (text == kFailure) slotAtFailure = Slot(slot::AbortTest);
    };
    Post(51, 2);
    EXPECT_EQ(surface.boxes, (Boxes{L"Cmd Abort", L"info so far", L"Cmd Abort", kFailure}));
    EXPECT_EQ(slotAtFailure, 0);
}

// --- The other types ---------------------------------------------------------------------

TEST_F(Dispatcher, AsyncMessageTypesShareOneFormatAndTouchNoSlot) {
    link->handles = {60};
    Menu(kShow);
    for (LPARAM type : {10, 11, 12, 30}) {
        link->Answer(CallId::GetAsyncAddMessage, 1,
                     {kStampTicks, 0x1A, 1, 17, L"a", L"b", L"c", Strings{}, Flags{}});
        Post(60, type);
    }
    const std::wstring expected = kStamp + L"\nAsyncAddMessage\nHandle:1a Type:1 Number:17\na\nb\nc";
    EXPECT_EQ(surface.boxes, Boxes(4, expected));
    EXPECT_EQ(Slot(slot::ShowVar), 60);
}

TEST_F(Dispatcher, EveryOtherTypeShowsItsFormat) {
    link->Answer(CallId::GetAsyncSubMessage, 1, {kStampTicks, 0xFFFFFFFF});
    Post(1, 20);
    link->Answer(CallId::GetAsyncConfirm, 1, {0xABC});
    Post(1, 50);
    link->Answer(CallId::GetAsyncAnswer, 1, {0x10, -3});
    Post(1, 70);
    link->Answer(CallId::PHGGet6DMouse, 1, {1, -2, 3, -4, 5, -32768});
    Post(1, 200);
    link->Answer(CallId::KeySwitchResult, 1, {-1});
    Post(1, 300);
    link->Answer(CallId::GetProgressInfo, 1, {50, L"abc"});
    Post(12, 400);
    console->OnBofKey(0x2A);
    EXPECT_EQ(surface.boxes, (Boxes{
                                 kStamp + L"\nAsyncSubMessage\nHandle:ffffffff",
                                 L"AsyncConfirm\nHandle:abc",
                                 L"AsyncAnswer\nHandle:10\nAnswer:-3",
                                 L"6DMouse\nX:1\tY:-2\tZ:3\nA:-4\tB:5\tC:-32768",
                                 L"KeySwitch -1",
                                 L"ProgressInfo Job 12: 50% abc",
                                 L"OnBOFKey: 002a",
                             }));
}

TEST_F(Dispatcher, FailedFetchesShowTheFailureMessageAndOtherResultsNothing) {
    for (CallId id : {CallId::GetAsyncAddMessage, CallId::GetAsyncSubMessage, CallId::GetAsyncConfirm,
                      CallId::GetAsyncAddDialog, CallId::GetAsyncAnswer, CallId::PHGGet6DMouse,
                      CallId::KeySwitchResult}) {
        link->Answer(id, 0);
        link->Answer(id, 3);
    }
    for (LPARAM type : {10, 20, 50, 60, 70, 200, 300}) {
        Post(1, type);
        Post(1, type);
    }
    EXPECT_EQ(surface.boxes, Boxes(7, kFailure));
}

TEST_F(Dispatcher, ProgressCountsAnyNonZeroAsSuccess) {
    link->Answer(CallId::GetProgressInfo, -1, {100, L""});
    link->Answer(CallId::GetProgressInfo, 0);
    Post(-5, 400);
    Post(3, 400);
    EXPECT_EQ(surface.boxes, (Boxes{L"ProgressInfo Job -5: 100% ", kFailure}));
}

TEST_F(Dispatcher, UnknownTypeFetchesNothing) {
    link->handles = {5};
    Menu(kShow);
    for (LPARAM type : {5, 3, 101, -1}) Post(5, type);
    EXPECT_EQ(surface.boxes, Boxes(4, kFailure));
    EXPECT_EQ(link->calls.size(), 1u);
    EXPECT_EQ(Slot(slot::ShowVar), 5);
}

TEST_F(Dispatcher, AsyncDialogListsParamsAndAnswers) {
    link->Answer(CallId::GetAsyncAddDialog, 1,
                 {kStampTicks, 0x2F, 4, 7, L"Q", L"", L"", Strings{L"p1", L"p2", L"p3"}, Flags{true},
                  Strings{L"Ja", L"Nein"}, Flags{false, true}});
    Post(3, 60);
    EXPECT_EQ(surface.boxes, Boxes{kStamp + L"\nAsyncAddDialog\nHandle:2f Type:4 Number:7\nQ\n\n"
                                            L"\nParams:\np1 1\np2 0\np3 0\nAnswers:\nJa 0\nNein 1"});
    EXPECT_EQ(link->Count(CallId::SyncAnswer), 0u);
}

// --- Type 100: the question dialog -------------------------------------------------------

class Question : public Dispatcher {
protected:
    void Ask(std::int16_t h, Strings answers, int ret = 1) {
        link->Answer(CallId::GetSyncAddDialog, ret,
                     {kStampTicks, 0x7F01, 2, 9, L"Weiter?", L"t2", L"t3", Strings{L"p"}, Flags{},
                      std::move(answers), Flags{}});
        Post(h, 100);
    }
    // The answers sent, as (job handle, dialog handle, answer).
    std::vector<std::array<std::int64_t, 3>> Sent() const {
        std::vector<std::array<std::int64_t, 3>> sent;
        for (const auto& c : link->CallsTo(CallId::SyncAnswer)) sent.push_back({c.Int(0), c.Int(1), c.Int(2)});
        return sent;
    }
};

TEST_F(Question, ThreeAnswersThreeButtons) {
    surface.codes = {1006, 1005, 1004};
    for (int i = 0; i < 3; ++i) Ask(44, {L"Ja", L"Nein", L"Abbruch"});
    ASSERT_EQ(surface.questions.size(), 3u);
    EXPECT_EQ(surface.questions[0].text, kStamp + L"\nAsyncAddDialog\nHandle:7f01 Type:2 Number:9\nWeiter?\nt2\nt3");
    EXPECT_EQ(surface.questions[0].captions, (AnswerCaptions{L"Ja", L"Nein", L"Abbruch"}));
    EXPECT_EQ(Sent(), (std::vector<std::array<std::int64_t, 3>>{{44, 0x7F01, 2}, {44, 0x7F01, 1}, {44, 0x7F01, 0}}));
    EXPECT_TRUE(surface.boxes.empty());
}

TEST_F(Question, AtMostThreeCaptionsAndGapsStayEmpty) {
    surface.codes = {1006, 1006};
    Ask(1, {L"a", L"b", L"c", L"d", L"e"});
    Ask(2, {L"Ja", L"", L"Nein"});
    EXPECT_EQ(surface.questions[0].captions, (AnswerCaptions{L"a", L"b", L"c"}));
    EXPECT_EQ(surface.questions[1].captions, (AnswerCaptions{L"Ja", L"", L"Nein"}));
    EXPECT_EQ(Sent()[1][2], 2);
}

TEST_F(Question, ClosedWindowAnswersZero) {
    Ask(3, {});  // no button at all: only the close box ends it
    ASSERT_EQ(surface.questions.size(), 1u);
    EXPECT_EQ(surface.questions[0].captions, (AnswerCaptions{L"", L"", L""}));
    EXPECT_EQ(Sent(), (std::vector<std::array<std::int64_t, 3>>{{3, 0x7F01, 0}}));
}

TEST_F(Question, FailedFetchSendsNoAnswer) {
    Ask(4, {L"Ja"}, 0);
    Ask(5, {L"Ja"}, 2);
    EXPECT_TRUE(surface.questions.empty());
    EXPECT_EQ(surface.boxes, Boxes{kFailure});
    EXPECT_EQ(link->Count(CallId::SyncAnswer), 0u);
}

// --- Nesting ---------------------------------------------------------------------------

// The boxes' nested loops deliver 10,000 notifications while earlier boxes stay open: every
// one is handled, in order, and never more than kMaxOpenBoxes boxes are open at once.
// Past the open-box bound notifications queue; past the queue's bound they are handled
// without a box, and one box at the end says how many. What is shown keeps its order.
TEST_F(Dispatcher, FloodOfNotificationsIsBoundedAndKeepsItsOrder) {
    constexpr int kFlood = 10000;
    int delivered = 0;
    surface.onBox = [&](const std::wstring&) {
        while (delivered < kFlood) {
            const int i = delivered++;
            if (i % 10 == 9) {
                console->OnBofKey(static_cast<WPARAM>(i));
            } else {
                Post(static_cast<std::int16_t>(i), 400);
            }
        }
    };
    console->OnBofKey(0xFFFF);
    EXPECT_EQ(surface.maxOpen, CConsole::kMaxOpenBoxes);
    EXPECT_EQ(surface.open, 0);
    EXPECT_EQ(console->OpenBoxes(), 0);
    EXPECT_EQ(console->QueuedNotifications(), 0u);
    const std::size_t shownInLoops = CConsole::kMaxOpenBoxes - 1;
    const std::size_t diverted = kFlood - shownInLoops - CConsole::kMaxQueued;
    EXPECT_EQ(console->DivertedNotifications(), diverted);
    ASSERT_EQ(surface.boxes.size(), 1 + shownInLoops + CConsole::kMaxQueued + 1);
    EXPECT_EQ(surface.boxes[0], L"OnBOFKey: ffff");
    EXPECT_EQ(surface.boxes.back(), Format(L"%u Meldungen ohne Box, nur im Protokoll", static_cast<unsigned>(diverted)));
    int i = 0;
    for (std::size_t b = 1; b + 1 < surface.boxes.size(); ++b, ++i) {
        const std::wstring expected = i % 10 == 9 ? Format(L"OnBOFKey: %04x", static_cast<unsigned>(i))
                                                  : Format(L"ProgressInfo Job %d: 0%% ", i);
        ASSERT_EQ(surface.boxes[b], expected) << i;
    }
}

TEST_F(Dispatcher, HeldBackNotificationsWaitForABoxToClose) {
    // Open kMaxOpenBoxes boxes, one inside the other, then deliver one more.
    int depth = 0;
    std::size_t handledWhileFull = 0;
    surface.onBox = [&](const std::wstring&) {
        if (++depth < CConsole::kMaxOpenBoxes) {
            console->OnBofKey(static_cast<WPARAM>(depth));
        } else if (depth == CConsole::kMaxOpenBoxes) {
            const std::size_t before = surface.boxes.size();
            Post(12, 400);
            handledWhileFull = surface.boxes.size() - before;
            EXPECT_EQ(console->QueuedNotifications(), 1u);
        }
    };
    console->OnBofKey(0);
    EXPECT_EQ(handledWhileFull, 0u);
    EXPECT_EQ(surface.boxes.back(), L"ProgressInfo Job 12: 0% ");
    EXPECT_EQ(console->QueuedNotifications(), 0u);
}

// --- The hidden commands -----------------------------------------------------------------

TEST_F(Dispatcher, BulkShowIsCappedAtTheTable) {
    surface.SetField(1, L"250");
    surface.SetField(2, L"$AXIS_ACT");
    Menu(kBulkShow);
    const auto sent = link->CallsTo(CallId::ShowVar);
    ASSERT_EQ(sent.size(), 100u);
    EXPECT_EQ(sent[99].Str(0), L"$AXIS_ACT");
    EXPECT_EQ(sent[99].Str(1), L"");
    EXPECT_EQ(console->Slots().showTable[0], 1);
    EXPECT_EQ(console->Slots().showTable[99], 100);

    for (const wchar_t* n : {L"0", L"-3", L"", L"abc"}) {
        surface.SetField(1, n);
        Menu(kBulkShow);
    }
    EXPECT_EQ(link->Count(CallId::ShowVar), 100u);
    EXPECT_TRUE(surface.boxes.empty());
}

TEST_F(Dispatcher, BulkShowAgainOrphansTheOverwrittenJobs) {
    surface.SetField(1, L"2");
    link->handles = {1, 2, 3, 4};
    Menu(kBulkShow);
    Menu(kBulkShow);
    Post(1, 0);
    EXPECT_EQ(link->CallsTo(CallId::CmdAbort).at(0).Int(0), 1);
    EXPECT_EQ(surface.boxes, Boxes{kFailure});
}

TEST_F(Dispatcher, AbortTestPausesThenAbortsWhatItStarted) {
    surface.SetField(1, L"$OV_PRO");
    surface.SetField(2, L"i");
    surface.SetField(3, L"250");
    link->handles = {70};
    Menu(kAbortTest);
    ASSERT_EQ(link->calls.size(), 2u);
    EXPECT_EQ(link->calls[0].id, CallId::SetInfo);
    EXPECT_EQ(link->calls[0].Str(0), L"$OV_PRO");
    EXPECT_EQ(link->calls[0].Str(1), L"i");
    EXPECT_EQ(link->calls[1].id, CallId::CmdAbort);
    EXPECT_EQ(link->calls[1].Int(0), 70);
    EXPECT_EQ(surface.pauses, std::vector<unsigned>{250});
    EXPECT_EQ(Slot(slot::AbortTest), 70);
}

TEST_F(Dispatcher, AbortTestPauseIsBoundedToTenSeconds) {
    // Past the 32-bit range the field wraps to 2147483647: still ten seconds, not 24.8 days.
    for (const wchar_t* field : {L"-2147483649", L"99999999", L"10001"}) {
        surface.pauses.clear();
        surface.SetField(3, field);
        Menu(kAbortTest);
        EXPECT_EQ(surface.pauses, std::vector<unsigned>{10000}) << field;
    }
}

TEST_F(Dispatcher, AbortTestWithANegativePauseAndNoJob) {
    surface.SetField(3, L"-5");
    link->handles = {0};
    Menu(kAbortTest);
    EXPECT_EQ(surface.pauses, std::vector<unsigned>{0});
    ASSERT_EQ(link->Count(CallId::CmdAbort), 1u);
    EXPECT_EQ(link->CallsTo(CallId::CmdAbort)[0].Int(0), 0);
}

// --- A catalogue of the test's own ---------------------------------------------------------

// Two commands share slot 5 (the first row with a result owns it) and one keeps slot 6 as a
// subscription; none of them is in the real catalogue.
std::int16_t ReadFieldOne(CConsole& c) { return c.Link().ShowVar(c.Param(1), L""); }
int FirstText(CConsole& c, std::int16_t h, std::wstring& m) { return c.Link().ShowVarResult(h, m); }
int SecondText(CConsole&, std::int16_t, std::wstring& m) { m = L"second row"; return 1; }
void Hello(CConsole& c) { c.ShowMessage(L"hello"); }

constexpr CommandRow kOwnRows[] = {
    {RowKind::Item,   101, L"A/&One",   5,       true,  SlotUse::Clear, ReadFieldOne, nullptr, FirstText},
    {RowKind::Item,   102, L"A/&Two",   5,       true,  SlotUse::Clear, ReadFieldOne, nullptr, SecondText},
    {RowKind::Hidden, 103, L"",         6,       false, SlotUse::Keep,  ReadFieldOne, nullptr, SecondText},
    {RowKind::Item,   104, L"A/&Hello", kNoSlot, false, SlotUse::Clear, nullptr,      Hello,   nullptr},
};

class OwnCatalogue : public ::testing::Test, protected test::ConsoleRig {
protected:
    OwnCatalogue() : test::ConsoleRig(kOwnRows) {}
};

TEST_F(OwnCatalogue, TheConsoleRunsOnlyTheRowsItIsGiven) {
    EXPECT_FALSE(console->Command(kShow));  // a real command, not in this table
    Menu(104);
    EXPECT_EQ(surface.boxes, Boxes{L"hello"});

    surface.SetField(1, L"$A");
    link->handles = {7, 8};
    Menu(102);
    Menu(101);  // same slot, still busy
    EXPECT_EQ(surface.boxes.back(), kBusy);
    link->Answer(CallId::ShowVarResult, 1, {L"first row"});
    Post(7, 0);  // the slot's result row is the first one, whichever command filled it
    EXPECT_EQ(surface.boxes.back(), L"first row");
    EXPECT_EQ(console->Slots().block[5], 0);

    Menu(103);
    Post(8, 0);
    Post(8, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"hello", kBusy, L"first row", L"second row", L"second row"}));
    EXPECT_EQ(console->Slots().block[6], 8);
}

}  // namespace
}  // namespace vantel
