// The simulated controller behind the link: one lock around the model, one worker thread
// that completes jobs and advances the program. A call from the user-interface thread only
// queues work and never waits for the worker.
#include <mutex>

#include "sim/embedded.h"
#include "sim/controller.h"
#include "sim/driver.h"
#include "platform/winmsg.h"

namespace vantel::link {
namespace {

class SimLink final : public ILinkBackend {
public:
    explicit SimLink(const sim::SimConfig& config) : m_sim(config), m_driver(m_mutex, m_sim, [this] { Flush(); }) {}

    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override {
        std::int32_t ret;
        {
            std::lock_guard lock(m_mutex);
            ret = m_sim.Invoke(id, args, sim::Clock::now());
            Flush();
        }
        m_driver.Wake();
        return ret;
    }

    std::size_t JobsInFlight() const override {
        std::lock_guard lock(m_mutex);
        return m_sim.JobsInFlight();
    }

private:
    // Posting under the lock keeps JobsInFlight honest: a job stops counting only once
    // its notification is queued.
    void Flush() {
        for (const auto& p : m_sim.TakePosts()) PostMessageW(p.window, p.msg, p.wParam, p.lParam);
    }

    mutable std::mutex m_mutex;
    sim::SimController m_sim;
    sim::Driver m_driver;  // last: it stops before the rest goes
};

}  // namespace

int DefaultLatencyMs() {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(sim::ConfigFromEnvironment().latency).count());
}

std::unique_ptr<ILinkBackend> MakeEmbeddedLink(int latencyMs) {
    sim::SimConfig config = sim::ConfigFromEnvironment();
    config.latency = std::chrono::milliseconds(latencyMs < 0 ? 0 : latencyMs);
    return MakeSimLink(config);
}

std::unique_ptr<ILinkBackend> MakeSimLink(const sim::SimConfig& config) { return std::make_unique<SimLink>(config); }

}  // namespace vantel::link
