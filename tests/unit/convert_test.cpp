#include "jobs/convert.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <random>
#include <string>
#include <vector>

namespace vantel {
namespace {

using Lines = std::vector<std::wstring>;

// What glibc's swscanf leaves in a zero-initialised variable; "%ld" and "%lu" scan into
// a 64-bit long here and are narrowed, as ScanField documents.
std::int16_t LibHd(const std::wstring& s) {
    short v = 0;
    std::swscanf(s.c_str(), L"%hd", &v);
    return v;
}
std::int32_t LibD(const std::wstring& s) {
    int v = 0;
    std::swscanf(s.c_str(), L"%d", &v);
    return v;
}
std::uint32_t LibU(const std::wstring& s) {
    unsigned v = 0;
    std::swscanf(s.c_str(), L"%u", &v);
    return v;
}
std::int32_t LibLd(const std::wstring& s) {
    long v = 0;
    std::swscanf(s.c_str(), L"%ld", &v);
    return static_cast<std::int32_t>(v);
}
std::uint32_t LibLu(const std::wstring& s) {
    unsigned long v = 0;
    std::swscanf(s.c_str(), L"%lu", &v);
    return static_cast<std::uint32_t>(v);
}
std::uint32_t LibLx(const std::wstring& s) {
    unsigned long v = 0;
    std::swscanf(s.c_str(), L"%lx", &v);
    return static_cast<std::uint32_t>(v);
}

// Texts shaped like field input: blanks, signs, a 0x prefix, decimal or hex digits of
// every length (so in and out of range), trailing junk.
std::wstring RandomField(std::mt19937& rng) {
    const auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    static const std::wstring blanks[] = {L"", L" ", L"  ", L"\t", L" \t\n", L"\v\f\r"};
    static const std::wstring signs[] = {L"", L"", L"-", L"+", L"--", L"+-"};
    static const std::wstring prefixes[] = {L"", L"", L"", L"0x", L"0X", L"0"};
    static const std::wstring junk[] = {L"", L"", L"abc", L" 12", L"x", L"|7", L".5", L"-3", L"g", L"\u00e4"};
    const std::wstring digitSet = pick(2) ? L"0123456789" : L"0123456789abcdefABCDEF";
    std::wstring s = blanks[pick(6)] + signs[pick(6)] + prefixes[pick(6)];
    // Mostly short numbers, so that most cases are in range.
    const int len = pick(4) ? pick(6) : pick(25);
    for (int i = 0; i < len; ++i) s += digitSet[pick(static_cast<int>(digitSet.size()))];
    return s + junk[pick(10)];
}

TEST(ScanField, AgreesWithTheCLibraryOnRandomFields) {
    std::mt19937 rng(20240611);
    for (int i = 0; i < 4000; ++i) {
        const std::wstring s = RandomField(rng);
        const std::string shown(s.begin(), s.end());
        ASSERT_EQ(ScanField<std::int16_t>(s, L"%hd"), LibHd(s)) << shown;
        ASSERT_EQ(ScanField<std::int32_t>(s, L"%d"), LibD(s)) << shown;
        ASSERT_EQ(ScanField<std::uint32_t>(s, L"%u"), LibU(s)) << shown;
        ASSERT_EQ(ScanField<std::int32_t>(s, L"%ld"), LibLd(s)) << shown;
        ASSERT_EQ(ScanField<std::uint32_t>(s, L"%lu"), LibLu(s)) << shown;
        ASSERT_EQ(ScanField<std::uint32_t>(s, L"%lx"), LibLx(s)) << shown;
    }
}

TEST(ScanField, InRangeValues) {
    EXPECT_EQ(ScanField<std::uint32_t>(L"-1", L"%u"), 4294967295u);
    EXPECT_EQ(ScanField<std::uint32_t>(L"-1", L"%lu"), 4294967295u);
    EXPECT_EQ(ScanField<std::int32_t>(L"  \t+12abc", L"%d"), 12);
    EXPECT_EQ(ScanField<std::int16_t>(L"-32768", L"%hd"), -32768);
    EXPECT_EQ(ScanField<std::int32_t>(L"-2147483648", L"%ld"), INT32_MIN);
    EXPECT_EQ(ScanField<std::uint32_t>(L"0x1F", L"%lx"), 31u);
    EXPECT_EQ(ScanField<std::uint32_t>(L"1f", L"%lx"), 31u);
    EXPECT_EQ(ScanField<std::uint32_t>(L" FFFFFFFF", L"%lx"), 0xFFFFFFFFu);
    EXPECT_EQ(ScanField<std::int32_t>(L"0x1F", L"%d"), 0);  // decimal stops at the x
    EXPECT_EQ(ScanField<std::int32_t>(L"12 34", L"%d"), 12);
}

TEST(ScanField, NoNumberGivesZero) {
    for (const wchar_t* s : {L"", L"   ", L"xyz", L"-", L"+", L" - 1", L"--1", L"x1", L"\u00e412"}) {
        EXPECT_EQ(ScanField<std::int16_t>(s, L"%hd"), 0) << s;
        EXPECT_EQ(ScanField<std::int32_t>(s, L"%d"), 0) << s;
        EXPECT_EQ(ScanField<std::uint32_t>(s, L"%u"), 0u) << s;
        EXPECT_EQ(ScanField<std::uint32_t>(s, L"%lx"), 0u) << s;
    }
    EXPECT_EQ(ScanField<std::int32_t>(L"12", L"%f"), 0);  // not a format of ours
}

TEST(ScanField, OutOfRangeIsTruncatedToTheTargetWidth) {
    EXPECT_EQ(ScanField<std::int16_t>(L"70000", L"%hd"), 4464);
    EXPECT_EQ(ScanField<std::int16_t>(L"32768", L"%hd"), -32768);
    EXPECT_EQ(ScanField<std::int32_t>(L"4294967297", L"%d"), 1);
    EXPECT_EQ(ScanField<std::int32_t>(L"2147483648", L"%ld"), INT32_MIN);
    EXPECT_EQ(ScanField<std::uint32_t>(L"4294967296", L"%u"), 0u);
    EXPECT_EQ(ScanField<std::uint32_t>(L"-4294967295", L"%u"), 1u);
    EXPECT_EQ(ScanField<std::uint32_t>(L"123456789ab", L"%lx"), 0x456789abu);
    // Beyond 64 bits the long saturates first.
    EXPECT_EQ(ScanField<std::int32_t>(L"99999999999999999999", L"%d"), -1);
    EXPECT_EQ(ScanField<std::int32_t>(L"-99999999999999999999", L"%d"), 0);
    EXPECT_EQ(ScanField<std::int16_t>(L"99999999999999999999", L"%hd"), -1);
    EXPECT_EQ(ScanField<std::uint32_t>(L"-99999999999999999999", L"%lu"), 4294967295u);
}

TEST(SplitList, CutsAtEveryBarAndAppends) {
    const auto split = [](const wchar_t* text) {
        Lines out;
        SplitList(text, out);
        return out;
    };
    EXPECT_EQ(split(L""), Lines{});
    EXPECT_EQ(split(L"a|b"), (Lines{L"a", L"b"}));
    EXPECT_EQ(split(L"x|"), (Lines{L"x"}));
    EXPECT_EQ(split(L"|x"), (Lines{L"", L"x"}));
    EXPECT_EQ(split(L"|"), (Lines{L""}));
    EXPECT_EQ(split(L"a||b|"), (Lines{L"a", L"", L"b"}));
    EXPECT_EQ(split(L" a | b "), (Lines{L" a ", L" b "}));

    Lines kept{L"old"};
    SplitList(L"n1|n2", kept);
    EXPECT_EQ(kept, (Lines{L"old", L"n1", L"n2"}));
}

TEST(JoinLines, NewlineBetweenNothingAfter) {
    EXPECT_EQ(JoinLines({}), L"");
    EXPECT_EQ(JoinLines({L""}), L"");
    EXPECT_EQ(JoinLines({L"a", L"", L"c"}), L"a\n\nc");
    // Round trip with SplitList where no piece is empty.
    Lines pieces;
    SplitList(L"one|two|three", pieces);
    EXPECT_EQ(JoinLines(pieces), L"one\ntwo\nthree");
}

TEST(Format, LongIsThirtyTwoBits) {
    EXPECT_EQ(Format(L"%08lx", std::uint32_t{0xFFFFFFFF}), L"ffffffff");
    EXPECT_EQ(Format(L"%lx", std::int32_t{-1}), L"ffffffff");
    EXPECT_EQ(Format(L"%lx", std::uint32_t{0x1A}), L"1a");
    EXPECT_EQ(Format(L"%ld", std::uint32_t{0xFFFFFFFF}), L"-1");
    EXPECT_EQ(Format(L"%lu", std::int32_t{-1}), L"4294967295");
    EXPECT_EQ(Format(L"%hd", std::int32_t{70000}), L"4464");
    EXPECT_EQ(Format(L"%04x", 0x2Au), L"002a");
    EXPECT_EQ(Format(L"%d%% %s", 50, std::wstring(L"\u00c4tsch")), L"50% \u00c4tsch");
}

TEST(Format, ControllerTextIsOnlyAnArgument) {
    EXPECT_EQ(Format(L"[%s]", std::wstring(L"%s %ld %n %%")), L"[%s %ld %n %%]");
    EXPECT_EQ(Format(L"100%%ld"), L"100%ld");  // "%%" followed by text, no conversion
    // A format of ours that does not fit its arguments shows as it stands, never throws.
    EXPECT_EQ(Format(L"%d %d", 1), L"%d %d");
}

TEST(Format, StripLongModifiers) {
    EXPECT_EQ(StripLongModifiers(L"Handle:%lx Type:%ld %-8lu %lld %%ld %ls"), L"Handle:%x Type:%d %-8u %lld %%ld %s");
}

}  // namespace
}  // namespace vantel
