// The command catalogue: every menu item, panel button and hidden command is one row.
// The menu bar, the command routing, the dispatcher's result rows and the every-command
// scenario script are all read from these rows, so a command is written once.
//
// Adding a request with its command, every step:
//   1. link/plexa_calls.def: the request's line and its result call's line, each with a
//      name for every argument, in the family they belong to. CPlexa, the tracing wrapper
//      and the scripted link follow.
//   2. The simulated controller answers it: a case for the call in its family's file under
//      sim/requests/ (what it checks, what the result call delivers), reading its arguments
//      with Arg<CallId::Name, position>. The routing follows from the family in step 1.
//   3. docs/simulator.md: the call's row in the table of what the simulator answers.
//   4. jobs/slots.h: the slot's name at the end of slot::, before Count (its number is
//      fixed from then on), and its place in kResultSearchOrder (the static_assert below
//      it fails until every used slot is there once).
//   5. commands/<group>.cpp: the row, in menu order, e.g.
//        Item(id, L"&Menu/&Text", slot::Name, Request<&P::Call, Text<1>, Short<2>>,
//             FixedResult<L"Call o.k.", &P::CallResult>),
//      with the field readers of commands/fields.h and one of the result shapes of
//      commands/rows.h; a result shown otherwise gets a function beside the table. A
//      command answered at once is a Direct row and needs no slot (skip step 4). A
//      request or direct call written by hand gives the row where its values come from
//      (Uses<&P::Call, readers...>, ReadFor for what it reads for itself): the status line's
//      hint and vantel-batch --commands are made from it, and the catalogue test runs the
//      command to check it. A new
//      menu group is a new file and one line in catalogue.cpp's kGroups; a new top-level
//      menu also a word in kTopLevelMenus.
//   6. tests/batch/sim_every_command.out: the every-command script picks the new command
//      by itself; its expected output is rewritten by running the script with --update
//      (vantel-batch --expect tests/batch/sim_every_command.out --update
//      build/default/tests/generated_batch/sim_every_command.vbs) and read before it is
//      committed.
// Each group's table is checked when compiled (ids, slots, request and result only with a
// slot); the catalogue test checks the rows together (ids unique, menus present, one
// result row a slot).
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
