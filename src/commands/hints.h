// What a command reads, in words: the status line's hint, the tooltips and the command list
// are all generated from a row's reads and the call list's argument names, so they say what
// the command does, not what someone once wrote about it.
#pragma once
#include <string>
#include <vector>

#include "jobs/command_row.h"

namespace vantel::hint {

// The command's own text: the last part of its path without '&' ("Find", "#AUTO");
// "Command 36864" for a hidden command.
std::wstring Title(const CommandRow& row);

// Where the command is found: "FileManager > ModuleCode > Find", a button's group and caption
// ("$MODE_OP > #AUTO"), or "hidden".
std::wstring Place(const CommandRow& row);

// The name of the value a source feeds: the call's argument name, or the command's own.
std::wstring ArgumentName(const ArgSource& source);

// How a field is read: "text", "%ld", "%lx", "exactly \"+\" -> 1", ...
std::wstring ReaderText(const ArgSource& source);

// What a source without a field passes: 1, "F" (quoted), or what the console supplies.
std::wstring ConstantText(const ArgSource& source);

// The calls the command makes, by name, joined by ", "; empty when it makes none.
std::wstring Calls(const CommandRow& row);

// What the command passes without a field: "forward = 1, whole word = 0"; empty when nothing.
std::wstring Constants(const CommandRow& row);

// One line for the status line:
//     Find — 1 handle · 2 text · 3 line · ... · 7 match case (0/1)
// A command that reads no field names what it passes instead, e.g.
//     #AUTO — writes name "$MODE_OP", value "#AUT"
std::wstring Short(const CommandRow& row);

// Every field with its reader, then every constant: the tooltip's text, one item per line.
std::wstring Full(const CommandRow& row);

// What field n fed in the row: "handle (%ld)"; several arguments joined by ", ". Empty
// when the row does not read the field.
std::wstring FieldUse(const CommandRow& row, int n);

}  // namespace vantel::hint
