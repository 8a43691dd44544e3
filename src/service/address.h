// Where a controller listens, as both ends write it: "unix:PATH" or "tcp:HOST:PORT" (an IPv6
// host in brackets). The daemon listens on such addresses and the link connects to one.
#pragma once
#include <string>
#include <string_view>

namespace vantel::service {

struct Address {
    bool local = true;  // a Unix socket
    std::string path;   // local
    std::string host;   // tcp, without brackets
    int port = 0;       // tcp; 0: any free one (a listener only)
    // As people write it.
    std::string Text() const;
    // As gRPC takes it: "unix:PATH" or "HOST:PORT" ("[HOST]:PORT" for IPv6).
    std::string Target() const;
};

// False with the reason ("\"TEXT\": why") when text is neither form or its port is out of
// range: 1 to 65535, and 0 too for a listener.
bool ParseAddress(std::string_view text, Address& out, std::string& error, bool listener);

// Loopback: "localhost", 127.0.0.0/8 and ::1; a TCP listener anywhere else needs TLS and a token.
bool IsLoopback(const std::string& host);

}  // namespace vantel::service
