// The link the console starts with: the simulated controller (sim_controller.h), which
// answers every request a little later from a thread of its own, as a real link would.
#pragma once
#include <memory>

#include "link/plexa.h"
#include "link/sim_controller.h"

namespace vantel::link {

// Latency from $VANTEL_SIM_LATENCY_MS (milliseconds, 0 allowed), else 20 ms.
int DefaultLatencyMs();

// The simulated controller, configured from the environment (sim::ConfigFromEnvironment)
// with this latency.
std::unique_ptr<ILinkBackend> MakeEmbeddedLink(int latencyMs = DefaultLatencyMs());

// The simulated controller with every setting given.
std::unique_ptr<ILinkBackend> MakeSimLink(const sim::SimConfig& config);

}  // namespace vantel::link
