#include "link/trace_link.h"

#include <charconv>
#include <string>

#include "link/script_value.h"

namespace vantel::link {
namespace {

// Hands every call to the link behind it, then tells the observer what the call did.
class ObservedLink final : public ILinkBackend {
public:
    ObservedLink(std::unique_ptr<ILinkBackend> inner, CallObserver observer)
        : m_inner(std::move(inner)), m_observer(std::move(observer)) {}

    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override {
        const std::int32_t ret = m_inner->Invoke(id, args);
        m_observer(id, args, ret);
        return ret;
    }

    std::size_t JobsInFlight() const override { return m_inner->JobsInFlight(); }

private:
    std::unique_ptr<ILinkBackend> m_inner;
    CallObserver m_observer;
};

template <class T>
void AppendNumber(std::string& out, T value) {
    char buf[24];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, end);
}

template <class T, class Each>
void AppendBracketed(std::string& out, const std::vector<T>& items, Each each) {
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ", ";
        each(items[i]);
    }
    out += ']';
}

void AppendQuoted(std::string& out, const std::wstring& s) {
    out += '"';
    out += EscapeText(s);
    out += '"';
}

// Appends rather than returns: the journal formats every call the console makes.
void AppendArg(std::string& out, const LinkArg& a) {
    switch (a.type) {
        case ArgType::I16: return AppendNumber(out, a.As<std::int16_t>());
        case ArgType::I32:
        case ArgType::Enum: return AppendNumber(out, a.As<std::int32_t>());
        case ArgType::U32: return AppendNumber(out, a.As<std::uint32_t>());
        case ArgType::Window: return AppendNumber(out, a.As<HWND>());
        case ArgType::Str: return AppendQuoted(out, a.As<std::wstring>());
        case ArgType::Time: return AppendNumber(out, a.As<CFileTime>().GetTime());
        case ArgType::StrArray:
            return AppendBracketed(out, a.As<StringArray>(), [&](const std::wstring& s) { AppendQuoted(out, s); });
        case ArgType::BoolArray:
            return AppendBracketed(out, a.As<BoolArray>(), [&](bool b) { out += b ? "true" : "false"; });
        case ArgType::ByteArray:
            return AppendBracketed(out, a.As<ByteArray>(), [&](std::uint8_t b) { AppendNumber(out, b); });
        case ArgType::DWordArray:
            return AppendBracketed(out, a.As<DWordArray>(), [&](std::uint32_t d) { AppendNumber(out, d); });
    }
    out += '?';
}

}  // namespace

std::string FormatArg(const LinkArg& a) {
    std::string out;
    AppendArg(out, a);
    return out;
}

std::string FormatCall(CallId id, std::span<const LinkArg> args, std::int32_t ret) {
    const std::string_view name = kCallNames[static_cast<std::size_t>(id)];
    std::string line;
    line.reserve(name.size() + 16 + 12 * args.size());
    line += name;
    line += '(';
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ", ";
        AppendArg(line, args[i]);
    }
    line += ") -> ";
    AppendNumber(line, ret);
    return line;
}

std::unique_ptr<ILinkBackend> MakeObservedLink(std::unique_ptr<ILinkBackend> inner, CallObserver observer) {
    return std::make_unique<ObservedLink>(std::move(inner), std::move(observer));
}

std::unique_ptr<ILinkBackend> MakeTraceLink(std::unique_ptr<ILinkBackend> inner, TraceSink sink) {
    return MakeObservedLink(std::move(inner), [sink = std::move(sink)](CallId id, std::span<const LinkArg> args,
                                                                       std::int32_t ret) {
        sink("call: " + FormatCall(id, args, ret));
    });
}

}  // namespace vantel::link
