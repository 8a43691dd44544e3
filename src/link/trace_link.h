// A link that reports every call: it hands the call to the link behind it and then writes
// one line "call: Name(arg, arg) -> ret", out-values as the call left them.
#pragma once
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "link/plexa.h"

namespace vantel::link {

// Receives each line, without its line end.
using TraceSink = std::function<void(std::string_view line)>;

// "Name(arg, arg) -> ret": strings quoted and escaped, numbers in decimal (unsigned ones as
// unsigned), booleans true/false, arrays in brackets, a time stamp as its tick count.
std::string FormatCall(CallId id, std::span<const LinkArg> args, std::int32_t ret);
std::string FormatArg(const LinkArg& arg);

std::unique_ptr<ILinkBackend> MakeTraceLink(std::unique_ptr<ILinkBackend> inner, TraceSink sink);

}  // namespace vantel::link
