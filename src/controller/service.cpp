#include "controller/service.h"

#include <grpcpp/grpcpp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <tuple>

#include "platform/command_socket.h"
#include "service/wire.h"

namespace vantel::controller {

using grpc::Status;
using grpc::StatusCode;
using link::CallId;
using link::LinkArg;

namespace {

// How often a waiting notification stream looks whether its client is still there.
constexpr std::chrono::milliseconds kStreamPoll{200};
// Byte arrays (files up and down) may be larger than the stack's default of 4 MiB.
constexpr int kMaxMessageBytes = 64 << 20;

Status NoSession(const std::string& id) {
    return Status(StatusCode::UNAVAILABLE, "no session " + id + " on this controller (it ended): open a new one");
}

using Invoker = std::function<std::optional<std::int32_t>(std::span<const LinkArg>)>;

// One call's values: in-values from the request, out-values into the reply.
Status Exchange(const service::CallRequest& request, service::CallReply& reply, const Invoker& invoke,
                std::span<const LinkArg> args) {
    const std::string_view name = link::kCallNames[request.call()];
    if (static_cast<std::size_t>(request.args_size()) != args.size()) {
        return Status(StatusCode::INVALID_ARGUMENT, std::string(name) + " takes " + std::to_string(args.size()) + " arguments, not " +
                                                        std::to_string(request.args_size()));
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (!args[i].out && !service::TakeValue(request.args(static_cast<int>(i)), args[i])) {
            return Status(StatusCode::INVALID_ARGUMENT, "argument " + std::to_string(i + 1) + " of " + std::string(name) + " has the wrong kind");
        }
    }
    const std::optional<std::int32_t> ret = invoke(args);
    if (!ret) {
        return NoSession(request.session());
    }
    reply.set_ret(*ret);
    for (const LinkArg& a : args) {
        if (a.out) service::PutValue(a, *reply.add_outs());
    }
    return Status::OK;
}

// The values of a call of signature R(A...), in storage of their own.
template <CallId Id, class Sig> struct Frame;
template <CallId Id, class R, class... A>
struct Frame<Id, R(A...)> {
    static Status Run(const service::CallRequest& request, service::CallReply& reply, const Invoker& invoke) {
        std::tuple<std::remove_cvref_t<A>...> values{};
        return With(request, reply, invoke, values, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static Status With(const service::CallRequest& request, service::CallReply& reply, const Invoker& invoke,
                       std::tuple<std::remove_cvref_t<A>...>& values, std::index_sequence<I...>) {
        const std::array<LinkArg, sizeof...(A)> args{link::MakeArg<A>(std::get<I>(values))...};
        return Exchange(request, reply, invoke, args);
    }
};

using FrameRun = Status (*)(const service::CallRequest&, service::CallReply&, const Invoker&);
using namespace link;  // the call list names its types unqualified
constexpr FrameRun kFrames[] = {
#define PLEXA_CALL(name, ret, params, ...) &Frame<CallId::name, ret params>::Run,
#include "link/plexa_calls.def"
#undef PLEXA_CALL
};
static_assert(std::size(kFrames) == link::kCallCount);

bool SameSecret(std::string_view a, std::string_view b) {
    // Alike in time whatever the first difference.
    unsigned char diff = a.size() == b.size() ? 0 : 1;
    for (std::size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ (i < b.size() ? b[i] : 0));
    return diff == 0;
}

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

// ---------------------------------------------------------------------------------------

ControllerService::ControllerService(SharedController& shared, ServiceOptions options)
    : m_shared(shared), m_options(std::move(options)), m_callList(service::CallListFingerprint()),
      m_random(std::random_device{}()) {
    if (!m_options.log) m_options.log = [](const std::string&) {};
}

Status ControllerService::Authorize(grpc::ServerContext* context) const {
    if (m_options.token.empty()) return Status::OK;
    const auto& metadata = context->client_metadata();
    const auto it = metadata.find("authorization");
    if (it == metadata.end()) {
        m_options.log("refused " + context->peer() + ": no token");
        return Status(StatusCode::UNAUTHENTICATED,
                      "this controller asks for a token: send the metadata \"authorization: Bearer TOKEN\"");
    }
    if (!SameSecret(std::string_view(it->second.data(), it->second.size()), "Bearer " + m_options.token)) {
        m_options.log("refused " + context->peer() + ": wrong token");
        return Status(StatusCode::UNAUTHENTICATED, "the token sent is not this controller's");
    }
    return Status::OK;
}

void ControllerService::AddLatency() {
    if (m_options.latencyMaxMs <= 0) return;
    int ms = 0;
    {
        std::lock_guard lock(m_randomMutex);
        ms = std::uniform_int_distribution<int>(m_options.latencyMinMs, m_options.latencyMaxMs)(m_random);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

Status ControllerService::Open(grpc::ServerContext* context, const service::OpenRequest* request, service::OpenReply* reply) {
    if (Status s = Authorize(context); !s.ok()) return s;
    const std::string client = (request->client().empty() ? "a client" : request->client()) + " (" + context->peer() + ")";
    if (request->call_list() != m_callList) {
        m_options.log("refused " + client + ": call list " + request->call_list() + ", ours " + m_callList);
        return Status(StatusCode::FAILED_PRECONDITION,
                      "the client's call list (" + request->call_list() + ") is not this controller's (" + m_callList +
                          "): use a client and a controller of the same version");
    }
    reply->set_session(m_shared.Open(client));
    reply->set_controller(m_options.name);
    return Status::OK;
}

Status ControllerService::Call(grpc::ServerContext* context, const service::CallRequest* request, service::CallReply* reply) {
    if (Status s = Authorize(context); !s.ok()) return s;
    if (request->call() >= link::kCallCount) {
        return Status(StatusCode::INVALID_ARGUMENT, "no call " + std::to_string(request->call()) + " in this controller's call list");
    }
    const auto id = static_cast<CallId>(request->call());
    const Status status = kFrames[request->call()](*request, *reply, [&](std::span<const LinkArg> args) {
        return m_shared.Call(request->session(), id, args);
    });
    AddLatency();
    return status;
}

Status ControllerService::Notifications(grpc::ServerContext* context, const service::SessionRequest* request,
                                        grpc::ServerWriter<service::Notification>* writer) {
    if (Status s = Authorize(context); !s.ok()) return s;
    auto stream = m_shared.Attach(request->session());
    if (!stream) {
        return Status(StatusCode::FAILED_PRECONDITION,
                      "no session " + request->session() + " without its stream on this controller: open a new one");
    }
    for (;;) {
        Note note;
        std::string why;
        switch (stream->Next(note, kStreamPoll, why)) {
            case SharedController::Stream::Got::Note: {
                service::Notification out;
                out.set_seq(note.seq);
                out.set_msg(note.msg);
                out.set_wparam(note.wParam);
                out.set_lparam(note.lParam);
                out.set_ends_job(note.endsJob);
                if (!writer->Write(out)) {
                    stream->End("its client is gone");
                    return Status(StatusCode::CANCELLED, "the client is gone");
                }
                break;
            }
            case SharedController::Stream::Got::Ended: return Status(StatusCode::UNAVAILABLE, why);
            case SharedController::Stream::Got::Nothing:
                if (context->IsCancelled()) {
                    stream->End("its client is gone");
                    return Status(StatusCode::CANCELLED, "the client is gone");
                }
                break;
        }
    }
}

Status ControllerService::InFlight(grpc::ServerContext* context, const service::SessionRequest* request,
                                   service::InFlightReply* reply) {
    if (Status s = Authorize(context); !s.ok()) return s;
    const auto flight = m_shared.Flight(request->session());
    if (!flight) return NoSession(request->session());
    reply->set_jobs(flight->jobs);
    reply->set_last_notification(flight->lastNote);
    return Status::OK;
}

Status ControllerService::Close(grpc::ServerContext* context, const service::SessionRequest* request, service::Empty*) {
    if (Status s = Authorize(context); !s.ok()) return s;
    m_shared.End(request->session(), "closed by its client");
    return Status::OK;  // closed either way
}

// ---------------------------------------------------------------------------------------

bool ParseListen(std::string_view text, Listen& out, std::string& error) {
    if (!service::ParseAddress(text, out, error, true)) return false;
    if (out.local) out.path = std::filesystem::absolute(out.path).lexically_normal().string();
    return true;
}

// ---------------------------------------------------------------------------------------

Daemon::Daemon(SharedController& shared, ServiceOptions options) : m_shared(shared), m_service(shared, std::move(options)) {}

Daemon::~Daemon() {
    if (m_server) Stop("the controller stops");
}

bool Daemon::Start(const std::vector<Listen>& listens, const std::optional<TlsFiles>& tls, std::string& error) {
    grpc::ServerBuilder builder;
    // Dead peers are found by the stack's keepalive; clients may ping as often as every 5 s.
    builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_TIME_MS, 20000);
    builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_TIMEOUT_MS, 10000);
    builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
    builder.AddChannelArgument(GRPC_ARG_HTTP2_MIN_RECV_PING_INTERVAL_WITHOUT_DATA_MS, 5000);
    builder.AddChannelArgument(GRPC_ARG_HTTP2_MAX_PINGS_WITHOUT_DATA, 0);
    builder.SetMaxReceiveMessageSize(kMaxMessageBytes);
    builder.SetMaxSendMessageSize(kMaxMessageBytes);

    std::shared_ptr<grpc::ServerCredentials> tcpCredentials = grpc::InsecureServerCredentials();
    if (tls) {
        grpc::SslServerCredentialsOptions ssl;
        ssl.pem_key_cert_pairs.push_back({tls->keyPem, tls->certPem});
        tcpCredentials = grpc::SslServerCredentials(ssl);
    }
    std::vector<int> ports(listens.size(), 0);  // stable: the builder writes into them
    for (std::size_t i = 0; i < listens.size(); ++i) {
        const Listen& l = listens[i];
        if (l.local && !remote::FreeSocketPath(l.path, "controller", error)) return false;
        // A Unix socket is for this user only: the file's mode is the lock.
        builder.AddListeningPort(l.Target(), l.local ? grpc::InsecureServerCredentials() : tcpCredentials, &ports[i]);
    }
    builder.RegisterService(&m_service);
    // Sockets are made 0600 from the start: a client never finds one open to others.
    const mode_t mask = ::umask(0177);
    m_server = builder.BuildAndStart();
    ::umask(mask);
    std::string failed;
    for (std::size_t i = 0; i < listens.size(); ++i) {
        if (!m_server || ports[i] == 0) failed += (failed.empty() ? "" : ", ") + listens[i].Text();
    }
    if (!failed.empty()) {
        error = "cannot listen on " + failed;
        if (m_server) m_server->Shutdown();
        m_server.reset();
        return false;
    }
    m_listening = listens;
    for (std::size_t i = 0; i < listens.size(); ++i) {
        if (!listens[i].local) {
            m_listening[i].port = ports[i];
            continue;
        }
        struct stat st;
        if (::chmod(listens[i].path.c_str(), 0600) != 0 || ::stat(listens[i].path.c_str(), &st) != 0) {
            error = Errno(listens[i].path);
            Stop("the controller could not start");
            return false;
        }
        m_sockets.emplace_back(listens[i].path, st.st_ino);
    }
    return true;
}

void Daemon::Stop(const std::string& why) {
    if (!m_server) return;
    m_shared.EndAll(why);
    m_server->Shutdown(std::chrono::system_clock::now() + std::chrono::seconds(5));
    m_server->Wait();
    m_server.reset();
    for (const auto& [path, ino] : m_sockets) {
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && st.st_ino == ino) ::unlink(path.c_str());
    }
    m_sockets.clear();
}

}  // namespace vantel::controller
