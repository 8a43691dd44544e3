#include "commands/catalogue.h"

#include <array>

namespace vantel {

// Defined in the groups' own files.
std::span<const CommandRow> HiddenRows();
std::span<const CommandRow> VariableRows();

namespace {

constexpr std::array<std::wstring_view, 10> kTopLevelMenus = {
    L"Ini&t", L"Diver&ses", L"&Variablen", L"&Datei", L"&Programm",
    L"&Editor", L"&Install", L"&Move", L"&FileManager", L"&Log",
};

// Groups in menu-bar order; each contributes its rows. The hidden commands have no menu.
constexpr std::array<GroupRowsFn, 2> kGroups = {
    HiddenRows,
    VariableRows,
};

std::vector<CommandRow> Build() {
    std::vector<CommandRow> rows;
    for (GroupRowsFn group : kGroups) {
        for (const CommandRow& row : group()) rows.push_back(row);
    }
    return rows;
}

}  // namespace

std::span<const std::wstring_view> TopLevelMenus() { return kTopLevelMenus; }

const std::vector<CommandRow>& Catalogue() {
    static const std::vector<CommandRow> rows = Build();
    return rows;
}

const CommandRow* FindCommand(int id) {
    if (id == 0) return nullptr;
    for (const CommandRow& row : Catalogue()) {
        if (row.id == id && row.kind != RowKind::Separator && row.kind != RowKind::Submenu) return &row;
    }
    return nullptr;
}

const CommandRow* SlotOwner(int slot) {
    for (const CommandRow& row : Catalogue()) {
        if (row.slot == slot && (row.result != nullptr || row.use == SlotUse::Acknowledge)) return &row;
    }
    return nullptr;
}

}  // namespace vantel
