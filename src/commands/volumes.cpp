// "&FileManager": its direct commands and the submenu "&Volume".
#include <span>

#include "commands/catalogue.h"
#include "jobs/console.h"

namespace vantel {

std::span<const CommandRow> VolumeRows() { return {}; }

}  // namespace vantel
