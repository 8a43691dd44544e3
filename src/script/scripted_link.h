// The link of vantel-batch's scripts: no controller behind it, every answer comes from the
// script. "handle" lines queue the handles of later requests, "result" lines queue a later
// call's return value and out-values, each call name with a queue of its own.
#pragma once
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "link/plexa.h"
#include "link/script_value.h"

namespace vantel::link {

class ScriptedLink final : public ILinkBackend {
public:
    // The next request not answered by a "result" line returns h.
    void QueueHandle(std::int16_t h);

    // The next call of `call` returns ret and fills its out-values, in declaration order,
    // with values; out-values beyond them are left empty or zero. False, with the reason,
    // when ret or a value does not fit the call (then nothing is queued).
    bool QueueResult(CallId call, const Number& ret, std::vector<Value> values, std::string& error);

    // A call with a queued result takes it; otherwise a request gets the oldest queued
    // handle or, when there is none, the next of 1, 2, 3 ...; any other call returns 1.
    // Out-values without a queued value are emptied.
    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override;

private:
    struct Result {
        std::int32_t ret;
        std::vector<Value> values;
    };

    std::deque<std::int16_t> m_handles;
    std::array<std::deque<Result>, kCallCount> m_results;
    std::int16_t m_lastCounted = 0;
};

}  // namespace vantel::link
