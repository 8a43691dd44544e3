// The menu "&Log" and the submenu "Diver&ses" > "&Log".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> LogRows() { return {}; }

}  // namespace vantel
