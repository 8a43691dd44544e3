// Links that report every call: they hand the call to the link behind it, then tell an
// observer; the tracing one writes "call: Name(arg, arg) -> ret", out-values as the call left them.
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

// Receives each call after the link behind has carried it out, out-values filled.
using CallObserver = std::function<void(CallId id, std::span<const LinkArg> args, std::int32_t ret)>;

std::unique_ptr<ILinkBackend> MakeObservedLink(std::unique_ptr<ILinkBackend> inner, CallObserver observer);
std::unique_ptr<ILinkBackend> MakeTraceLink(std::unique_ptr<ILinkBackend> inner, TraceSink sink);

}  // namespace vantel::link
