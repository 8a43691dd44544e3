// The simulated controller's clock, on a thread of its own: whenever a job or a program step
// falls due it ticks the controller under its owner's lock and lets the owner hand on what
// the controller posted. Used by the embedded link and by the controller service alike.
#pragma once
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "sim/controller.h"

namespace vantel::link::sim {

class Driver {
public:
    // afterTick runs on the driver's thread with mutex held.
    Driver(std::mutex& mutex, SimController& sim, std::function<void()> afterTick);
    // Stops the thread; mutex must not be held.
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // After a call that may have made something due sooner; mutex need not be held.
    void Wake() { m_wake.notify_all(); }

private:
    void Run();

    std::mutex& m_mutex;
    SimController& m_sim;
    std::function<void()> m_afterTick;
    std::condition_variable m_wake;
    bool m_stop = false;  // under m_mutex
    std::thread m_thread;
};

}  // namespace vantel::link::sim
