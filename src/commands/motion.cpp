// The menus "&Install" and "&Move".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> MotionRows() { return {}; }

}  // namespace vantel
