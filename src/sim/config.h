// The simulated controller's settings, and the one reader of the VANTEL_SIM_* variables.
#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <iosfwd>
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

// The settings from VANTEL_SIM_LATENCY_MS, _STEP_MS, _MOUSE_MS, _CLOCK_MS, _STATE_DIR and
// _HOST_DIR, as looked up by env (nullptr: not set). A number is a whole number of
// milliseconds within its range (docs/simulator.md); anything else is told to err, once per
// call, and the default is used. Unset or empty means the default, silently.
SimConfig ConfigFrom(const std::function<const char*(const char*)>& env, std::ostream& err);

// ConfigFrom the process environment, telling standard error; each bad value only once per
// process, however often the configuration is read.
SimConfig ConfigFromEnvironment();

// VANTEL_SIM_HOST_DIR when set and not empty; otherwise $XDG_DATA_HOME/vantel/host (an
// absolute XDG_DATA_HOME only), else $HOME/.local/share/vantel/host.
std::filesystem::path DefaultHostDir();

}  // namespace vantel::link::sim
