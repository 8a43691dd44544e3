// GUI tests: the toolkit is started once, then every test runs on the main thread.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    // No session journal files in the real home; a test that wants one sets its own folder.
    setenv("VANTEL_JOURNAL", "off", 1);
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "no display\n");
        return 1;
    }
    const int rc = RUN_ALL_TESTS();
    wxEntryCleanup();
    return rc;
}
