// Real input for GUI tests: xdotool sends keys and clicks through the X server (XTest), so
// the toolkit gets them as it gets a user's, grabs and popups included.
#pragma once
#include <optional>
#include <string>

#include <wx/gdicmn.h>

namespace vantel::test {

// Runs xdotool with args, e.g. "key Tab" or "key alt+Down"; true when it succeeded.
bool XDoTool(const std::string& args);
// Moves the pointer to a screen point and clicks the left button there.
bool ClickAt(const wxPoint& screen);
// The screen rectangle of the popup window open now (a drop-down list), if one is.
std::optional<wxRect> OpenPopup();

}  // namespace vantel::test
