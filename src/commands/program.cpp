// The menu "&Programm".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> ProgramRows() { return {}; }

}  // namespace vantel
