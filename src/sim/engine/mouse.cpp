#include "sim/engine/mouse.h"

namespace vantel::link::sim {

void Mouse::SwitchOn(std::int16_t handle) {
    m_handle = handle;
    m_unread = 0;
}

void Mouse::SwitchOff() {
    if (m_handle != 0 && m_unread > 0) m_left[m_handle] = {m_reading, m_unread};
    m_handle = 0;
    m_unread = 0;
}

std::optional<Mouse::Reading> Mouse::Fetch(std::int16_t h) {
    if (h != 0 && h == m_handle) {
        // The mouse is on: every fetch succeeds with the latest reading, however many came before.
        if (m_unread > 0) --m_unread;
        return m_reading;
    }
    const auto left = m_left.find(h);
    if (left == m_left.end()) return std::nullopt;
    const Reading values = left->second.reading;
    if (--left->second.unread == 0) m_left.erase(left);
    return values;
}

Mouse::Reading Mouse::Wander() {
    ++m_count;
    Reading values{};
    for (int i = 0; i < 6; ++i) values[i] = static_cast<std::int16_t>((m_count * 7 + i * 13) % 41 - 20);
    return values;
}

void Mouse::ForgetUnread() {
    m_left.clear();
    m_unread = 0;
}

}  // namespace vantel::link::sim
