#include "link/trace_link.h"

#include <string>

#include "link/script_value.h"

namespace vantel::link {
namespace {

template <class T, class Each>
std::string Bracketed(const std::vector<T>& items, Each each) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ", ";
        out += each(items[i]);
    }
    return out + "]";
}

std::string Quoted(const std::wstring& s) { return "\"" + EscapeText(s) + "\""; }

class TraceLink final : public ILinkBackend {
public:
    TraceLink(std::unique_ptr<ILinkBackend> inner, TraceSink sink) : m_inner(std::move(inner)), m_sink(std::move(sink)) {}

    std::int32_t Invoke(CallId id, std::span<const LinkArg> args) override {
        const std::int32_t ret = m_inner->Invoke(id, args);
        m_sink("call: " + FormatCall(id, args, ret));
        return ret;
    }

    std::size_t JobsInFlight() const override { return m_inner->JobsInFlight(); }

private:
    std::unique_ptr<ILinkBackend> m_inner;
    TraceSink m_sink;
};

}  // namespace

std::string FormatArg(const LinkArg& a) {
    switch (a.type) {
        case ArgType::I16: return std::to_string(a.As<std::int16_t>());
        case ArgType::I32:
        case ArgType::Enum: return std::to_string(a.As<std::int32_t>());
        case ArgType::U32: return std::to_string(a.As<std::uint32_t>());
        case ArgType::Window: return std::to_string(a.As<HWND>());
        case ArgType::Str: return Quoted(a.As<std::wstring>());
        case ArgType::Time: return std::to_string(a.As<CFileTime>().GetTime());
        case ArgType::StrArray: return Bracketed(a.As<StringArray>(), Quoted);
        case ArgType::BoolArray:
            return Bracketed(a.As<BoolArray>(), [](bool b) { return std::string(b ? "true" : "false"); });
        case ArgType::ByteArray:
            return Bracketed(a.As<ByteArray>(), [](std::uint8_t b) { return std::to_string(b); });
        case ArgType::DWordArray:
            return Bracketed(a.As<DWordArray>(), [](std::uint32_t d) { return std::to_string(d); });
    }
    return "?";
}

std::string FormatCall(CallId id, std::span<const LinkArg> args, std::int32_t ret) {
    std::string line(kCallNames[static_cast<std::size_t>(id)]);
    line += '(';
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i > 0) line += ", ";
        line += FormatArg(args[i]);
    }
    line += ") -> ";
    line += std::to_string(ret);
    return line;
}

std::unique_ptr<ILinkBackend> MakeTraceLink(std::unique_ptr<ILinkBackend> inner, TraceSink sink) {
    return std::make_unique<TraceLink>(std::move(inner), std::move(sink));
}

}  // namespace vantel::link
