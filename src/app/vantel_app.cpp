#include "app/vantel_app.h"

#include <fmt/xchar.h>
#include <wx/msgdlg.h>

#include "app/startup.h"
#include "app/termination.h"
#include "dialog/vantel_dlg.h"
#include "sim/embedded.h"

namespace vantel {
namespace {

class WxStartupHost final : public IStartupHost {
public:
    explicit WxStartupHost(CVantelApp& app) : m_app(app) {}
    void AfxMessageBox(const std::wstring& text) override { wxMessageBox(wxString(text), L"Vantel", wxOK); }
    void RunMainDialog() override {
        auto* dlg = new CVantelDlg(m_app.RegPair(), link::MakeEmbeddedLink());
        dlg->SetLinkDescription(fmt::format(L"Simulierter Controller, {} ms", link::DefaultLatencyMs()));
        m_app.SetTopWindow(dlg);
        SetTerminationTarget(dlg->Handle(), CVantelDlg::CloseRequestMessage());
        dlg->DoModal();
        SetTerminationTarget(0, 0);
        m_app.SetTopWindow(nullptr);
        dlg->Destroy();
    }

private:
    CVantelApp& m_app;
};

}  // namespace

CVantelApp::CVantelApp() { SetAppName(L"Vantel"); }

bool CVantelApp::OnInit() { return InitInstance(); }

bool CVantelApp::InitInstance() {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) args.push_back(argv[i].ToStdWstring());
    WxStartupHost host(*this);
    RunStartup(host, m_regPair, args);
    return false;
}

}  // namespace vantel
