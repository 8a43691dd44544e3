// The one seam between the simulated controller and the rest: the executables get a link
// backend here. The simulator's internals stay behind it (sim/controller.h is for its
// own library and its tests).
#pragma once
#include <memory>

#include "link/plexa.h"
#include "sim/config.h"

namespace vantel::link {

// Latency from $VANTEL_SIM_LATENCY_MS (milliseconds, 0 allowed), else 20 ms.
int DefaultLatencyMs();

// The simulated controller, configured from the environment (sim::ConfigFromEnvironment)
// with this latency. It answers every request a little later from a thread of its own, as a
// real link would.
std::unique_ptr<ILinkBackend> MakeEmbeddedLink(int latencyMs = DefaultLatencyMs());

// The simulated controller with every setting given.
std::unique_ptr<ILinkBackend> MakeSimLink(const sim::SimConfig& config);

}  // namespace vantel::link
