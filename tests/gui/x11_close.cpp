// Kept apart: the X11 headers define names (None, Status, Bool) that clash with others.
#include "x11_close.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace vantel::test {

bool CloseAsWindowManager(const std::string& title) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    const Window root = DefaultRootWindow(display);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Window rootReturn = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    int sent = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable) {
                continue;
            }
            char* name = nullptr;
            const bool match = XFetchName(display, children[i], &name) != 0 && name != nullptr && title == name;
            if (name != nullptr) XFree(name);
            if (!match) continue;
            XEvent e{};
            e.xclient.type = ClientMessage;
            e.xclient.window = children[i];
            e.xclient.message_type = protocols;
            e.xclient.format = 32;
            e.xclient.data.l[0] = static_cast<long>(deleteWindow);
            e.xclient.data.l[1] = CurrentTime;
            XSendEvent(display, children[i], False, NoEventMask, &e);
            ++sent;
        }
        if (children != nullptr) XFree(children);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return sent > 0;
}

}  // namespace vantel::test
