#include "sim/engine/job.h"

#include "sim/internal.h"

namespace vantel::link::sim {

std::vector<InValue> InValues(std::span<const LinkArg> args) {
    std::vector<InValue> in(args.size());
    for (std::size_t i = 0; i < args.size(); ++i) {
        const LinkArg& a = args[i];
        if (a.out) continue;
        switch (a.type) {
            case ArgType::Str: in[i].emplace<std::wstring>(a.As<std::wstring>()); break;
            case ArgType::StrArray: in[i].emplace<StringArray>(a.As<StringArray>()); break;
            case ArgType::BoolArray: in[i].emplace<BoolArray>(a.As<BoolArray>()); break;
            case ArgType::ByteArray: in[i].emplace<ByteArray>(a.As<ByteArray>()); break;
            case ArgType::Time:
            case ArgType::DWordArray: break;
            default: in[i].emplace<std::int64_t>(Num(args, i));
        }
    }
    return in;
}

}  // namespace vantel::link::sim
