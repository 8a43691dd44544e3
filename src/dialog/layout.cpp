#include "dialog/layout.h"

namespace vantel {
namespace {

using K = ControlKind;

// Tab order: the fields top to bottom, then the panel's buttons.
constexpr ControlRow kMain[] = {
    {1057, K::Combo, L"", {9, 20, 99, 52}, true},
    {1058, K::Combo, L"", {9, 36, 99, 52}, true},
    {1059, K::Combo, L"", {9, 52, 99, 52}, true},
    {1060, K::Combo, L"", {9, 68, 99, 52}, true},
    {1061, K::Combo, L"", {9, 84, 99, 52}, true},
    {1062, K::Combo, L"", {9, 100, 99, 52}, true},
    {1063, K::Combo, L"", {9, 116, 99, 52}, true},
    {1064, K::Combo, L"", {9, 132, 99, 52}, true},
    {1066, K::Combo, L"", {9, 148, 99, 52}, true},
    {1067, K::Combo, L"", {9, 164, 99, 52}, true},
    {1039, K::Button, L"#EX", {125, 20, 24, 14}, true},
    {1041, K::Button, L"#T1", {150, 20, 24, 14}, false},
    {1065, K::Button, L"#T2", {175, 20, 24, 14}, false},
    {1042, K::Button, L"#AUTO", {200, 20, 24, 14}, false},
    {1046, K::Button, L"TRUE", {125, 54, 49, 14}, true},
    {1047, K::Button, L"FALSE", {175, 54, 49, 14}, false},
    {1073, K::Button, L"ALL", {125, 88, 48, 14}, true},
    {1052, K::Button, L"1", {242, 20, 24, 14}, true},
    {1053, K::Button, L"10", {267, 20, 24, 14}, false},
    {1054, K::Button, L"20", {292, 20, 24, 14}, false},
    {1055, K::Button, L"50", {317, 20, 24, 14}, false},
    {1056, K::Button, L"100", {342, 20, 24, 14}, false},
    {1045, K::Button, L"1", {242, 54, 24, 14}, true},
    {1048, K::Button, L"10", {267, 54, 24, 14}, false},
    {1049, K::Button, L"20", {292, 54, 24, 14}, false},
    {1050, K::Button, L"50", {317, 54, 24, 14}, false},
    {1051, K::Button, L"100", {342, 54, 24, 14}, false},
    {1040, K::Button, L"Start", {243, 88, 24, 14}, true},
    {1070, K::Button, L"Off", {268, 88, 24, 14}, false},
    {1071, K::Button, L"Stop", {317, 88, 24, 14}, false},
    {1072, K::Button, L"Off", {342, 88, 24, 14}, false},
    {0, K::GroupBox, L"Parameter", {4, 8, 109, 174}, false},
    {0, K::GroupBox, L"$MODE_OP", {120, 8, 109, 30}, false},
    {0, K::GroupBox, L"$MOUSE_ACT", {120, 42, 109, 30}, false},
    {0, K::GroupBox, L"CONFIRM", {120, 76, 109, 30}, false},
    {0, K::GroupBox, L"$OV_JOG", {237, 8, 134, 30}, false},
    {0, K::GroupBox, L"$OV_PRO", {237, 42, 134, 30}, false},
    {0, K::GroupBox, L"Programm", {237, 76, 134, 30}, false},
};

constexpr ControlRow kQuestion[] = {
    {1007, K::Static, L"", {8, 6, 208, 52}, false},
    {1004, K::Button, L"", {8, 68, 64, 16}, true},
    {1005, K::Button, L"", {80, 68, 64, 16}, true},
    {1006, K::Button, L"", {152, 68, 64, 16}, true},
};

bool TakesFocus(const ControlRow& row) { return row.kind == K::Combo || row.kind == K::Button; }

int IndexOf(std::span<const ControlRow> rows, int id) {
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (rows[k].id == id && TakesFocus(rows[k])) return static_cast<int>(k);
    }
    return -1;
}

}  // namespace

std::span<const ControlRow> MainDialogControls() { return kMain; }
std::span<const ControlRow> QuestionDialogControls() { return kQuestion; }

int NextTabStop(std::span<const ControlRow> rows, int id, bool forward) {
    const int at = IndexOf(rows, id);
    if (at < 0) return 0;
    const int n = static_cast<int>(rows.size());
    for (int step = 1; step <= n; ++step) {
        const ControlRow& row = rows[(at + (forward ? step : n - step)) % n];
        if (TakesFocus(row) && row.startsGroup) return row.id;
    }
    return 0;
}

int NextInGroup(std::span<const ControlRow> rows, int id, bool forward) {
    const int at = IndexOf(rows, id);
    if (at < 0) return 0;
    // A group runs from the control that starts it up to the next one that starts a group.
    int first = at;
    while (first > 0 && !rows[first].startsGroup) --first;
    int end = at + 1;
    while (end < static_cast<int>(rows.size()) && !rows[end].startsGroup) ++end;
    const int len = end - first;
    for (int step = 1; step <= len; ++step) {
        const ControlRow& row = rows[first + (at - first + (forward ? step : len - step)) % len];
        if (TakesFocus(row)) return row.id;
    }
    return id;
}

}  // namespace vantel
