// The menu "&Log" and the submenu "Diver&ses" > "&Log". The log's job commands pass a fixed
// text "F" and log class and type 0; the submenu's three calls go to the link directly and
// answer at once, so they work while any job is pending.
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

using link::BoolArray;
using link::StringArray;

constexpr std::wstring_view kFixedText = L"F";
constexpr auto kLogClass = static_cast<link::ELogClass>(0);
constexpr auto kLogType = static_cast<link::ELogType>(0);

std::uint32_t Unsigned(CConsole& c, int n) { return ScanField<std::uint32_t>(c.Param(n), L"%u"); }
std::int16_t Short(CConsole& c, int n) { return ScanField<std::int16_t>(c.Param(n), L"%hd"); }

std::int16_t LogAddItem(CConsole& c) {
    StringArray list;
    SplitList(c.Param(8), list);
    const BoolArray flags(list.size(), false);
    return c.Link().LogAddItem(c.Param(1), c.Param(2), static_cast<std::int32_t>(Unsigned(c, 3)), Short(c, 4),
                               c.Param(5), c.Param(6), c.Param(7), list, flags, std::wstring(kFixedText), kLogClass,
                               kLogType);
}
constexpr ResultFn LogAddItemText = ValueResult<L"LogAddItem %d", &link::CPlexa::LogAddItemResult>;

std::int16_t LogOCGetItem(CConsole& c) {
    return c.Link().LogOCGetItem(static_cast<std::int32_t>(Unsigned(c, 1)));
}
// Only the record's first number is shown; the rest is fetched and dropped.
int LogOCGetItemText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t item = 0, i2 = 0;
    link::CFileTime time;
    std::wstring s1, s2, s3, s4, s5, s6;
    std::uint32_t u = 0;
    std::int16_t n = 0;
    StringArray list;
    BoolArray flags;
    link::ELogClass logClass{};
    link::ELogType logType{};
    const int r = c.Link().LogOCGetItemResult(h, item, time, i2, s1, s2, u, n, s3, s4, s5, list, flags, s6, logClass,
                                              logType);
    message = Format(L"LogGetItem %d", item);
    return r;
}

std::int16_t FlushLog(CConsole& c) { return c.Link().FlushLog(); }
constexpr ResultFn FlushLogText = FixedResult<L"FlushLog o.k.", &link::CPlexa::FlushLogResult>;

std::int16_t GetLogHeader(CConsole& c) { return c.Link().GetLogHeader(); }
int GetLogHeaderText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray lines;
    const int r = c.Link().GetLogHeaderResult(h, lines);
    message = Format(L"GetLogHeader:\n%s", JoinLines(lines));
    return r;
}

std::int16_t LogGetConfig(CConsole& c) { return c.Link().LogGetConfig(); }
constexpr ResultFn LogGetConfigText = ValueResult<L"Log GetConfig %d", &link::CPlexa::LogGetConfigResult>;

std::int16_t LogSetConfig(CConsole& c) { return c.Link().LogSetConfig(static_cast<std::int32_t>(Unsigned(c, 1))); }
constexpr ResultFn LogSetConfigText = FixedResult<L"Log SetConfig o.k.", &link::CPlexa::LogSetConfigResult>;

std::int16_t AddLogEntry(CConsole& c) {
    return c.Link().AddLogEntry(c.Param(1), c.Param(2), Unsigned(c, 3), Short(c, 4), c.Param(5), c.Param(6), c.Param(7),
                                0, std::wstring(kFixedText), kLogClass);
}
constexpr ResultFn AddLogEntryText = FixedResult<L"AddLogEntry o.k.", &link::CPlexa::AddLogEntryResult>;

std::int16_t GetLogEntries(CConsole& c) { return c.Link().GetLogEntries(Unsigned(c, 1), Unsigned(c, 2)); }
int GetLogEntriesText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray lines;
    const int r = c.Link().GetLogEntriesResult(h, lines);
    message = Format(L"GetLogEntries:\n%s", JoinLines(lines));
    return r;
}

// The link's own log: its answer is dropped.
void WriteLogFile(CConsole& c) { c.Link().WriteLogFile(c.Param(1)); }
void GetLogOpt(CConsole& c) {
    const auto options = static_cast<std::int16_t>(c.Link().GetLogOpt());
    c.ShowMessage(Format(L"GetLogOpts %hd", options));
}
void SetLogOpt(CConsole& c) { c.Link().SetLogOpt(Short(c, 1)); }

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 13> kRows = {{
    // kind id     path                                slot                 busy   use    request        direct        result
    {I,    32827, L"Diver&ses/&Log/&Write Plexa Log", kNoSlot,             false, Clear, nullptr,       WriteLogFile, nullptr},
    {I,    32839, L"Diver&ses/&Log/&Get Log Options", kNoSlot,             false, Clear, nullptr,       GetLogOpt,    nullptr},
    {I,    32840, L"Diver&ses/&Log/&Set Log Options", kNoSlot,             false, Clear, nullptr,       SetLogOpt,    nullptr},
    {I,    32917, L"&Log/Add &Item",                  slot::LogAddItem,    true,  Clear, LogAddItem,    nullptr,      LogAddItemText},
    {I,    32918, L"&Log/&Get Item",                  slot::LogOCGetItem,  true,  Clear, LogOCGetItem,  nullptr,      LogOCGetItemText},
    {I,    32899, L"&Log/&Flush",                     slot::FlushLog,      true,  Clear, FlushLog,      nullptr,      FlushLogText},
    {I,    32901, L"&Log/Get &Header",                slot::GetLogHeader,  true,  Clear, GetLogHeader,  nullptr,      GetLogHeaderText},
    {Sep,  0,     L"&Log",                            kNoSlot,             false, Clear, nullptr,       nullptr,      nullptr},
    {I,    32911, L"&Log/Get &Config",                slot::LogGetConfig,  true,  Clear, LogGetConfig,  nullptr,      LogGetConfigText},
    {I,    32912, L"&Log/&Set Config",                slot::LogSetConfig,  true,  Clear, LogSetConfig,  nullptr,      LogSetConfigText},
    {Sep,  0,     L"&Log",                            kNoSlot,             false, Clear, nullptr,       nullptr,      nullptr},
    {I,    32898, L"&Log/&Add Entry",                 slot::AddLogEntry,   true,  Clear, AddLogEntry,   nullptr,      AddLogEntryText},
    {I,    32900, L"&Log/Get &Entries",               slot::GetLogEntries, true,  Clear, GetLogEntries, nullptr,      GetLogEntriesText},
}};

}  // namespace

std::span<const CommandRow> LogRows() { return kRows; }

}  // namespace vantel
