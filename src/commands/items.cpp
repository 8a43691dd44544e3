// "&FileManager" > "&Item".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> ItemRows() { return {}; }

}  // namespace vantel
