// The 6D mouse's readings. They coalesce instead of queueing: while the mouse is on every
// fetch on its handle gets the latest reading. After switch-off the last reading stays for as
// many fetches as notifications were posted and not yet fetched, then goes.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "sim/config.h"

namespace vantel::link::sim {

class Mouse {
public:
    using Reading = std::array<std::int16_t, 6>;

    // The handle its readings come under while it is on; 0 when off.
    std::int16_t Handle() const { return m_handle; }
    void SwitchOn(std::int16_t handle);
    // Readings already posted can still be fetched, each once, with the last reading.
    void SwitchOff();

    void Take(const Reading& values) { m_reading = values; }
    // A reading was posted.
    void Posted() {
        if (m_unread < UINT32_MAX) ++m_unread;
    }
    // The reading a fetch on handle h gets; nothing when h has none.
    std::optional<Reading> Fetch(std::int16_t h);
    // The next of its own readings (SimConfig::mousePeriod): small deflections that wander, as
    // an operator's hand, never twice the same in a row.
    Reading Wander();

    // A handle taken by a new job: what an earlier mouse left under it goes.
    void Forget(std::int16_t h) { m_left.erase(h); }
    // Every notification is dropped: nothing is left to fetch.
    void ForgetUnread();

    Clock::time_point next{};  // when its own next reading is due

private:
    struct Left {
        Reading reading{};
        std::uint32_t unread = 0;
    };
    std::int16_t m_handle = 0;
    std::uint32_t m_count = 0;
    Reading m_reading{};
    std::uint32_t m_unread = 0;
    std::map<std::int16_t, Left> m_left;  // by the handle of a mouse switched off
};

}  // namespace vantel::link::sim
