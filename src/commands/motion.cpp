// The menus "&Install" and "&Move".
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

std::int16_t Num(const CConsole& c, int field) { return ScanField<std::int16_t>(c.Param(field), L"%hd"); }
// Exactly "+" and nothing else: " +", "+ " and "++" are not plus.
std::int32_t PlusFlag(const CConsole& c, int field) { return FieldEquals(c.Param(field), L"+") ? 1 : 0; }

std::int16_t InstallRequest(CConsole& c) { return c.Link().Install(); }
std::int16_t EndInstallRequest(CConsole& c) { return c.Link().EndInstall(); }
std::int16_t AdjustRequest(CConsole& c) { return c.Link().Adjust(Num(c, 1), c.Param(2)); }
std::int16_t MoveRequest(CConsole& c) { return c.Link().Move(Num(c, 1), PlusFlag(c, 2)); }
std::int16_t MoveOffRequest(CConsole& c) { return c.Link().MoveOff(Num(c, 1), PlusFlag(c, 2)); }
std::int16_t Move6DRequest(CConsole& c) { return c.Link().Move6D(); }
std::int16_t Move6DOffRequest(CConsole& c) { return c.Link().Move6DOff(); }
std::int16_t PtpRequest(CConsole& c) { return c.Link().RobMovePTP(c.Param(1)); }
std::int16_t LinRequest(CConsole& c) { return c.Link().RobMoveLIN(c.Param(1)); }
std::int16_t PtpRelRequest(CConsole& c) { return c.Link().RobMovePTP_REL(c.Param(1)); }
std::int16_t LinRelRequest(CConsole& c) { return c.Link().RobMoveLIN_REL(c.Param(1)); }

int InstallDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Install o.k."; return c.Link().InstallResult(h); }
int EndInstallDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"End Install o.k."; return c.Link().EndInstallResult(h); }
int AdjustDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Adjust o.k."; return c.Link().AdjustResult(h); }
int MoveDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Move o.k."; return c.Link().MoveResult(h); }
int MoveOffDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"MoveOff o.k."; return c.Link().MoveOffResult(h); }
int Move6DDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Move6D o.k."; return c.Link().Move6DResult(h); }
int Move6DOffDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Move6DOff o.k."; return c.Link().Move6DOffResult(h); }
// The four robot moves share one result call; the slot the handle was found in (and so the
// row) decides the message, and only that slot is freed.
int PtpDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Rob Move PTP o.k."; return c.Link().RobMoveResult(h); }
int LinDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Rob Move LIN o.k."; return c.Link().RobMoveResult(h); }
int PtpRelDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Rob Move PTP REL o.k."; return c.Link().RobMoveResult(h); }
int LinRelDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Rob Move LIN REL o.k."; return c.Link().RobMoveResult(h); }

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 14> kRows = {{
    // kind id     path                           slot                  busy   use    request            direct   result
    {I,    32750, L"&Install/&Install",          slot::Install,        true,  Clear, InstallRequest,    nullptr, InstallDone},
    {I,    32751, L"&Install/&End Install",      slot::EndInstall,     true,  Clear, EndInstallRequest, nullptr, EndInstallDone},
    {Sep,  0,     L"&Install",                   kNoSlot,              false, Clear, nullptr,           nullptr, nullptr},
    {I,    32752, L"&Install/&Adjust",           slot::Adjust,         true,  Clear, AdjustRequest,     nullptr, AdjustDone},
    {I,    32831, L"&Move/&Move",                slot::Move,           true,  Clear, MoveRequest,       nullptr, MoveDone},
    {I,    32832, L"&Move/Move &Off",            slot::MoveOff,        true,  Clear, MoveOffRequest,    nullptr, MoveOffDone},
    {Sep,  0,     L"&Move",                      kNoSlot,              false, Clear, nullptr,           nullptr, nullptr},
    {I,    32833, L"&Move/Move &6D",             slot::Move6D,         true,  Clear, Move6DRequest,     nullptr, Move6DDone},
    {I,    32834, L"&Move/Move 6D O&ff",         slot::Move6DOff,      true,  Clear, Move6DOffRequest,  nullptr, Move6DOffDone},
    {Sep,  0,     L"&Move",                      kNoSlot,              false, Clear, nullptr,           nullptr, nullptr},
    {I,    32835, L"&Move/RobMove &PTP",         slot::RobMovePTP,     true,  Clear, PtpRequest,        nullptr, PtpDone},
    {I,    32836, L"&Move/RobMove &LIN",         slot::RobMoveLIN,     true,  Clear, LinRequest,        nullptr, LinDone},
    {I,    32837, L"&Move/RobMove P&TP Rel",     slot::RobMovePTP_REL, true,  Clear, PtpRelRequest,     nullptr, PtpRelDone},
    {I,    32838, L"&Move/RobMove L&IN Rel",     slot::RobMoveLIN_REL, true,  Clear, LinRelRequest,     nullptr, LinRelDone},
}};

}  // namespace

std::span<const CommandRow> MotionRows() { return kRows; }

}  // namespace vantel
