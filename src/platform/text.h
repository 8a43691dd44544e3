// Conversions between the console's wide text and UTF-8 (files, SQLite, the terminal).
#pragma once
#include <string>
#include <string_view>

namespace vantel {
std::string ToUtf8(std::wstring_view text);
// One code point; anything that is not a Unicode scalar value becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);
// Invalid UTF-8 sequences become U+FFFD.
std::wstring FromUtf8(std::string_view text);
}  // namespace vantel
