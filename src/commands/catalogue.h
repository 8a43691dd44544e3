// The command catalogue: every menu item, panel button and hidden command is one row.
// The menu bar, the command routing and the dispatcher's result rows are all read from
// these rows, so a command is written once.
//
// How to add a command:
//   1. add its row to the table of its menu group (commands/<group>.cpp), in menu order
//      (a new group: one line in catalogue.cpp's group list);
//   2. give it a request function (or a direct function) and, when it has a slot, a result
//      function for the slot's first row;
//   3. a new link call goes into link/plexa_calls.def.
// The catalogue test walks every row: ids unique, slots in range, menus present.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/command_row.h"

namespace vantel {

// The top-level menus of the menu bar, left to right.
std::span<const std::wstring_view> TopLevelMenus();

// Every row, groups in menu-bar order, rows of a group in menu order.
const std::vector<CommandRow>& Catalogue();

// The row with this command id (items, buttons, hidden commands); null when there is none.
const CommandRow* FindCommand(int id);

// The result row of a slot: the first row of the catalogue that fills it and has a result
// function or only acknowledges; null when there is none.
const CommandRow* SlotOwner(int slot);

// The rows of one menu group, defined in the group's own file and listed in catalogue.cpp.
using GroupRowsFn = std::span<const CommandRow> (*)();
struct CommandGroup {
    std::string_view name;  // its file under commands/, without ".cpp"
    GroupRowsFn rows;
};

// The groups in menu-bar order.
std::span<const CommandGroup> Groups();

}  // namespace vantel
