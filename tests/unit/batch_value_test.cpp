#include "link/script_value.h"

#include <gtest/gtest.h>

namespace vantel::link {
namespace {

std::vector<Value> Parse(std::string_view text) {
    std::vector<Value> values;
    std::string error;
    EXPECT_TRUE(ParseValues(text, values, error)) << text << ": " << error;
    return values;
}

std::string Rejection(std::string_view text, std::size_t firstColumn = 1) {
    std::vector<Value> values;
    std::string error;
    EXPECT_FALSE(ParseValues(text, values, error, firstColumn)) << text;
    return error;
}

std::uint64_t BitsOf(const Value& v) { return std::get<Number>(v).Bits(); }

TEST(BatchValue, NumbersInDecimalAndHexWithSign) {
    const auto v = Parse("42 0x2A 0XfF -1 -0x10 0 -0 18446744073709551615");
    ASSERT_EQ(v.size(), 8u);
    EXPECT_EQ(BitsOf(v[0]), 42u);
    EXPECT_EQ(BitsOf(v[1]), 42u);
    EXPECT_EQ(BitsOf(v[2]), 255u);
    EXPECT_EQ(static_cast<std::int64_t>(BitsOf(v[3])), -1);
    EXPECT_EQ(static_cast<std::int64_t>(BitsOf(v[4])), -16);
    EXPECT_EQ(BitsOf(v[5]), 0u);
    EXPECT_FALSE(std::get<Number>(v[6]).negative);  // -0 is plain 0
    EXPECT_EQ(BitsOf(v[7]), UINT64_MAX);

    Number n;
    for (const char* bad : {"", "-", "0x", "12a", "0x1g", "1.5", "+1", "18446744073709551616", "--1"}) {
        EXPECT_FALSE(ParseNumber(bad, n)) << bad;
    }
}

TEST(BatchValue, NumbersFitASignedOrUnsignedWidth) {
    const auto fits16 = [](const char* text) {
        Number n;
        EXPECT_TRUE(ParseNumber(text, n)) << text;
        return n.Fits(16);
    };
    EXPECT_TRUE(fits16("-32768"));
    EXPECT_TRUE(fits16("65535"));
    EXPECT_FALSE(fits16("-32769"));
    EXPECT_FALSE(fits16("65536"));

    Number n;
    ASSERT_TRUE(ParseNumber("0xFFFF", n));
    EXPECT_EQ(static_cast<std::int16_t>(n.Bits()), -1);
    ASSERT_TRUE(ParseNumber("-1", n));
    EXPECT_EQ(static_cast<std::uint32_t>(n.Bits()), 4294967295u);
    ASSERT_TRUE(ParseNumber("-9223372036854775808", n));
    EXPECT_TRUE(n.Fits(64));
    ASSERT_TRUE(ParseNumber("-9223372036854775809", n));
    EXPECT_FALSE(n.Fits(64));
}

TEST(BatchValue, StringsWithEscapesAndUnicode) {
    const auto v = Parse(R"("a\nb\r\t\\ \"q\"" "" "Ätschi 😀" "x y")");
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(std::get<std::wstring>(v[0]), L"a\nb\r\t\\ \"q\"");
    EXPECT_EQ(std::get<std::wstring>(v[1]), L"");
    EXPECT_EQ(std::get<std::wstring>(v[2]), L"Ätschi 😀");
    EXPECT_EQ(std::get<std::wstring>(v[3]), L"x y");

    EXPECT_NE(Rejection(R"("a\x")").find("unknown escape"), std::string::npos);
    EXPECT_NE(Rejection(R"("open)").find("closing quote"), std::string::npos);
    EXPECT_NE(Rejection(R"("ends in \")").find("closing quote"), std::string::npos);
}

TEST(BatchValue, ArraysOfOneKind) {
    const auto v = Parse(R"(["a", "b,]"] [true,false] [ 1 , 0x2,-3 ] [])");
    ASSERT_EQ(v.size(), 4u);
    const auto& strings = std::get<Array>(v[0]).items;
    ASSERT_EQ(strings.size(), 2u);
    EXPECT_EQ(std::get<std::wstring>(strings[1]), L"b,]");
    const auto& flags = std::get<Array>(v[1]).items;
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_TRUE(std::get<bool>(flags[0]));
    EXPECT_FALSE(std::get<bool>(flags[1]));
    const auto& numbers = std::get<Array>(v[2]).items;
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_EQ(static_cast<std::int64_t>(std::get<Number>(numbers[2]).Bits()), -3);
    EXPECT_TRUE(std::get<Array>(v[3]).items.empty());

    EXPECT_NE(Rejection(R"(["a", 1])").find("different kinds"), std::string::npos);
    EXPECT_NE(Rejection("[[1]]").find("nest"), std::string::npos);
    EXPECT_FALSE(Rejection("[1 2]").empty());
    EXPECT_FALSE(Rejection("[1,]").empty());
    EXPECT_FALSE(Rejection("[1, 2").empty());
}

TEST(BatchValue, ValuesMustBeSeparatedAndKnown) {
    EXPECT_EQ(Parse("").size(), 0u);
    EXPECT_EQ(Parse(" \t 1\t\"a\"  ").size(), 2u);
    EXPECT_FALSE(Rejection(R"("a""b")").empty());
    EXPECT_FALSE(Rejection("[1][2]").empty());
    EXPECT_FALSE(Rejection("1]").empty());
    // The reason names the column of the line that the text was cut from.
    EXPECT_EQ(Rejection("1 yes", 20), "not a value: yes at column 22");
}

TEST(BatchValue, EscapingWritesTheFiveEscapesAndUtf8) {
    EXPECT_EQ(EscapeText(L"Ätschi Bätsch:\r\nFehler!"), "Ätschi Bätsch:\\r\\nFehler!");
    EXPECT_EQ(EscapeText(L"a\tb\\c\"d\""), "a\\tb\\\\c\\\"d\\\"");
    EXPECT_EQ(EscapeText(L""), "");

    // What the output writes, a script reads back unchanged.
    const std::wstring text = L"\"\\n\" is not \n; 😀 | \r\t\\\\";
    const auto v = Parse("\"" + EscapeText(text) + "\"");
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(std::get<std::wstring>(v[0]), text);
}

}  // namespace
}  // namespace vantel::link
