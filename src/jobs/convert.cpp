#include "jobs/convert.h"

#include <cwchar>

namespace vantel {
namespace {

// The truncation documented in the header narrows from glibc's 64-bit long.
static_assert(sizeof(long) == 8, "ScanField assumes an LP64 C library");

// wcstol and wcstoul are what glibc's swscanf converts with; they stop at the terminator.
long ScanSigned(std::wstring_view text) {
    const std::wstring s(text);
    return std::wcstol(s.c_str(), nullptr, 10);
}

unsigned long ScanUnsigned(std::wstring_view text, int base) {
    const std::wstring s(text);
    return std::wcstoul(s.c_str(), nullptr, base);
}

}  // namespace

template <class T>
T ScanField(std::wstring_view text, std::wstring_view format) {
    if (format == L"%hd") return static_cast<T>(static_cast<std::int16_t>(ScanSigned(text)));
    if (format == L"%d" || format == L"%ld") return static_cast<T>(static_cast<std::int32_t>(ScanSigned(text)));
    if (format == L"%u" || format == L"%lu") return static_cast<T>(static_cast<std::uint32_t>(ScanUnsigned(text, 10)));
    if (format == L"%lx") return static_cast<T>(static_cast<std::uint32_t>(ScanUnsigned(text, 16)));
    return T{};
}

template std::int16_t ScanField<std::int16_t>(std::wstring_view, std::wstring_view);
template std::int32_t ScanField<std::int32_t>(std::wstring_view, std::wstring_view);
template std::uint32_t ScanField<std::uint32_t>(std::wstring_view, std::wstring_view);

void SplitList(std::wstring_view text, std::vector<std::wstring>& out) {
    while (!text.empty()) {
        const std::size_t bar = text.find(L'|');
        if (bar == std::wstring_view::npos) {
            out.emplace_back(text);
            text = {};
        } else {
            out.emplace_back(text.substr(0, bar));
            text.remove_prefix(bar + 1);
        }
    }
}

std::wstring JoinLines(const std::vector<std::wstring>& lines) {
    std::wstring joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) joined += L'\n';
        joined += lines[i];
    }
    return joined;
}

std::wstring StripLongModifiers(std::wstring_view format) {
    std::wstring out;
    out.reserve(format.size());
    std::size_t i = 0;
    while (i < format.size()) {
        const wchar_t c = format[i++];
        out += c;
        if (c != L'%') continue;
        if (i < format.size() && format[i] == L'%') {
            out += format[i++];
            continue;
        }
        // Flags, width and precision, then the length modifier.
        while (i < format.size() && format[i] != L'\0' && std::wcschr(L"-+ #0123456789.*", format[i]) != nullptr)
            out += format[i++];
        const bool singleL = i < format.size() && format[i] == L'l' && !(i + 1 < format.size() && format[i + 1] == L'l');
        if (singleL) ++i;
    }
    return out;
}

}  // namespace vantel
