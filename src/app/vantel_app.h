// The application object: start-up on wxWidgets, then the main dialog, modally.
#pragma once
#include <wx/app.h>

#include "app/startup.h"
#include "platform/registry.h"

namespace vantel {

class CVantelApp : public wxApp {
public:
    CVantelApp();
    // Start-up; always false, so that no message loop runs after the dialog.
    bool OnInit() override;
    bool InitInstance();

    // The application registry pair: registration, version, and the field histories.
    CRegPair& RegPair() { return m_regPair; }

private:
    CRegPair m_regPair{kAppPairName, false};
};

}  // namespace vantel
