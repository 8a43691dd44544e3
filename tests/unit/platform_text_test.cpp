#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

using vantel::FromUtf8;
using vantel::ToUtf8;

TEST(PlatformText, RoundTripsAllPlanes) {
    const std::wstring samples[] = {
        L"",
        L"plain ASCII",
        L"Stra\u00dfe \u00e4\u00f6\u00fc",
        L"\u65e5\u672c\u8a9e",
        L"\U0001F600 smile \U0001F680\U0001F468\u200D\U0001F469",
        std::wstring(L"nul\0inside", 10),
    };
    for (const auto& s : samples) EXPECT_EQ(FromUtf8(ToUtf8(s)), s);

    EXPECT_EQ(ToUtf8(L"\u00e4"), "\xC3\xA4");
    EXPECT_EQ(ToUtf8(L"\u20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(ToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8("\xF0\x9F\x98\x80"), L"\U0001F600");
}

TEST(PlatformText, InvalidUtf8BecomesReplacementCharacters) {
    struct Case {
        std::string in;
        std::wstring out;
    };
    const Case cases[] = {
        {"\x80", L"\uFFFD"},                                // stray continuation byte
        {"a\xE2\x82" "b", L"a\uFFFDb"},                     // cut sequence keeps the next character
        {"\xF0\x9F\x98", L"\uFFFD"},                        // cut at the end
        {"\xC0\xAF", L"\uFFFD\uFFFD"},                      // overlong '/'
        {"\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"},  // above U+10FFFF
        {"\xFF x", L"\uFFFD x"},
        {"\xC3\xA4\xC3", L"\u00e4\uFFFD"},
    };
    for (const auto& c : cases) EXPECT_EQ(FromUtf8(c.in), c.out) << "input of " << c.in.size() << " bytes";
}

TEST(PlatformText, WideValuesWithoutUnicodeMeaningEncodeAsReplacement) {
    std::wstring bad;
    bad += static_cast<wchar_t>(0xD800);
    bad += static_cast<wchar_t>(0x110000);
    EXPECT_EQ(ToUtf8(bad), "\xEF\xBF\xBD\xEF\xBF\xBD");
}
