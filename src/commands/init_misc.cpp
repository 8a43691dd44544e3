// The menus "Ini&t" and "Diver&ses" (its "&Log" submenu is placed here and filled by the log commands).
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> InitMiscRows() { return {}; }

}  // namespace vantel
