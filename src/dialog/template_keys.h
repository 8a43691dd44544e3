// Tab, Shift+Tab and the arrow keys in a window laid out from a template: the focus follows
// the template's tab stops and groups, not the toolkit's order of the child windows.
#pragma once
#include <span>

class wxKeyEvent;
class wxWindow;

namespace vantel {

struct ControlRow;

// Moves the focus among parent's controls as key asks; false when key is no such move
// (then the toolkit's handling applies).
bool MoveFocusByTemplate(wxWindow& parent, std::span<const ControlRow> rows, const wxKeyEvent& key);

}  // namespace vantel
