#include "jobs/history.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "temp_stores.h"

namespace vantel {
namespace {

using Items = std::vector<std::wstring>;

FieldHistory Loaded(Items items) {
    FieldHistory h;
    h.items = std::move(items);
    h.Pick(0);
    return h;
}

TEST(History, PickedEntryMovesToTheTop) {
    FieldHistory h = Loaded({L"a", L"b", L"c", L"d", L"e", L"f"});
    h.Pick(4);
    EXPECT_EQ(h.text, L"e");
    h.LeaveField();
    EXPECT_EQ(h.items, (Items{L"e", L"a", L"b", L"c", L"d", L"f"}));
    EXPECT_EQ(h.selection, 0);

    // Leaving again with the top entry shown changes nothing.
    h.LeaveField();
    EXPECT_EQ(h.items, (Items{L"e", L"a", L"b", L"c", L"d", L"f"}));
}

TEST(History, TypedTextIsANewEntryEvenWhenPresent) {
    FieldHistory h = Loaded({L"a", L"b", L"c"});
    h.Type(L"c");
    h.LeaveField();
    EXPECT_EQ(h.items, (Items{L"c", L"a", L"b", L"c"}));
}

TEST(History, TypingOverASelectionKeepsTheSelectedEntry) {
    FieldHistory h = Loaded({L"a", L"b"});
    h.Type(L"x");
    h.LeaveField();
    EXPECT_EQ(h.items, (Items{L"x", L"a", L"b"}));
}

TEST(History, SelectedEntryWithEmptyTextIsRemoved) {
    FieldHistory h = Loaded({L"a", L"b"});
    h.Pick(1);
    h.text.clear();
    h.LeaveField();
    EXPECT_EQ(h.items, (Items{L"a"}));
    EXPECT_EQ(h.selection, -1);
}

TEST(History, EmptyTextWithoutSelectionChangesNothing) {
    FieldHistory h = Loaded({L"a", L"b"});
    h.Type(L"");
    h.LeaveField();
    EXPECT_EQ(h.items, (Items{L"a", L"b"}));
}

TEST(History, AtMostTwentyAfterAnInsertion) {
    FieldHistory h;
    for (int i = 0; i < 20; ++i) h.items.push_back(std::to_wstring(i));
    h.Type(L"new");
    h.LeaveField();
    ASSERT_EQ(h.items.size(), 20u);
    EXPECT_EQ(h.items.front(), L"new");
    EXPECT_EQ(h.items.back(), L"18");  // the former last entry is gone

    // A longer loaded list only shrinks by the one entry an insertion drops.
    FieldHistory longer;
    for (int i = 0; i < 25; ++i) longer.items.push_back(std::to_wstring(i));
    longer.Type(L"new");
    longer.LeaveField();
    EXPECT_EQ(longer.items.size(), 25u);
    EXPECT_EQ(longer.items[19], L"18");
    EXPECT_EQ(longer.items[20], L"20");  // the entry that stood 21st after the insertion went
}

TEST(History, PickOutOfRangeDoesNothing) {
    FieldHistory h = Loaded({L"a"});
    h.Pick(3);
    h.Pick(-1);
    EXPECT_EQ(h.selection, 0);
    EXPECT_EQ(h.text, L"a");
}

TEST(HistoryStore, RestartKeepsOrderAndShowsTheNewest) {
    test::TempStores stores;
    CRegPair app(L"Plexa.Vantel", false);
    FieldHistory saved = Loaded({L"newest", L"Ätschi 😀", L"", L"oldest"});
    SaveHistory(app, 10, saved);

    std::wstring v;
    CRegPair pair(app, L"Parameter9", false);
    ASSERT_TRUE(pair.GetValue(L"1", v));
    EXPECT_EQ(v, L"Ätschi 😀");

    FieldHistory loaded;
    LoadHistory(app, 10, loaded);
    EXPECT_EQ(loaded.items, saved.items);
    EXPECT_EQ(loaded.selection, 0);
    EXPECT_EQ(loaded.text, L"newest");

    FieldHistory empty;
    LoadHistory(app, 1, empty);
    EXPECT_TRUE(empty.items.empty());
    EXPECT_EQ(empty.selection, -1);
    EXPECT_EQ(empty.text, L"");
}

TEST(HistoryStore, LoadStopsAtTheFirstGapAndHasNoLimit) {
    test::TempStores stores;
    CRegPair app(L"Plexa.Vantel", false);
    CRegPair pair(app, L"Parameter0", false);
    for (int k = 0; k < 30; ++k) pair.SetValue(std::to_wstring(k), L"v" + std::to_wstring(k), false, false);
    pair.SetValue(L"31", L"after the gap", false, false);

    FieldHistory h;
    LoadHistory(app, 1, h);
    EXPECT_EQ(h.items.size(), 30u);
    EXPECT_EQ(h.items.back(), L"v29");

    // Saving fewer leaves the higher numbers of the earlier run in place.
    FieldHistory shorter = Loaded({L"x"});
    SaveHistory(app, 1, shorter);
    FieldHistory again;
    LoadHistory(app, 1, again);
    EXPECT_EQ(again.items.size(), 30u);
    EXPECT_EQ(again.items[0], L"x");
}

}  // namespace
}  // namespace vantel
