// Done, or refused with a reason: the simulator's one shape of "refused, with a reason". The
// reason is in words for the user (the controller's message, the log). True when done.
#pragma once
#include <string>
#include <utility>

namespace vantel::link::sim {

class [[nodiscard]] Outcome {
public:
    Outcome() = default;  // done
    static Outcome Refused(std::wstring why) {
        Outcome o;
        o.m_refused = true;
        o.m_why = std::move(why);
        return o;
    }
    explicit operator bool() const noexcept { return !m_refused; }
    // Why it was refused; empty when it was done.
    const std::wstring& Why() const noexcept { return m_why; }

private:
    bool m_refused = false;
    std::wstring m_why;
};

// A value, or why there is none.
template <class T>
class [[nodiscard]] OutcomeOf {
public:
    OutcomeOf(T value) : m_value(std::move(value)) {}
    OutcomeOf(Outcome refused) : m_outcome(std::move(refused)) {}
    explicit operator bool() const noexcept { return static_cast<bool>(m_outcome); }
    const std::wstring& Why() const noexcept { return m_outcome.Why(); }
    const Outcome& Result() const noexcept { return m_outcome; }
    T& operator*() noexcept { return m_value; }
    const T& operator*() const noexcept { return m_value; }
    T* operator->() noexcept { return &m_value; }
    const T* operator->() const noexcept { return &m_value; }

private:
    T m_value{};
    Outcome m_outcome;
};

}  // namespace vantel::link::sim
