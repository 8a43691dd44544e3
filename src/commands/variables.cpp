// The menu "&Variablen" and the variable panel's buttons.
#include "commands/variables.h"

#include <span>

#include "commands/init_misc.h"
#include "commands/program.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

// A value button: one fixed value into one variable, through the slot of "Se&t".
template <RowText Name, RowText Value>
constexpr Sender Write = Request<&P::SetVar, FixedText<Name>, FixedText<Value>>;
constexpr ResultFn SetVarDone = FixedResult<L"Set Var o.k.", &P::SetVarResult>;

// "SetInfo &Off" stays without a handler: choosing it does nothing.
// Buttons carry their group and caption as path; the panel itself is laid out by the dialog.
// "ALL" confirms with the number 0, in the slot of "&Confirm".
constexpr CommandRow kRows[] = {
    Item(32812, L"&Variablen/DataPath &Show",    slot::DPShowVar, Request<&P::DPShowVar, Text<1>, Text<2>, Text<3>>, TextResult<&P::DPShowVarResult>),
    Item(32819, L"&Variablen/DataPath S&et",     slot::DPSetVar,  Request<&P::DPSetVar, Text<1>, Text<2>, Text<3>>,  FixedResult<L"DP Set Var o.k.", &P::DPSetVarResult>),
    Separator(L"&Variablen"),
    Item(32711, L"&Variablen/S&how",             slot::ShowVar,   ShowVarRequest,                                    ShowVarText),
    Item(32712, L"&Variablen/Se&t",              slot::SetVar,    Request<&P::SetVar, Text<1>, Text<2>>,             SetVarDone),
    Separator(L"&Variablen"),
    Item(32713, L"&Variablen/Set&Info",          slot::SetInfo,   SetInfoRequest,                                    SetInfoText, kKeepSlot),
    Item(32905, L"&Variablen/DataPath SetIn&fo", slot::DPSetInfo, Request<&P::DPSetInfo, Text<1>, Text<2>, Text<3>>, TextResult<&P::DPSetInfoResult>, kKeepSlot),
    Inert(32714, L"&Variablen/SetInfo &Off"),

    Button(1039, L"$MODE_OP/#EX",      slot::SetVar,   Write<L"$MODE_OP", L"#EX">,     SetVarDone),
    Button(1041, L"$MODE_OP/#T1",      slot::SetVar,   Write<L"$MODE_OP", L"#T1">,     SetVarDone),
    Button(1065, L"$MODE_OP/#T2",      slot::SetVar,   Write<L"$MODE_OP", L"#T2">,     SetVarDone),
    Button(1042, L"$MODE_OP/#AUTO",    slot::SetVar,   Write<L"$MODE_OP", L"#AUT">,    SetVarDone),
    Button(1046, L"$MOUSE_ACT/TRUE",   slot::SetVar,   Write<L"$MOUSE_ACT", L"TRUE">,  SetVarDone),
    Button(1047, L"$MOUSE_ACT/FALSE",  slot::SetVar,   Write<L"$MOUSE_ACT", L"FALSE">, SetVarDone),
    Button(1073, L"CONFIRM/ALL",       slot::Confirm,  Request<&P::Confirm, Fixed<0>>, ConfirmDone),
    Button(1052, L"$OV_JOG/1",         slot::SetVar,   Write<L"$OV_JOG", L"1">,        SetVarDone),
    Button(1053, L"$OV_JOG/10",        slot::SetVar,   Write<L"$OV_JOG", L"10">,       SetVarDone),
    Button(1054, L"$OV_JOG/20",        slot::SetVar,   Write<L"$OV_JOG", L"20">,       SetVarDone),
    Button(1055, L"$OV_JOG/50",        slot::SetVar,   Write<L"$OV_JOG", L"50">,       SetVarDone),
    Button(1056, L"$OV_JOG/100",       slot::SetVar,   Write<L"$OV_JOG", L"100">,      SetVarDone),
    Button(1045, L"$OV_PRO/1",         slot::SetVar,   Write<L"$OV_PRO", L"1">,        SetVarDone),
    Button(1048, L"$OV_PRO/10",        slot::SetVar,   Write<L"$OV_PRO", L"10">,       SetVarDone),
    Button(1049, L"$OV_PRO/20",        slot::SetVar,   Write<L"$OV_PRO", L"20">,       SetVarDone),
    Button(1050, L"$OV_PRO/50",        slot::SetVar,   Write<L"$OV_PRO", L"50">,       SetVarDone),
    Button(1051, L"$OV_PRO/100",       slot::SetVar,   Write<L"$OV_PRO", L"100">,      SetVarDone),
    Button(1040, L"Programm/Start",    slot::Start,    StartRequest,                   StartDone),
    Button(1070, L"Programm/Off",      slot::StartOff, StartOffRequest,                StartOffDone),
    Button(1071, L"Programm/Stop",     slot::Stop,     StopRequest,                    StopDone),
    Button(1072, L"Programm/Off",      slot::StopOff,  StopOffRequest,                 StopOffDone),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> VariableRows() { return kRows; }

}  // namespace vantel
