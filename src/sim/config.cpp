#include "sim/config.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <iostream>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace vantel::link::sim {
namespace {

namespace fs = std::filesystem;

struct Range {
    std::int64_t low, high;
};
constexpr Range kLatencyRange{0, 60000};
constexpr Range kPeriodRange{0, 600000};
// Up to the last millisecond of the year 9999, which time stamps can still carry.
constexpr Range kClockRange{0, 253402300799999};

// The setting's whole number of milliseconds, when it is set, not empty and one in range; a
// value that is set but no such number is told to err, with what is used instead.
std::optional<std::int64_t> Millis(const std::function<const char*(const char*)>& env, std::ostream& err,
                                   const char* name, Range range, std::string_view fallback) {
    const char* text = env(name);
    if (text == nullptr || *text == '\0') return std::nullopt;
    const std::string_view s(text);
    std::int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc() && end == s.data() + s.size() && v >= range.low && v <= range.high) return v;
    err << "vantel: " << name << "=\"" << s << "\" is not a whole number of milliseconds from " << range.low
        << " to " << range.high << "; using " << fallback << "\n";
    return std::nullopt;
}

fs::path HostDirFrom(const std::function<const char*(const char*)>& env) {
    if (const char* dir = env("VANTEL_SIM_HOST_DIR"); dir && *dir) return dir;
    // A relative XDG_DATA_HOME is invalid and to be ignored, as the base directory rules say.
    if (const char* data = env("XDG_DATA_HOME"); data && *data == '/') return fs::path(data) / "vantel" / "host";
    fs::path home;
    if (const char* dir = env("HOME"); dir && *dir) {
        home = dir;
    } else {
        // No HOME (started as a service): the account's own home.
        struct passwd pw {};
        struct passwd* found = nullptr;
        std::vector<char> buf(16384);
        if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && pw.pw_dir)
            home = pw.pw_dir;
    }
    if (home.empty()) return fs::path("vantel-host");
    return home / ".local" / "share" / "vantel" / "host";
}

}  // namespace

SimConfig ConfigFrom(const std::function<const char*(const char*)>& env, std::ostream& err) {
    using std::chrono::milliseconds;
    SimConfig c;
    const auto latency = Millis(env, err, "VANTEL_SIM_LATENCY_MS", kLatencyRange, "20").value_or(20);
    c.latency = milliseconds(latency);
    // Without latency everything runs tick by tick, so that scripts read the same each run.
    const std::int64_t step = latency == 0 ? 0 : 200;
    c.step = milliseconds(Millis(env, err, "VANTEL_SIM_STEP_MS", kPeriodRange, std::to_string(step)).value_or(step));
    // The mouse's own stream is opt-in: a mouse at rest reports nothing, whatever the latency.
    c.mousePeriod = milliseconds(Millis(env, err, "VANTEL_SIM_MOUSE_MS", kPeriodRange, "0").value_or(0));
    c.fixedClockMs = Millis(env, err, "VANTEL_SIM_CLOCK_MS", kClockRange, "the wall clock");
    if (const char* dir = env("VANTEL_SIM_STATE_DIR"); dir != nullptr && *dir != '\0') c.stateDir = dir;
    c.hostDir = HostDirFrom(env);
    return c;
}

SimConfig ConfigFromEnvironment() {
    std::ostringstream said;
    SimConfig c = ConfigFrom([](const char* name) { return std::getenv(name); }, said);
    static std::mutex mutex;
    static std::set<std::string> told;
    std::istringstream lines(said.str());
    std::lock_guard lock(mutex);
    for (std::string line; std::getline(lines, line);) {
        if (told.insert(line).second) std::cerr << line << '\n';
    }
    return c;
}

fs::path DefaultHostDir() {
    return HostDirFrom([](const char* name) { return std::getenv(name); });
}

}  // namespace vantel::link::sim
