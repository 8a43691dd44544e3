// "&FileManager" > "&ModuleInformation", "&Error" and "&Notify".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> ModuleInfoRows() { return {}; }

}  // namespace vantel
