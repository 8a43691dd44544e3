// One simulated controller shared by every client, as a real controller serves several
// consoles at once. The controller's state (variables, programs, files, log, messages, the
// key switch, power) is one for all; each session has its own Init and Exit, its jobs,
// subscriptions and module handles, and its own numbered stream of notifications.
//
// The controller is opened once with a window of ours; each post it makes is routed by the
// request it answers (SimController::Post::job) to the session that made that request, and
// the controller's own events go to every open session. A payload that several sessions
// were told of is fetched from the controller once and kept for the others.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "link/plexa.h"
#include "service/controller.pb.h"
#include "sim/config.h"
#include "sim/controller.h"
#include "sim/driver.h"

namespace vantel::controller {

// What a notification is, on the wire (Notification.msg).
inline constexpr std::uint32_t kLinkNote = 0;  // the link's WM_PLEXA
inline constexpr std::uint32_t kKeyNote = 1;   // an operator key, WM_BOFKEY

struct Note {
    std::uint64_t seq = 0;  // 1, 2, 3 ... per session
    std::uint32_t msg = kLinkNote;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    bool endsJob = false;  // the job's last word: see Notification.ends_job
};

// Notifications a session may have waiting to be sent; a client that reads none of them
// loses its session rather than the daemon its memory.
inline constexpr std::size_t kMaxQueuedNotes = std::size_t{1} << 16;
// How long a session may stay without its notification stream; it ends at the next Open after.
inline constexpr std::chrono::seconds kAttachGrace{60};

class SharedController {
    struct Session;

public:
    using Log = std::function<void(const std::string&)>;

    struct Faults {
        int dropPercent = 0;                // a request's notifications never come
        std::uint64_t disconnectAfter = 0;  // calls after which a session is dropped; 0: never
    };

    SharedController(const link::sim::SimConfig& config, Faults faults, Log log);
    ~SharedController();
    SharedController(const SharedController&) = delete;
    SharedController& operator=(const SharedController&) = delete;

    // A new session for client (who connects, for the log); its id.
    std::string Open(const std::string& client);
    // Ends the session: its jobs end as at Exit, the 6D mouse it holds stops, its stream
    // ends with why. False when there is no such session.
    bool End(const std::string& id, const std::string& why);
    // Ends every session (the daemon stops).
    void EndAll(const std::string& why);

    // One call of the link made by the session; nothing when there is no such session.
    std::optional<std::int32_t> Call(const std::string& id, link::CallId call, std::span<const link::LinkArg> args);

    struct InFlight {
        std::size_t jobs = 0;          // the controller's, as ILinkBackend::JobsInFlight
        std::uint64_t lastNote = 0;    // seq of the last notification queued for the session
    };
    std::optional<InFlight> Flight(const std::string& id) const;

    // The sending end of a session's notifications. One per session.
    class Stream {
    public:
        enum class Got { Note, Ended, Nothing };
        // The next notification, waiting up to timeout; Ended (with why) once the session has
        // ended and everything queued before was taken.
        Got Next(Note& note, std::chrono::milliseconds timeout, std::string& why);
        // The client is gone.
        void End(const std::string& why);

    private:
        friend class SharedController;
        Stream(SharedController& owner, std::shared_ptr<Session> session) : m_owner(&owner), m_session(std::move(session)) {}
        SharedController* m_owner;
        std::shared_ptr<Session> m_session;
    };
    // Nothing when there is no such session or it has its stream already.
    std::optional<Stream> Attach(const std::string& id);

    std::size_t Sessions() const;
    // Notifications the controller keeps unread, over all handles.
    std::size_t Unread() const;

private:
    struct Session {
        std::uint64_t number = 0;
        std::string id;
        std::chrono::steady_clock::time_point opened;
        bool open = false;  // between its Init and its Exit
        bool ended = false;
        bool attached = false;
        std::string why;  // why it ended
        std::deque<Note> notes;
        std::uint64_t lastSeq = 0;
        std::uint64_t calls = 0;
        std::set<std::int16_t> handles;  // its requests', and those it was told of
        std::int16_t mouse = 0;          // the 6D mouse it holds
        std::condition_variable wake;
    };

    // A payload several sessions were told of: fetched from the controller by the first of
    // them, kept for the rest.
    struct Shared {
        std::set<Session*> audience;  // told and not fetched yet
        bool taken = false;
        link::CallId call{};
        std::int32_t ret = 0;
        std::vector<service::Value> outs;
    };

    Session* Find(const std::string& id) const;
    std::int32_t Dispatch(Session& s, link::CallId call, std::span<const link::LinkArg> args);
    std::int32_t InitSession(Session& s, std::span<const link::LinkArg> args);
    std::int32_t FetchShared(Session& s, std::map<std::int16_t, Shared>::iterator it, link::CallId call,
                             std::span<const link::LinkArg> args);
    std::int32_t Invoke(link::CallId call, std::span<const link::LinkArg> args);
    void ForgetShared(Session& s);
    void Own(Session& s, std::int16_t h);
    void Disown(std::int16_t h);
    // Hands what the controller posted to the sessions it is for.
    void Route();
    void Push(Session& s, const Note& note);
    void EndLocked(Session& s, const std::string& why);

    mutable std::mutex m_mutex;
    link::sim::SimController m_sim;
    Faults m_faults;
    Log m_log;
    std::map<std::string, std::shared_ptr<Session>> m_sessions;
    std::map<std::int16_t, Session*> m_owner;
    std::map<std::int16_t, Shared> m_shared;
    std::set<std::int16_t> m_dropped;  // requests whose notifications the drop fault swallows
    std::vector<Session*> m_overflowing;
    std::uint64_t m_nextNumber = 0;
    std::mt19937_64 m_random;
    std::optional<link::sim::Driver> m_driver;  // started once the controller is open
};

}  // namespace vantel::controller
