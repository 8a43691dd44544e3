#include "service/wire.h"

#include <cstdint>
#include <cstdio>

#include "platform/text.h"

namespace vantel::service {

using link::ArgType;
using link::LinkArg;

std::string CallListFingerprint() {
    // Names, return types and argument types of every call, in order: what the wire depends
    // on. Argument names are left out; renaming one changes nothing that travels.
    static constexpr const char* kLines[] = {
#define PLEXA_CALL(name, ret, params, ...) #name " " #ret " " #params,
#include "link/plexa_calls.def"
#undef PLEXA_CALL
    };
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char* line : kLines) {
        for (const char* c = line; *c != '\0'; ++c) hash = (hash ^ static_cast<unsigned char>(*c)) * 1099511628211ull;
        hash = (hash ^ '\n') * 1099511628211ull;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%zu calls %016llx", std::size(kLines), static_cast<unsigned long long>(hash));
    return text;
}

void PutValue(const LinkArg& arg, Value& value) {
    switch (arg.type) {
        case ArgType::I16: value.set_number(arg.As<std::int16_t>()); break;
        case ArgType::I32:
        case ArgType::Enum: value.set_number(arg.As<std::int32_t>()); break;
        case ArgType::U32: value.set_number(arg.As<std::uint32_t>()); break;
        case ArgType::Window: value.set_number(0); break;  // a window means nothing on the other side
        case ArgType::Time: value.set_number(static_cast<std::int64_t>(arg.As<link::CFileTime>().GetTime())); break;
        case ArgType::Str: value.set_text(ToUtf8(arg.As<std::wstring>())); break;
        case ArgType::StrArray:
            for (const std::wstring& s : arg.As<link::StringArray>()) value.mutable_strings()->add_items(ToUtf8(s));
            value.mutable_strings();  // an empty list is still a list
            break;
        case ArgType::BoolArray:
            value.mutable_bools();
            for (bool b : arg.As<link::BoolArray>()) value.mutable_bools()->add_items(b);
            break;
        case ArgType::ByteArray: {
            const auto& bytes = arg.As<link::ByteArray>();
            value.set_octets(std::string(bytes.begin(), bytes.end()));
            break;
        }
        case ArgType::DWordArray:
            value.mutable_dwords();
            for (std::uint32_t d : arg.As<link::DWordArray>()) value.mutable_dwords()->add_items(d);
            break;
    }
}

bool TakeValue(const Value& value, const LinkArg& arg) {
    switch (arg.type) {
        case ArgType::I16:
            if (!value.has_number()) return false;
            arg.As<std::int16_t>() = static_cast<std::int16_t>(value.number());
            return true;
        case ArgType::I32:
        case ArgType::Enum:
            if (!value.has_number()) return false;
            arg.As<std::int32_t>() = static_cast<std::int32_t>(value.number());
            return true;
        case ArgType::U32:
            if (!value.has_number()) return false;
            arg.As<std::uint32_t>() = static_cast<std::uint32_t>(value.number());
            return true;
        case ArgType::Window:
            return value.has_number();  // the receiving side supplies its own
        case ArgType::Time:
            if (!value.has_number()) return false;
            arg.As<link::CFileTime>() = link::CFileTime(static_cast<std::uint64_t>(value.number()));
            return true;
        case ArgType::Str:
            if (!value.has_text()) return false;
            arg.As<std::wstring>() = FromUtf8(value.text());
            return true;
        case ArgType::StrArray: {
            if (!value.has_strings()) return false;
            auto& out = arg.As<link::StringArray>();
            out.clear();
            for (const std::string& s : value.strings().items()) out.push_back(FromUtf8(s));
            return true;
        }
        case ArgType::BoolArray: {
            if (!value.has_bools()) return false;
            auto& out = arg.As<link::BoolArray>();
            out.assign(value.bools().items().begin(), value.bools().items().end());
            return true;
        }
        case ArgType::ByteArray: {
            if (!value.has_octets()) return false;
            auto& out = arg.As<link::ByteArray>();
            out.assign(value.octets().begin(), value.octets().end());
            return true;
        }
        case ArgType::DWordArray: {
            if (!value.has_dwords()) return false;
            auto& out = arg.As<link::DWordArray>();
            out.assign(value.dwords().items().begin(), value.dwords().items().end());
            return true;
        }
    }
    return false;
}

}  // namespace vantel::service
