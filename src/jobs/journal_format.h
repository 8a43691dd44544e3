// The journal's entries as text: JSON Lines (the journal file and its export), CSV and plain
// text lines (export and copy).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "jobs/journal.h"

namespace vantel {

// ISO 8601 in local time with milliseconds and the UTC offset: 2026-12-08T14:36:22.123+01:00.
std::string JournalTime(std::int64_t timeMs);
// The time of day as the journal window shows it: 14:36:22.123.
std::string JournalClock(std::int64_t timeMs);

// One JSON object, without the line end.
std::string ToJsonLine(const JournalEntry& e);
void AppendJsonLine(std::string& out, const JournalEntry& e);

std::string CsvHeader();
// One CSV record (RFC 4180 quoting), without the line end.
std::string ToCsvRow(const JournalEntry& e);

// One line: seq, time, kind, command, handle, latency, text; line ends in the text escaped.
std::string ToTextLine(const JournalEntry& e);

enum class ExportFormat { JsonLines, Csv, Text };

// Writes the entries to path, one line each (CSV with its header). False with error when the
// file could not be written whole.
bool WriteJournalEntries(const std::string& path, ExportFormat format,
                         const std::vector<const JournalEntry*>& entries, std::string& error);

}  // namespace vantel
