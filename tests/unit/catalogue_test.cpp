#include "commands/catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "jobs/slots.h"

namespace vantel {
namespace {

bool IsCommand(const CommandRow& row) {
    return row.kind == RowKind::Item || row.kind == RowKind::Button || row.kind == RowKind::Hidden;
}

TEST(Catalogue, EveryRowIsWellFormed) {
    std::set<int> ids;
    std::map<int, ResultFn> resultOfSlot;
    std::set<std::wstring> tops;
    for (std::wstring_view t : TopLevelMenus()) tops.insert(std::wstring(t));

    for (const CommandRow& row : Catalogue()) {
        const std::wstring where = std::wstring(row.path) + L" #" + std::to_wstring(row.id);
        if (IsCommand(row)) {
            EXPECT_GT(row.id, 0) << where;
            EXPECT_TRUE(ids.insert(row.id).second) << "duplicate id " << row.id;
            EXPECT_EQ(FindCommand(row.id), &row) << where;
        } else {
            EXPECT_EQ(row.id, 0) << where;
        }
        if (row.kind == RowKind::Item || row.kind == RowKind::Separator || row.kind == RowKind::Submenu) {
            const std::wstring top(row.path.substr(0, row.path.find(L'/')));
            EXPECT_TRUE(tops.count(top)) << "no menu " << std::string(top.begin(), top.end());
        }
        if (row.kind == RowKind::Item) {
            EXPECT_NE(row.path.find(L'/'), std::wstring_view::npos) << "an item needs a menu: " << row.id;
        }

        // Slots in range; 3, 4 and 129 are never filled.
        const bool slotOk = row.slot == kNoSlot || row.slot == kShowTable ||
                            (row.slot >= 0 && row.slot < kSlotCount && row.slot != 3 && row.slot != 4 && row.slot != 129);
        EXPECT_TRUE(slotOk) << where << " slot " << row.slot;
        if (row.slot == kNoSlot) {
            EXPECT_EQ(row.result, nullptr) << "a result without a slot: " << row.id;
            EXPECT_EQ(row.request, nullptr) << "a request without a slot: " << row.id;
        } else {
            EXPECT_EQ(row.direct, nullptr) << "a direct call with a slot: " << row.id;
        }
        // Commands sharing a slot share its result row.
        if (row.result != nullptr && row.slot != kNoSlot) {
            auto [it, fresh] = resultOfSlot.emplace(row.slot, row.result);
            if (!fresh) {
                EXPECT_EQ(it->second, row.result) << "slot " << row.slot << " has two result rows";
            }
        }
    }
    for (const auto& [slot, result] : resultOfSlot) {
        ASSERT_NE(SlotOwner(slot), nullptr);
        EXPECT_EQ(SlotOwner(slot)->result, result);
    }
}

}  // namespace
}  // namespace vantel
