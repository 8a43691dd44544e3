#include "app/termination.h"

#include <atomic>
#include <csignal>
#include <thread>

#include <pthread.h>
#include <unistd.h>

#include "platform/winmsg.h"

namespace vantel {
namespace {

std::atomic<HWND> g_target{0};
std::atomic<UINT> g_message{0};

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

void Watch() {
    const sigset_t set = TerminationSignals();
    bool asked = false;
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0) continue;
        // A second signal means the close itself is stuck.
        if (!asked && PostMessageW(g_target.load(), g_message.load(), static_cast<WPARAM>(sig), 0)) {
            asked = true;
            continue;
        }
        _exit(128 + sig);
    }
}

}  // namespace

void BlockTerminationSignals() {
    const sigset_t set = TerminationSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

void WatchTerminationSignals() {
    static const bool started = [] {
        std::thread(Watch).detach();
        return true;
    }();
    (void)started;
}

void SetTerminationTarget(HWND window, UINT msg) {
    g_message.store(msg);
    g_target.store(window);
}

}  // namespace vantel
