// "&FileManager" > "Item (&Domain)".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> ItemExecRows() { return {}; }

}  // namespace vantel
