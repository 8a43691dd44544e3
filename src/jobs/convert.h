// Conversions between parameter-field text and request arguments, and the printf-style
// formatting of everything the console shows.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/printf.h>
#include <fmt/xchar.h>

namespace vantel {

// Reads a number from a field as swscanf(text, format, &value) does, for the formats
// "%hd", "%d", "%ld" (signed), "%u", "%lu" (unsigned) and "%lx" (unsigned hexadecimal,
// optional 0x or 0X): leading white space skipped, an optional sign, the longest numeric
// prefix converted, the rest ignored. "-1" read with "%u" gives 4294967295.
//
// Where the C library leaves the value unset (empty text, no digits at the start) the
// result is 0, as for an unknown format.
//
// Out of range: the text is converted as wcstol (signed formats) or wcstoul (unsigned
// ones) converts it into a 64-bit long, saturating at that type's limits, and the long is
// then truncated to the width of the format (16 bits for "%hd", else 32) modulo 2^n. This
// is exactly what glibc's swscanf stores on this platform, "%ld" and "%lu" narrowed from
// their 64-bit long. So "4294967297" read with "%d" gives 1, "70000" with "%hd" gives 4464,
// and "99999999999999999999" with "%d" gives -1.
//
// T is the argument type of the request: int16_t for "%hd", int32_t for "%d" and "%ld",
// uint32_t for the others; the 32-bit value is converted to T as it stands.
template <class T>
T ScanField(std::wstring_view text, std::wstring_view format);

extern template std::int16_t ScanField<std::int16_t>(std::wstring_view, std::wstring_view);
extern template std::int32_t ScanField<std::int32_t>(std::wstring_view, std::wstring_view);
extern template std::uint32_t ScanField<std::uint32_t>(std::wstring_view, std::wstring_view);

// Exact, case-sensitive comparison of the whole text; nothing is trimmed.
inline bool FieldEquals(std::wstring_view text, std::wstring_view literal) { return text == literal; }

// Appends the pieces of text cut at every '|'. Empty text: nothing; a trailing '|' adds no
// empty piece, a leading one or two adjacent ones do.
void SplitList(std::wstring_view text, std::vector<std::wstring>& out);

// The elements joined with "\n", nothing after the last.
std::wstring JoinLines(const std::vector<std::wstring>& lines);

// The format with every single 'l' length modifier removed, so that "%ld" and "%lx" format
// 32-bit values at 32 bits ("%ll" is left alone).
std::wstring StripLongModifiers(std::wstring_view format);

// printf-style formatting with the semantics of the original platform, where long is 32
// bits: "%08lx" of 0xFFFFFFFF is "ffffffff", "%ld" of the uint32_t 0xFFFFFFFF is "-1".
// The format is always one of our literals; text from the controller or a field is only
// ever an argument. A format that does not fit its arguments (a defect of ours) yields the
// format itself rather than an exception.
template <class... Args>
std::wstring Format(std::wstring_view format, const Args&... args) {
    const std::wstring stripped = StripLongModifiers(format);
    try {
        return fmt::sprintf(stripped, args...);
    } catch (const fmt::format_error&) {
        return std::wstring(format);
    }
}

}  // namespace vantel
