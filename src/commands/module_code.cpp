// "&FileManager" > "Module&Code".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> ModuleCodeRows() { return {}; }

}  // namespace vantel
