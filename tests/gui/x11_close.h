// Closing a window as a window manager's close button does, where there is no window
// manager (Xvfb): the toolkit sees the same delete request either way.
#pragma once
#include <string>

namespace vantel::test {

// Sends WM_DELETE_WINDOW to every mapped top-level window titled title; false when none is.
bool CloseAsWindowManager(const std::string& title);

}  // namespace vantel::test
