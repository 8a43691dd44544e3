#include "sim/config.h"

#include <cstdlib>

#include "sim/model/host_folder.h"

namespace vantel::link::sim {
namespace {

int EnvInt(const char* name, int fallback) {
    if (const char* env = std::getenv(name)) {
        char* end = nullptr;
        const long v = std::strtol(env, &end, 10);
        if (end != env && *end == '\0' && v >= 0 && v <= 600000) return static_cast<int>(v);
    }
    return fallback;
}

}  // namespace

SimConfig ConfigFromEnvironment() {
    using std::chrono::milliseconds;
    SimConfig c;
    const int latency = EnvInt("VANTEL_SIM_LATENCY_MS", 20);
    c.latency = milliseconds(latency);
    // Without latency everything runs tick by tick, so that scripts read the same each run.
    c.step = milliseconds(EnvInt("VANTEL_SIM_STEP_MS", latency == 0 ? 0 : 200));
    // The mouse's own stream is opt-in: a mouse at rest reports nothing, whatever the latency.
    c.mousePeriod = milliseconds(EnvInt("VANTEL_SIM_MOUSE_MS", 0));
    c.hostDir = SimHostFolder::DefaultRoot();
    if (const char* env = std::getenv("VANTEL_SIM_STATE_DIR"); env != nullptr && *env != '\0') c.stateDir = env;
    if (const char* env = std::getenv("VANTEL_SIM_CLOCK_MS")) {
        char* end = nullptr;
        const long long v = std::strtoll(env, &end, 10);
        if (end != env && *end == '\0' && v >= 0) c.fixedClockMs = v;
    }
    return c;
}

}  // namespace vantel::link::sim
