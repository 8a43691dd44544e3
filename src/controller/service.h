// The controller service on the wire: gRPC's Controller service in front of one shared
// controller, listening on Unix sockets and TCP, with an optional bearer token and TLS.
#pragma once
#include <sys/types.h>

#include <memory>
#include <mutex>
#include <random>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "controller/shared_controller.h"
#include "service/address.h"
#include "service/controller.grpc.pb.h"

namespace grpc {
class Server;
}

namespace vantel::controller {

struct ServiceOptions {
    std::string token;  // every call must carry "authorization: Bearer <token>"; empty: none asked
    int latencyMinMs = 0, latencyMaxMs = 0;  // added before each call's answer
    std::string name;   // what clients show: "vantel-controller 1.2.3 on HOST"
    SharedController::Log log;
};

class ControllerService final : public service::Controller::Service {
public:
    ControllerService(SharedController& shared, ServiceOptions options);

    grpc::Status Open(grpc::ServerContext* context, const service::OpenRequest* request, service::OpenReply* reply) override;
    grpc::Status Call(grpc::ServerContext* context, const service::CallRequest* request, service::CallReply* reply) override;
    grpc::Status Notifications(grpc::ServerContext* context, const service::SessionRequest* request,
                               grpc::ServerWriter<service::Notification>* writer) override;
    grpc::Status InFlight(grpc::ServerContext* context, const service::SessionRequest* request,
                          service::InFlightReply* reply) override;
    grpc::Status Close(grpc::ServerContext* context, const service::SessionRequest* request, service::Empty* reply) override;

private:
    grpc::Status Authorize(grpc::ServerContext* context) const;
    void AddLatency();

    SharedController& m_shared;
    ServiceOptions m_options;
    std::string m_callList;
    std::mutex m_randomMutex;
    std::mt19937 m_random;
};

// One address to listen on; port 0 takes any free one.
using Listen = service::Address;
// As ParseAddress, a socket path made absolute (the daemon's log and removal name it so).
bool ParseListen(std::string_view text, Listen& out, std::string& error);

struct TlsFiles {
    std::string certPem, keyPem;
};

// The service listening on its addresses until stopped.
class Daemon {
public:
    Daemon(SharedController& shared, ServiceOptions options);
    ~Daemon();

    // False with the reason when an address cannot be taken. A Unix socket is made 0600; a
    // live one of another daemon is not taken over, a stale one is replaced.
    bool Start(const std::vector<Listen>& listens, const std::optional<TlsFiles>& tls, std::string& error);
    // Where it listens, the ports chosen filled in.
    const std::vector<Listen>& Listening() const { return m_listening; }
    // Tells every session why, stops serving and removes the socket files.
    void Stop(const std::string& why);

private:
    SharedController& m_shared;
    ControllerService m_service;
    std::unique_ptr<grpc::Server> m_server;
    std::vector<Listen> m_listening;
    std::vector<std::pair<std::string, ino_t>> m_sockets;  // ours to remove
};

}  // namespace vantel::controller
