// The menus "&Install" and "&Move".
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
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

constexpr ResultFn InstallDone = FixedResult<L"Install o.k.", &link::CPlexa::InstallResult>;
constexpr ResultFn EndInstallDone = FixedResult<L"End Install o.k.", &link::CPlexa::EndInstallResult>;
constexpr ResultFn AdjustDone = FixedResult<L"Adjust o.k.", &link::CPlexa::AdjustResult>;
constexpr ResultFn MoveDone = FixedResult<L"Move o.k.", &link::CPlexa::MoveResult>;
constexpr ResultFn MoveOffDone = FixedResult<L"MoveOff o.k.", &link::CPlexa::MoveOffResult>;
constexpr ResultFn Move6DDone = FixedResult<L"Move6D o.k.", &link::CPlexa::Move6DResult>;
constexpr ResultFn Move6DOffDone = FixedResult<L"Move6DOff o.k.", &link::CPlexa::Move6DOffResult>;
// The four robot moves share one result call; the slot the handle was found in (and so the
// row) decides the message, and only that slot is freed.
constexpr ResultFn PtpDone = FixedResult<L"Rob Move PTP o.k.", &link::CPlexa::RobMoveResult>;
constexpr ResultFn LinDone = FixedResult<L"Rob Move LIN o.k.", &link::CPlexa::RobMoveResult>;
constexpr ResultFn PtpRelDone = FixedResult<L"Rob Move PTP REL o.k.", &link::CPlexa::RobMoveResult>;
constexpr ResultFn LinRelDone = FixedResult<L"Rob Move LIN REL o.k.", &link::CPlexa::RobMoveResult>;

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
