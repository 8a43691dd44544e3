#include "commands/catalogue.h"


namespace vantel {

// Defined in the groups' own files.
std::span<const CommandRow> InitMiscRows();
std::span<const CommandRow> VariableRows();
std::span<const CommandRow> FileRows();
std::span<const CommandRow> ProgramRows();
std::span<const CommandRow> EditorRows();
std::span<const CommandRow> MotionRows();
std::span<const CommandRow> VolumeRows();
std::span<const CommandRow> ItemRows();
std::span<const CommandRow> ItemExecRows();
std::span<const CommandRow> ModuleCodeRows();
std::span<const CommandRow> ModuleInfoRows();
std::span<const CommandRow> LogRows();
std::span<const CommandRow> HiddenRows();

namespace {

constexpr std::wstring_view kTopLevelMenus[] = {
    L"Ini&t", L"Diver&ses", L"&Variablen", L"&Datei", L"&Programm",
    L"&Editor", L"&Install", L"&Move", L"&FileManager", L"&Log",
};

// Groups in menu-bar order, each named after its file; the hidden commands have no menu.
constexpr CommandGroup kGroups[] = {
    {"init_misc",   InitMiscRows},
    {"variables",   VariableRows},
    {"files",       FileRows},
    {"program",     ProgramRows},
    {"editor",      EditorRows},
    {"motion",      MotionRows},
    {"volumes",     VolumeRows},
    {"items",       ItemRows},
    {"item_exec",   ItemExecRows},
    {"module_code", ModuleCodeRows},
    {"module_info", ModuleInfoRows},
    {"log",         LogRows},
    {"hidden",      HiddenRows},
};

std::vector<CommandRow> Build() {
    std::vector<CommandRow> rows;
    for (const CommandGroup& group : kGroups) {
        for (const CommandRow& row : group.rows()) rows.push_back(row);
    }
    return rows;
}

}  // namespace

std::span<const std::wstring_view> TopLevelMenus() { return kTopLevelMenus; }

std::span<const CommandGroup> Groups() { return kGroups; }

const std::vector<CommandRow>& Catalogue() {
    static const std::vector<CommandRow> rows = Build();
    return rows;
}

const CommandRow* FindCommand(int id) { return FindCommand(Catalogue(), id); }

const CommandRow* SlotOwner(int slot) { return SlotOwner(Catalogue(), slot); }

}  // namespace vantel
