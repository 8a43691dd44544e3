// The dialog on a link to vantel-controller: the status line and the journal follow the
// connection, and a job pending when the controller dies frees its slot. Waits are bounded
// only so that a hang fails.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>


#include <wx/statusbr.h>

#include "dialog/vantel_dlg.h"
#include "gui_util.h"
#include "jobs/slots.h"
#include "platform/command_socket.h"
#include "platform/registry.h"
#include "remote/remote_link.h"
#include "temp_stores.h"

extern char** environ;

namespace vantel {
namespace {

constexpr int kShow = 32711;  // "&Variablen/S&how"

pid_t StartController(const std::string& socket) {
    std::string program = VANTEL_CONTROLLER_PATH, listen = "--listen", where = "unix:" + socket;
    char* argv[] = {program.data(), listen.data(), where.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ), 0);
    EXPECT_TRUE(test::PumpUntil([&] { return remote::Answers(socket); }, 4000));
    return pid;
}

void Kill(pid_t pid) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool JournalHas(CConsole& console, const std::wstring& text) {
    const Journal& journal = console.GetJournal();
    for (std::size_t i = 0; i < journal.Size(); ++i) {
        if (journal.At(i).kind == JournalKind::Link && journal.At(i).text.find(text) != std::wstring::npos) return true;
    }
    return false;
}

TEST(ControllerLink, TheStatusLineAndJournalFollowTheConnectionAndALostJobFreesItsSlot) {
    test::TempStores stores;
    setenv("VANTEL_SIM_LATENCY_MS", "60000", 1);  // the job is still pending when the controller dies
    const std::string socket = stores.Dir() + "/controller.sock";
    pid_t controller = StartController(socket);
    unsetenv("VANTEL_SIM_LATENCY_MS");

    remote::RemoteOptions options;
    std::string error;
    ASSERT_TRUE(remote::ParseEndpoint("unix:" + socket, options.endpoint, error));
    auto link = std::make_unique<remote::RemoteLink>(options);
    remote::RemoteLink& remote = *link;
    ASSERT_TRUE(remote.Connect(error)) << error;
    CRegPair app(L"Plexa.Vantel", false);
    auto dlg = std::make_unique<CVantelDlg>(app, std::move(link));
    dlg->FollowLink(remote);
    dlg->SetJournalOnly(true);  // the abort's box goes to the journal
    const auto status = [&] { return dlg->GetStatusBar()->GetStatusText(0).ToStdWstring(); };
    const std::wstring connected = L"Controller unix:" + std::wstring(socket.begin(), socket.end());

    test::RunModal(*dlg, [&] {
        EXPECT_EQ(status(), connected);
        EXPECT_TRUE(JournalHas(dlg->Console(), L": verbunden"));
        ASSERT_TRUE(dlg->Console().Command(kShow));
        const std::int16_t& slot = dlg->Console().Slots().block[slot::ShowVar];
        ASSERT_NE(slot, 0);

        Kill(controller);
        EXPECT_TRUE(test::PumpUntil([&] { return slot == 0; }, 4000));
        EXPECT_TRUE(test::PumpUntil([&] { return status() != connected; }, 4000));
        EXPECT_TRUE(JournalHas(dlg->Console(), L"Verbindung verloren: "));

        controller = StartController(socket);
        EXPECT_TRUE(test::PumpUntil([&] { return status() == connected; }, 4000));
    });
    dlg.reset();
    Kill(controller);
}

}  // namespace
}  // namespace vantel
