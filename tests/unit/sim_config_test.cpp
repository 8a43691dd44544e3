// The one reader of the VANTEL_SIM_* settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

#include "sim/config.h"
#include "sim/embedded.h"

namespace {

using namespace vantel::link;
using namespace vantel::link::sim;
using std::chrono::milliseconds;

struct Read {
    SimConfig config;
    std::string said;
};

Read ReadFrom(const std::map<std::string, std::string>& vars) {
    std::ostringstream err;
    SimConfig c = ConfigFrom(
        [&](const char* name) -> const char* {
            const auto it = vars.find(name);
            return it == vars.end() ? nullptr : it->second.c_str();
        },
        err);
    return {c, err.str()};
}

TEST(SimConfig, EveryNumberIsWholeMillisecondsInRangeElseToldAndTheDefault) {
    const Read none = ReadFrom({});
    EXPECT_EQ(none.config.latency, milliseconds(20));
    EXPECT_EQ(none.config.step, milliseconds(200));
    EXPECT_EQ(none.config.mousePeriod, milliseconds(0));
    EXPECT_FALSE(none.config.fixedClockMs);
    EXPECT_EQ(none.said, "");

    const Read zero = ReadFrom({{"VANTEL_SIM_LATENCY_MS", "0"}, {"VANTEL_SIM_CLOCK_MS", "0"}});
    EXPECT_EQ(zero.config.latency, milliseconds(0));
    EXPECT_EQ(zero.config.step, milliseconds(0));  // follows a latency of 0
    EXPECT_EQ(zero.config.fixedClockMs, 0);
    EXPECT_EQ(zero.said, "");

    const Read top = ReadFrom({{"VANTEL_SIM_LATENCY_MS", "60000"}, {"VANTEL_SIM_STEP_MS", "600000"},
                               {"VANTEL_SIM_MOUSE_MS", "250"}, {"VANTEL_SIM_CLOCK_MS", "253402300799999"}});
    EXPECT_EQ(top.config.latency, milliseconds(60000));
    EXPECT_EQ(top.config.step, milliseconds(600000));
    EXPECT_EQ(top.config.mousePeriod, milliseconds(250));
    EXPECT_EQ(top.config.fixedClockMs, 253402300799999);
    EXPECT_EQ(top.said, "");

    // "0ms" once gave a latency of 0 with the step of a latency of 20.
    for (const char* bad : {"0ms", " 0", "+5", "-1", "1.5", "0x10", "60001", "99999999999999999999"}) {
        const Read r = ReadFrom({{"VANTEL_SIM_LATENCY_MS", bad}});
        EXPECT_EQ(r.config.latency, milliseconds(20)) << bad;
        EXPECT_EQ(r.config.step, milliseconds(200)) << bad;
        EXPECT_EQ(r.said, std::string("vantel: VANTEL_SIM_LATENCY_MS=\"") + bad +
                              "\" is not a whole number of milliseconds from 0 to 60000; using 20\n");
    }
    const Read others = ReadFrom({{"VANTEL_SIM_LATENCY_MS", "0"}, {"VANTEL_SIM_STEP_MS", "600001"},
                                  {"VANTEL_SIM_MOUSE_MS", "fast"}, {"VANTEL_SIM_CLOCK_MS", "253402300800000"}});
    EXPECT_EQ(others.config.step, milliseconds(0));
    EXPECT_EQ(others.config.mousePeriod, milliseconds(0));
    EXPECT_FALSE(others.config.fixedClockMs);
    EXPECT_EQ(others.said,
              "vantel: VANTEL_SIM_STEP_MS=\"600001\" is not a whole number of milliseconds from 0 to 600000; using 0\n"
              "vantel: VANTEL_SIM_MOUSE_MS=\"fast\" is not a whole number of milliseconds from 0 to 600000; using 0\n"
              "vantel: VANTEL_SIM_CLOCK_MS=\"253402300800000\" is not a whole number of milliseconds from 0 to "
              "253402300799999; using the wall clock\n");

    // Empty is unset, as for the folders.
    const Read empty = ReadFrom({{"VANTEL_SIM_LATENCY_MS", ""}, {"VANTEL_SIM_STATE_DIR", ""}});
    EXPECT_EQ(empty.config.latency, milliseconds(20));
    EXPECT_TRUE(empty.config.stateDir.empty());
    EXPECT_EQ(empty.said, "");

    // The link's latency is the same reading, not a second parse with rules of its own.
    const char* old = std::getenv("VANTEL_SIM_LATENCY_MS");
    const std::string saved = old ? old : "";
    ::setenv("VANTEL_SIM_LATENCY_MS", "0ms", 1);
    EXPECT_EQ(DefaultLatencyMs(), 20);
    ::setenv("VANTEL_SIM_LATENCY_MS", "45", 1);
    EXPECT_EQ(DefaultLatencyMs(), 45);
    if (old) ::setenv("VANTEL_SIM_LATENCY_MS", saved.c_str(), 1);
    else ::unsetenv("VANTEL_SIM_LATENCY_MS");
}

}  // namespace
