#include "script/scripted_link.h"

#include <type_traits>

namespace vantel::link {
namespace {

struct ArgSpec {
    ArgType type;
    bool out;
};

// The argument kinds of each call, read from the same list as CPlexa.
template <class Sig> struct Signature;
template <class R, class... A>
struct Signature<R(A...)> {
    static constexpr std::array<ArgSpec, sizeof...(A)> args = {
        ArgSpec{ArgTypeFor<std::remove_cvref_t<A>>(),
                std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>}...};
};

constexpr std::array<std::span<const ArgSpec>, kCallCount> kCallArgs = {
#define PLEXA_CALL(name, ret, params, names) std::span<const ArgSpec>(Signature<ret params>::args),
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};

const char* Describe(ArgType t) {
    switch (t) {
        case ArgType::I16: return "a 16-bit number";
        case ArgType::I32:
        case ArgType::Enum:
        case ArgType::U32: return "a 32-bit number";
        case ArgType::Window: return "a window number";
        case ArgType::Str: return "a string";
        case ArgType::Time: return "a time stamp (a number of ticks)";
        case ArgType::StrArray: return "an array of strings";
        case ArgType::BoolArray: return "an array of true/false";
        case ArgType::ByteArray: return "an array of 8-bit numbers";
        case ArgType::DWordArray: return "an array of 32-bit numbers";
    }
    return "?";
}

bool NumberFits(const Scalar& s, unsigned bits) {
    const auto* n = std::get_if<Number>(&s);
    return n != nullptr && n->Fits(bits);
}

template <class Pred>
bool AllItems(const Value& v, Pred pred) {
    const auto* array = std::get_if<Array>(&v);
    if (array == nullptr) return false;
    for (const Scalar& s : array->items) {
        if (!pred(s)) return false;
    }
    return true;
}

bool Accepts(ArgType t, const Value& v) {
    const auto number = [&](unsigned bits) {
        const auto* n = std::get_if<Number>(&v);
        return n != nullptr && n->Fits(bits);
    };
    switch (t) {
        case ArgType::I16: return number(16);
        case ArgType::I32:
        case ArgType::Enum:
        case ArgType::U32: return number(32);
        case ArgType::Window: return number(64);
        case ArgType::Time: return number(64) && !std::get<Number>(v).negative;
        case ArgType::Str: return std::holds_alternative<std::wstring>(v);
        case ArgType::StrArray:
            return AllItems(v, [](const Scalar& s) { return std::holds_alternative<std::wstring>(s); });
        case ArgType::BoolArray: return AllItems(v, [](const Scalar& s) { return std::holds_alternative<bool>(s); });
        case ArgType::ByteArray: return AllItems(v, [](const Scalar& s) { return NumberFits(s, 8); });
        case ArgType::DWordArray: return AllItems(v, [](const Scalar& s) { return NumberFits(s, 32); });
    }
    return false;
}

template <class T, class Item>
void FillArray(const Value* v, std::vector<T>& out, Item item) {
    out.clear();
    if (v == nullptr) return;
    for (const Scalar& s : std::get<Array>(*v).items) out.push_back(item(s));
}

// Writes v (already checked with Accepts), or the empty value when v is null.
void Fill(const LinkArg& a, const Value* v) {
    const std::uint64_t bits = v != nullptr && std::holds_alternative<Number>(*v) ? std::get<Number>(*v).Bits() : 0;
    const auto bitsOf = [](const Scalar& s) { return std::get<Number>(s).Bits(); };
    switch (a.type) {
        case ArgType::I16: a.As<std::int16_t>() = static_cast<std::int16_t>(bits); break;
        case ArgType::I32:
        case ArgType::Enum: a.As<std::int32_t>() = static_cast<std::int32_t>(bits); break;
        case ArgType::U32: a.As<std::uint32_t>() = static_cast<std::uint32_t>(bits); break;
        case ArgType::Window: a.As<HWND>() = static_cast<HWND>(bits); break;
        case ArgType::Time: a.As<CFileTime>() = CFileTime(bits); break;
        case ArgType::Str: a.As<std::wstring>() = v != nullptr ? std::get<std::wstring>(*v) : std::wstring(); break;
        case ArgType::StrArray:
            FillArray(v, a.As<StringArray>(), [](const Scalar& s) { return std::get<std::wstring>(s); });
            break;
        case ArgType::BoolArray: FillArray(v, a.As<BoolArray>(), [](const Scalar& s) { return std::get<bool>(s); }); break;
        case ArgType::ByteArray:
            FillArray(v, a.As<ByteArray>(), [&](const Scalar& s) { return static_cast<std::uint8_t>(bitsOf(s)); });
            break;
        case ArgType::DWordArray:
            FillArray(v, a.As<DWordArray>(), [&](const Scalar& s) { return static_cast<std::uint32_t>(bitsOf(s)); });
            break;
    }
}

}  // namespace

void ScriptedLink::QueueHandle(std::int16_t h) { m_handles.push_back(h); }

bool ScriptedLink::QueueResult(CallId call, const Number& ret, std::vector<Value> values, std::string& error) {
    const auto index = static_cast<std::size_t>(call);
    const std::string name(kCallNames[index]);
    const bool request = kCallIsRequest[index];
    if (!ret.Fits(request ? 16 : 32)) {
        error = name + " returns " + (request ? "a 16-bit job handle" : "a 32-bit number");
        return false;
    }
    std::size_t k = 0;
    for (const ArgSpec& param : kCallArgs[index]) {
        if (!param.out) continue;
        if (k == values.size()) break;
        if (!Accepts(param.type, values[k])) {
            error = "out-value " + std::to_string(k + 1) + " of " + name + " must be " + Describe(param.type);
            return false;
        }
        ++k;
    }
    if (k < values.size()) {
        error = name + " has " + std::to_string(k) + " out-value" + (k == 1 ? "" : "s") + ", " +
                std::to_string(values.size()) + " given";
        return false;
    }
    const std::uint64_t bits = ret.Bits();
    const auto r = request ? std::int32_t{static_cast<std::int16_t>(bits)} : static_cast<std::int32_t>(bits);
    m_results[index].push_back(Result{r, std::move(values)});
    return true;
}

std::int32_t ScriptedLink::Invoke(CallId id, std::span<const LinkArg> args) {
    auto& queue = m_results[static_cast<std::size_t>(id)];
    if (!queue.empty()) {
        const Result result = std::move(queue.front());
        queue.pop_front();
        std::size_t k = 0;
        for (const LinkArg& a : args) {
            if (!a.out) continue;
            Fill(a, k < result.values.size() ? &result.values[k] : nullptr);
            ++k;
        }
        return result.ret;
    }
    for (const LinkArg& a : args) {
        if (a.out) Fill(a, nullptr);
    }
    if (!kCallIsRequest[static_cast<std::size_t>(id)]) return 1;
    if (!m_handles.empty()) {
        const std::int16_t h = m_handles.front();
        m_handles.pop_front();
        return h;
    }
    m_lastCounted = m_lastCounted == 0x7FFF ? 1 : static_cast<std::int16_t>(m_lastCounted + 1);
    return m_lastCounted;
}

}  // namespace vantel::link
