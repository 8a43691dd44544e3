// The link to a controller that runs as a service of its own (vantel-controller), reached
// over gRPC. One more backend behind the same seam as the embedded simulator; every call of
// the call list travels the same way, as its number and its values.
#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/plexa.h"

namespace vantel::remote {

// Where the controller listens: "unix:PATH" or "tcp:HOST:PORT".
struct Endpoint {
    enum class Kind { Unix, Tcp };
    Kind kind = Kind::Unix;
    std::string text;    // as given, for people
    std::string target;  // as gRPC takes it
};

// False with the reason when text is neither form.
bool ParseEndpoint(std::string_view text, Endpoint& endpoint, std::string& error);

struct RemoteOptions {
    Endpoint endpoint;
    std::string token;  // sent with every call as "authorization: Bearer <token>"; empty: none
    std::string caPem;  // tcp: TLS, trusting these certificates; empty: no TLS
    std::string client = "vantel";  // who connects, for the controller's log
    std::string callList;  // the call list the link says it was built from; empty: this build's
    // The longest a call may take; the caller's thread never waits longer for one.
    std::chrono::milliseconds callDeadline{2000};
    // After a lost connection: try again, waiting firstRetry, doubling up to lastRetry. Off:
    // the link stays lost (vantel-batch ends instead).
    bool reconnect = true;
    std::chrono::milliseconds firstRetry{100};
    std::chrono::milliseconds lastRetry{5000};
};

enum class LinkState {
    Connected,     // a session is open
    Lost,          // the connection broke; every job of the session was ended with type 2
    Reconnecting,  // trying again, reason: why the last try failed
    Refused,       // the controller will not have this client (call list, token): no more tries
};

struct LinkStatus {
    LinkState state = LinkState::Lost;
    std::string reason;      // Lost, Reconnecting, Refused: why
    std::string controller;  // Connected: what the controller calls itself
};

// Called on the link's own thread; it must only queue.
using LinkObserver = std::function<void(const LinkStatus&)>;

class RemoteLink final : public link::ILinkBackend {
public:
    explicit RemoteLink(RemoteOptions options);
    ~RemoteLink() override;
    RemoteLink(const RemoteLink&) = delete;
    RemoteLink& operator=(const RemoteLink&) = delete;

    // Opens the first session, waiting at most the call deadline; false with the reason
    // (the status says whether it was refused). With reconnect on, the link keeps trying by
    // itself either way, unless refused.
    bool Connect(std::string& error);

    // The observer hears every change from now on; returns the state as it is now.
    LinkStatus SetObserver(LinkObserver observer);
    LinkStatus Status() const;
    const Endpoint& Where() const { return m_options.endpoint; }

    std::int32_t Invoke(link::CallId id, std::span<const link::LinkArg> args) override;
    // Exact over the wire: asks the controller what is in flight and how many notifications
    // it sent, and waits (within the call deadline) until that many have been posted.
    std::size_t JobsInFlight() const override;

private:
    struct State;
    RemoteOptions m_options;
    std::unique_ptr<State> m_state;
};

// What the status line shows: "Controller unix:/run/..." and, when not connected, how it is.
std::wstring StatusText(const Endpoint& endpoint, const LinkStatus& status);
// What the journal says about a change: the same, with the reason and the controller's name.
std::wstring JournalText(const Endpoint& endpoint, const LinkStatus& status);

// The backend vantel and vantel-batch use when told of a controller: the link, connected or
// not. Null, with the reason, when the endpoint or a credential file is wrong.
struct LinkChoice {
    std::string endpoint;   // unix:PATH or tcp:HOST:PORT
    std::string tokenFile;  // empty: none
    std::string caFile;     // empty: none; tcp only (a Unix socket is guarded by its folder)
};
std::unique_ptr<RemoteLink> MakeRemoteLink(const LinkChoice& choice, std::string client, bool reconnect,
                                           std::string& error);

}  // namespace vantel::remote
