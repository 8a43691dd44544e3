// The simulated controller as a link backend whose clock the test moves by hand.
#pragma once
#include <span>

#include "link/plexa.h"
#include "sim/controller.h"

namespace vantel::link::sim::test {

struct Backend : ILinkBackend {
    explicit Backend(const SimConfig& cfg) : sim(cfg) {}
    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override { return sim.Invoke(id, args, now); }
    SimController sim;
    Clock::time_point now{};
};

}  // namespace vantel::link::sim::test
