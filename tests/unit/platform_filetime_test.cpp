// Expects TZ=UTC, as the test runner sets it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "platform/filetime.h"

using Orvo_Time::CFileTime;

namespace {

// 2024-03-05 14:03:09.047 UTC
const CFileTime kSample = CFileTime::FromUnixMillis(1709647389047);

std::wstring Format(const CFileTime& t, const wchar_t* format, std::size_t len = 64) {
    std::wstring buf(len, L'#');
    const std::size_t n = t.Format(buf.data(), len, format);
    EXPECT_EQ(buf[n], L'\0');
    return buf.substr(0, n);
}

}  // namespace

TEST(PlatformFileTime, UnixMillisMapToFileTimeTicks) {
    EXPECT_EQ(CFileTime::FromUnixMillis(0).GetTime(), CFileTime::kUnixEpochTicks);
    EXPECT_EQ(CFileTime::FromUnixMillis(1).GetTime() - CFileTime::kUnixEpochTicks, 10'000u);
    EXPECT_EQ(CFileTime::FromUnixMillis(-1).GetTime(), CFileTime::kUnixEpochTicks - 10'000u);
    // Before 1601 there are no ticks to count.
    EXPECT_EQ(CFileTime::FromUnixMillis(-12'000'000'000'000).GetTime(), 0u);
}

TEST(PlatformFileTime, CurrentTimeComesFromTheSystemClock) {
    using namespace std::chrono;
    const auto before = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    const CFileTime now = CFileTime::GetCurrentTime();
    const auto after = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    EXPECT_GE(now.GetTime(), CFileTime::FromUnixMillis(before).GetTime());
    EXPECT_LE(now.GetTime(), CFileTime::FromUnixMillis(after + 1).GetTime());
}

TEST(PlatformFileTime, FormatCodes) {
    EXPECT_EQ(Format(kSample, L"%h:%m:%s'%U"), L"14:03:09'047");
    EXPECT_EQ(Format(kSample, L"%Y-%M-%D"), L"2024-03-05");
    EXPECT_EQ(Format(kSample, L"100%% done"), L"100% done");
    EXPECT_EQ(Format(kSample, L"%Q %y%"), L"%Q %y%");
    EXPECT_EQ(Format(kSample, L""), L"");
    EXPECT_EQ(Format(CFileTime::FromUnixMillis(-1), L"%Y-%M-%D %h:%m:%s'%U"), L"1969-12-31 23:59:59'999");
    EXPECT_EQ(Format(CFileTime(0), L"%Y-%M-%D %h:%m:%s'%U"), L"1601-01-01 00:00:00'000");
}

TEST(PlatformFileTime, FormatCutsAtTheBufferLength) {
    EXPECT_EQ(Format(kSample, L"%h:%m:%s", 5), L"14:0");
    EXPECT_EQ(Format(kSample, L"%Y", 3), L"20");
    EXPECT_EQ(Format(kSample, L"%%%%", 2), L"%");
    EXPECT_EQ(Format(kSample, L"%h:%m", 1), L"");

    wchar_t untouched[2] = {L'x', L'y'};
    EXPECT_EQ(kSample.Format(untouched, 0, L"%h"), 0u);
    EXPECT_EQ(untouched[0], L'x');
    EXPECT_EQ(untouched[1], L'y');
}
