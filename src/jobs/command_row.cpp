#include "jobs/command_row.h"

namespace vantel {

const CommandRow* FindCommand(CommandRows rows, int id) {
    if (id == 0) return nullptr;
    for (const CommandRow& row : rows) {
        if (row.id == id && row.kind != RowKind::Separator && row.kind != RowKind::Submenu) return &row;
    }
    return nullptr;
}

const CommandRow* SlotOwner(CommandRows rows, int slot) {
    for (const CommandRow& row : rows) {
        if (row.slot == slot && (row.result != nullptr || row.use == SlotUse::Acknowledge)) return &row;
    }
    return nullptr;
}

}  // namespace vantel
