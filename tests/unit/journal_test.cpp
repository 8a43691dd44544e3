// The journal: what the console records of each event, in order, and its bounds.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "fakes.h"
#include "jobs/journal.h"
#include "jobs/journal_format.h"
#include "jobs/slots.h"
#include "platform/text.h"

namespace vantel {
namespace {

using link::CallId;
using K = JournalKind;

constexpr int kShow = 32711;
constexpr int kDir = 32720;

class JournalTest : public ::testing::Test, protected test::ConsoleRig {
protected:
    JournalTest() {
        console->monotonicMs = [this] { return now; };
        console->GetJournal().Subscribe([this](const JournalEntry& e) { seen.push_back(e); });
    }

    std::vector<K> Kinds() const {
        std::vector<K> kinds;
        for (const auto& e : seen) kinds.push_back(e.kind);
        return kinds;
    }
    const JournalEntry& Of(K kind, int nth = 0) const {
        for (const auto& e : seen) {
            if (e.kind == kind && nth-- == 0) return e;
        }
        static const JournalEntry none;
        ADD_FAILURE() << "no entry of kind " << KindName(kind);
        return none;
    }

    std::int64_t now = 1000;
    std::vector<JournalEntry> seen;
};

TEST_F(JournalTest, ACommandItsResultAndItsBoxInOrderWithTheLatency) {
    surface.SetField(1, L"$OV_PRO");
    link->handles = {7};
    Menu(kShow);
    now += 45;
    link->Answer(CallId::ShowVarResult, 1, {L"100"});
    Post(7, 0);

    EXPECT_EQ(Kinds(), (std::vector<K>{K::Command, K::Request, K::Notification, K::Fetch, K::Box, K::SlotFreed}));
    for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_EQ(seen[i].seq, seen[i - 1].seq + 1);
    for (const auto& e : seen) {
        EXPECT_EQ(e.id, kShow);
        EXPECT_EQ(e.path, L"Variablen/Show");
    }
    EXPECT_EQ(Of(K::Command).params.at(0), L"$OV_PRO");
    EXPECT_EQ(Of(K::Request).call, R"(ShowVar("$OV_PRO", "") -> 7)");
    EXPECT_EQ(Of(K::Request).handle, 7);
    EXPECT_EQ(Of(K::Request).slot, slot::ShowVar);
    EXPECT_EQ(Of(K::Notification).type, 0);
    EXPECT_EQ(Of(K::Fetch).call, R"(ShowVarResult(7, "100") -> 1)");
    EXPECT_EQ(Of(K::Fetch).latencyMs, 45);
    EXPECT_EQ(Of(K::Box).text, L"100");
    EXPECT_TRUE(Of(K::Box).shown);
    EXPECT_EQ(Of(K::SlotFreed).slot, slot::ShowVar);
}

TEST_F(JournalTest, BusyRefusalNotStartedQuestionAndAbortFreeing) {
    link->handles = {7, 0, 9};
    Menu(kShow);
    Menu(kShow);  // busy
    EXPECT_EQ(Of(K::Busy).handle, 7);
    EXPECT_EQ(Of(K::Busy).text, L"Auftrag steht noch aus");

    Slot(slot::ShowVar) = 0;
    Menu(kShow);  // the request returns 0
    EXPECT_EQ(seen.back().kind, K::NotStarted);
    EXPECT_EQ(Slot(slot::ShowVar), 0);

    Menu(kDir);  // handle 9
    Post(9, 2);  // aborted: "Cmd Abort", and the slot is freed
    EXPECT_EQ(Of(K::Box, 0).text, L"Cmd Abort");
    EXPECT_EQ(Of(K::SlotFreed).handle, 9);
    EXPECT_EQ(Of(K::SlotFreed).slot, slot::Dir);

    surface.codes = {1005};
    link->Answer(CallId::GetSyncAddDialog, 1,
                 {std::int64_t{0}, std::int64_t{0x2a}, std::int64_t{1}, std::int64_t{2}, L"Weiter?", L"", L"",
                  link::StringArray{}, link::BoolArray{}, link::StringArray{L"Ja", L"Nein"}, link::BoolArray{}});
    Post(33, 100);
    EXPECT_EQ(Of(K::Question).buttons, (std::vector<std::wstring>{L"Ja", L"Nein", L""}));
    EXPECT_EQ(Of(K::Answer).answer, 1);
    EXPECT_EQ(Of(K::Answer).call, "SyncAnswer(33, 42, 1) -> 1");
}

TEST_F(JournalTest, ResultsInTheJournalOnlyOpenNoBoxButTheQuestionStillOpens) {
    console->SetJournalOnly(true);
    link->handles = {7};
    Menu(kShow);
    Menu(kShow);  // busy
    Post(7, 0);
    Post(3, 5);  // an unknown type: the failure message
    EXPECT_TRUE(surface.boxes.empty());
    EXPECT_FALSE(Of(K::Busy).shown);
    EXPECT_FALSE(Of(K::Box, 0).shown);
    EXPECT_EQ(Of(K::Box, 1).text, L"\u00c4tschi B\u00e4tsch:\r\nFehler!");

    link->Answer(CallId::GetSyncAddDialog, 1, {});
    Post(4, 100);
    EXPECT_EQ(surface.questions.size(), 1u);
}

// A stream that arrives while boxes are open fills the queue up to its bound; past it, the
// stream is handled into the journal at once, the user's own result still waits its turn, and
// one box afterwards says how many went to the journal only.
TEST_F(JournalTest, AFloodPastTheQueueBoundGoesToTheJournalOnly) {
    link->handles = {7};
    Menu(kShow);
    int boxesWhileFlooding = 0;
    // Each box stays open while the next reading arrives, until all sixteen are open.
    surface.onBox = [&](const std::wstring&) {
        if (surface.open < CConsole::kMaxOpenBoxes) return Post(200, 200);
        surface.onBox = nullptr;
        for (std::size_t i = 0; i < CConsole::kMaxQueued + 50; ++i) Post(200, 200);
        Post(7, 0);  // the Show result
        boxesWhileFlooding = static_cast<int>(surface.boxes.size());
    };
    Post(200, 200);

    EXPECT_EQ(console->DivertedNotifications(), 50u);
    EXPECT_EQ(boxesWhileFlooding, CConsole::kMaxOpenBoxes);
    std::size_t hidden = 0;
    for (const auto& e : seen) hidden += e.kind == K::Box && !e.shown;
    EXPECT_EQ(hidden, 50u);
    EXPECT_EQ(Slot(slot::ShowVar), 0);  // its result was shown after all
    EXPECT_EQ(surface.boxes.back(), L"50 Meldungen ohne Box, nur im Protokoll");
    EXPECT_EQ(surface.boxes.size(), CConsole::kMaxOpenBoxes + CConsole::kMaxQueued + 1 + 1);
}

TEST_F(JournalTest, ACloseHandlesWhatIsQueuedWithoutBoxes) {
    surface.onBox = [&](const std::wstring&) {
        if (surface.open < CConsole::kMaxOpenBoxes) return Post(200, 200);
        surface.onBox = nullptr;
        for (int i = 0; i < 5; ++i) Post(200, 200);
        console->BeginClose();
    };
    Post(200, 200);
    EXPECT_EQ(surface.boxes.size(), static_cast<std::size_t>(CConsole::kMaxOpenBoxes));
    EXPECT_EQ(console->QueuedNotifications(), 0u);
    std::size_t hidden = 0;
    for (const auto& e : seen) hidden += e.kind == K::Box && !e.shown;
    EXPECT_EQ(hidden, 5u);
}

TEST(JournalBound, TheOldestEntriesAreDroppedByCountAndByBytes) {
    Journal byCount({3, 1u << 20});
    for (int i = 0; i < 5; ++i) byCount.Add({});
    EXPECT_EQ(byCount.Size(), 3u);
    EXPECT_EQ(byCount.FirstSeq(), 3u);
    EXPECT_EQ(byCount.Dropped(), 2u);
    EXPECT_EQ(byCount.Find(2), nullptr);
    EXPECT_EQ(byCount.Find(4)->seq, 4u);

    Journal byBytes({1000, 3 * sizeof(JournalEntry) + 100});
    JournalEntry big;
    big.text.assign(10'000, L'x');  // alone past the bound: kept, everything before it goes
    for (int i = 0; i < 3; ++i) byBytes.Add({});
    byBytes.Add(big);
    EXPECT_EQ(byBytes.Size(), 1u);
    EXPECT_EQ(byBytes.At(0).text.size(), 10'000u);
}

TEST(JournalFormat, JsonCsvAndTextCarryTheEntry) {
    JournalEntry e;
    e.seq = 12;
    e.timeMs = 1'765'000'000'123;
    e.kind = K::Box;
    e.id = kShow;
    e.path = L"Variablen/Show";
    e.handle = -3;
    e.latencyMs = 45;
    e.text = L"\u00c4tschi \"B\u00e4tsch\":\r\nFehler!";
    e.shown = false;

    const auto j = nlohmann::json::parse(ToJsonLine(e));
    EXPECT_EQ(j["seq"], 12);
    EXPECT_EQ(j["kind"], "box");
    EXPECT_EQ(j["handle"], -3);
    EXPECT_EQ(j["latency_ms"], 45);
    EXPECT_EQ(j["text"], "\u00c4tschi \"B\u00e4tsch\":\r\nFehler!");
    EXPECT_EQ(j["shown"], false);
    EXPECT_FALSE(j.contains("call"));
    // Every character that needs an escape, and text beyond ASCII, reads back unchanged.
    std::wstring every;
    for (wchar_t c = 0; c < 0x80; ++c) every += c;
    every += L"\u00e4\u20ac\U0001F916";
    JournalEntry all;
    all.text = every;
    all.call = R"(ShowVar("a\"b", "") -> 1)";
    const auto back = nlohmann::json::parse(ToJsonLine(all));
    EXPECT_EQ(back["text"], ToUtf8(every));
    EXPECT_EQ(back["call"], all.call);
    // The tests run in UTC.
    EXPECT_EQ(j["time"], "2025-12-06T05:46:40.123+00:00");

    EXPECT_EQ(ToCsvRow(e), "12,2025-12-06T05:46:40.123+00:00,box,32711,Variablen/Show,-3,,,,45,,"
                           "\"\u00c4tschi \"\"B\u00e4tsch\"\":\r\nFehler!\",false");
    EXPECT_EQ(ToTextLine(e), "    12 05:46:40.123 box          Variablen/Show h=-3 45 ms  "
                             "\u00c4tschi \"B\u00e4tsch\":\\r\\nFehler!  (ohne Box)");
}

}  // namespace
}  // namespace vantel
