#include "controller/options.h"

#include <charconv>
#include <optional>

namespace vantel::controller {

namespace {

// A whole decimal number from lo to hi, nothing else.
std::optional<long long> Number(std::string_view text, long long lo, long long hi) {
    long long n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (text.empty() || ec != std::errc{} || end != text.data() + text.size() || n < lo || n > hi) return std::nullopt;
    return n;
}

}  // namespace

bool ParseFault(std::string_view fault, Options& options, std::string& problem) {
    const auto eq = fault.find('=');
    const std::string_view name = fault.substr(0, eq);
    const std::string_view value = eq == std::string_view::npos ? std::string_view{} : fault.substr(eq + 1);
    const std::string quoted = "--fault \"" + std::string(fault) + "\"";
    if (name == "latency") {
        const auto dots = value.find("..");
        const auto lo = Number(value.substr(0, dots), 0, kMaxLatencyMs);
        const auto hi = dots == std::string_view::npos ? lo : Number(value.substr(dots + 2), 0, kMaxLatencyMs);
        if (!lo || !hi || *lo > *hi) {
            problem = quoted + ": latency=MIN..MAX takes milliseconds from 0 to " + std::to_string(kMaxLatencyMs) + ", MIN not above MAX";
            return false;
        }
        options.latencyMinMs = static_cast<int>(*lo);
        options.latencyMaxMs = static_cast<int>(*hi);
        return true;
    }
    if (name == "drop") {
        const auto percent = Number(value.ends_with('%') ? value.substr(0, value.size() - 1) : value, 0, 100);
        if (!percent) {
            problem = quoted + ": drop=P% takes a percentage from 0 to 100";
            return false;
        }
        options.faults.dropPercent = static_cast<int>(*percent);
        return true;
    }
    if (name == "disconnect-after") {
        const auto calls = Number(value, 1, 1LL << 62);
        if (!calls) {
            problem = quoted + ": disconnect-after=N takes a number of calls, 1 or more";
            return false;
        }
        options.faults.disconnectAfter = static_cast<std::uint64_t>(*calls);
        return true;
    }
    problem = quoted + ": no such fault (latency=MIN..MAX, drop=P%, disconnect-after=N)";
    return false;
}

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& problem) {
    options = Options{};
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        const auto value = [&](std::string& into) {
            if (inlineValue) {
                into = *inlineValue;
            } else if (i + 1 < args.size()) {
                into = args[++i];
            } else {
                problem = arg + " needs a value";
                return false;
            }
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--listen") {
            if (!value(v)) return false;
            Listen listen;
            if (!ParseListen(v, listen, problem)) {
                problem = "--listen: " + problem;
                return false;
            }
            options.listens.push_back(listen);
        } else if (arg == "--tls-cert") {
            if (!value(options.tlsCert)) return false;
        } else if (arg == "--tls-key") {
            if (!value(options.tlsKey)) return false;
        } else if (arg == "--token-file") {
            if (!value(options.tokenFile)) return false;
        } else if (arg == "--fault") {
            if (!value(v) || !ParseFault(v, options, problem)) return false;
        } else {
            problem = "unknown argument \"" + args[i] + "\"";
            return false;
        }
    }
    if (options.tlsCert.empty() != options.tlsKey.empty()) {
        problem = "TLS needs both --tls-cert and --tls-key";
        return false;
    }
    const bool tls = !options.tlsCert.empty();
    for (const Listen& l : options.listens) {
        if (!l.local && !service::IsLoopback(l.host) && (!tls || options.tokenFile.empty())) {
            problem = l.Text() + " is reachable from other machines: it needs TLS (--tls-cert, --tls-key) and a token (--token-file)";
            return false;
        }
    }
    return true;
}

}  // namespace vantel::controller
