// A job of the simulated controller, and typed access to its arguments: Arg<CallId::X, I>(job)
// is the argument at position I of call X with the type the call list declares for it, so a
// handler names what it reads instead of counting "the i-th text" or "the i-th number".
#pragma once
#include <array>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <variant>
#include <vector>

#include "link/plexa.h"
#include "sim/config.h"

namespace vantel::link::sim {

// One in-value of a request; numbers of every width and the enumerations travel as int64.
using InValue = std::variant<std::monostate, std::int64_t, std::wstring, StringArray, BoolArray, ByteArray>;

struct Job {
    std::int16_t handle = 0;
    CallId call{};
    Clock::time_point due;
    std::vector<InValue> in;  // by position in the call
    int answer = -1;          // an answered "ask" of EditExec
    std::wstring question;
    std::vector<std::wstring> answers;
};

// A request's in-values by position; out-values, time stamps and number lists hold nothing.
std::vector<InValue> InValues(std::span<const LinkArg> args);

namespace detail {
template <class F>
struct ParamsOf;
template <class R, class... A>
struct ParamsOf<R(A...)> {
    using type = std::tuple<A...>;
};
template <CallId C>
struct Signature;
#define PLEXA_CALL(name, ret, params, names)                          \
    template <>                                                \
    struct Signature<CallId::name> {                           \
        using type = typename ParamsOf<ret params>::type;      \
    };
#include "link/plexa_calls.def"
#undef PLEXA_CALL
}  // namespace detail

// Each call's number of arguments, out-values included.
inline constexpr std::array<std::size_t, kCallCount> kCallArity = {
#define PLEXA_CALL(name, ret, params, names) std::tuple_size_v<typename detail::Signature<CallId::name>::type>,
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

// The declared type of the argument at position I of call C.
template <CallId C, std::size_t I>
using ParamType = std::tuple_element_t<I, typename detail::Signature<C>::type>;

// The argument at position I of call C, as the call list declares it (texts and lists by
// reference). A missing argument, or one of another type, reads as empty or 0.
template <CallId C, std::size_t I>
decltype(auto) Arg(const Job& job) {
    using P = ParamType<C, I>;
    using T = std::remove_cvref_t<P>;
    static_assert(!std::is_lvalue_reference_v<P> || std::is_const_v<std::remove_reference_t<P>>,
                  "an out-value is no argument of a job");
    if constexpr (std::is_arithmetic_v<T> || std::is_enum_v<T>) {
        const auto* v = I < job.in.size() ? std::get_if<std::int64_t>(&job.in[I]) : nullptr;
        return v != nullptr ? static_cast<T>(*v) : T{};
    } else {
        static const T empty{};
        const T* v = I < job.in.size() ? std::get_if<T>(&job.in[I]) : nullptr;
        return static_cast<const T&>(v != nullptr ? *v : empty);
    }
}

// The argument at position I that every call named declares alike, such as the module that
// each call of a group names first.
template <std::size_t I, CallId First, CallId... Rest>
decltype(auto) CommonArg(const Job& job) {
    static_assert((std::is_same_v<ParamType<First, I>, ParamType<Rest, I>> && ...), "the calls differ at this position");
    return Arg<First, I>(job);
}

}  // namespace vantel::link::sim
