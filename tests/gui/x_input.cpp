#include "x_input.h"

#include <cstdlib>
#include <sys/wait.h>

// Last: Xlib's macros clash with names in other headers.
#include <X11/Xlib.h>

namespace vantel::test {

bool XDoTool(const std::string& args) {
    const int status = std::system(("xdotool " + args).c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool ClickAt(const wxPoint& screen) {
    return XDoTool("mousemove --sync " + std::to_string(screen.x) + " " + std::to_string(screen.y) + " click 1");
}

std::optional<wxRect> OpenPopup() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return std::nullopt;
    std::optional<wxRect> found;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    // Held so that no window goes between listing and asking (an X error would end the test).
    XGrabServer(display);
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned k = 0; k < count; ++k) {
            XWindowAttributes a;
            if (!XGetWindowAttributes(display, children[k], &a)) continue;
            // Popups bypass the window manager; the toolkit also keeps tiny ones off screen.
            if (a.map_state == IsViewable && a.override_redirect && a.x >= 0 && a.y >= 0 && a.width > 16) {
                found = wxRect(a.x, a.y, a.width, a.height);
            }
        }
        XFree(children);
    }
    XUngrabServer(display);
    XCloseDisplay(display);
    return found;
}

}  // namespace vantel::test
