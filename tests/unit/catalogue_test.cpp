#include "commands/catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "commands/hints.h"
#include "fakes.h"
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

// What running a command sent: every call with its in-values, and the pauses it made.
struct Sent {
    std::vector<std::pair<link::CallId, std::vector<test::FakeLink::In>>> calls;
    std::vector<unsigned> pauses;
    bool operator==(const Sent&) const = default;
};

Sent RunWith(test::ConsoleRig& rig, int id, const FieldTexts& fields) {
    rig.console->ClearAllSlots();
    rig.link->calls.clear();
    rig.link->nextHandle = 1;
    rig.surface.pauses.clear();
    rig.surface.fields = fields;
    EXPECT_TRUE(rig.console->Command(id));
    Sent sent;
    for (const auto& call : rig.link->calls) sent.calls.emplace_back(call.id, call.args);
    sent.pauses = rig.surface.pauses;
    return sent;
}

// The hints are generated from the rows' reads; these must say the truth. A field changes
// what a command sends exactly when its reads name it, every argument of every call it
// makes has a named source, and every constant is what goes out.
TEST(Catalogue, EveryCommandReadsWhatItsHintSays) {
    // From fields that all hold "1" (so that a count or a flag lets the other fields matter),
    // one field at a time is changed to each probe.
    FieldTexts ones;
    ones.fill(L"1");
    const std::wstring probes[] = {L"", L"+", L"0", L"12", L"a|b"};
    for (const CommandRow& row : Catalogue()) {
        if (!IsCommand(row) || (row.request == nullptr && row.direct == nullptr)) continue;
        SCOPED_TRACE(testing::Message() << "command " << row.id);
        test::ConsoleRig rig;
        const Sent baseline = RunWith(rig, row.id, ones);

        std::set<int> changing, named;
        std::vector<Sent> runs{baseline};
        for (int field = 1; field <= kFieldCount; ++field) {
            for (const std::wstring& probe : probes) {
                FieldTexts fields = ones;
                fields[field - 1] = probe;
                runs.push_back(RunWith(rig, row.id, fields));
                if (!(runs.back() == baseline)) changing.insert(field);
            }
        }
        std::set<link::CallId> declared;
        for (const ArgSource& s : row.reads) {
            if (s.as == ReadAs::Call) declared.insert(s.call);
            else EXPECT_FALSE(hint::ArgumentName(s).empty());
            if (s.field != 0) named.insert(s.field);
        }
        EXPECT_EQ(changing, named);

        std::set<std::pair<link::CallId, int>> sourced;
        for (const ArgSource& s : row.reads) sourced.emplace(s.call, s.position);
        for (const Sent& run : runs) {
            for (const auto& [call, args] : run.calls) {
                EXPECT_TRUE(declared.count(call)) << link::kCallNames[static_cast<std::size_t>(call)] << " is not declared";
                for (std::size_t i = 0; i < args.size(); ++i) {
                    if (std::holds_alternative<std::monostate>(args[i])) continue;  // an out-value
                    EXPECT_TRUE(sourced.count({call, static_cast<int>(i)}))
                        << link::kCallNames[static_cast<std::size_t>(call)] << " argument " << i << " has no source";
                }
            }
        }
        for (const ArgSource& s : row.reads) {
            if (s.as != ReadAs::Fixed && s.as != ReadAs::FixedText) continue;
            const test::FakeLink::In expected = s.as == ReadAs::Fixed ? test::FakeLink::In{std::int64_t{s.value}}
                                                                      : test::FakeLink::In{std::wstring(s.text)};
            bool seen = false;
            for (const Sent& run : runs) {
                for (const auto& [call, args] : run.calls) {
                    if (call != s.call) continue;
                    seen = true;
                    EXPECT_EQ(args.at(static_cast<std::size_t>(s.position)), expected) << hint::ArgumentName(s);
                }
            }
            EXPECT_TRUE(seen) << hint::ArgumentName(s) << " is passed to a call that is never made";
        }
    }
}

}  // namespace
}  // namespace vantel
