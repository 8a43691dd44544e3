// The remote link: calls as unary RPCs with a deadline, the session's notifications on one
// server stream read by a thread of its own and posted to the console's window, and a
// supervisor thread that ends a lost session's jobs and opens a new session.
#include "remote/remote_link.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include <grpcpp/grpcpp.h>

#include "platform/text.h"
#include "platform/winmsg.h"
#include "service/address.h"
#include "service/controller.grpc.pb.h"
#include "service/credentials.h"
#include "service/wire.h"

namespace vantel::remote {

using link::ArgType;
using link::CallId;
using link::LinkArg;

bool ParseEndpoint(std::string_view text, Endpoint& endpoint, std::string& error) {
    service::Address address;
    if (!service::ParseAddress(text, address, error, false)) return false;
    endpoint.kind = address.local ? Endpoint::Kind::Unix : Endpoint::Kind::Tcp;
    endpoint.text = std::string(text);
    endpoint.target = address.Target();
    return true;
}

namespace {

void ClearOuts(std::span<const LinkArg> args) {
    for (const LinkArg& a : args) link::ClearOut(a);
}

std::string Describe(const grpc::Status& s) {
    if (!s.error_message().empty()) return s.error_message();
    switch (s.error_code()) {
        case grpc::StatusCode::DEADLINE_EXCEEDED: return "no answer within the deadline";
        case grpc::StatusCode::UNAVAILABLE: return "unavailable";
        case grpc::StatusCode::CANCELLED: return "cancelled";
        default: return "error " + std::to_string(static_cast<int>(s.error_code()));
    }
}

// What trying again cannot mend.
bool IsRefusal(grpc::StatusCode code) {
    return code == grpc::StatusCode::FAILED_PRECONDITION || code == grpc::StatusCode::UNAUTHENTICATED ||
           code == grpc::StatusCode::PERMISSION_DENIED;
}

constexpr LPARAM kAborted = static_cast<LPARAM>(link::ENotifyType::CommandAbort);
constexpr LPARAM kEndedWithMessage = static_cast<LPARAM>(link::ENotifyType::SyncAddMessage);

// Init's in-values, kept to repeat it on a new session.
struct InitCall {
    std::wstring name, second;
    UINT msg = 0;
    std::int32_t number = 0;
    UINT keyMsg = 0;
};

}  // namespace

struct RemoteLink::State {
    using Stub = service::Controller::Stub;

    explicit State(const RemoteOptions& o) : options(o) {}

    const RemoteOptions& options;

    mutable std::mutex mu;
    mutable std::condition_variable changed;
    bool stop = false;

    // The session; gen counts sessions (and losses), so that what an older one started is
    // recognised as such.
    std::uint64_t gen = 0;
    std::shared_ptr<Stub> stub;
    std::string session;
    std::unique_ptr<grpc::ClientContext> streamContext;
    std::thread reader;
    std::uint64_t received = 0;  // notifications of this session posted so far
    // Jobs of this session not yet ended by a type 1 or 2 notification; and such ends that
    // came before the handle's request had returned (the two travel on separate streams).
    std::set<std::int16_t> pending, endedEarly;

    LinkStatus status;
    std::uint64_t statusSeq = 0;  // counts changes of status
    bool lossPending = false;     // the supervisor has a lost session to end
    bool settled = true;          // a lost session's jobs have all been ended

    // The console's side, from its Init.
    HWND window = 0;
    UINT plexaMsg = 0, keyMsg = 0;
    std::optional<InitCall> init;

    std::mutex observerMu;
    LinkObserver observer;
    std::uint64_t observed = 0;  // the last change the observer heard

    std::thread supervisor;

    void Prepare(grpc::ClientContext& ctx, bool deadline) const {
        if (deadline) ctx.set_deadline(std::chrono::system_clock::now() + options.callDeadline);
        if (!options.token.empty()) ctx.AddMetadata("authorization", "Bearer " + options.token);
    }

    std::shared_ptr<grpc::Channel> MakeChannel() const {
        grpc::ChannelArguments args;
        // Our own backoff decides when to try again; a channel shared with an earlier
        // attempt would wait out gRPC's.
        args.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
        args.SetInt(GRPC_ARG_INITIAL_RECONNECT_BACKOFF_MS, 100);
        args.SetInt(GRPC_ARG_MAX_RECONNECT_BACKOFF_MS, static_cast<int>(options.lastRetry.count()));
        // Within what a server allows by default (one ping in five minutes without data).
        args.SetInt(GRPC_ARG_KEEPALIVE_TIME_MS, 330'000);
        args.SetInt(GRPC_ARG_KEEPALIVE_TIMEOUT_MS, 20'000);
        std::shared_ptr<grpc::ChannelCredentials> credentials;
        if (options.endpoint.kind == Endpoint::Kind::Tcp && !options.caPem.empty()) {
            grpc::SslCredentialsOptions ssl;
            ssl.pem_root_certs = options.caPem;
            credentials = grpc::SslCredentials(ssl);
        } else {
            credentials = grpc::InsecureChannelCredentials();
        }
        return grpc::CreateCustomChannel(options.endpoint.target, credentials, args);
    }

    // Asks the controller to end a session, waiting at most wait; whether it could is no matter.
    void CloseSession(Stub& on, const std::string& sessionId, std::chrono::milliseconds wait) const {
        service::SessionRequest request;
        request.set_session(sessionId);
        service::Empty none;
        grpc::ClientContext ctx;
        Prepare(ctx, false);
        ctx.set_deadline(std::chrono::system_clock::now() + wait);
        (void)on.Close(&ctx, request, &none);
    }

    // One call over the wire; out-values filled from the answer.
    grpc::Status Call(Stub& on, const std::string& sessionId, CallId id, std::span<const LinkArg> args,
                      std::int32_t& ret) const {
        service::CallRequest request;
        request.set_session(sessionId);
        request.set_call(static_cast<std::uint32_t>(id));
        std::size_t outs = 0;
        for (const LinkArg& a : args) {
            service::Value* v = request.add_args();
            if (a.out) {
                ++outs;
            } else {
                service::PutValue(a, *v);
            }
        }
        service::CallReply reply;
        grpc::ClientContext ctx;
        Prepare(ctx, true);
        const grpc::Status s = on.Call(&ctx, request, &reply);
        if (!s.ok()) return s;
        const std::string name(link::kCallNames[static_cast<std::size_t>(id)]);
        if (reply.outs_size() == 0) {
            ClearOuts(args);
        } else if (static_cast<std::size_t>(reply.outs_size()) != outs) {
            return {grpc::StatusCode::INTERNAL, "the controller answered " + name + " with " +
                                                    std::to_string(reply.outs_size()) + " out-values, not " +
                                                    std::to_string(outs)};
        } else {
            int k = 0;
            for (const LinkArg& a : args) {
                if (!a.out) continue;
                if (!service::TakeValue(reply.outs(k), a)) {
                    return {grpc::StatusCode::INTERNAL,
                            "the controller answered " + name + " with a value of the wrong kind"};
                }
                ++k;
            }
        }
        ret = reply.ret();
        return grpc::Status::OK;
    }

    // Under mu.
    void SetStatus(LinkState state, std::string reason, std::string controller = {}) {
        status = {state, std::move(reason), std::move(controller)};
        ++statusSeq;
    }

    void Tell() {
        std::unique_lock lock(mu);
        const LinkStatus now = status;
        const std::uint64_t seq = statusSeq;
        lock.unlock();
        std::lock_guard told(observerMu);
        if (!observer || seq <= observed) return;
        observed = seq;
        observer(now);
    }

    // The session of generation g broke: why says how. Only the first word of a session
    // counts; the supervisor does the rest.
    void MarkLost(std::uint64_t g, const std::string& why) {
        {
            std::lock_guard lock(mu);
            if (g != gen || status.state != LinkState::Connected) return;
            ++gen;
            SetStatus(LinkState::Lost, why);
            settled = false;
            lossPending = true;
        }
        changed.notify_all();
    }

    void Read(std::uint64_t g, std::shared_ptr<Stub> on, std::string sessionId, grpc::ClientContext* ctx) {
        service::SessionRequest request;
        request.set_session(sessionId);
        auto stream = on->Notifications(ctx, request);
        service::Notification n;
        while (stream->Read(&n)) {
            std::lock_guard lock(mu);
            if (g != gen) break;
            const auto h = static_cast<std::int16_t>(static_cast<std::uint16_t>(n.wparam() & 0xFFFF));
            const auto type = static_cast<LPARAM>(n.lparam());
            const bool plexa = n.msg() == 0;
            const bool ends = plexa && (n.ends_job() || type == kAborted || type == kEndedWithMessage);
            if (ends && pending.erase(h) == 0) endedEarly.insert(h);
            const UINT msg = plexa ? plexaMsg : keyMsg;
            if (window != 0 && msg != 0) PostMessageW(window, msg, static_cast<WPARAM>(n.wparam()), type);
            received = n.seq();
            changed.notify_all();
        }
        const grpc::Status s = stream->Finish();
        MarkLost(g, s.ok() ? "the controller ended the session" : Describe(s));
    }

    // A lost session ends: its stream stops, and every job it had pending is ended with an
    // abort, so that no slot of the console waits forever.
    void EndSession() {
        std::unique_lock lock(mu);
        std::unique_ptr<grpc::ClientContext> ctx = std::move(streamContext);
        std::thread was = std::move(reader);
        const std::shared_ptr<Stub> old = stub;
        const std::string oldSession = session;
        lock.unlock();
        if (ctx) ctx->TryCancel();
        if (was.joinable()) was.join();
        // Should the controller still be there (a call ran out of time), it frees the
        // session's jobs too.
        if (old) CloseSession(*old, oldSession, std::chrono::milliseconds(200));
        lock.lock();
        if (window != 0 && plexaMsg != 0) {
            for (std::int16_t h : pending) {
                PostMessageW(window, plexaMsg, static_cast<WPARAM>(static_cast<std::uint16_t>(h)), kAborted);
            }
        }
        pending.clear();
        endedEarly.clear();
        session.clear();
        stub.reset();
        settled = true;
        lock.unlock();
        changed.notify_all();
        Tell();
    }

    // Opens a session and starts its stream; a session that had Init gets it again.
    bool Open(std::string& why, bool& refused) {
        refused = false;
        const auto channel = MakeChannel();
        std::shared_ptr<Stub> fresh = service::Controller::NewStub(channel);
        service::OpenRequest request;
        request.set_call_list(options.callList.empty() ? service::CallListFingerprint() : options.callList);
        request.set_client(options.client);
        service::OpenReply reply;
        grpc::ClientContext ctx;
        Prepare(ctx, true);
        const grpc::Status s = fresh->Open(&ctx, request, &reply);
        if (!s.ok()) {
            why = Describe(s);
            refused = IsRefusal(s.error_code());
            return false;
        }
        std::unique_lock lock(mu);
        if (stop) return false;
        const std::uint64_t g = ++gen;
        stub = fresh;
        session = reply.session();
        received = 0;
        pending.clear();
        endedEarly.clear();
        streamContext = std::make_unique<grpc::ClientContext>();
        Prepare(*streamContext, false);
        reader = std::thread(&State::Read, this, g, fresh, reply.session(), streamContext.get());
        SetStatus(LinkState::Connected, {}, reply.controller());
        const std::optional<InitCall> again = init;
        const HWND to = window;
        lock.unlock();
        if (again) {
            std::wstring name = again->name, second = again->second;
            UINT msg = again->msg, keyMsg = again->keyMsg;
            HWND hwnd = to;
            std::int32_t number = again->number;
            const LinkArg args[] = {link::MakeArg<const std::wstring&>(name), link::MakeArg<const std::wstring&>(second),
                                    link::MakeArg<UINT>(msg),  link::MakeArg<HWND>(hwnd),
                                    link::MakeArg<std::int32_t>(number), link::MakeArg<UINT>(keyMsg)};
            std::int32_t ret = 0;
            const grpc::Status init = Call(*fresh, reply.session(), CallId::Init, args, ret);
            if (!init.ok()) MarkLost(g, Describe(init));
        }
        return true;
    }

    void Supervise() {
        std::unique_lock lock(mu);
        auto retry = options.firstRetry;
        while (!stop) {
            if (lossPending) {
                lossPending = false;
                lock.unlock();
                EndSession();
                lock.lock();
                retry = options.firstRetry;
                continue;
            }
            const LinkState state = status.state;
            if (state == LinkState::Connected || state == LinkState::Refused || !options.reconnect) {
                changed.wait(lock, [&] { return stop || lossPending; });
                continue;
            }
            if (changed.wait_for(lock, retry, [&] { return stop; })) break;
            lock.unlock();
            std::string why;
            bool refused = false;
            const bool opened = Open(why, refused);
            lock.lock();
            if (opened) {
                retry = options.firstRetry;
            } else if (stop) {
                break;
            } else if (refused) {
                SetStatus(LinkState::Refused, why);
            } else {
                // Said once per reason, not at every try.
                if (status.state != LinkState::Reconnecting || status.reason != why) {
                    SetStatus(LinkState::Reconnecting, why);
                }
                retry = std::min(retry * 2, options.lastRetry);
            }
            lock.unlock();
            Tell();
            lock.lock();
        }
    }
};

RemoteLink::RemoteLink(RemoteOptions options) : m_options(std::move(options)), m_state(std::make_unique<State>(m_options)) {
    m_state->status = {LinkState::Lost, "not connected yet", {}};
}

RemoteLink::~RemoteLink() {
    State& s = *m_state;
    {
        std::lock_guard lock(s.mu);
        s.stop = true;
    }
    s.changed.notify_all();
    if (s.supervisor.joinable()) s.supervisor.join();
    std::unique_lock lock(s.mu);
    const bool open = s.status.state == LinkState::Connected;
    const std::shared_ptr<State::Stub> stub = s.stub;
    const std::string session = s.session;
    std::unique_ptr<grpc::ClientContext> ctx = std::move(s.streamContext);
    std::thread reader = std::move(s.reader);
    ++s.gen;  // nothing more is posted
    lock.unlock();
    if (open && stub) s.CloseSession(*stub, session, m_options.callDeadline);
    if (ctx) ctx->TryCancel();
    if (reader.joinable()) reader.join();
}

bool RemoteLink::Connect(std::string& error) {
    State& s = *m_state;
    bool refused = false;
    const bool opened = s.Open(error, refused);
    if (!opened) {
        std::lock_guard lock(s.mu);
        if (refused) {
            s.SetStatus(LinkState::Refused, error);
        } else {
            s.SetStatus(s.options.reconnect ? LinkState::Reconnecting : LinkState::Lost, error);
        }
    }
    if (!s.supervisor.joinable()) s.supervisor = std::thread(&State::Supervise, &s);
    return opened;
}

LinkStatus RemoteLink::SetObserver(LinkObserver observer) {
    State& s = *m_state;
    std::lock_guard told(s.observerMu);
    s.observer = std::move(observer);
    std::lock_guard lock(s.mu);
    s.observed = s.statusSeq;
    return s.status;
}

LinkStatus RemoteLink::Status() const {
    std::lock_guard lock(m_state->mu);
    return m_state->status;
}

std::int32_t RemoteLink::Invoke(CallId id, std::span<const LinkArg> args) {
    State& s = *m_state;
    std::unique_lock lock(s.mu);
    if (id == CallId::Init) {
        // The window and its message numbers stay here: the controller's posts for this
        // session arrive on the stream and are posted from here.
        const HWND window = args[3].As<HWND>();
        const UINT msg = args[2].As<UINT>();
        if (window == 0 || msg == 0) return 0;
        s.window = window;
        s.plexaMsg = msg;
        s.keyMsg = args[5].As<UINT>();
        s.init = InitCall{args[0].As<std::wstring>(), args[1].As<std::wstring>(), msg, args[4].As<std::int32_t>(),
                          s.keyMsg};
    }
    if (s.status.state != LinkState::Connected) {
        ClearOuts(args);
        return 0;
    }
    const std::uint64_t g = s.gen;
    const std::shared_ptr<State::Stub> stub = s.stub;
    const std::string session = s.session;
    lock.unlock();

    std::int32_t ret = 0;
    const grpc::Status status = s.Call(*stub, session, id, args, ret);
    if (!status.ok()) {
        s.MarkLost(g, Describe(status));
        ClearOuts(args);
        return 0;
    }
    lock.lock();
    if (g != s.gen) {
        // The session was lost meanwhile, and what this call started with it.
        ClearOuts(args);
        return 0;
    }
    if (id == CallId::Exit) s.init.reset();
    if (id == CallId::Exit || (id == CallId::Init && ret == 1)) {
        // Both end the session's jobs without a word.
        s.pending.clear();
        s.endedEarly.clear();
    }
    if (link::kCallIsRequest[static_cast<std::size_t>(id)] && ret != 0) {
        const auto h = static_cast<std::int16_t>(ret);
        if (s.endedEarly.erase(h) == 0) s.pending.insert(h);
    }
    return ret;
}

std::size_t RemoteLink::JobsInFlight() const {
    State& s = *m_state;
    std::unique_lock lock(s.mu);
    const auto settled = [&] {
        // A lost session's ends are posted before it counts as idle.
        s.changed.wait_for(lock, m_options.callDeadline, [&] { return s.settled; });
        return std::size_t{0};
    };
    if (s.status.state != LinkState::Connected) return settled();
    const std::uint64_t g = s.gen;
    const std::shared_ptr<State::Stub> stub = s.stub;
    service::SessionRequest request;
    request.set_session(s.session);
    lock.unlock();

    service::InFlightReply reply;
    grpc::ClientContext ctx;
    s.Prepare(ctx, true);
    const grpc::Status status = stub->InFlight(&ctx, request, &reply);
    lock.lock();
    if (!status.ok()) {
        lock.unlock();
        s.MarkLost(g, Describe(status));
        lock.lock();
        return settled();
    }
    const bool caughtUp = s.changed.wait_for(lock, m_options.callDeadline,
                                             [&] { return s.gen != g || s.received >= reply.last_notification(); });
    if (s.gen != g) return settled();
    // Notifications still on their way count as work in flight.
    if (!caughtUp) return std::max<std::size_t>(reply.jobs(), 1);
    return reply.jobs();
}

std::wstring StatusText(const Endpoint& endpoint, const LinkStatus& status) {
    std::wstring text = L"Controller " + FromUtf8(endpoint.text);
    switch (status.state) {
        case LinkState::Connected: break;
        case LinkState::Lost: text += L": Verbindung verloren"; break;
        case LinkState::Reconnecting: text += L": verbinde neu"; break;
        case LinkState::Refused: text += L": abgewiesen"; break;
    }
    return text;
}

std::wstring JournalText(const Endpoint& endpoint, const LinkStatus& status) {
    std::wstring text = StatusText(endpoint, status);
    if (status.state == LinkState::Connected) {
        text += L": verbunden";
        if (!status.controller.empty()) text += L" (" + FromUtf8(status.controller) + L")";
    } else if (!status.reason.empty()) {
        text += L": " + FromUtf8(status.reason);
    }
    return text;
}

std::unique_ptr<RemoteLink> MakeRemoteLink(const LinkChoice& choice, std::string client, bool reconnect,
                                           std::string& error) {
    RemoteOptions options;
    if (!ParseEndpoint(choice.endpoint, options.endpoint, error)) return nullptr;
    if (!choice.tokenFile.empty() && !service::ReadTokenFile(choice.tokenFile, options.token, error)) {
        error = "token: " + error;
        return nullptr;
    }
    // Only TCP is encrypted; a Unix socket is guarded by its folder.
    if (!choice.caFile.empty() && options.endpoint.kind == Endpoint::Kind::Tcp &&
        !service::ReadWholeFile(choice.caFile, options.caPem, error)) {
        error = "CA: " + error;
        return nullptr;
    }
    options.client = std::move(client);
    options.reconnect = reconnect;
    return std::make_unique<RemoteLink>(std::move(options));
}

}  // namespace vantel::remote
