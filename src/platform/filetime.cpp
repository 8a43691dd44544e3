#include "platform/filetime.h"

#include <ctime>
#include <limits>

namespace Orvo_Time {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::uint64_t kTicksPerMilli = 10'000;

// Appends value with at least `digits` digits, zero-padded, while room is left.
void PutNumber(wchar_t* buf, std::size_t limit, std::size_t& pos, long value, int digits) {
    wchar_t tmp[24];
    int n = 0;
    unsigned long v = value < 0 ? 0UL - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    do {
        tmp[n++] = static_cast<wchar_t>(L'0' + v % 10);
        v /= 10;
    } while (v != 0);
    while (n < digits) tmp[n++] = L'0';
    if (value < 0) tmp[n++] = L'-';
    while (n > 0 && pos < limit) buf[pos++] = tmp[--n];
}

}  // namespace

CFileTime CFileTime::GetCurrentTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const std::int64_t ms = static_cast<std::int64_t>(ts.tv_sec) * 1000;
    CFileTime t = FromUnixMillis(ms);
    t.m_ticks += static_cast<std::uint64_t>(ts.tv_nsec) / 100;
    return t;
}

CFileTime CFileTime::FromUnixMillis(std::int64_t ms) {
    constexpr std::int64_t kMinMs = -static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerMilli);
    constexpr std::int64_t kMaxMs =
        static_cast<std::int64_t>((std::numeric_limits<std::uint64_t>::max() - kUnixEpochTicks) / kTicksPerMilli);
    if (ms <= kMinMs) return CFileTime(0);
    if (ms >= kMaxMs) return CFileTime(std::numeric_limits<std::uint64_t>::max());
    return CFileTime(static_cast<std::uint64_t>(static_cast<std::int64_t>(kUnixEpochTicks) + ms * 10'000));
}

CFileTime::UnixTime CFileTime::ToUnix() const {
    if (m_ticks >= kUnixEpochTicks) {
        const std::uint64_t d = m_ticks - kUnixEpochTicks;
        return {static_cast<std::int64_t>(d / kTicksPerSecond),
                static_cast<std::int32_t>((d % kTicksPerSecond) / kTicksPerMilli)};
    }
    const std::uint64_t d = kUnixEpochTicks - m_ticks;
    const std::uint64_t whole = (d + kTicksPerSecond - 1) / kTicksPerSecond;
    return {-static_cast<std::int64_t>(whole), static_cast<std::int32_t>((whole * kTicksPerSecond - d) / kTicksPerMilli)};
}

std::size_t CFileTime::Format(wchar_t* buf, std::size_t len, const wchar_t* format) const {
    if (buf == nullptr || len == 0) return 0;
    const std::size_t limit = len - 1;
    std::size_t pos = 0;
    if (format == nullptr) {
        buf[0] = L'\0';
        return 0;
    }

    const auto [secs, millis] = ToUnix();
    const time_t t = static_cast<time_t>(secs);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) tm = std::tm{};

    for (const wchar_t* f = format; *f != L'\0' && pos < limit; ++f) {
        if (*f != L'%' || f[1] == L'\0') {
            buf[pos++] = *f;
            continue;
        }
        const wchar_t code = *++f;
        switch (code) {
            case L'Y': PutNumber(buf, limit, pos, tm.tm_year + 1900L, 4); break;
            case L'M': PutNumber(buf, limit, pos, tm.tm_mon + 1, 2); break;
            case L'D': PutNumber(buf, limit, pos, tm.tm_mday, 2); break;
            case L'h': PutNumber(buf, limit, pos, tm.tm_hour, 2); break;
            case L'm': PutNumber(buf, limit, pos, tm.tm_min, 2); break;
            case L's': PutNumber(buf, limit, pos, tm.tm_sec, 2); break;
            case L'U': PutNumber(buf, limit, pos, static_cast<long>(millis), 3); break;
            case L'%': buf[pos++] = L'%'; break;
            default:
                buf[pos++] = L'%';
                if (pos < limit) buf[pos++] = code;
                break;
        }
    }
    buf[pos] = L'\0';
    return pos;
}

}  // namespace Orvo_Time
