// A command id from outside reaches the running dialog through its socket; and every panel
// button of the catalogue is a control of the dialog.
#include <gtest/gtest.h>

#include <sstream>

#include <wx/button.h>
#include <unistd.h>

#include "commands/catalogue.h"
#include "dialog/my_combo.h"
#include "dialog/vantel_dlg.h"
#include "fakes.h"
#include "gui_util.h"
#include "jobs/slots.h"
#include "platform/command_socket.h"
#include "platform/registry.h"
#include "temp_stores.h"

namespace vantel {
namespace {

using link::CallId;

class RemoteCommand : public ::testing::Test {
protected:
    RemoteCommand() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
        setenv("XDG_RUNTIME_DIR", stores.Dir().c_str(), 1);
        auto owned = std::make_unique<test::FakeLink>();
        link = owned.get();
        dlg = std::make_unique<CVantelDlg>(app, std::move(owned));
    }
    ~RemoteCommand() override {
        dlg.reset();
        if (m_old.empty()) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        }
    }

    void RunModal(std::function<void()> body) { test::RunModal(*dlg, std::move(body)); }

    test::TempStores stores;
    CRegPair app{L"Plexa.Vantel", false};
    test::FakeLink* link = nullptr;
    std::unique_ptr<CVantelDlg> dlg;

private:
    std::string m_old;
};

TEST_F(RemoteCommand, SilentShowSentFromOutsideRunsInTheDialog) {
    const std::string pid = std::to_string(getpid());
    std::string socketPath;
    RunModal([&] {
        socketPath = dlg->CommandSocketPath();
        ASSERT_EQ(socketPath, remote::SocketPath(stores.Dir() + "/vantel", getpid()));
        dlg->FieldControl(1).SetValue(L"$OV_PRO");
        link->handles = {41};

        std::ostringstream err;
        const char* send[] = {"vantel-send", "36866", pid.c_str()};
        EXPECT_EQ(remote::RunSend(3, send, err), 0) << err.str();
        ASSERT_TRUE(test::PumpUntil([&] { return link->Count(CallId::ShowVar) == 1; }));
        EXPECT_EQ(link->CallsTo(CallId::ShowVar)[0].Str(0), L"$OV_PRO");
        EXPECT_EQ(dlg->Console().Slots().block[slot::SilentShow], 41);

        // Ids the dialog does not handle are refused and change nothing.
        std::string message;
        EXPECT_EQ(remote::SendCommand("4711", getpid(), message), remote::SendStatus::Refused);
        EXPECT_EQ(message, "unknown command 4711");
        EXPECT_EQ(remote::SendCommand("36866", 0, message), remote::SendStatus::Ok) << message;
        ASSERT_TRUE(test::PumpUntil([&] { return link->Count(CallId::ShowVar) == 2; }));
        EXPECT_TRUE(dlg->IsShown());
    });
    // Only while the dialog runs.
    EXPECT_NE(access(socketPath.c_str(), F_OK), 0);
    std::string message;
    EXPECT_EQ(remote::SendCommand("36866", getpid(), message), remote::SendStatus::NoConsole);
}

TEST_F(RemoteCommand, EveryButtonRowIsAPanelButton) {
    int buttons = 0;
    for (const CommandRow& row : Catalogue()) {
        if (row.kind != RowKind::Button) continue;
        ++buttons;
        auto* b = dynamic_cast<wxButton*>(dlg->FindWindow(row.id));
        ASSERT_NE(b, nullptr) << row.id;
        // The row's path ends in the button's caption.
        const std::wstring_view caption = row.path.substr(row.path.rfind(L'/') + 1);
        EXPECT_EQ(b->GetLabel(), wxString(caption.data(), caption.size())) << row.id;
    }
    EXPECT_EQ(buttons, 21);
}

}  // namespace
}  // namespace vantel
