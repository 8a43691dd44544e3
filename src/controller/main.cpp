// vantel-controller: the simulated controller as a service that several consoles and tools
// reach at once, over a Unix socket or TCP, until SIGTERM or SIGINT ends it.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <optional>

#include "controller/options.h"
#include "controller/service.h"
#include "controller/shared_controller.h"
#include "platform/command_socket.h"
#include "platform/text.h"
#include "platform/version.h"
#include "service/credentials.h"
#include "sim/config.h"

namespace {

using namespace vantel::controller;

constexpr char kUsage[] =
    "usage: vantel-controller [--listen unix:PATH | --listen tcp:HOST:PORT]... [--tls-cert FILE --tls-key FILE]\n"
    "                         [--token-file FILE] [--fault FAULT]...\n"
    "       vantel-controller --version | --help\n"
    "Serves one simulated controller to every client, in the foreground, logging to standard\n"
    "error, until SIGTERM or SIGINT. Without --listen: the Unix socket controller.sock in\n"
    "$XDG_RUNTIME_DIR/vantel, else in /tmp/vantel-UID. TCP on anything but loopback needs TLS\n"
    "and a token. Faults for tests: latency=MIN..MAX (ms before each call's answer), drop=P%\n"
    "(a request's notifications never come), disconnect-after=N (a session dropped after N calls).\n"
    "The simulator's settings come from the VANTEL_SIM_* variables; VANTEL_SIM_STATE_DIR keeps\n"
    "its file system.\n"
    "Exit status: 0 ended by a signal, 2 a usage error, 3 it could not start.\n";

enum Exit { kEnded = 0, kBadUsage = 2, kCannotStart = 3 };

std::mutex g_logMutex;
void Log(const std::string& line) {
    std::lock_guard lock(g_logMutex);
    std::fprintf(stderr, "vantel-controller: %s\n", line.c_str());
}

std::string OwnVersion() {
    std::wstring internalName, fileVersion;
    vantel::ReadVersionInfo(internalName, fileVersion);
    return vantel::ToUtf8(fileVersion);
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "vantel-controller: %s\n%s", problem.c_str(), kUsage);
    return kBadUsage;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem;
    if (!ParseOptions(std::vector<std::string>(argv + 1, argv + argc), options, problem)) return Usage(problem);
    if (options.help) {
        std::fputs(kUsage, stdout);
        return kEnded;
    }
    if (options.version) {
        std::printf("vantel-controller %s\n", OwnVersion().c_str());
        return kEnded;
    }
    if (options.listens.empty()) {
        std::string dir;
        if (!vantel::remote::SocketFolder(true, dir, problem)) {
            Log("no folder for the socket: " + problem);
            return kCannotStart;
        }
        ParseListen("unix:" + dir + "/controller.sock", options.listens.emplace_back(), problem);
    }

    ServiceOptions service;
    std::optional<TlsFiles> tls;
    if (!options.tokenFile.empty()) {
        if (!vantel::service::ReadTokenFile(options.tokenFile, service.token, problem)) {
            Log("token: " + problem);
            return kCannotStart;
        }
    }
    if (!options.tlsCert.empty()) {
        tls.emplace();
        if (!vantel::service::ReadWholeFile(options.tlsCert, tls->certPem, problem) ||
            !vantel::service::ReadWholeFile(options.tlsKey, tls->keyPem, problem)) {
            Log("TLS: " + problem);
            return kCannotStart;
        }
    }
    service.latencyMinMs = options.latencyMinMs;
    service.latencyMaxMs = options.latencyMaxMs;
    char host[256] = "";
    ::gethostname(host, sizeof host - 1);
    service.name = "vantel-controller " + OwnVersion() + " on " + host;
    service.log = Log;

    // Taken by sigwait below, in no thread at random.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const vantel::link::sim::SimConfig config = vantel::link::sim::ConfigFromEnvironment();
    SharedController shared(config, options.faults, Log);
    Daemon daemon(shared, service);
    if (!daemon.Start(options.listens, tls, problem)) {
        Log(problem);
        return kCannotStart;
    }
    for (const Listen& l : daemon.Listening()) Log("listening on " + l.Text());
    Log(config.stateDir.empty() ? "the file system lives in memory" : "the file system is kept in " + config.stateDir.string());
    if (options.latencyMaxMs > 0) {
        Log("fault: " + std::to_string(options.latencyMinMs) + ".." + std::to_string(options.latencyMaxMs) + " ms before each answer");
    }
    if (options.faults.dropPercent > 0) Log("fault: " + std::to_string(options.faults.dropPercent) + "% of requests get no notification");
    if (options.faults.disconnectAfter > 0) Log("fault: sessions dropped after " + std::to_string(options.faults.disconnectAfter) + " calls");

    int signal = 0;
    sigwait(&signals, &signal);
    Log(std::string("ending on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    daemon.Stop("the controller has stopped");
    return kEnded;
}
