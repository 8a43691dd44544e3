// vantel: the console's executable.
#include <wx/init.h>

#include "app/termination.h"
#include "app/vantel_app.h"

int main(int argc, char** argv) {
    // Before the toolkit starts threads of its own.
    vantel::BlockTerminationSignals();
    vantel::WatchTerminationSignals();
    wxApp::SetInstance(new vantel::CVantelApp());
    // The toolkit's own start-up; without it (no display) the process ends at once.
    if (!wxEntryStart(argc, argv)) return 1;
    wxTheApp->CallOnInit();
    wxEntryCleanup();
    return 0;
}
