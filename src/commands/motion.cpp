// The menus "&Install" and "&Move".
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

// The four robot moves share one result call; the slot the handle was found in (and so the
// row) decides the message, and only that slot is freed.
constexpr CommandRow kRows[] = {
    Item(32750, L"&Install/&Install",      slot::Install,        Request<&P::Install>,                      FixedResult<L"Install o.k.", &P::InstallResult>),
    Item(32751, L"&Install/&End Install",  slot::EndInstall,     Request<&P::EndInstall>,                   FixedResult<L"End Install o.k.", &P::EndInstallResult>),
    Separator(L"&Install"),
    Item(32752, L"&Install/&Adjust",       slot::Adjust,         Request<&P::Adjust, Short<1>, Text<2>>,    FixedResult<L"Adjust o.k.", &P::AdjustResult>),
    Item(32831, L"&Move/&Move",            slot::Move,           Request<&P::Move, Short<1>, Plus<2>>,      FixedResult<L"Move o.k.", &P::MoveResult>),
    Item(32832, L"&Move/Move &Off",        slot::MoveOff,        Request<&P::MoveOff, Short<1>, Plus<2>>,   FixedResult<L"MoveOff o.k.", &P::MoveOffResult>),
    Separator(L"&Move"),
    Item(32833, L"&Move/Move &6D",         slot::Move6D,         Request<&P::Move6D>,                       FixedResult<L"Move6D o.k.", &P::Move6DResult>),
    Item(32834, L"&Move/Move 6D O&ff",     slot::Move6DOff,      Request<&P::Move6DOff>,                    FixedResult<L"Move6DOff o.k.", &P::Move6DOffResult>),
    Separator(L"&Move"),
    Item(32835, L"&Move/RobMove &PTP",     slot::RobMovePTP,     Request<&P::RobMovePTP, Text<1>>,          FixedResult<L"Rob Move PTP o.k.", &P::RobMoveResult>),
    Item(32836, L"&Move/RobMove &LIN",     slot::RobMoveLIN,     Request<&P::RobMoveLIN, Text<1>>,          FixedResult<L"Rob Move LIN o.k.", &P::RobMoveResult>),
    Item(32837, L"&Move/RobMove P&TP Rel", slot::RobMovePTP_REL, Request<&P::RobMovePTP_REL, Text<1>>,      FixedResult<L"Rob Move PTP REL o.k.", &P::RobMoveResult>),
    Item(32838, L"&Move/RobMove L&IN Rel", slot::RobMoveLIN_REL, Request<&P::RobMoveLIN_REL, Text<1>>,      FixedResult<L"Rob Move LIN REL o.k.", &P::RobMoveResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> MotionRows() { return kRows; }

}  // namespace vantel
