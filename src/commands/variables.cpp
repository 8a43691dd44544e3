// The menu "&Variablen".
#include "commands/variables.h"

#include <array>
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::int16_t ShowVarRequest(CConsole& c) { return c.Link().ShowVar(c.Param(1), c.Param(2)); }
std::int16_t SetInfoRequest(CConsole& c) { return c.Link().SetInfo(c.Param(1), c.Param(2)); }
int ShowVarText(CConsole& c, std::int16_t h, std::wstring& message) { return c.Link().ShowVarResult(h, message); }
int SetInfoText(CConsole& c, std::int16_t h, std::wstring& message) { return c.Link().SetInfoResult(h, message); }

namespace {

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;
constexpr auto Keep = SlotUse::Keep;

// The data-path rows and "Se&t" get their requests with the rest of the variable commands.
// "SetInfo &Off" stays without a handler: choosing it does nothing.
constexpr std::array<CommandRow, 9> kRows = {{
    // kind id     path                                 slot              busy   use    request         direct   result
    {I,    32812, L"&Variablen/DataPath &Show",        slot::DPShowVar,  true,  Clear, nullptr,        nullptr, nullptr},
    {I,    32819, L"&Variablen/DataPath S&et",         slot::DPSetVar,   true,  Clear, nullptr,        nullptr, nullptr},
    {Sep,  0,     L"&Variablen",                       kNoSlot,          false, Clear, nullptr,        nullptr, nullptr},
    {I,    32711, L"&Variablen/S&how",                 slot::ShowVar,    true,  Clear, ShowVarRequest, nullptr, ShowVarText},
    {I,    32712, L"&Variablen/Se&t",                  slot::SetVar,     true,  Clear, nullptr,        nullptr, nullptr},
    {Sep,  0,     L"&Variablen",                       kNoSlot,          false, Clear, nullptr,        nullptr, nullptr},
    {I,    32713, L"&Variablen/Set&Info",              slot::SetInfo,    true,  Keep,  SetInfoRequest, nullptr, SetInfoText},
    {I,    32905, L"&Variablen/DataPath SetIn&fo",     slot::DPSetInfo,  true,  Keep,  nullptr,        nullptr, nullptr},
    {I,    32714, L"&Variablen/SetInfo &Off",          kNoSlot,          false, Clear, nullptr,        nullptr, nullptr},
}};

}  // namespace

std::span<const CommandRow> VariableRows() { return kRows; }

}  // namespace vantel
