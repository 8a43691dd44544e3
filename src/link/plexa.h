// CPlexa: the controller link as the console sees it. Every call is a member expanded
// from plexa_calls.def; each forwards to the backend that stands behind the link
// (the simulated controller, the scripted link, or a tracing wrapper around either).
#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "link/plexa_types.h"

namespace vantel::link {

enum class CallId : std::uint16_t {
#define PLEXA_CALL(name, ret, params, names) name,
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

inline constexpr std::size_t kCallCount = 0
#define PLEXA_CALL(name, ret, params, names) +1
#include "link/plexa_calls.def"
#undef PLEXA_CALL
    ;

inline constexpr std::array<std::string_view, kCallCount> kCallNames = {
#define PLEXA_CALL(name, ret, params, names) #name,
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

// A call's family: the PLEXA_FAMILY mark above it in the call list.
enum class CallFamily : std::uint8_t {
#define PLEXA_FAMILY(family) family,
#define PLEXA_CALL(name, ret, params, names)
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

inline constexpr std::size_t kCallFamilyCount = 0
#define PLEXA_FAMILY(family) +1
#define PLEXA_CALL(name, ret, params, names)
#include "link/plexa_calls.def"
#undef PLEXA_CALL
    ;

inline constexpr std::array<CallFamily, kCallCount> kCallFamilies = [] {
    // The call list in order, a family mark being a row of its own.
    struct Row {
        bool mark;
        CallFamily family;
    };
    constexpr Row rows[] = {
#define PLEXA_FAMILY(family) {true, CallFamily::family},
#define PLEXA_CALL(name, ret, params, names) {false, {}},
#include "link/plexa_calls.def"
#undef PLEXA_CALL
    };
    static_assert(rows[0].mark, "the call list starts with a family");
    std::array<CallFamily, kCallCount> families{};
    std::size_t i = 0;
    CallFamily current{};
    for (const Row& row : rows) {
        if (row.mark) current = row.family;
        else families[i++] = current;
    }
    return families;
}();

constexpr CallFamily FamilyOf(CallId id) { return kCallFamilies[static_cast<std::size_t>(id)]; }

// Requests return a job handle; every other call returns int.
inline constexpr std::array<bool, kCallCount> kCallIsRequest = {
#define PLEXA_CALL(name, ret, params, names) std::is_same_v<ret, std::int16_t>,
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

// The names of every call's arguments, in declaration order: one list per call, as long
// as the call has arguments (a line of the call list without a name for each does not compile).
namespace argnames {
template <class... T>
constexpr std::array<std::wstring_view, sizeof...(T)> Names(T... names) {
    return {std::wstring_view(names)...};
}
template <class Sig> struct Arity;
template <class R, class... A> struct Arity<R(A...)> {
    static constexpr std::size_t value = sizeof...(A);
};
template <std::size_t N>
constexpr bool AllNamed(const std::array<std::wstring_view, N>& names) {
    for (std::wstring_view n : names) {
        if (n.empty()) return false;
    }
    return true;
}
#define PLEXA_CALL(name, ret, params, names)                                                          \
    inline constexpr auto name = Names names;                                                         \
    static_assert(name.size() == Arity<ret params>::value, "every argument of " #name " has a name"); \
    static_assert(AllNamed(name), "no argument of " #name " has an empty name");
#include "link/plexa_calls.def"
#undef PLEXA_CALL
}  // namespace argnames

inline constexpr std::array<std::span<const std::wstring_view>, kCallCount> kArgumentNames = {
#define PLEXA_CALL(name, ret, params, names) std::span<const std::wstring_view>(argnames::name),
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

inline std::span<const std::wstring_view> ArgumentNames(CallId id) {
    return kArgumentNames[static_cast<std::size_t>(id)];
}

// Looks a call up by name; false when there is none.
bool FindCall(std::string_view name, CallId& id);

// What stands behind the link.
class ILinkBackend {
public:
    virtual ~ILinkBackend() = default;
    // Carries out one call; in-values are read, out-values filled.
    virtual std::int32_t Invoke(CallId id, std::span<const LinkArg> args) = 0;
    // Jobs started but not yet reported (for "wait until idle").
    virtual std::size_t JobsInFlight() const { return 0; }
};

class CPlexa;

template <CallId Id, class Sig> struct LinkCall;
template <CallId Id, class R, class... A>
struct LinkCall<Id, R(A...)> {
    static constexpr CallId kId = Id;
    ILinkBackend* const* backend;
    R operator()(A... args) const {
        if constexpr (sizeof...(A) == 0) {
            return static_cast<R>((*backend)->Invoke(Id, {}));
        } else {
            const LinkArg packed[] = {MakeArg<A>(args)...};
            return static_cast<R>((*backend)->Invoke(Id, packed));
        }
    }
};

class CPlexa {
public:
    explicit CPlexa(std::unique_ptr<ILinkBackend> backend) : m_owned(std::move(backend)), m_backend(m_owned.get()) {}
    CPlexa(const CPlexa&) = delete;
    CPlexa& operator=(const CPlexa&) = delete;

    ILinkBackend& Backend() const { return *m_backend; }

private:
    std::unique_ptr<ILinkBackend> m_owned;
    ILinkBackend* m_backend;

public:
#define PLEXA_CALL(name, ret, params, names) LinkCall<CallId::name, ret params> name{&m_backend};
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

}  // namespace vantel::link
