// The dialog templates, in dialog units: the layout is part of the system.
#pragma once
#include <array>
#include <span>
#include <string_view>

namespace vantel {

struct DuRect {
    int x, y, w, h;
};

enum class ControlKind { Combo, Button, GroupBox, Static };

struct ControlRow {
    int id;  // 0: no id
    ControlKind kind;
    std::wstring_view text;
    DuRect rect;
    bool startsGroup;  // tab stop that starts a group
};

// Template 102: title, size in dialog units, the ten fields, 21 buttons, the group boxes.
inline constexpr std::wstring_view kMainTitle = L"PLEXA-Vantel";
inline constexpr int kMainWidthDu = 375;
inline constexpr int kMainHeightDu = 188;
std::span<const ControlRow> MainDialogControls();

// Keyboard moves in a template, as in a classic dialog. Tab goes to the next control in
// template order (wrapping) that starts a group, searching from id's place; the arrow keys
// go to the next control of id's group, wrapping inside it. Both give the id to focus, or 0
// when id is no control of rows.
int NextTabStop(std::span<const ControlRow> rows, int id, bool forward);
int NextInGroup(std::span<const ControlRow> rows, int id, bool forward);

// The control id of parameter field n (1-10).
constexpr int FieldControlId(int n) { return n <= 8 ? 1056 + n : (n == 9 ? 1066 : 1067); }

// Template 129, the question dialog.
inline constexpr std::wstring_view kQuestionTitle = L"Dialogfrage";
inline constexpr int kQuestionWidthDu = 224;
inline constexpr int kQuestionHeightDu = 95;
std::span<const ControlRow> QuestionDialogControls();

inline constexpr int kAboutCommand = 16;
// The menu event that opens the journal window ("Protokoll...", Ctrl+J), from the window
// menu, the main window or an open box.
inline constexpr int kJournalWindowCommand = 19100;
inline constexpr std::wstring_view kAboutText = L"Inf&o über Vantel...";  // string resource 101

}  // namespace vantel
