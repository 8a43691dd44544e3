// Helpers the simulator's engine and request families share: the controller's own message
// and log numbers, reading in-values and filling out-values, and small text conversions.
#pragma once
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "link/plexa.h"
#include "platform/filetime.h"
#include "platform/text.h"
#include "sim/model/model.h"

namespace vantel::link::sim {

// Message numbers of the controller's own messages.
inline constexpr std::uint32_t kMsgRefused = 1101;
inline constexpr std::uint32_t kMsgHalted = 1110;
inline constexpr std::uint32_t kMsgStartDisabled = 1120;
inline constexpr std::uint32_t kMsgExecHelp = 1200;
inline constexpr std::uint32_t kMsgExecError = 1201;
inline constexpr std::uint32_t kMsgExecAnswer = 1202;

// The controller's own log record when unread notifications had to be dropped.
inline constexpr std::uint32_t kLogMailboxFull = 1301;
// Longest reason text DisableStart takes.
inline constexpr std::size_t kMaxReason = 80;

inline bool EndsWithResult(std::string_view name) {
    constexpr std::string_view suffix = "Result";
    return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

inline const std::array<bool, kCallCount> kIsResultCall = [] {
    std::array<bool, kCallCount> a{};
    for (std::size_t i = 0; i < kCallCount; ++i) a[i] = !kCallIsRequest[i] && EndsWithResult(kCallNames[i]);
    return a;
}();

// In-values, read defensively: a missing or differently typed argument reads as empty.
inline std::wstring Str(std::span<const LinkArg> args, std::size_t i) {
    if (i >= args.size() || args[i].type != ArgType::Str) return {};
    return args[i].As<std::wstring>();
}

inline std::int64_t Num(std::span<const LinkArg> args, std::size_t i) {
    if (i >= args.size()) return 0;
    switch (args[i].type) {
        case ArgType::I16: return args[i].As<std::int16_t>();
        case ArgType::I32:
        case ArgType::Enum: return args[i].As<std::int32_t>();
        case ArgType::U32: return args[i].As<std::uint32_t>();
        case ArgType::Window: return static_cast<std::int64_t>(args[i].As<HWND>());
        default: return 0;
    }
}

template <class T>
inline void SetOut(std::span<const LinkArg> args, std::size_t i, ArgType type, const T& value) {
    if (i < args.size() && args[i].out && args[i].type == type) args[i].As<T>() = value;
}

// A value that does not fit the out-value's type leaves it empty: the model and the call list
// disagree, which the tests catch.
template <class T>
inline void PutAs(const LinkArg& a, const T& v) {
    if constexpr (std::is_same_v<T, std::int64_t>) {
        switch (a.type) {
            case ArgType::I16: a.As<std::int16_t>() = static_cast<std::int16_t>(v); break;
            case ArgType::I32:
            case ArgType::Enum: a.As<std::int32_t>() = static_cast<std::int32_t>(v); break;
            case ArgType::U32: a.As<std::uint32_t>() = static_cast<std::uint32_t>(v); break;
            default: break;
        }
    } else if constexpr (std::is_same_v<T, std::wstring>) {
        if (a.type == ArgType::Str) a.As<std::wstring>() = v;
    } else if constexpr (std::is_same_v<T, StringArray>) {
        if (a.type == ArgType::StrArray) a.As<StringArray>() = v;
    } else if constexpr (std::is_same_v<T, BoolArray>) {
        if (a.type == ArgType::BoolArray) a.As<BoolArray>() = v;
    } else if constexpr (std::is_same_v<T, ByteArray>) {
        if (a.type == ArgType::ByteArray) a.As<ByteArray>() = v;
    } else if constexpr (std::is_same_v<T, DWordArray>) {
        if (a.type == ArgType::DWordArray) a.As<DWordArray>() = v;
    } else {
        if (a.type == ArgType::Time) a.As<CFileTime>() = CFileTime(v.ticks);
    }
}

inline std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

inline std::wstring Hex(std::uint32_t v) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring s;
    do {
        s.insert(s.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return s;
}

// Number of the log record that says why a file-manager job failed.
inline constexpr std::uint32_t kLogRefused = 1300;
inline constexpr std::uint32_t kMsgMotion = 1320;
inline constexpr std::size_t kMaxOpenCode = 32;
inline constexpr std::size_t kMaxUserAttributes = 32;
inline constexpr std::size_t kMaxUser = 32;
inline constexpr int kMotionSteps = 4;
inline constexpr double kJogStep = 1.0;  // degrees per jog step at $OV_JOG 100

inline std::wstring CallName(CallId id) {
    const auto n = kCallNames[static_cast<std::size_t>(id)];
    return std::wstring(n.begin(), n.end());
}

inline bool Contains(const std::wstring& option, wchar_t letter) { return Upper(option).find(letter) != std::wstring::npos; }

// '*' any run, '?' one character; case-blind.
inline bool Matches(std::wstring_view name, std::wstring_view pattern) {
    std::size_t n = 0, p = 0, star = std::wstring_view::npos, mark = 0;
    const auto eq = [](wchar_t a, wchar_t b) { return Upper(std::wstring_view(&a, 1)) == Upper(std::wstring_view(&b, 1)); };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || (pattern[p] != L'*' && eq(pattern[p], name[n])))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            mark = n;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

inline std::wstring DateText(std::uint64_t ticks) {
    const std::time_t t = static_cast<std::time_t>(CFileTime(ticks).ToUnix().seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    wchar_t buf[32];
    std::wcsftime(buf, 32, L"%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

inline std::wstring Trim(std::wstring_view s) {
    const auto b = s.find_first_not_of(L" \t");
    if (b == std::wstring_view::npos) return {};
    const auto e = s.find_last_not_of(L" \t");
    return std::wstring(s.substr(b, e - b + 1));
}

inline std::wstring Number(double v) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%.1f", std::abs(v) < 0.05 ? 0.0 : v);
    return buf;
}

// "{X 10, Y 20}" or "X 10 Y 20": the components named, in X Y Z A B C order; false for text
// that is neither a frame nor empty of components.
inline bool ParseFrame(std::wstring_view text, std::array<std::optional<double>, 6>& out) {
    static const std::wstring names = L"XYZABC";
    std::wstring t;
    for (wchar_t c : text) t += (c == L'{' || c == L'}' || c == L',') ? L' ' : c;
    std::size_t i = 0;
    bool any = false;
    while (true) {
        while (i < t.size() && t[i] == L' ') ++i;
        if (i >= t.size()) break;
        const auto axis = names.find(Upper(std::wstring_view(&t[i], 1))[0]);
        if (axis == std::wstring::npos || i + 1 >= t.size() || t[i + 1] != L' ') return false;
        i += 1;
        while (i < t.size() && t[i] == L' ') ++i;
        std::size_t j = i;
        while (j < t.size() && t[j] != L' ') ++j;
        const std::wstring num = t.substr(i, j - i);
        wchar_t* end = nullptr;
        const double v = std::wcstod(num.c_str(), &end);
        if (num.empty() || end == nullptr || *end != L'\0' || !std::isfinite(v) || std::abs(v) > 100000) return false;
        out[axis] = v;
        any = true;
        i = j;
    }
    return any;
}

}  // namespace vantel::link::sim
