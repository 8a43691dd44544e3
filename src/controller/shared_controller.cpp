#include "controller/shared_controller.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "service/wire.h"

namespace vantel::controller {

using link::CallFamily;
using link::CallId;
using link::LinkArg;
using link::MakeArg;
namespace sim = link::sim;

namespace {

// The window and message numbers the daemon opens the controller with; what a session's
// client registered for itself stays on its side of the wire.
constexpr HWND kWindow = 1;
constexpr UINT kPlexaMsg = 1;
constexpr UINT kKeyMsg = 2;

constexpr bool IsRequest(CallId call) { return link::kCallIsRequest[static_cast<std::size_t>(call)]; }

constexpr bool IsResultCall(CallId call) {
    constexpr std::string_view suffix = "Result";
    const std::string_view name = link::kCallNames[static_cast<std::size_t>(call)];
    return !IsRequest(call) && name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

// Calls about a job: their first argument is its handle.
constexpr bool TakesHandle(CallId call) {
    return call == CallId::CmdAbort || link::FamilyOf(call) == CallFamily::Notifications || IsResultCall(call);
}

// Calls that take what a notification announced.
constexpr bool Fetches(CallId call) { return TakesHandle(call) && call != CallId::CmdAbort && call != CallId::SyncAnswer; }

std::string RandomHex(std::size_t words) {
    std::random_device device;
    std::string out;
    for (std::size_t i = 0; i < words; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(device()));
        out += part;
    }
    return out;
}

}  // namespace

SharedController::SharedController(const sim::SimConfig& config, Faults faults, Log log)
    : m_sim(config), m_faults(faults), m_log(std::move(log)), m_random(std::random_device{}()) {
    std::wstring name = L"vantel-controller", extra;
    UINT msg = kPlexaMsg, key = kKeyMsg;
    HWND window = kWindow;
    std::int32_t reserved = 223;
    const LinkArg init[] = {MakeArg<const std::wstring&>(name), MakeArg<const std::wstring&>(extra), MakeArg<UINT>(msg),
                            MakeArg<HWND>(window),        MakeArg<std::int32_t>(reserved),  MakeArg<UINT>(key)};
    m_sim.Invoke(CallId::Init, init, sim::Clock::now());
    m_driver.emplace(m_mutex, m_sim, [this] { Route(); });
}

SharedController::~SharedController() { m_driver.reset(); }

std::string SharedController::Open(const std::string& client) {
    std::lock_guard lock(m_mutex);
    // A client that never came for its notifications is not coming back.
    const auto now = std::chrono::steady_clock::now();
    std::vector<Session*> stale;
    for (auto& [id, s] : m_sessions) {
        if (!s->attached && now - s->opened > kAttachGrace) stale.push_back(s.get());
    }
    for (Session* s : stale) EndLocked(*s, "its client never asked for its notifications");
    if (!stale.empty()) Route();

    auto s = std::make_shared<Session>();
    s->opened = now;
    s->number = ++m_nextNumber;
    s->id = std::to_string(s->number) + "-" + RandomHex(4);
    m_sessions[s->id] = s;
    m_log("session " + std::to_string(s->number) + " opened by " + client);
    return s->id;
}

bool SharedController::End(const std::string& id, const std::string& why) {
    {
        std::lock_guard lock(m_mutex);
        Session* s = Find(id);
        if (s == nullptr) return false;
        EndLocked(*s, why);
        Route();
    }
    m_driver->Wake();
    return true;
}

void SharedController::EndAll(const std::string& why) {
    std::lock_guard lock(m_mutex);
    while (!m_sessions.empty()) EndLocked(*m_sessions.begin()->second, why);
    Route();
}

std::optional<std::int32_t> SharedController::Call(const std::string& id, CallId call, std::span<const LinkArg> args) {
    std::int32_t ret = 0;
    {
        std::lock_guard lock(m_mutex);
        Session* s = Find(id);
        if (s == nullptr) return std::nullopt;
        ret = Dispatch(*s, call, args);
        const bool drop = m_faults.disconnectAfter != 0 && ++s->calls >= m_faults.disconnectAfter;
        Route();
        if (drop && (s = Find(id)) != nullptr) {
            EndLocked(*s, "dropped after " + std::to_string(m_faults.disconnectAfter) + " calls (fault disconnect-after)");
            Route();
        }
    }
    m_driver->Wake();
    return ret;
}

std::optional<SharedController::InFlight> SharedController::Flight(const std::string& id) const {
    std::lock_guard lock(m_mutex);
    const Session* s = Find(id);
    if (s == nullptr) return std::nullopt;
    return InFlight{m_sim.JobsInFlight(), s->lastSeq};
}

std::optional<SharedController::Stream> SharedController::Attach(const std::string& id) {
    std::lock_guard lock(m_mutex);
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end() || it->second->attached) return std::nullopt;
    it->second->attached = true;
    return Stream(*this, it->second);
}

std::size_t SharedController::Sessions() const {
    std::lock_guard lock(m_mutex);
    return m_sessions.size();
}

std::size_t SharedController::Unread() const {
    std::lock_guard lock(m_mutex);
    return m_sim.MailboxSize();
}

SharedController::Stream::Got SharedController::Stream::Next(Note& note, std::chrono::milliseconds timeout, std::string& why) {
    std::unique_lock lock(m_owner->m_mutex);
    Session& s = *m_session;
    s.wake.wait_for(lock, timeout, [&] { return !s.notes.empty() || s.ended; });
    if (!s.notes.empty()) {
        note = s.notes.front();
        s.notes.pop_front();
        return Got::Note;
    }
    if (s.ended) {
        why = s.why;
        return Got::Ended;
    }
    return Got::Nothing;
}

void SharedController::Stream::End(const std::string& why) {
    {
        std::lock_guard lock(m_owner->m_mutex);
        if (m_session->ended) return;
        m_owner->EndLocked(*m_session, why);
        m_owner->Route();
    }
    m_owner->m_driver->Wake();
}

// ---------------------------------------------------------------------------------------

SharedController::Session* SharedController::Find(const std::string& id) const {
    const auto it = m_sessions.find(id);
    return it == m_sessions.end() ? nullptr : it->second.get();
}

std::int32_t SharedController::Invoke(CallId call, std::span<const LinkArg> args) {
    return m_sim.Invoke(call, args, sim::Clock::now());
}

std::int32_t SharedController::Dispatch(Session& s, CallId call, std::span<const LinkArg> args) {
    switch (call) {
        case CallId::Init: return InitSession(s, args);
        case CallId::Exit:
            if (!s.open) return 0;
            m_sim.DropJobs(s.handles);
            ForgetShared(s);
            s.open = false;
            return 1;
        case CallId::GetLogOpt:
        case CallId::SetLogOpt: return Invoke(call, args);  // the controller's, open or not
        default: break;
    }
    // Out-values arrive empty: a call refused here leaves them so.
    if (!s.open) return 0;
    if (IsRequest(call)) {
        const std::int32_t ret = Invoke(call, args);
        if (ret == 0) return 0;
        const auto h = static_cast<std::int16_t>(ret);
        Own(s, h);
        if (m_faults.dropPercent > 0 && std::uniform_int_distribution<int>(0, 99)(m_random) < m_faults.dropPercent) {
            m_dropped.insert(h);
            m_log("fault: request " + std::to_string(h) + " of session " + std::to_string(s.number) + " gets no notification");
        } else {
            m_dropped.erase(h);
        }
        return ret;
    }
    if (TakesHandle(call) && !args.empty() && args[0].type == link::ArgType::I16) {
        const std::int16_t h = args[0].As<std::int16_t>();
        const auto shared = m_shared.find(h);
        if (shared != m_shared.end() && shared->second.audience.count(&s)) {
            return Fetches(call) ? FetchShared(s, shared, call, args) : 0;
        }
        // Another session's job is none of this one's business.
        const auto owner = m_owner.find(h);
        if (owner == m_owner.end() || owner->second != &s) return 0;
    }
    return Invoke(call, args);
}

std::int32_t SharedController::InitSession(Session& s, std::span<const LinkArg> args) {
    // (client, text, WM_PLEXA, window, -, WM_BOFKEY) as the controller checks them; the
    // window stays on the client's side.
    if (args.size() < 3 || args[2].As<UINT>() == 0 || args[0].As<std::wstring>().size() > sim::kMaxText ||
        args[1].As<std::wstring>().size() > sim::kMaxText) {
        return 0;
    }
    m_sim.DropJobs(s.handles);
    ForgetShared(s);
    m_sim.SwitchOn();
    s.open = true;
    return 1;
}

std::int32_t SharedController::FetchShared(Session& s, std::map<std::int16_t, Shared>::iterator it, CallId call,
                                           std::span<const LinkArg> args) {
    Shared& shared = it->second;
    std::int32_t ret = 0;
    if (!shared.taken) {
        ret = Invoke(call, args);
        if (ret == 0) return 0;  // not a fetch of its kind: nothing was taken
        shared.taken = true;
        shared.call = call;
        shared.ret = ret;
        for (const LinkArg& a : args) {
            if (a.out) service::PutValue(a, shared.outs.emplace_back());
        }
    } else {
        if (call != shared.call) return 0;
        std::size_t next = 0;
        for (const LinkArg& a : args) {
            if (a.out && next < shared.outs.size()) service::TakeValue(shared.outs[next++], a);
        }
        ret = shared.ret;
    }
    shared.audience.erase(&s);
    if (shared.audience.empty()) m_shared.erase(it);
    return ret;
}

void SharedController::Own(Session& s, std::int16_t h) {
    Disown(h);
    m_owner[h] = &s;
    s.handles.insert(h);
}

void SharedController::Disown(std::int16_t h) {
    // The controller hands a handle out again only once what it named is over.
    m_shared.erase(h);
    const auto it = m_owner.find(h);
    if (it == m_owner.end()) return;
    it->second->handles.erase(h);
    m_owner.erase(it);
}

void SharedController::ForgetShared(Session& s) {
    // As the controller forgets every unread notification at Exit and Init.
    for (auto it = m_shared.begin(); it != m_shared.end();) {
        it->second.audience.erase(&s);
        it = it->second.audience.empty() ? m_shared.erase(it) : std::next(it);
    }
}

void SharedController::Push(Session& s, const Note& note) {
    if (s.notes.size() >= kMaxQueuedNotes) {
        if (std::find(m_overflowing.begin(), m_overflowing.end(), &s) == m_overflowing.end()) m_overflowing.push_back(&s);
        return;
    }
    Note n = note;
    n.seq = ++s.lastSeq;
    s.notes.push_back(n);
    s.wake.notify_all();
}

void SharedController::Route() {
    for (auto posts = m_sim.TakePosts(); !posts.empty(); posts = m_sim.TakePosts()) {
        for (const auto& p : posts) {
            const bool key = p.msg == kKeyMsg;
            const Note note{0, key ? kKeyNote : kLinkNote, static_cast<std::uint64_t>(p.wParam), static_cast<std::int64_t>(p.lParam)};
            if (key) {
                for (auto& [id, s] : m_sessions) {
                    if (s->open) Push(*s, note);
                }
                continue;
            }
            const auto h = static_cast<std::int16_t>(p.wParam & 0xFFFF);
            if (p.job == sim::SimController::kEveryone) {
                Disown(h);
                Shared& shared = m_shared[h];
                for (auto& [id, s] : m_sessions) {
                    if (!s->open) continue;
                    shared.audience.insert(s.get());
                    Push(*s, note);
                }
                if (shared.audience.empty()) m_shared.erase(h);
                continue;
            }
            if (m_dropped.count(p.job)) continue;
            const auto owner = m_owner.find(p.job);
            if (owner == m_owner.end() || !owner->second->open) continue;  // its session has left
            Session& s = *owner->second;
            if (h != p.job) Own(s, h);  // the 6D mouse's readings, a replay: the session may fetch them
            if (p.lParam == static_cast<LPARAM>(link::ENotifyType::Mouse6D)) s.mouse = h;
            Note own = note;
            own.endsJob = h == p.job && !m_sim.JobOpen(h);
            Push(s, own);
        }
        // Ending a session may post (the mouse stops): the loop routes that too.
        for (Session* s : std::exchange(m_overflowing, {})) {
            if (!s->ended) EndLocked(*s, "its client read none of " + std::to_string(kMaxQueuedNotes) + " notifications");
        }
    }
}

void SharedController::EndLocked(Session& s, const std::string& why) {
    if (s.ended) return;
    m_sim.DropJobs(s.handles);
    // Nobody is left to hold the 6D mouse.
    if (s.mouse != 0) {
        const auto owner = m_owner.find(s.mouse);
        if (owner != m_owner.end() && owner->second == &s) {
            std::int16_t h = s.mouse;
            const LinkArg abort[] = {MakeArg<std::int16_t>(h)};
            Invoke(CallId::CmdAbort, abort);
        }
    }
    for (const std::int16_t h : s.handles) m_owner.erase(h);
    s.handles.clear();
    ForgetShared(s);
    s.open = false;
    s.ended = true;
    s.why = why;
    s.wake.notify_all();
    m_log("session " + std::to_string(s.number) + " closed: " + why);
    m_sessions.erase(s.id);  // last: s may go with it
}

}  // namespace vantel::controller
