// The simulated controller's settings, and the one reader of the VANTEL_SIM_* variables.
#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace vantel::link::sim {

using Clock = std::chrono::steady_clock;

struct SimConfig {
    Clock::duration latency = std::chrono::milliseconds(20);
    // Time per program line at $OV_PRO 100; 0 advances one line per tick.
    Clock::duration step = std::chrono::milliseconds(200);
    // Time between the 6D mouse's own readings while it is on, a stream for tests and
    // demonstrations; 0 (the default): a reading at switch-on and one per move ("mouse" of
    // EditExec), as a real mouse that nobody touches.
    Clock::duration mousePeriod = Clock::duration::zero();
    // Unread notifications kept over all handles, by count and by (estimated) bytes. Past either
    // bound the oldest unread notification of a standing subscription is dropped (counted, and
    // noted in the log); only when no subscription holds any, the oldest of all.
    std::size_t mailboxCount = std::size_t{1} << 18;
    std::size_t mailboxBytes = std::size_t{256} << 20;
    // Time stamps: from the wall clock, or (when set) from this many milliseconds after
    // 1970 plus one millisecond per stamp, so that scripted runs read the same every time.
    std::optional<std::int64_t> fixedClockMs;
    // The host folder DownLoad, UpLoad and WriteLogFile reach.
    std::filesystem::path hostDir;
    // When set, the file system is read from this folder at start and written back after
    // every change; otherwise it lives in memory.
    std::filesystem::path stateDir;
};

// Reads VANTEL_SIM_LATENCY_MS, VANTEL_SIM_STEP_MS, VANTEL_SIM_MOUSE_MS, VANTEL_SIM_CLOCK_MS.
SimConfig ConfigFromEnvironment();

}  // namespace vantel::link::sim
