#include "dialog/window_group.h"

#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

namespace vantel {

// GTK is loaded with the toolkit, but its headers are not part of the build: the three
// calls are looked up by name.
bool GiveOwnWindowGroup(wxTopLevelWindow& window) {
#ifdef __WXGTK__
    using GroupNew = void* (*)();
    using AddWindow = void (*)(void*, void*);
    using Unref = void (*)(void*);
    static const auto groupNew = reinterpret_cast<GroupNew>(dlsym(RTLD_DEFAULT, "gtk_window_group_new"));
    static const auto addWindow = reinterpret_cast<AddWindow>(dlsym(RTLD_DEFAULT, "gtk_window_group_add_window"));
    static const auto unref = reinterpret_cast<Unref>(dlsym(RTLD_DEFAULT, "g_object_unref"));
    void* widget = window.GetHandle();
    if (groupNew == nullptr || addWindow == nullptr || unref == nullptr || widget == nullptr) return false;
    void* group = groupNew();
    addWindow(group, widget);
    unref(group);  // the window holds the group now
    return true;
#else
    (void)window;
    return false;
#endif
}

}  // namespace vantel
