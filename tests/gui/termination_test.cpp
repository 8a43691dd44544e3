// A signal to a running console ends it as its Close does: the built executable under the
// virtual display, a field history typed into it, then the signal.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jobs/history.h"
#include "platform/command_socket.h"
#include "platform/registry.h"
#include "temp_stores.h"

extern char** environ;

namespace vantel {
namespace {

class Termination : public ::testing::Test {
protected:
    Termination() {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
        setenv("XDG_RUNTIME_DIR", stores.Dir().c_str(), 1);
    }
    ~Termination() override {
        if (m_pid > 0) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_old.empty()) {
            unsetenv("XDG_RUNTIME_DIR");
        } else {
            setenv("XDG_RUNTIME_DIR", m_old.c_str(), 1);
        }
    }

    static pid_t Spawn(const std::vector<std::string>& args) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        pid_t pid = 0;
        return posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) == 0 ? pid : -1;
    }

    // The exit status, or -1 when it did not end normally (or not within a minute).
    static int WaitExit(pid_t pid) {
        for (int i = 0; i < 6000; ++i) {
            int status = 0;
            if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            usleep(10'000);
        }
        return -1;
    }

    static bool Xdotool(const std::string& args) {
        return std::system(("timeout 30 xdotool " + args + " >/dev/null 2>&1").c_str()) == 0;
    }

    // Starts the registered console and types text into field 1, then leaves the field.
    void StartAndType(const std::string& text) {
        ASSERT_EQ(WaitExit(Spawn({kExe, "/RegServer"})), 0);
        m_pid = Spawn({kExe});
        ASSERT_GT(m_pid, 0);
        const std::string pid = std::to_string(m_pid);
        ASSERT_TRUE(Xdotool("search --sync --onlyvisible --pid " + pid + " --name '^PLEXA-Vantel$' windowfocus"));
        // Field 1 has the focus at the start. Each xdotool run ends with a round trip, so
        // the keys are with the console before the signal is sent.
        ASSERT_TRUE(Xdotool("type --delay 5 '" + text + "'"));
        ASSERT_TRUE(Xdotool("key Tab"));
        for (int i = 0; i < 1000 && access(SocketPath().c_str(), F_OK) != 0; ++i) usleep(10'000);
        ASSERT_EQ(access(SocketPath().c_str(), F_OK), 0);
    }

    std::string SocketPath() const { return remote::SocketPath(stores.Dir() + "/vantel", m_pid); }

    // Sends sig; true when the console ended with status 0 and its socket is gone.
    bool EndsCleanlyOn(int sig) {
        if (kill(m_pid, sig) != 0) return false;
        const int status = WaitExit(m_pid);
        const pid_t pid = m_pid;
        m_pid = 0;
        return status == 0 && access(remote::SocketPath(stores.Dir() + "/vantel", pid).c_str(), F_OK) != 0;
    }

    std::wstring Field1() {
        CRegPair app(L"Plexa.Vantel", false);
        FieldHistory h;
        LoadHistory(app, 1, h);
        return h.items.empty() ? L"" : h.items[0];
    }

    static inline const std::string kExe = VANTEL_EXE_PATH;
    test::TempStores stores;
    pid_t m_pid = 0;

private:
    std::string m_old;
};

TEST_F(Termination, SigtermSavesTheHistoriesAndEndsWithStatusZero) {
    StartAndType("robot 7");
    EXPECT_TRUE(EndsCleanlyOn(SIGTERM));
    EXPECT_EQ(Field1(), L"robot 7");
}

TEST_F(Termination, SigintWhileABoxIsOpenClosesItFirst) {
    StartAndType("robot 8");
    // "E&xecute Command" with a text that is no command: the controller says why, in a box.
    std::string message;
    ASSERT_EQ(remote::SendCommand("32842", m_pid, message), remote::SendStatus::Ok) << message;
    ASSERT_TRUE(Xdotool("search --sync --onlyvisible --pid " + std::to_string(m_pid) + " --name '^Vantel$'"));
    EXPECT_TRUE(EndsCleanlyOn(SIGINT));
    EXPECT_EQ(Field1(), L"robot 8");
}

}  // namespace
}  // namespace vantel
