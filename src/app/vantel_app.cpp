#include "app/vantel_app.h"

#include <cstdlib>
#include <string>

#include <fmt/xchar.h>
#include <unistd.h>
#include <wx/msgdlg.h>

#include "app/startup.h"
#include "app/termination.h"
#include "dialog/vantel_dlg.h"
#include "platform/text.h"
#include "remote/remote_link.h"
#include "sim/embedded.h"

namespace vantel {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

class WxStartupHost final : public IStartupHost {
public:
    explicit WxStartupHost(CVantelApp& app) : m_app(app) {}
    void AfxMessageBox(const std::wstring& text) override { wxMessageBox(wxString(text), L"Vantel", wxOK); }
    void RunMainDialog() override {
        // $VANTEL_LINK names a controller of its own; without it the console has the
        // simulator inside.
        const std::string where = Environment("VANTEL_LINK");
        std::unique_ptr<link::ILinkBackend> backend;
        remote::RemoteLink* controller = nullptr;
        if (!where.empty()) {
            std::string error;
            auto made = remote::MakeRemoteLink(
                {where, Environment("VANTEL_LINK_TOKEN_FILE"), Environment("VANTEL_LINK_CA")},
                "vantel " + std::to_string(getpid()), true, error);
            if (!made) {
                AfxMessageBox(L"VANTEL_LINK: " + FromUtf8(error));
                return;
            }
            // Not reached now: the status line says so, and the link keeps trying.
            (void)made->Connect(error);
            controller = made.get();
            backend = std::move(made);
        } else {
            backend = link::MakeEmbeddedLink();
        }
        auto* dlg = new CVantelDlg(m_app.RegPair(), std::move(backend));
        if (controller != nullptr) {
            dlg->FollowLink(*controller);
        } else {
            dlg->SetLinkDescription(fmt::format(L"Simulierter Controller, {} ms", link::DefaultLatencyMs()));
        }
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
