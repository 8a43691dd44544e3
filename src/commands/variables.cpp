// The menu "&Variablen" and the variable panel's buttons.
#include "commands/variables.h"

#include <array>
#include <cstddef>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "commands/init_misc.h"
#include "commands/program.h"
#include "jobs/console.h"

namespace vantel {

std::int16_t ShowVarRequest(CConsole& c) { return c.Link().ShowVar(c.Param(1), c.Param(2)); }
std::int16_t SetInfoRequest(CConsole& c) { return c.Link().SetInfo(c.Param(1), c.Param(2)); }
int ShowVarText(CConsole& c, std::int16_t h, std::wstring& message) { return c.Link().ShowVarResult(h, message); }
int SetInfoText(CConsole& c, std::int16_t h, std::wstring& message) { return c.Link().SetInfoResult(h, message); }

namespace {

std::int16_t DPShowVarRequest(CConsole& c) { return c.Link().DPShowVar(c.Param(1), c.Param(2), c.Param(3)); }
std::int16_t DPSetVarRequest(CConsole& c) { return c.Link().DPSetVar(c.Param(1), c.Param(2), c.Param(3)); }
std::int16_t SetVarRequest(CConsole& c) { return c.Link().SetVar(c.Param(1), c.Param(2)); }
std::int16_t DPSetInfoRequest(CConsole& c) { return c.Link().DPSetInfo(c.Param(1), c.Param(2), c.Param(3)); }

int DPShowVarText(CConsole& c, std::int16_t h, std::wstring& m) { return c.Link().DPShowVarResult(h, m); }
constexpr ResultFn DPSetVarDone = FixedResult<L"DP Set Var o.k.", &link::CPlexa::DPSetVarResult>;
constexpr ResultFn SetVarDone = FixedResult<L"Set Var o.k.", &link::CPlexa::SetVarResult>;
int DPSetInfoText(CConsole& c, std::int16_t h, std::wstring& m) { return c.Link().DPSetInfoResult(h, m); }

// A literal as a template argument, so that each panel button is one instance of Write.
template <std::size_t N>
struct Literal {
    wchar_t text[N];
    constexpr Literal(const wchar_t (&s)[N]) {
        for (std::size_t i = 0; i < N; ++i) text[i] = s[i];
    }
};

// A value button: one fixed value into one variable, through the slot of "Se&t".
template <Literal Name, Literal Value>
std::int16_t Write(CConsole& c) { return c.Link().SetVar(Name.text, Value.text); }

// "ALL" confirms with the number 0, in the slot of "&Confirm".
std::int16_t ConfirmAll(CConsole& c) { return c.Link().Confirm(0); }

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto B = RowKind::Button;
constexpr auto Clear = SlotUse::Clear;
constexpr auto Keep = SlotUse::Keep;

// "SetInfo &Off" stays without a handler: choosing it does nothing.
// Buttons carry their group and caption as path; the panel itself is laid out by the dialog.
constexpr std::array<CommandRow, 30> kRows = {{
    // kind id     path                                 slot              busy   use    request                        direct   result
    {I,    32812, L"&Variablen/DataPath &Show",        slot::DPShowVar,  true,  Clear, DPShowVarRequest,              nullptr, DPShowVarText},
    {I,    32819, L"&Variablen/DataPath S&et",         slot::DPSetVar,   true,  Clear, DPSetVarRequest,               nullptr, DPSetVarDone},
    {Sep,  0,     L"&Variablen",                       kNoSlot,          false, Clear, nullptr,                       nullptr, nullptr},
    {I,    32711, L"&Variablen/S&how",                 slot::ShowVar,    true,  Clear, ShowVarRequest,                nullptr, ShowVarText},
    {I,    32712, L"&Variablen/Se&t",                  slot::SetVar,     true,  Clear, SetVarRequest,                 nullptr, SetVarDone},
    {Sep,  0,     L"&Variablen",                       kNoSlot,          false, Clear, nullptr,                       nullptr, nullptr},
    {I,    32713, L"&Variablen/Set&Info",              slot::SetInfo,    true,  Keep,  SetInfoRequest,                nullptr, SetInfoText},
    {I,    32905, L"&Variablen/DataPath SetIn&fo",     slot::DPSetInfo,  true,  Keep,  DPSetInfoRequest,              nullptr, DPSetInfoText},
    {I,    32714, L"&Variablen/SetInfo &Off",          kNoSlot,          false, Clear, nullptr,                       nullptr, nullptr},

    {B,    1039,  L"$MODE_OP/#EX",                     slot::SetVar,     true,  Clear, Write<L"$MODE_OP", L"#EX">,    nullptr, SetVarDone},
    {B,    1041,  L"$MODE_OP/#T1",                     slot::SetVar,     true,  Clear, Write<L"$MODE_OP", L"#T1">,    nullptr, SetVarDone},
    {B,    1065,  L"$MODE_OP/#T2",                     slot::SetVar,     true,  Clear, Write<L"$MODE_OP", L"#T2">,    nullptr, SetVarDone},
    {B,    1042,  L"$MODE_OP/#AUTO",                   slot::SetVar,     true,  Clear, Write<L"$MODE_OP", L"#AUT">,   nullptr, SetVarDone},
    {B,    1046,  L"$MOUSE_ACT/TRUE",                  slot::SetVar,     true,  Clear, Write<L"$MOUSE_ACT", L"TRUE">, nullptr, SetVarDone},
    {B,    1047,  L"$MOUSE_ACT/FALSE",                 slot::SetVar,     true,  Clear, Write<L"$MOUSE_ACT", L"FALSE">, nullptr, SetVarDone},
    {B,    1073,  L"CONFIRM/ALL",                      slot::Confirm,    true,  Clear, ConfirmAll,                    nullptr, ConfirmDone},
    {B,    1052,  L"$OV_JOG/1",                        slot::SetVar,     true,  Clear, Write<L"$OV_JOG", L"1">,       nullptr, SetVarDone},
    {B,    1053,  L"$OV_JOG/10",                       slot::SetVar,     true,  Clear, Write<L"$OV_JOG", L"10">,      nullptr, SetVarDone},
    {B,    1054,  L"$OV_JOG/20",                       slot::SetVar,     true,  Clear, Write<L"$OV_JOG", L"20">,      nullptr, SetVarDone},
    {B,    1055,  L"$OV_JOG/50",                       slot::SetVar,     true,  Clear, Write<L"$OV_JOG", L"50">,      nullptr, SetVarDone},
    {B,    1056,  L"$OV_JOG/100",                      slot::SetVar,     true,  Clear, Write<L"$OV_JOG", L"100">,     nullptr, SetVarDone},
    {B,    1045,  L"$OV_PRO/1",                        slot::SetVar,     true,  Clear, Write<L"$OV_PRO", L"1">,       nullptr, SetVarDone},
    {B,    1048,  L"$OV_PRO/10",                       slot::SetVar,     true,  Clear, Write<L"$OV_PRO", L"10">,      nullptr, SetVarDone},
    {B,    1049,  L"$OV_PRO/20",                       slot::SetVar,     true,  Clear, Write<L"$OV_PRO", L"20">,      nullptr, SetVarDone},
    {B,    1050,  L"$OV_PRO/50",                       slot::SetVar,     true,  Clear, Write<L"$OV_PRO", L"50">,      nullptr, SetVarDone},
    {B,    1051,  L"$OV_PRO/100",                      slot::SetVar,     true,  Clear, Write<L"$OV_PRO", L"100">,     nullptr, SetVarDone},
    {B,    1040,  L"Programm/Start",                   slot::Start,      true,  Clear, StartRequest,                  nullptr, StartDone},
    {B,    1070,  L"Programm/Off",                     slot::StartOff,   true,  Clear, StartOffRequest,               nullptr, StartOffDone},
    {B,    1071,  L"Programm/Stop",                    slot::Stop,       true,  Clear, StopRequest,                   nullptr, StopDone},
    {B,    1072,  L"Programm/Off",                     slot::StopOff,    true,  Clear, StopOffRequest,                nullptr, StopOffDone},
}};

}  // namespace

std::span<const CommandRow> VariableRows() { return kRows; }

}  // namespace vantel
