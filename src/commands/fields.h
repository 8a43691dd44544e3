// The field readers: how a request argument is read from the parameter fields. Each is a
// type named for what it reads, with the field's number (1 to 10) as its argument, so that
// a request is written as its call and the readers of its arguments in order:
//     Request<&CPlexa::ShowVar, Text<1>, Text<2>>
// Numbers are read as swscanf reads them with the format named below (see ScanField).
// Each reader also says what it reads (kField, kAs, kText, kValue), from which the hints and
// the command list are generated, so they cannot drift from what the command does.
#pragma once
#include <cstdint>
#include <string>

#include "commands/row_text.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel::field {

// What a reader says about itself when it adds nothing to field and kind.
template <int N, ReadAs A> struct Reads {
    static constexpr int kField = N;
    static constexpr ReadAs kAs = A;
    static constexpr std::wstring_view kText{};
    static constexpr long long kValue = 0;
};

// The field's text as typed.
template <int N> struct Text : Reads<N, ReadAs::Text> {
    static const std::wstring& Read(const CConsole& c) { return c.Param(N); }
};
// "%hd"
template <int N> struct Short : Reads<N, ReadAs::Short> {
    static std::int16_t Read(const CConsole& c) { return ScanField<std::int16_t>(c.Param(N), L"%hd"); }
};
// "%ld" (and "%d", which reads the same)
template <int N> struct Long : Reads<N, ReadAs::Long> {
    static std::int32_t Read(const CConsole& c) { return ScanField<std::int32_t>(c.Param(N), L"%ld"); }
};
// "%lu" (and "%u", which reads the same)
template <int N> struct Unsigned : Reads<N, ReadAs::Unsigned> {
    static std::uint32_t Read(const CConsole& c) { return ScanField<std::uint32_t>(c.Param(N), L"%lu"); }
};
// "%ld" where the call declares an unsigned value: the bits pass unchanged.
template <int N> struct LongBits : Reads<N, ReadAs::LongBits> {
    static std::uint32_t Read(const CConsole& c) { return static_cast<std::uint32_t>(Long<N>::Read(c)); }
};
// "%lx": handles of controller messages are shown in hexadecimal, so they are typed that way.
template <int N> struct Hex : Reads<N, ReadAs::Hex> {
    static std::uint32_t Read(const CConsole& c) { return ScanField<std::uint32_t>(c.Param(N), L"%lx"); }
};
// A number read by R, passed as the link's enumeration E.
template <class E, class R> struct As : R {
    static E Read(const CConsole& c) { return static_cast<E>(R::Read(c)); }
};
// Exact comparisons of the whole text, nothing trimmed: 1 when the field is exactly Yes
// (Is), or anything but exactly No (IsNot).
template <int N, RowText Yes> struct Is : Reads<N, ReadAs::Is> {
    static constexpr std::wstring_view kText = Yes.View();
    static std::int32_t Read(const CConsole& c) { return FieldEquals(c.Param(N), Yes.View()) ? 1 : 0; }
};
template <int N, RowText No> struct IsNot : Reads<N, ReadAs::IsNot> {
    static constexpr std::wstring_view kText = No.View();
    static std::int32_t Read(const CConsole& c) { return FieldEquals(c.Param(N), No.View()) ? 0 : 1; }
};
// Exactly "1": a flag.
template <int N> using Flag = Is<N, L"1">;
// Exactly "+", and nothing else: " +", "+ " and "++" are not plus.
template <int N> using Plus = Is<N, L"+">;
// 1 when the number read by R is not 0.
template <class R> struct NonZero : Reads<R::kField, ReadAs::NonZero> {
    static std::int32_t Read(const CConsole& c) { return R::Read(c) != 0 ? 1 : 0; }
};
// The pieces of the field cut at every '|' (see SplitList).
template <int N> struct List : Reads<N, ReadAs::List> {
    static link::StringArray Read(const CConsole& c) {
        link::StringArray pieces;
        SplitList(c.Param(N), pieces);
        return pieces;
    }
};
// An argument without a field: always V.
template <auto V> struct Fixed : Reads<0, ReadAs::Fixed> {
    static constexpr long long kValue = static_cast<long long>(V);
    static constexpr auto Read(const CConsole&) { return V; }
};
template <RowText T> struct FixedText : Reads<0, ReadAs::FixedText> {
    static constexpr std::wstring_view kText = T.View();
    static std::wstring Read(const CConsole&) { return std::wstring(T.View()); }
};

// Not read at all: a value the console supplies itself (its window, a handle it holds).
template <RowText What> struct Own : Reads<0, ReadAs::Own> {
    static constexpr std::wstring_view kText = What.View();
};

}  // namespace vantel::field
