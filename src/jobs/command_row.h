// The shape of a command as the console runs it: one row of a table. The rows themselves
// are data handed to the console (the real ones are the catalogue under commands/), so the
// dispatcher knows rows only through this header.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "link/plexa.h"

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

// How a command gets one value: read from a parameter field, fixed by the command, or
// supplied by the console itself. Hints and the command list are generated from these.
enum class ReadAs : std::uint8_t {
    Text,      // the field's text as typed
    Short,     // "%hd"
    Long,      // "%ld"
    Unsigned,  // "%lu"
    LongBits,  // "%ld", its bits passed as unsigned
    Hex,       // "%lx"
    Is,        // 1 when the field is exactly `text`, else 0
    IsNot,     // 0 when the field is exactly `text`, else 1
    NonZero,   // "%ld", then 1 when not 0
    List,      // the pieces cut at every '|'
    Derived,   // made from the field as `text` says
    Fixed,     // always `value`
    FixedText, // always `text`
    Own,       // the console's own value, as `text` says
    Call,      // not a value: the command makes `call` (the call's arguments follow)
};

struct ArgSource {
    link::CallId call;
    int position;           // the argument of `call` it feeds; -1: read by the command itself, or a Call
    std::wstring_view name; // for position -1: what the command reads it as
    int field;              // 1-10; 0 when no field is read
    ReadAs as;
    std::wstring_view text;  // see ReadAs; for a number the command reads itself, what it takes
    long long value;
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
    std::span<const ArgSource> reads;  // every value the request or direct call passes
};

using CommandRows = std::span<const CommandRow>;

// The row with this command id (items, buttons, hidden commands); null when there is none.
const CommandRow* FindCommand(CommandRows rows, int id);

// The result row of a slot: the first row that fills it and has a result function or only
// acknowledges; null when there is none.
const CommandRow* SlotOwner(CommandRows rows, int slot);

}  // namespace vantel
