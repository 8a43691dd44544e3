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

namespace vantel {

class CConsole;

// Builds the request from the parameter strings and sends it; returns the job handle, which
// goes into the row's slot. The bulk command of the Show-variable table fills the table
// itself.
using RequestFn = std::int16_t (*)(CConsole&);
// A command answered at once, without a job (it may show a message itself, through
// CConsole::ShowMessage).
using DirectFn = void (*)(CConsole&);
// Fetches the result of job h. Returns the call's result; on 1, message is what to show.
using ResultFn = int (*)(CConsole&, std::int16_t h, std::wstring& message);

enum class RowKind : std::uint8_t {
    Item,       // a menu item (path: menu path and the item's text)
    Separator,  // a separator in the menu named by path
    Submenu,    // places the submenu named by path; its items may come from other groups
    Button,     // a panel button: no menu entry
    Hidden,     // reachable only by a command message from outside
};

// What a slot's result does to the slot.
enum class SlotUse : std::uint8_t {
    Clear,       // command slot: cleared after its result is shown
    Keep,        // subscription slot: every result shown, the slot stays busy
    Acknowledge  // test slot: no result call, nothing shown, the slot stays
};

inline constexpr int kShowTable = 1000;  // slot value of the bulk Show variable command

struct CommandRow {
    RowKind kind;
    int id;                 // command id; 0 for separators and submenus
    std::wstring_view path; // "Diver&ses/&Active/&Get": menus and item text, '/' between levels
    int slot;               // a job slot 0-132, kShowTable, or kNoSlot (-1)
    bool busyCheck;
    SlotUse use;
    RequestFn request;
    DirectFn direct;
    ResultFn result;
};

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

}  // namespace vantel
