// The menu "&Programm". Every field goes to the link as typed.
#include "commands/program.h"

#include <span>

namespace vantel {
namespace {

using namespace field;
using namespace row;

constexpr ResultFn CancelDone = FixedResult<L"Cancel o.k.", &P::CancelResult>;

// The "mit Option" variants share the slot, and so the result call, of their plain command.
constexpr CommandRow kRows[] = {
    Item(32730, L"&Programm/&Run",              slot::Run,      Request<&P::Run, Text<1>, Text<2>>,    FixedResult<L"Run o.k.", &P::RunResult>),
    Item(32731, L"&Programm/Se&lect",           slot::Select,   Request<&P::Select, Text<1>, Text<2>>, FixedResult<L"Select o.k.", &P::SelectResult>),
    Separator(L"&Programm"),
    Item(32732, L"&Programm/&Start",            slot::Start,    StartRequest,                          StartDone),
    Item(32733, L"&Programm/Start &Off",        slot::StartOff, StartOffRequest,                       StartOffDone),
    Item(32734, L"&Programm/S&top",             slot::Stop,     StopRequest,                           StopDone),
    Item(32735, L"&Programm/Stop O&ff",         slot::StopOff,  StopOffRequest,                        StopOffDone),
    Separator(L"&Programm"),
    Item(32736, L"&Programm/&Cancel",           slot::Cancel,   Request<&P::Cancel>,                   CancelDone),
    Item(32737, L"&Programm/R&eset",            slot::Reset,    Request<&P::Reset>,                    FixedResult<L"Reset o.k.", &P::ResetResult>),
    Separator(L"&Programm"),
    Item(32797, L"&Programm/Stop mit Option",   slot::Stop,     Request<&P::StopSteu, Text<1>>,        StopDone),
    Item(32798, L"&Programm/Cancel mit Option", slot::Cancel,   Request<&P::CancelSteu, Text<1>>,      CancelDone),
    Separator(L"&Programm"),
    Item(32842, L"&Programm/E&xecute Command",  slot::EditExec, Request<&P::EditExec, Text<1>>,        FixedResult<L"EditExec o.k.", &P::EditExecResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> ProgramRows() { return kRows; }

}  // namespace vantel
