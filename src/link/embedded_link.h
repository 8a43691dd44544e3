// The link the console starts with: a controller stand-in that accepts every request and
// reports its result a little later, from a thread of its own, as a real link would.
#pragma once
#include <memory>

#include "link/plexa.h"

namespace vantel::link {

// Latency from $VANTEL_SIM_LATENCY_MS (milliseconds, 0 allowed), else 20 ms.
int DefaultLatencyMs();

std::unique_ptr<ILinkBackend> MakeEmbeddedLink(int latencyMs = DefaultLatencyMs());

}  // namespace vantel::link
