// The menu "&Log" and the submenu "Diver&ses" > "&Log". The log's job commands pass a fixed
// text "F" and log class and type 0; the submenu's three calls go to the link directly and
// answer at once, so they work while any job is pending.
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;
using link::BoolArray;
using link::StringArray;

using FixedText_F = FixedText<L"F">;
using LogClass0 = Fixed<static_cast<link::ELogClass>(0)>;
using LogType0 = Fixed<static_cast<link::ELogType>(0)>;
template <int N> using Number = As<std::int32_t, Unsigned<N>>;

// One flag, all false, for each piece of field N's list.
template <int N> struct NoFlags : Reads<N, ReadAs::Derived> {
    static constexpr std::wstring_view kText = L"one flag per piece, all false";
    static BoolArray Read(const CConsole& c) { return BoolArray(List<N>::Read(c).size(), false); }
};

constexpr Sender LogAddItem = Request<&P::LogAddItem, Text<1>, Text<2>, Number<3>, Short<4>, Text<5>, Text<6>, Text<7>,
                                         List<8>, NoFlags<8>, FixedText_F, LogClass0, LogType0>;

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

// The link's own log: its answer is dropped.
void WriteLogFile(CConsole& c) { c.Link().WriteLogFile(c.Param(1)); }
void GetLogOpt(CConsole& c) {
    const auto options = static_cast<std::int16_t>(c.Link().GetLogOpt());
    c.ShowMessage(Format(L"GetLogOpts %hd", options));
}
void SetLogOpt(CConsole& c) { c.Link().SetLogOpt(Short<1>::Read(c)); }

constexpr Sender AddLogEntry = Request<&P::AddLogEntry, Text<1>, Text<2>, Unsigned<3>, Short<4>, Text<5>, Text<6>,
                                          Text<7>, Fixed<0>, FixedText_F, LogClass0>;

constexpr CommandRow kRows[] = {
    Direct(32827, L"Diver&ses/&Log/&Write Plexa Log", WriteLogFile, Uses<&P::WriteLogFile, Text<1>>),
    Direct(32839, L"Diver&ses/&Log/&Get Log Options", GetLogOpt,    Uses<&P::GetLogOpt>),
    Direct(32840, L"Diver&ses/&Log/&Set Log Options", SetLogOpt,    Uses<&P::SetLogOpt, Short<1>>),
    Item(32917, L"&Log/Add &Item",    slot::LogAddItem,    LogAddItem,                                         ValueResult<L"LogAddItem %d", &P::LogAddItemResult>),
    Item(32918, L"&Log/&Get Item",    slot::LogOCGetItem,  Request<&P::LogOCGetItem, Number<1>>,               LogOCGetItemText),
    Item(32899, L"&Log/&Flush",       slot::FlushLog,      Request<&P::FlushLog>,                              FixedResult<L"FlushLog o.k.", &P::FlushLogResult>),
    Item(32901, L"&Log/Get &Header",  slot::GetLogHeader,  Request<&P::GetLogHeader>,                          ValueResult<L"GetLogHeader:\n%s", &P::GetLogHeaderResult>),
    Separator(L"&Log"),
    Item(32911, L"&Log/Get &Config",  slot::LogGetConfig,  Request<&P::LogGetConfig>,                          ValueResult<L"Log GetConfig %d", &P::LogGetConfigResult>),
    Item(32912, L"&Log/&Set Config",  slot::LogSetConfig,  Request<&P::LogSetConfig, Number<1>>,               FixedResult<L"Log SetConfig o.k.", &P::LogSetConfigResult>),
    Separator(L"&Log"),
    Item(32898, L"&Log/&Add Entry",   slot::AddLogEntry,   AddLogEntry,                                        FixedResult<L"AddLogEntry o.k.", &P::AddLogEntryResult>),
    Item(32900, L"&Log/Get &Entries", slot::GetLogEntries, Request<&P::GetLogEntries, Unsigned<1>, Unsigned<2>>, ValueResult<L"GetLogEntries:\n%s", &P::GetLogEntriesResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> LogRows() { return kRows; }

}  // namespace vantel
