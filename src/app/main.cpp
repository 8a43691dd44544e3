// vantel: the console's executable.
#include <iostream>
#include <string>
#include <vector>

#include <wx/init.h>

#include "app/startup.h"
#include "app/termination.h"
#include "app/vantel_app.h"
#include "platform/registry.h"
#include "platform/text.h"

int main(int argc, char** argv) {
    // Before the toolkit starts threads of its own.
    vantel::BlockTerminationSignals();
    vantel::WatchTerminationSignals();

    // Taken before the toolkit's start-up, which may remove the arguments it knows.
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(vantel::FromUtf8(argv[i]));

    wxApp::SetInstance(new vantel::CVantelApp());
    if (!wxEntryStart(argc, argv)) {
        // No display: registration still runs, with its messages on standard error.
        CRegPair appPair(vantel::kAppPairName, false);
        return vantel::RunStartupWithoutDisplay(appPair, args, std::cerr);
    }
    wxTheApp->CallOnInit();
    wxEntryCleanup();
    return 0;
}
