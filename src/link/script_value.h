// Values as vantel-batch writes and reads them: the escaped text of its output lines and
// the values of a scripted link's result lines.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vantel::link {

// UTF-8, with line feed, carriage return, tab, backslash and double quote written
// \n \r \t \\ \" (the only escapes there are, both ways).
std::string EscapeText(std::wstring_view text);

// An integer as written: decimal or 0x hex, optionally negative.
struct Number {
    bool negative = false;
    std::uint64_t magnitude = 0;

    // True when the value lies in [-2^(bits-1), 2^bits - 1]: a signed or an unsigned
    // value of that width. Bits() is then meant to be truncated to the width, so -1
    // and 0xFFFF are the same 16-bit value, as with the C library's conversions.
    bool Fits(unsigned bits) const;
    // Two's complement in 64 bits.
    std::uint64_t Bits() const { return negative ? ~magnitude + 1 : magnitude; }
};

// The whole token must be a number; false on anything else, and beyond 64 bits.
bool ParseNumber(std::string_view token, Number& number);

// Array elements: never arrays themselves.
using Scalar = std::variant<Number, std::wstring, bool>;
struct Array {
    std::vector<Scalar> items;
};
using Value = std::variant<Number, std::wstring, bool, Array>;

// Values separated by blanks: numbers, "strings", true, false and [a, b, ...] arrays of
// one kind of scalar. Strings are UTF-8 with the escapes above. False with a reason that
// names the column, counting text's first character as firstColumn.
bool ParseValues(std::string_view text, std::vector<Value>& values, std::string& error, std::size_t firstColumn = 1);

}  // namespace vantel::link
