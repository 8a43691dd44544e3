// The simulated controller behind the link: one lock around the model, one worker thread
// that completes jobs and advances the program. A call from the user-interface thread only
// queues work and never waits for the worker.
#include <condition_variable>
#include <mutex>
#include <thread>

#include "sim/embedded.h"
#include "sim/controller.h"
#include "platform/winmsg.h"

namespace vantel::link {
namespace {

class SimLink final : public ILinkBackend {
public:
    explicit SimLink(const sim::SimConfig& config) : m_sim(config) { m_worker = std::thread([this] { Run(); }); }

    ~SimLink() override {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_worker.join();
    }

    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override {
        std::int32_t ret;
        {
            std::lock_guard lock(m_mutex);
            ret = m_sim.Invoke(id, args, sim::Clock::now());
            Flush();
        }
        m_wake.notify_all();
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

    void Run() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            const auto due = m_sim.NextDue();
            if (!due) {
                m_wake.wait(lock);
                continue;
            }
            const auto now = sim::Clock::now();
            if (now < *due) {
                m_wake.wait_until(lock, *due);
                continue;
            }
            m_sim.Tick(now);
            Flush();
        }
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    sim::SimController m_sim;
    bool m_stop = false;
    std::thread m_worker;
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
