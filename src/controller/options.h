// vantel-controller's command line.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "controller/service.h"
#include "controller/shared_controller.h"

namespace vantel::controller {

struct Options {
    std::vector<Listen> listens;  // none given: the default Unix socket
    std::string tlsCert, tlsKey, tokenFile;
    int latencyMinMs = 0, latencyMaxMs = 0;
    SharedController::Faults faults;
    bool version = false, help = false;
};

// Longest latency a fault may add, in milliseconds.
inline constexpr int kMaxLatencyMs = 60000;

// "latency=MIN..MAX" (milliseconds; one number for both), "drop=P%" (0-100),
// "disconnect-after=N" (1 or more calls).
bool ParseFault(std::string_view fault, Options& options, std::string& problem);

// The arguments after the program's name. False with the problem (a usage error). TCP on
// anything but loopback needs TLS (certificate and key) and a token file.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& problem);

}  // namespace vantel::controller
