// The menu "&Programm". Every field goes to the link as typed.
#include "commands/program.h"

#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"

namespace vantel {

std::int16_t StartRequest(CConsole& c) { return c.Link().Start(); }
std::int16_t StartOffRequest(CConsole& c) { return c.Link().StartOff(); }
std::int16_t StopRequest(CConsole& c) { return c.Link().Stop(); }
std::int16_t StopOffRequest(CConsole& c) { return c.Link().StopOff(); }

int StartDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Start o.k."; return c.Link().StartResult(h); }
int StartOffDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"StartOff o.k."; return c.Link().StartOffResult(h); }
int StopDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Stop o.k."; return c.Link().StopResult(h); }
int StopOffDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"StopOff o.k."; return c.Link().StopOffResult(h); }

namespace {

std::int16_t RunRequest(CConsole& c) { return c.Link().Run(c.Param(1), c.Param(2)); }
std::int16_t SelectRequest(CConsole& c) { return c.Link().Select(c.Param(1), c.Param(2)); }
std::int16_t CancelRequest(CConsole& c) { return c.Link().Cancel(); }
std::int16_t ResetRequest(CConsole& c) { return c.Link().Reset(); }
std::int16_t StopSteuRequest(CConsole& c) { return c.Link().StopSteu(c.Param(1)); }
std::int16_t CancelSteuRequest(CConsole& c) { return c.Link().CancelSteu(c.Param(1)); }
std::int16_t ExecRequest(CConsole& c) { return c.Link().EditExec(c.Param(1)); }

constexpr ResultFn RunDone = FixedResult<L"Run o.k.", &link::CPlexa::RunResult>;
constexpr ResultFn SelectDone = FixedResult<L"Select o.k.", &link::CPlexa::SelectResult>;
constexpr ResultFn CancelDone = FixedResult<L"Cancel o.k.", &link::CPlexa::CancelResult>;
constexpr ResultFn ResetDone = FixedResult<L"Reset o.k.", &link::CPlexa::ResetResult>;
constexpr ResultFn ExecDone = FixedResult<L"EditExec o.k.", &link::CPlexa::EditExecResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

// The "mit Option" variants share the slot, and so the result call, of their plain command.
constexpr std::array<CommandRow, 15> kRows = {{
    // kind id     path                              slot             busy   use    request            direct   result
    {I,    32730, L"&Programm/&Run",                slot::Run,       true,  Clear, RunRequest,        nullptr, RunDone},
    {I,    32731, L"&Programm/Se&lect",             slot::Select,    true,  Clear, SelectRequest,     nullptr, SelectDone},
    {Sep,  0,     L"&Programm",                     kNoSlot,         false, Clear, nullptr,           nullptr, nullptr},
    {I,    32732, L"&Programm/&Start",              slot::Start,     true,  Clear, StartRequest,      nullptr, StartDone},
    {I,    32733, L"&Programm/Start &Off",          slot::StartOff,  true,  Clear, StartOffRequest,   nullptr, StartOffDone},
    {I,    32734, L"&Programm/S&top",               slot::Stop,      true,  Clear, StopRequest,       nullptr, StopDone},
    {I,    32735, L"&Programm/Stop O&ff",           slot::StopOff,   true,  Clear, StopOffRequest,    nullptr, StopOffDone},
    {Sep,  0,     L"&Programm",                     kNoSlot,         false, Clear, nullptr,           nullptr, nullptr},
    {I,    32736, L"&Programm/&Cancel",             slot::Cancel,    true,  Clear, CancelRequest,     nullptr, CancelDone},
    {I,    32737, L"&Programm/R&eset",              slot::Reset,     true,  Clear, ResetRequest,      nullptr, ResetDone},
    {Sep,  0,     L"&Programm",                     kNoSlot,         false, Clear, nullptr,           nullptr, nullptr},
    {I,    32797, L"&Programm/Stop mit Option",     slot::Stop,      true,  Clear, StopSteuRequest,   nullptr, StopDone},
    {I,    32798, L"&Programm/Cancel mit Option",   slot::Cancel,    true,  Clear, CancelSteuRequest, nullptr, CancelDone},
    {Sep,  0,     L"&Programm",                     kNoSlot,         false, Clear, nullptr,           nullptr, nullptr},
    {I,    32842, L"&Programm/E&xecute Command",    slot::EditExec,  true,  Clear, ExecRequest,       nullptr, ExecDone},
}};

}  // namespace

std::span<const CommandRow> ProgramRows() { return kRows; }

}  // namespace vantel
