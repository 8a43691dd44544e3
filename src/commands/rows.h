// What a group's table is written with: the request template, the result shapes and the row
// helpers. A row reads as one line:
//     Item(32711, L"&Variablen/S&how", slot::ShowVar, Request<&P::ShowVar, Text<1>, Text<2>>, TextResult<&P::ShowVarResult>),
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "commands/fields.h"
#include "commands/row_text.h"
#include "jobs/command_row.h"
#include "jobs/console.h"
#include "jobs/convert.h"
#include "jobs/slots.h"

namespace vantel {

using P = link::CPlexa;

template <auto Call>
constexpr link::CallId CallOf = std::remove_cvref_t<decltype(std::declval<link::CPlexa&>().*Call)>::kId;

// What reader R feeds into argument Position of Call.
template <auto Call, int Position, class R>
constexpr ArgSource SourceOf() {
    return {CallOf<Call>, Position, {}, R::kField, R::kAs, R::kText, R::kValue};
}
// A value the command reads for itself, not an argument of a call (a count, a pause), with
// a note on what it takes.
template <class R>
constexpr ArgSource ReadFor(std::wstring_view name, std::wstring_view note = {}) {
    return {link::CallId{}, -1, name, R::kField, R::kAs, note, R::kValue};
}

template <auto Call, class... Fields, std::size_t... I>
constexpr auto UsesOf(std::index_sequence<I...>) {
    return std::array<ArgSource, 1 + sizeof...(Fields)>{
        ArgSource{CallOf<Call>, -1, {}, 0, ReadAs::Call, {}, 0}, SourceOf<Call, static_cast<int>(I), Fields>()...};
}
// The call and the sources of its in-values in order, for a request or direct call written by hand.
template <auto Call, class... Fields>
inline constexpr auto Uses = UsesOf<Call, Fields...>(std::index_sequence_for<Fields...>{});

// The sources of several calls' arguments (and values read for the command itself), as one list.
template <std::size_t... N>
constexpr auto Join(const std::array<ArgSource, N>&... parts) {
    std::array<ArgSource, (N + ... + 0)> all{};
    std::size_t i = 0;
    ((std::copy(parts.begin(), parts.end(), all.begin() + i), i += N), ...);
    return all;
}

// A request as a row holds it: the function that sends it, and where its values come from.
struct Sender {
    RequestFn send;
    std::span<const ArgSource> reads;
};

template <auto Call, class... Fields>
std::int16_t Send(CConsole& c) {
    return (c.Link().*Call)(Fields::Read(c)...);
}
// Sends the call with the arguments its field readers read; the handle goes into the slot.
template <auto Call, class... Fields>
inline constexpr Sender Request{&Send<Call, Fields...>, Uses<Call, Fields...>};

template <class Call> struct OneOutValue;
template <link::CallId Id, class T>
struct OneOutValue<link::LinkCall<Id, int(std::int16_t, T&)>> {
    using type = T;
};

// A call without out-values: the fixed message.
template <RowText Message, auto Call>
int FixedResult(CConsole& c, std::int16_t h, std::wstring& message) {
    message = Message.View();
    return (c.Link().*Call)(h);
}

// One out-value shown through a format; a list of strings shows one per line.
template <RowText Fmt, auto Call>
int ValueResult(CConsole& c, std::int16_t h, std::wstring& message) {
    using Member = std::remove_cvref_t<decltype(std::declval<link::CPlexa&>().*Call)>;
    typename OneOutValue<Member>::type value{};
    const int r = (c.Link().*Call)(h, value);
    if constexpr (std::is_same_v<decltype(value), link::StringArray>) {
        message = Format(Fmt.View(), JoinLines(value));
    } else {
        message = Format(Fmt.View(), value);
    }
    return r;
}

// The text the result delivers is the whole message, even when it is empty.
template <auto Call>
int TextResult(CConsole& c, std::int16_t h, std::wstring& message) {
    return (c.Link().*Call)(h, message);
}

namespace row {

// A row's slot is a command slot, checked for busy, unless flags say otherwise.
enum Flags : unsigned {
    kNoBusyCheck = 1,  // a new request overwrites the slot while busy
    kKeepSlot = 2,     // a subscription: every result shown, the slot stays busy
    kAcknowledge = 4,  // a test slot: no result call, nothing shown
};

constexpr SlotUse UseOf(unsigned flags) {
    return (flags & kAcknowledge) ? SlotUse::Acknowledge : (flags & kKeepSlot) ? SlotUse::Keep : SlotUse::Clear;
}

// A menu item that starts a job.
constexpr CommandRow Item(int id, std::wstring_view path, int slot, Sender request, ResultFn result,
                          unsigned flags = 0) {
    return {RowKind::Item, id, path,           slot, !(flags & kNoBusyCheck), UseOf(flags), request.send, nullptr,
            result,        request.reads};
}
// A menu item answered at once, without a job.
// reads: the sources of the values it passes (see Uses).
constexpr CommandRow Direct(int id, std::wstring_view path, DirectFn direct, std::span<const ArgSource> reads = {}) {
    return {RowKind::Item, id, path, kNoSlot, false, SlotUse::Clear, nullptr, direct, nullptr, reads};
}
// A menu item that does nothing when chosen.
constexpr CommandRow Inert(int id, std::wstring_view path) {
    return {RowKind::Item, id, path, kNoSlot, false, SlotUse::Clear, nullptr, nullptr, nullptr};
}
// A panel button; path is its group and caption.
constexpr CommandRow Button(int id, std::wstring_view path, int slot, Sender request, ResultFn result) {
    return {RowKind::Button, id, path, slot, true, SlotUse::Clear, request.send, nullptr, result, request.reads};
}
// A command reachable only by a command message from outside; none checks busy.
constexpr CommandRow Hidden(int id, int slot, Sender request, ResultFn result, unsigned flags = 0) {
    return {RowKind::Hidden, id, L"", slot, false, UseOf(flags), request.send, nullptr, result, request.reads};
}
constexpr CommandRow Separator(std::wstring_view menu) {
    return {RowKind::Separator, 0, menu, kNoSlot, false, SlotUse::Clear, nullptr, nullptr, nullptr};
}
// Places a submenu; its items may come from other groups.
constexpr CommandRow Submenu(std::wstring_view path) {
    return {RowKind::Submenu, 0, path, kNoSlot, false, SlotUse::Clear, nullptr, nullptr, nullptr};
}

constexpr bool IsCommand(const CommandRow& r) {
    return r.kind == RowKind::Item || r.kind == RowKind::Button || r.kind == RowKind::Hidden;
}
constexpr bool SlotInRange(int slot) {
    if (slot == kNoSlot || slot == kShowTable) return true;
    return slot >= 0 && slot < kSlotCount && slot != slot::Unused3 && slot != slot::Unused4 &&
           slot != slot::Unused129;
}

// What every group's table is checked for when it is compiled: commands have ids, the rest
// none; slots in range; a job only with a slot, a direct call only without; no id twice.
template <std::size_t N>
constexpr bool WellFormed(const CommandRow (&rows)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        const CommandRow& r = rows[i];
        if (IsCommand(r) != (r.id > 0)) return false;
        if (!SlotInRange(r.slot)) return false;
        if (r.slot == kNoSlot && (r.request != nullptr || r.result != nullptr)) return false;
        if (r.slot != kNoSlot && r.direct != nullptr) return false;
        if (r.kind == RowKind::Item && r.path.find(L'/') == std::wstring_view::npos) return false;
        for (std::size_t j = 0; j < i; ++j) {
            if (r.id != 0 && rows[j].id == r.id) return false;
        }
    }
    return true;
}

}  // namespace row
}  // namespace vantel
