// The journal window's list, without the window: what a row shows in each column, which
// entries the filter passes, and the details of one entry.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "jobs/journal.h"

namespace vantel {

enum JournalColumn { kSeqColumn, kTimeColumn, kKindColumn, kPathColumn, kHandleColumn, kTextColumn, kLatencyColumn };

// The text of one cell.
std::wstring CellText(const JournalEntry& e, int column);

// The filter as typed, folded for matching.
std::wstring FoldFilter(std::wstring_view typed);
// Whether an entry shows under the filter: of the kind chosen (kindIndex, or -1 for every
// kind), and the folded text in its path, text or call, in any case.
bool PassesFilter(const JournalEntry& e, int kindIndex, std::wstring_view folded);

// 100000 as "100.000".
std::wstring Grouped(std::uint64_t n);
// A pending job's age: "850 ms", "2,3 s"; "?" when unknown.
std::wstring AgeText(std::int64_t ms);
// Commands from outside have no menu path: they go by their id.
std::wstring CommandText(std::wstring_view path, int id);
std::wstring SlotText(int slot);
// Everything an entry holds, one field a line, its text last and whole.
std::wstring DetailText(const JournalEntry& e);

}  // namespace vantel
