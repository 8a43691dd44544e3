// Time stamps as the controller link delivers them.
#pragma once
#include <cstddef>
#include <cstdint>

namespace Orvo_Time {

// A point in time: 100-nanosecond ticks since 1601-01-01 00:00 UTC.
class CFileTime {
public:
    CFileTime() = default;
    explicit CFileTime(std::uint64_t ticks) : m_ticks(ticks) {}

    static CFileTime GetCurrentTime();
    // Ticks from 1601 to 1970.
    static constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ULL;
    static CFileTime FromUnixMillis(std::int64_t ms);

    // Seconds and milliseconds since 1970, floored, so that a time before 1970 keeps its
    // milliseconds counting forward like any other.
    struct UnixTime {
        std::int64_t seconds = 0;
        std::int32_t millis = 0;
    };
    UnixTime ToUnix() const;

    std::uint64_t GetTime() const { return m_ticks; }
    void SetTime(std::uint64_t ticks) { m_ticks = ticks; }

    // Writes the time, in the local time zone, into buf as a zero-terminated text of
    // at most len characters including the terminator (longer output is cut).
    // Codes: %Y year (4 digits), %M month, %D day, %h hours (00-23), %m minutes, %s seconds
    // (each 2 digits), %U milliseconds (3 digits), %% a percent sign; any other character,
    // and an unknown code, is copied as it stands.
    // So "%h:%m:%s'%U" gives e.g. "14:03:09'047". Returns the number of characters written.
    std::size_t Format(wchar_t* buf, std::size_t len, const wchar_t* format) const;

    bool operator==(const CFileTime&) const = default;

private:
    std::uint64_t m_ticks = 0;
};

}  // namespace Orvo_Time
