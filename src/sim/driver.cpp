#include "sim/driver.h"

namespace vantel::link::sim {

Driver::Driver(std::mutex& mutex, SimController& sim, std::function<void()> afterTick)
    : m_mutex(mutex), m_sim(sim), m_afterTick(std::move(afterTick)), m_thread([this] { Run(); }) {}

Driver::~Driver() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void Driver::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_stop) {
        const auto due = m_sim.NextDue();
        if (!due) {
            m_wake.wait(lock);
            continue;
        }
        const auto now = Clock::now();
        if (now < *due) {
            m_wake.wait_until(lock, *due);
            continue;
        }
        m_sim.Tick(now);
        m_afterTick();
    }
}

}  // namespace vantel::link::sim
