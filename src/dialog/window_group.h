// A top-level window that a modal box of another window does not block.
#pragma once

class wxTopLevelWindow;

namespace vantel {

// Puts the window into a window group of its own: a modal dialog holds the input of its own
// group only, so the window stays usable while a box is open over the main window. Dialogs
// parented to the window join its group and so still block it. False where the toolkit
// offers no groups.
bool GiveOwnWindowGroup(wxTopLevelWindow& window);

}  // namespace vantel
