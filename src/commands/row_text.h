// A wide literal that can be a template argument: the messages and fixed texts of rows.
#pragma once
#include <algorithm>
#include <cstddef>
#include <string_view>

namespace vantel {

template <std::size_t N>
struct RowText {
    wchar_t text[N]{};
    constexpr RowText(const wchar_t (&literal)[N]) { std::copy_n(literal, N, text); }
    constexpr std::wstring_view View() const { return {text, N - 1}; }
};

}  // namespace vantel
