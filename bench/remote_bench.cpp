// "S&how" round trips per second at latency 0 (ShowVar, its notification posted to the
// console's window, ShowVarResult), the same link calls three ways: the embedded simulator,
// vantel-controller over its Unix socket and over TCP on loopback. The controller runs in this
// process, on threads of its own.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include <unistd.h>

#include "controller/service.h"
#include "controller/shared_controller.h"
#include "platform/winmsg.h"
#include "remote/remote_link.h"
#include "sim/embedded.h"

namespace {

using namespace vantel;

constexpr UINT kPlexa = 0xC100, kKey = 0xC101;

link::sim::SimConfig Quick() {
    link::sim::SimConfig c = link::sim::ConfigFromEnvironment();
    c.latency = c.step = std::chrono::milliseconds(0);
    return c;
}

// A controller service on a Unix socket in a scratch folder and on a free loopback port.
struct Service {
    Service() : shared(Quick(), {}, [](const std::string&) {}), daemon(shared, controller::ServiceOptions{{}, 0, 0, "bench", {}}) {
        char tmpl[] = "/tmp/vantel-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        controller::Listen unix, tcp;
        unix.path = dir + "/controller.sock";
        tcp.local = false;
        tcp.host = "127.0.0.1";
        std::string error;
        if (!daemon.Start({unix, tcp}, std::nullopt, error)) {
            std::fprintf(stderr, "the controller does not start: %s\n", error.c_str());
            std::exit(1);
        }
    }
    ~Service() {
        daemon.Stop("the benchmark ends");
        std::filesystem::remove_all(dir);
    }
    std::string Endpoint(bool local) const {
        for (const auto& l : daemon.Listening()) {
            if (l.local == local) return l.Text();
        }
        return {};
    }

    std::string dir;
    controller::SharedController shared;
    controller::Daemon daemon;
};

Service& TheService() {
    static Service service;
    return service;
}

// The console's end: the link, and the window its notifications are posted to.
class Console {
public:
    explicit Console(std::unique_ptr<link::ILinkBackend> backend) {
        m_window = CreatePostTarget([this](UINT, WPARAM w, LPARAM) {
            std::lock_guard lock(m_mu);
            m_posted.push_back(static_cast<std::int16_t>(w & 0xFFFF));
            m_wake.notify_one();
        });
        m_plexa = std::make_unique<link::CPlexa>(std::move(backend));
        m_ok = m_plexa->Init(L"Vantel", L"", kPlexa, m_window, 223, kKey) == 1;
    }
    ~Console() {
        m_plexa.reset();
        DestroyPostTarget(m_window);
    }
    bool Ok() const { return m_ok; }

    // One "S&how": false when something did not come back.
    bool Show() {
        const std::int16_t h = m_plexa->ShowVar(L"$OV_PRO", L"");
        if (h == 0) return false;
        {
            std::unique_lock lock(m_mu);
            if (!m_wake.wait_for(lock, std::chrono::seconds(20), [&] { return !m_posted.empty(); })) return false;
            const bool mine = m_posted.front() == h;
            m_posted.pop_front();
            if (!mine) return false;
        }
        std::wstring value;
        return m_plexa->ShowVarResult(h, value) == 1;
    }

private:
    std::mutex m_mu;
    std::condition_variable m_wake;
    std::deque<std::int16_t> m_posted;
    HWND m_window = 0;
    std::unique_ptr<link::CPlexa> m_plexa;
    bool m_ok = false;
};

std::unique_ptr<link::ILinkBackend> Remote(bool local) {
    remote::RemoteOptions options;
    std::string error;
    remote::ParseEndpoint(TheService().Endpoint(local), options.endpoint, error);
    auto link = std::make_unique<remote::RemoteLink>(options);
    if (!link->Connect(error)) {
        std::fprintf(stderr, "cannot reach the controller: %s\n", error.c_str());
        std::exit(1);
    }
    return link;
}

void Run(benchmark::State& state, std::unique_ptr<link::ILinkBackend> backend) {
    Console console(std::move(backend));
    if (!console.Ok()) {
        state.SkipWithError("Init failed");
        return;
    }
    for (auto _ : state) {
        if (!console.Show()) {
            state.SkipWithError("a round trip did not come back");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void ShowEmbedded(benchmark::State& state) { Run(state, link::MakeSimLink(Quick())); }
void ShowUnixSocket(benchmark::State& state) { Run(state, Remote(true)); }
void ShowTcpLoopback(benchmark::State& state) { Run(state, Remote(false)); }

BENCHMARK(ShowEmbedded)->UseRealTime();
BENCHMARK(ShowUnixSocket)->UseRealTime();
BENCHMARK(ShowTcpLoopback)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
