#include "service/address.h"

#include <charconv>

namespace vantel::service {

namespace {

std::string HostPort(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

}  // namespace

std::string Address::Text() const { return local ? "unix:" + path : "tcp:" + HostPort(host, port); }

std::string Address::Target() const { return local ? "unix:" + path : HostPort(host, port); }

bool ParseAddress(std::string_view text, Address& out, std::string& error, bool listener) {
    const auto bad = [&](const std::string& why) {
        error = "\"" + std::string(text) + "\": " + why;
        return false;
    };
    Address a;
    if (text.starts_with("unix:")) {
        a.path = std::string(text.substr(5));
        if (a.path.empty()) return bad("no socket path after unix:");
    } else if (text.starts_with("tcp:")) {
        const std::string_view rest = text.substr(4);
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return bad("tcp: needs HOST:PORT");
        std::string_view host = rest.substr(0, colon);
        const std::string_view port = rest.substr(colon + 1);
        if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
        if (host.empty()) return bad("tcp: needs HOST:PORT");
        const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), a.port);
        const int lowest = listener ? 0 : 1;
        if (port.empty() || ec != std::errc{} || end != port.data() + port.size() || a.port < lowest || a.port > 65535) {
            return bad("the port must be a number from " + std::to_string(lowest) + " to 65535");
        }
        a.local = false;
        a.host = std::string(host);
    } else {
        return bad("a controller is unix:PATH or tcp:HOST:PORT");
    }
    out = std::move(a);
    return true;
}

bool IsLoopback(const std::string& host) { return host == "localhost" || host == "::1" || host.starts_with("127."); }

}  // namespace vantel::service
