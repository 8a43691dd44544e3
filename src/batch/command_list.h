// vantel-batch --commands: every command with what it reads, for script writers.
#pragma once
#include <ostream>

#include "jobs/command_row.h"

namespace vantel::batch {

// One line per command: id, kind, place, calls, fields, constants, slot, busy check.
void WriteCommandList(std::ostream& out, CommandRows rows);
// The same as a JSON array of objects.
void WriteCommandJson(std::ostream& out, CommandRows rows);

}  // namespace vantel::batch
