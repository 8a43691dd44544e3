// Result functions of the two most common shapes, made from the message and the result call:
// a fixed text for a call without out-values, and one out-value shown through a format.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "commands/catalogue.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {

// A wide literal that can be a template argument.
template <std::size_t N>
struct RowText {
    wchar_t text[N]{};
    constexpr RowText(const wchar_t (&literal)[N]) { std::copy_n(literal, N, text); }
    constexpr std::wstring_view View() const { return {text, N - 1}; }
};

template <class Call> struct OneOutValue;
template <link::CallId Id, class T>
struct OneOutValue<link::LinkCall<Id, int(std::int16_t, T&)>> {
    using type = T;
};

template <RowText Message, auto Call>
int FixedResult(CConsole& c, std::int16_t h, std::wstring& message) {
    message = Message.View();
    return (c.Link().*Call)(h);
}

template <RowText Fmt, auto Call>
int ValueResult(CConsole& c, std::int16_t h, std::wstring& message) {
    using Member = std::remove_cvref_t<decltype(std::declval<link::CPlexa&>().*Call)>;
    typename OneOutValue<Member>::type value{};
    const int r = (c.Link().*Call)(h, value);
    message = Format(Fmt.View(), value);
    return r;
}

}  // namespace vantel
