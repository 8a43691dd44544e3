#include "sim/controller.h"

#include <algorithm>
#include <cstdlib>

#include "platform/filetime.h"

namespace vantel::link::sim {
namespace {

// Message numbers of the controller's own messages.
constexpr std::uint32_t kMsgRefused = 1101;
constexpr std::uint32_t kMsgHalted = 1110;
constexpr std::uint32_t kMsgStartDisabled = 1120;
constexpr std::uint32_t kMsgExecHelp = 1200;
constexpr std::uint32_t kMsgExecError = 1201;
constexpr std::uint32_t kMsgExecAnswer = 1202;

// The controller's own log record when unread notifications had to be dropped.
constexpr std::uint32_t kLogMailboxFull = 1301;
// Longest reason text DisableStart takes.
constexpr std::size_t kMaxReason = 80;

bool EndsWithResult(std::string_view name) {
    constexpr std::string_view suffix = "Result";
    return name.size() > suffix.size() && name.substr(name.size() - suffix.size()) == suffix;
}

const std::array<bool, kCallCount> kIsResultCall = [] {
    std::array<bool, kCallCount> a{};
    for (std::size_t i = 0; i < kCallCount; ++i) a[i] = !kCallIsRequest[i] && EndsWithResult(kCallNames[i]);
    return a;
}();

// Out-values start empty, whatever the caller left in them.
void ClearOut(const LinkArg& a) {
    if (!a.out) return;
    switch (a.type) {
        case ArgType::I16: a.As<std::int16_t>() = 0; break;
        case ArgType::I32:
        case ArgType::Enum: a.As<std::int32_t>() = 0; break;
        case ArgType::U32: a.As<std::uint32_t>() = 0; break;
        case ArgType::Window: a.As<HWND>() = 0; break;
        case ArgType::Str: a.As<std::wstring>().clear(); break;
        case ArgType::Time: a.As<CFileTime>() = CFileTime(); break;
        case ArgType::StrArray: a.As<StringArray>().clear(); break;
        case ArgType::BoolArray: a.As<BoolArray>().clear(); break;
        case ArgType::ByteArray: a.As<ByteArray>().clear(); break;
        case ArgType::DWordArray: a.As<DWordArray>().clear(); break;
    }
}

// In-values, read defensively: a missing or differently typed argument reads as empty.
std::wstring Str(std::span<const LinkArg> args, std::size_t i) {
    if (i >= args.size() || args[i].type != ArgType::Str) return {};
    return args[i].As<std::wstring>();
}

std::int64_t Num(std::span<const LinkArg> args, std::size_t i) {
    if (i >= args.size()) return 0;
    switch (args[i].type) {
        case ArgType::I16: return args[i].As<std::int16_t>();
        case ArgType::I32:
        case ArgType::Enum: return args[i].As<std::int32_t>();
        case ArgType::U32: return args[i].As<std::uint32_t>();
        case ArgType::Window: return static_cast<std::int64_t>(args[i].As<HWND>());
        default: return 0;
    }
}

template <class T>
void SetOut(std::span<const LinkArg> args, std::size_t i, ArgType type, const T& value) {
    if (i < args.size() && args[i].out && args[i].type == type) args[i].As<T>() = value;
}

// A value that does not fit the out-value's type leaves it empty: the model and the call list
// disagree, which the tests catch.
template <class T>
void PutAs(const LinkArg& a, const T& v) {
    if constexpr (std::is_same_v<T, std::int64_t>) {
        switch (a.type) {
            case ArgType::I16: a.As<std::int16_t>() = static_cast<std::int16_t>(v); break;
            case ArgType::I32:
            case ArgType::Enum: a.As<std::int32_t>() = static_cast<std::int32_t>(v); break;
            case ArgType::U32: a.As<std::uint32_t>() = static_cast<std::uint32_t>(v); break;
            default: break;
        }
    } else if constexpr (std::is_same_v<T, std::wstring>) {
        if (a.type == ArgType::Str) a.As<std::wstring>() = v;
    } else if constexpr (std::is_same_v<T, StringArray>) {
        if (a.type == ArgType::StrArray) a.As<StringArray>() = v;
    } else if constexpr (std::is_same_v<T, BoolArray>) {
        if (a.type == ArgType::BoolArray) a.As<BoolArray>() = v;
    } else if constexpr (std::is_same_v<T, ByteArray>) {
        if (a.type == ArgType::ByteArray) a.As<ByteArray>() = v;
    } else if constexpr (std::is_same_v<T, DWordArray>) {
        if (a.type == ArgType::DWordArray) a.As<DWordArray>() = v;
    } else {
        if (a.type == ArgType::Time) a.As<CFileTime>() = CFileTime(v.ticks);
    }
}

std::wstring Quoted(const std::wstring& s) { return L"\"" + s + L"\""; }

std::wstring Hex(std::uint32_t v) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring s;
    do {
        s.insert(s.begin(), digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return s;
}

}  // namespace

void SimController::PutOut(const LinkArg& a, const Out& v) {
    std::visit([&](const auto& x) { PutAs(a, x); }, v);
}


namespace {
std::uint64_t FirstStamp(const SimConfig& c) {
    return c.fixedClockMs ? CFileTime::FromUnixMillis(*c.fixedClockMs).GetTime() : CFileTime::GetCurrentTime().GetTime();
}
}  // namespace

SimController::SimController(SimConfig config)
    : m_cfg(config),
      m_fs(FirstStamp(config)),
      m_host(config.hostDir.empty() ? SimHostFolder::DefaultRoot() : config.hostDir),
      m_log(L"CELL_07") {
    m_vars.Put(L"$AXIS_ACT", L"{A1 0.0, A2 -90.0, A3 90.0, A4 0.0, A5 0.0, A6 0.0}");
    m_vars.Put(L"$INSTALL", L"FALSE");
    LoadState();
    for (const auto& p : m_program.Catalogue()) m_vars.Put(p.name + L":CYCLES", L"0");
    m_vars.Put(L"SORT_PARTS:CHOICE", L"\"\"");
}

// ---------------------------------------------------------------------------------------
// Handles, posts, results

std::int16_t SimController::NextHandle() {
    for (int tries = 0; tries < 0x7FFF; ++tries) {
        m_nextHandle = m_nextHandle >= 0x7FFF ? 1 : m_nextHandle + 1;
        const auto h = static_cast<std::int16_t>(m_nextHandle);
        if (!m_live.count(h)) {
            Forget(h);  // whatever an earlier job of this number left unread
            m_mouseLeft.erase(h);
            return h;
        }
    }
    return 0;
}

std::uint32_t SimController::NextMessageHandle() {
    m_nextMsgHandle = m_nextMsgHandle == UINT32_MAX ? 1 : m_nextMsgHandle + 1;
    return m_nextMsgHandle;
}

std::uint64_t SimController::Stamp() {
    if (m_cfg.fixedClockMs) return CFileTime::FromUnixMillis(*m_cfg.fixedClockMs + static_cast<std::int64_t>(m_stampCount++)).GetTime();
    return CFileTime::GetCurrentTime().GetTime();
}

void SimController::PostRaw(std::int16_t h, int type) {
    if (!m_open || m_window == 0) return;
    if (m_log.TracesNotifications()) m_log.Trace(L"post " + std::to_wstring(h) + L" type " + std::to_wstring(type));
    m_posts.push_back({m_window, m_plexaMsg, static_cast<WPARAM>(static_cast<std::uint16_t>(h)), static_cast<LPARAM>(type)});
}

void SimController::Deliver(std::int16_t h, int type, Payload p) {
    if (!m_open) return;  // nobody listens: nothing is kept either
    Keep(h, std::move(p));
    PostRaw(h, type);
}

namespace {
std::size_t TextBytes(const std::wstring& s) { return s.size() * sizeof(wchar_t); }
std::size_t TextBytes(const std::vector<std::wstring>& list) {
    std::size_t n = list.size() * sizeof(std::wstring);
    for (const auto& s : list) n += TextBytes(s);
    return n;
}
}  // namespace

void SimController::Keep(std::int16_t h, Payload&& p) {
    // What the notification holds beyond its fixed size: texts, lists, bytes.
    std::size_t bytes = sizeof(Unread) + TextBytes(p.text) + TextBytes(p.msg.text1) + TextBytes(p.msg.text2) +
                        TextBytes(p.msg.text3) + TextBytes(p.msg.answers) + p.outs.size() * sizeof(Out);
    for (const Out& o : p.outs) {
        if (const auto* t = std::get_if<std::wstring>(&o)) bytes += TextBytes(*t);
        else if (const auto* l = std::get_if<StringArray>(&o)) bytes += TextBytes(*l);
        else if (const auto* f = std::get_if<BoolArray>(&o)) bytes += f->size() / 8;
        else if (const auto* b = std::get_if<ByteArray>(&o)) bytes += b->size();
        else if (const auto* d = std::get_if<DWordArray>(&o)) bytes += d->size() * sizeof(std::uint32_t);
    }
    const auto [it, created] = m_mailbox.try_emplace(h);
    Box& box = it->second;
    if (created && m_standing.count(h)) {
        box.stream = true;
        m_streamBoxes.insert(h);
    }
    box.items.emplace_back(std::move(p), ++m_mailSeq, bytes);
    ++m_mailCount;
    m_mailBytes += bytes;

    // One log record for a run of drops: a new run starts once the mailbox has drained to half.
    if (m_mailCount <= m_cfg.mailboxCount / 2 && m_mailBytes <= m_cfg.mailboxBytes / 2) m_dropping = false;
    while ((m_mailCount > m_cfg.mailboxCount || m_mailBytes > m_cfg.mailboxBytes) && m_mailCount > 1 && DropOldest()) {
        if (m_dropping) continue;
        m_dropping = true;
        m_log.AddOwn(Stamp(), L"Mailbox", L"", kLogMailboxFull, 2,
                     L"Unread notifications over " + std::to_wstring(m_cfg.mailboxCount) + L" or " +
                         std::to_wstring(m_cfg.mailboxBytes) + L" bytes: the oldest are dropped",
                     L"Dropped so far: " + std::to_wstring(m_mailDropped));
    }
}

SimController::Payload SimController::Unkeep(BoxIt box, std::deque<Unread>::iterator it) {
    Payload p = std::move(it->p);
    --m_mailCount;
    m_mailBytes -= it->bytes;
    box->second.items.erase(it);
    if (box->second.items.empty()) {
        m_streamBoxes.erase(box->first);
        m_mailbox.erase(box);
    }
    return p;
}

void SimController::Forget(std::int16_t h) {
    const auto box = m_mailbox.find(h);
    if (box == m_mailbox.end()) return;
    for (const Unread& u : box->second.items) m_mailBytes -= u.bytes;
    m_mailCount -= box->second.items.size();
    m_streamBoxes.erase(h);
    m_mailbox.erase(box);
}

void SimController::ForgetAll() {
    m_mailbox.clear();
    m_streamBoxes.clear();
    m_mailCount = 0;
    m_mailBytes = 0;
    m_mouseLeft.clear();
    m_mouseUnread = 0;
}

bool SimController::DropOldest() {
    // Within a box the notifications are in the order made: the oldest is at the front.
    const auto oldestOf = [&](auto first, auto last, auto boxOf) {
        BoxIt best = m_mailbox.end();
        for (auto i = first; i != last; ++i) {
            const BoxIt b = boxOf(i);
            if (b != m_mailbox.end() && !b->second.items.empty() &&
                (best == m_mailbox.end() || b->second.items.front().seq < best->second.items.front().seq)) {
                best = b;
            }
        }
        return best;
    };
    BoxIt victim = oldestOf(m_streamBoxes.begin(), m_streamBoxes.end(), [&](auto i) { return m_mailbox.find(*i); });
    if (victim == m_mailbox.end()) victim = oldestOf(m_mailbox.begin(), m_mailbox.end(), [](BoxIt i) { return i; });
    if (victim == m_mailbox.end()) return false;
    Unkeep(victim, victim->second.items.begin());
    ++m_mailDropped;
    return true;
}

void SimController::Finish(std::int16_t h, std::int32_t ret, std::wstring text, std::int32_t number) {
    Payload p;
    p.kind = Kind::Result;
    p.ret = ret;
    p.text = std::move(text);
    p.number = number;
    Deliver(h, 0, std::move(p));
}

void SimController::FinishWith(std::int16_t h, std::vector<Out> outs) {
    Payload p;
    p.kind = Kind::Result;
    p.outs = std::move(outs);
    Deliver(h, 0, std::move(p));
}

void SimController::FinishWithMessage(std::int16_t h, const std::wstring& why, std::uint32_t number,
                                      const std::wstring& origin, MsgKind kind) {
    Payload p;
    p.kind = Kind::SyncMsg;
    p.msg.handle = NextMessageHandle();
    p.msg.kind = kind;
    p.msg.number = number;
    p.msg.text1 = why;
    p.msg.text2 = origin;
    p.msg.stamp = Stamp();
    Deliver(h, 1, std::move(p));
}

bool SimController::StillLive(std::int16_t h) const {
    return m_standing.count(h) || m_askJobs.count(h) || (h != 0 && (h == m_runHandle || h == m_mouseHandle)) ||
           (m_motion && h == m_motion->handle);
}

std::size_t SimController::MailboxSize() const { return m_mailCount; }

std::vector<SimController::Post> SimController::TakePosts() {
    std::vector<Post> out;
    out.swap(m_posts);
    return out;
}

// ---------------------------------------------------------------------------------------
// Calls

std::int32_t SimController::Invoke(CallId id, std::span<const LinkArg> args, Clock::time_point now) {
    m_now = now;
    switch (id) {
        case CallId::Init: {
            const auto msg = static_cast<UINT>(Num(args, 2));
            const auto window = static_cast<HWND>(Num(args, 3));
            if (msg == 0 || window == 0 || Str(args, 0).size() > kMaxText || Str(args, 1).size() > kMaxText) return 0;
            DropJobs();
            m_open = true;
            m_window = window;
            m_plexaMsg = msg;
            m_keyMsg = static_cast<UINT>(Num(args, 5));
            if (!m_powered) {
                // Switched on again: the controller boots with nothing selected.
                m_powered = true;
                m_program.Cancel(true);
                SyncProgramVars();
            }
            return 1;
        }
        case CallId::Exit: {
            const bool wasOpen = m_open;
            DropJobs();
            m_open = false;
            return wasOpen ? 1 : 0;
        }
        case CallId::GetRobots:
            for (const auto& a : args) ClearOut(a);
            if (!m_open) return 0;
            SetOut(args, 0, ArgType::Str, std::wstring(L"ARM_1"));
            return 1;
        case CallId::CmdAbort: return Abort(static_cast<std::int16_t>(Num(args, 0)));
        case CallId::WriteLogFile: {
            // The link's own log goes into the host folder, under the same confinement as UpLoad.
            if (!m_open) return 0;
            std::wstring name = Str(args, 0);
            if (name.empty()) name = L"vantel-link.log";
            const std::string text = m_log.TraceText();
            std::string why;
            return m_host.Write(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), true, why) ? 1 : 0;
        }
        case CallId::GetLogOpt: return m_log.LogOpt();
        case CallId::SetLogOpt:
            m_log.SetLogOpt(static_cast<std::int16_t>(Num(args, 0)));
            return 1;
        case CallId::SyncAnswer: return SyncAnswer(args, now);
        default: break;
    }
    // The rest of the notification family fetches what a notification announced.
    if (FamilyOf(id) == CallFamily::Notifications) return Fetch(id, args);
    const auto index = static_cast<std::size_t>(id);
    if (kCallIsRequest[index]) {
        if (!m_open) return 0;
        const std::int16_t h = NextHandle();
        if (h == 0) return 0;
        Job job;
        job.handle = h;
        job.call = id;
        job.due = now + m_cfg.latency;
        job.in.reserve(args.size());
        for (std::size_t i = 0; i < args.size(); ++i) {
            const LinkArg& a = args[i];
            if (a.out) {
                job.in.emplace_back();
                continue;
            }
            switch (a.type) {
                case ArgType::Str: job.in.emplace_back(a.As<std::wstring>()); break;
                case ArgType::StrArray: job.in.emplace_back(a.As<StringArray>()); break;
                case ArgType::BoolArray: job.in.emplace_back(a.As<BoolArray>()); break;
                case ArgType::ByteArray: job.in.emplace_back(a.As<ByteArray>()); break;
                case ArgType::Time:
                case ArgType::DWordArray: job.in.emplace_back(); break;
                default: job.in.emplace_back(Num(args, i));
            }
        }
        m_live.insert(h);
        m_pending.push_back(std::move(job));
        Trace(id, h);
        return h;
    }
    if (kIsResultCall[index]) {
        const std::int32_t ret = Fetch(id, args);
        Trace(id, ret);
        return ret;
    }
    // Calls answered at once that the controller gives no behaviour of its own.
    for (const auto& a : args) ClearOut(a);
    return m_open ? 1 : 0;
}

std::int32_t SimController::Fetch(CallId id, std::span<const LinkArg> args) {
    for (const auto& a : args) ClearOut(a);
    if (!m_open) return 0;
    Kind kind = Kind::Result;
    switch (id) {
        case CallId::GetSyncAddMessage: kind = Kind::SyncMsg; break;
        case CallId::GetAsyncAddMessage: kind = Kind::AsyncMsg; break;
        case CallId::GetAsyncSubMessage: kind = Kind::SubMsg; break;
        case CallId::GetAsyncConfirm: kind = Kind::Confirm; break;
        case CallId::GetAsyncAddDialog: kind = Kind::AsyncDialog; break;
        case CallId::GetAsyncAnswer: kind = Kind::Answer; break;
        case CallId::GetSyncAddDialog: kind = Kind::SyncDialog; break;
        case CallId::PHGGet6DMouse: return FetchMouse(static_cast<std::int16_t>(Num(args, 0)), args);
        case CallId::KeySwitchResult: kind = Kind::Key; break;
        case CallId::GetProgressInfo: kind = Kind::Progress; break;
        default: break;
    }
    const auto h = static_cast<std::int16_t>(Num(args, 0));
    const auto box = m_mailbox.find(h);
    if (box == m_mailbox.end()) return 0;
    auto& items = box->second.items;
    const auto it = std::find_if(items.begin(), items.end(), [&](const Unread& u) { return u.p.kind == kind; });
    if (it == items.end()) return 0;
    const Payload p = Unkeep(box, it);

    const SimMessage& m = p.msg;
    switch (kind) {
        case Kind::Result: {
            if (!p.outs.empty()) {
                std::size_t next = 0;
                for (std::size_t i = 1; i < args.size() && next < p.outs.size(); ++i) {
                    if (args[i].out) PutOut(args[i], p.outs[next++]);
                }
                return p.ret;
            }
            bool textDone = false, numberDone = false;
            for (std::size_t i = 1; i < args.size(); ++i) {
                const LinkArg& a = args[i];
                if (!a.out) continue;
                if (a.type == ArgType::Str && !textDone) {
                    a.As<std::wstring>() = p.text;
                    textDone = true;
                } else if (!numberDone && (a.type == ArgType::I32 || a.type == ArgType::Enum)) {
                    a.As<std::int32_t>() = p.number;
                    numberDone = true;
                } else if (!numberDone && a.type == ArgType::U32) {
                    a.As<std::uint32_t>() = static_cast<std::uint32_t>(p.number);
                    numberDone = true;
                }
            }
            return p.ret;
        }
        case Kind::SyncMsg:
        case Kind::AsyncMsg:
        case Kind::AsyncDialog:
        case Kind::SyncDialog:
            SetOut(args, 1, ArgType::Time, CFileTime(m.stamp));
            SetOut(args, 2, ArgType::U32, m.handle);
            SetOut(args, 3, ArgType::Enum, static_cast<std::int32_t>(m.kind));
            SetOut(args, 4, ArgType::U32, m.number);
            SetOut(args, 5, ArgType::Str, m.text1);
            SetOut(args, 6, ArgType::Str, m.text2);
            SetOut(args, 7, ArgType::Str, m.text3);
            if (kind == Kind::AsyncDialog || kind == Kind::SyncDialog) {
                SetOut(args, 10, ArgType::StrArray, StringArray(m.answers));
                SetOut(args, 11, ArgType::BoolArray, BoolArray(m.answers.size(), true));
            }
            return 1;
        case Kind::SubMsg:
            SetOut(args, 1, ArgType::Time, CFileTime(m.stamp));
            SetOut(args, 2, ArgType::U32, m.handle);
            return 1;
        case Kind::Confirm: SetOut(args, 1, ArgType::U32, m.handle); return 1;
        case Kind::Answer:
            SetOut(args, 1, ArgType::U32, m.handle);
            SetOut(args, 2, ArgType::I16, p.values[0]);
            return 1;
        case Kind::Key: SetOut(args, 1, ArgType::I16, p.values[0]); return 1;
        case Kind::Progress:
            SetOut(args, 1, ArgType::I16, p.values[0]);
            SetOut(args, 2, ArgType::Str, p.text);
            return 1;
    }
    return 0;
}

std::int32_t SimController::Abort(std::int16_t h) {
    if (!m_open || h == 0) return 0;
    const auto pending = std::find_if(m_pending.begin(), m_pending.end(), [&](const Job& j) { return j.handle == h; });
    if (pending != m_pending.end()) {
        m_pending.erase(pending);
    } else if (m_standing.erase(h) || m_askJobs.erase(h)) {
        m_asking.erase(h);
    } else if (h == m_runHandle) {
        HaltProgram();
    } else if (h == m_mouseHandle) {
        StopMouse();
    } else if (m_motion && h == m_motion->handle) {
        EndMotion(false);  // the robot stops where it is
    } else {
        return 0;
    }
    m_live.erase(h);
    PostRaw(h, 2);
    return 1;
}

void SimController::DropJobs() {
    m_pending.clear();
    m_standing.clear();
    m_askJobs.clear();
    m_asking.clear();
    ForgetAll();
    m_live.clear();
    if (m_runHandle) m_live.insert(m_runHandle);
    if (m_mouseHandle) m_live.insert(m_mouseHandle);
    if (m_motion) m_live.insert(m_motion->handle);
    // Module handles belong to the session: they close, and what was edited stays.
    for (const auto& [handle, code] : m_code) m_fs.Touch(code.path, change::kOpened);
    m_code.clear();
    m_editor = 0;
    m_fs.TakeEvents();  // no watch is left to hear it
    m_jogAxis = 0;
}

std::int32_t SimController::SyncAnswer(std::span<const LinkArg> args, Clock::time_point now) {
    if (!m_open) return 0;
    const auto h = static_cast<std::int16_t>(Num(args, 0));
    const auto dialog = static_cast<std::uint32_t>(Num(args, 1));
    const auto answer = static_cast<int>(Num(args, 2));
    if (h != 0 && h == m_runHandle && m_programDialog != 0 && dialog == m_programDialog) {
        std::wstring followUp;
        if (!m_program.Answer(answer, followUp)) return 0;
        const std::wstring caption = m_programAnswers[static_cast<std::size_t>(answer)];
        m_programDialog = 0;
        SetState(L"$ANSWER", std::to_wstring(answer));
        SetState(m_program.Name() + L":CHOICE", Quoted(Upper(caption)));
        if (m_program.State() == ProgState::Ended) {
            Payload p;
            p.kind = Kind::Progress;
            p.values[0] = 100;
            p.text = L"END (" + caption + L")";
            Deliver(m_runHandle, 400, std::move(p));
            EndProgram();
        } else {
            m_nextStep = now + StepPeriod();
        }
        return 1;
    }
    const auto asking = m_asking.find(h);
    if (asking == m_asking.end() || asking->second != dialog) return 0;
    Job job = std::move(m_askJobs.at(h));
    if (answer < 0 || static_cast<std::size_t>(answer) >= job.answers.size()) {
        m_askJobs[h] = std::move(job);
        return 0;
    }
    m_asking.erase(asking);
    m_askJobs.erase(h);
    job.answer = answer;
    job.due = now + m_cfg.latency;
    m_pending.push_back(std::move(job));
    return 1;
}

// ---------------------------------------------------------------------------------------
// The clock

bool SimController::ProgramAdvancing() const {
    return m_powered && m_program.State() == ProgState::Active && !m_program.Waiting() && m_vars.Int(L"$OV_PRO") > 0;
}

Clock::duration SimController::StepPeriod() const {
    const auto ov = std::max<std::int32_t>(1, m_vars.Int(L"$OV_PRO"));
    return m_cfg.step * 100 / ov;
}

std::size_t SimController::JobsInFlight() const {
    if (!m_open) return 0;
    return m_pending.size() + (ProgramAdvancing() ? 1 : 0) + (m_motion ? 1 : 0);
}

std::optional<Clock::time_point> SimController::NextDue() const {
    std::optional<Clock::time_point> due;
    const auto consider = [&](Clock::time_point t) {
        if (!due || t < *due) due = t;
    };
    if (!m_pending.empty()) consider(m_pending.front().due);
    if (ProgramAdvancing()) consider(m_nextStep);
    if (m_mouseHandle != 0 && m_cfg.mousePeriod.count() > 0) consider(m_nextMouse);
    if (m_motion) consider(m_motion->next);
    // With no step time a jog moves once per request, not on every tick.
    if (m_jogAxis != 0 && !m_motion && m_cfg.step.count() > 0) consider(m_nextJog);
    return due;
}

void SimController::Tick(Clock::time_point now) {
    m_now = now;
    while (!m_pending.empty() && m_pending.front().due <= now) {
        Job job = std::move(m_pending.front());
        m_pending.pop_front();
        Complete(job);
        if (!StillLive(job.handle)) m_live.erase(job.handle);
    }
    if (ProgramAdvancing() && now >= m_nextStep) {
        StepProgram();
        m_nextStep = now + StepPeriod();
    }
    if (m_mouseHandle != 0 && m_cfg.mousePeriod.count() > 0 && now >= m_nextMouse) {
        WanderingReading();
        m_nextMouse = now + m_cfg.mousePeriod;
    }
    if (m_motion ? now >= m_motion->next : (m_jogAxis != 0 && m_cfg.step.count() > 0 && now >= m_nextJog)) StepMotion();
}

// ---------------------------------------------------------------------------------------
// Jobs

void SimController::Complete(Job& job) {
    if (!m_powered) {
        Finish(job.handle, 0);
        return;
    }
    // Each request family's handler, and whether its jobs may change the file system (whose
    // changes then go to the watches).
    struct FamilyRoute {
        void (SimController::*complete)(Job&) = nullptr;
        bool changesFiles = false;
    };
    static const std::array<FamilyRoute, kCallFamilyCount> routes = [] {
        std::array<FamilyRoute, kCallFamilyCount> r;
        // Families that are no requests never get here; the rest of the miscellany is Misc.
        r.fill({&SimController::CompleteMisc, false});
        const auto set = [&](CallFamily f, void (SimController::*complete)(Job&), bool changesFiles) {
            r[static_cast<std::size_t>(f)] = {complete, changesFiles};
        };
        set(CallFamily::Variables, &SimController::CompleteVariable, false);
        set(CallFamily::Program, &SimController::CompleteProgram, false);
        set(CallFamily::Exec, &SimController::CompleteExec, false);
        set(CallFamily::Files, &SimController::CompleteFiles, true);
        set(CallFamily::Editor, &SimController::CompleteEditor, true);
        set(CallFamily::Motion, &SimController::CompleteMotion, true);
        set(CallFamily::Volumes, &SimController::CompleteItems, true);
        set(CallFamily::Items, &SimController::CompleteItems, true);
        set(CallFamily::ItemExec, &SimController::CompleteItems, true);
        set(CallFamily::ModuleCode, &SimController::CompleteModuleCode, true);
        set(CallFamily::ModuleInfo, &SimController::CompleteModuleInfo, true);
        set(CallFamily::Log, &SimController::CompleteLog, true);
        return r;
    }();
    const FamilyRoute& route = routes[static_cast<std::size_t>(FamilyOf(job.call))];
    (this->*route.complete)(job);
    if (route.changesFiles) PostChanges();
}

std::optional<std::wstring> SimController::VarKey(const std::wstring& path, const std::wstring& name) const {
    if (name.empty() || name.size() > kMaxText || path.size() > kMaxText) return std::nullopt;
    std::wstring key = Upper(name);
    if (!path.empty()) {
        // A data path names a program whose own data the variable belongs to.
        std::wstring p = Upper(path);
        if (p.rfind(L"/R1/", 0) == 0) p.erase(0, 4);
        if (p.find(L':') != std::wstring::npos) return std::nullopt;
        key = p + L":" + key;
    }
    if (key.find(L':') != std::wstring::npos && path.empty()) return std::nullopt;
    if (!m_vars.Exists(key)) return std::nullopt;
    return key;
}

void SimController::CompleteVariable(Job& job) {
    const std::int16_t h = job.handle;
    std::optional<std::wstring> key;
    switch (job.call) {
        case CallId::ShowVar:
        case CallId::SetInfo:
        case CallId::SetVar: key = VarKey(L"", Arg<CallId::ShowVar, 0>(job)); break;
        case CallId::DPShowVar:
        case CallId::DPSetInfo:
        case CallId::DPSetVar: key = VarKey(Arg<CallId::DPShowVar, 0>(job), Arg<CallId::DPShowVar, 1>(job)); break;
        default: break;
    }
    if (!key) {
        Finish(h, 0);
        return;
    }
    switch (job.call) {
        case CallId::ShowVar:
        case CallId::DPShowVar: Finish(h, 1, *m_vars.Show(*key)); return;
        case CallId::SetVar:
        case CallId::DPSetVar: {
            // The write's own result comes before what the write sets off.
            const std::size_t mark = m_posts.size();
            const bool ok = Write(*key, job.call == CallId::SetVar ? Arg<CallId::SetVar, 1>(job) : Arg<CallId::DPSetVar, 2>(job));
            const std::size_t before = m_posts.size();
            Finish(h, ok ? 1 : 0);
            if (m_posts.size() > before) std::rotate(m_posts.begin() + static_cast<std::ptrdiff_t>(mark), m_posts.end() - 1, m_posts.end());
            return;
        }
        default:
            m_standing[h] = {Watch::Variable, *key};
            Finish(h, 1, *m_vars.Show(*key));
            return;
    }
}

bool SimController::Write(const std::wstring& key, const std::wstring& value) {
    const std::wstring before = m_vars.Show(key).value_or(L"");
    if (!m_vars.Set(key, value)) return false;
    if (*m_vars.Show(key) == before) return true;
    Changed(key);
    if (key == L"$MODE_OP") {
        KeySwitch();
        // A mode change stops a running program, as on any controller worth the name.
        if (m_program.State() == ProgState::Active) HaltProgram();
    } else if (key == L"$MOUSE_ACT") {
        if (*m_vars.Show(key) == L"TRUE") StartMouse();
        else StopMouse();
    } else if (key == L"$OV_PRO") {
        m_nextStep = m_now + StepPeriod();
    }
    return true;
}

void SimController::Changed(const std::wstring& key) {
    const std::wstring value = m_vars.Show(key).value_or(L"");
    for (const auto& [h, standing] : m_standing) {
        if (standing.watch == Watch::Variable && standing.key == key) Finish(h, 1, value);
    }
}

void SimController::SetState(const std::wstring& key, std::wstring value) {
    const std::wstring k = Upper(key);
    if (m_vars.Show(k) == value) return;
    m_vars.Put(k, std::move(value));
    Changed(k);
}

void SimController::SyncProgramVars() {
    SetState(L"$PRO_STATE", StateText(m_program.State()));
    SetState(L"$PRO_NAME", Quoted(m_program.Name()));
    SetState(L"$PRO_LINE", std::to_wstring(m_program.State() == ProgState::Free ? 0 : m_program.Line()));
}

void SimController::ReleaseRun() {
    if (m_runHandle != 0) m_live.erase(m_runHandle);
    m_runHandle = 0;
    m_programDialog = 0;
}

void SimController::RemoveHaltMessage() {
    if (m_haltMessage != 0) RemoveMessage(m_haltMessage);
    m_haltMessage = 0;
}

void SimController::HaltProgram() {
    if (!m_program.Halt().empty()) return;
    ReleaseRun();
    SyncProgramVars();
    RemoveHaltMessage();
    m_haltMessage = AddMessage(MsgKind::State, kMsgHalted,
                               L"Program " + m_program.Name() + L" stopped at line " + std::to_wstring(m_program.Line()),
                               L"Interpreter");
}

void SimController::EndProgram() {
    const std::wstring cycles = m_program.Name() + L":CYCLES";
    SetState(cycles, std::to_wstring(m_vars.Int(cycles) + 1));
    ReleaseRun();
    SyncProgramVars();
}

void SimController::StepProgram() {
    const SimProgram::Step step = m_program.Advance();
    Payload p;
    p.kind = Kind::Progress;
    p.values[0] = step.percent;
    p.text = step.text;
    Deliver(m_runHandle, 400, std::move(p));
    if (!step.point.empty()) {
        if (auto pos = PointText(step.point)) SetState(L"$POS_ACT", *pos);
    }
    if (step.ask != nullptr) {
        Payload d;
        d.kind = Kind::SyncDialog;
        d.msg.handle = NextMessageHandle();
        d.msg.kind = MsgKind::Dialog;
        d.msg.text1 = step.ask->question;
        d.msg.text2 = m_program.Name();
        d.msg.answers = step.ask->answers;
        d.msg.stamp = Stamp();
        m_programDialog = d.msg.handle;
        m_programAnswers = step.ask->answers;
        Deliver(m_runHandle, 100, std::move(d));
    }
    if (step.ended) EndProgram();
    else SyncProgramVars();
}

std::wstring SimController::StartRefusal() const {
    if (m_startDisabled) return L"Start disabled: " + m_disableReason;
    const auto mode = m_vars.Show(L"$MODE_OP").value_or(L"");
    if (mode == L"#EX") return L"Operating mode #EX: programs are started by the external controller";
    if (m_stopHeld) return L"Stop key held";
    return {};
}

void SimController::CompleteProgram(Job& job) {
    const std::int16_t h = job.handle;
    const std::wstring origin(kCallNames[static_cast<std::size_t>(job.call)].begin(),
                              kCallNames[static_cast<std::size_t>(job.call)].end());
    const auto refuse = [&](const std::wstring& why) { FinishWithMessage(h, why, kMsgRefused, origin, MsgKind::Acknowledge); };
    const auto start = [&] {
        std::wstring why = StartRefusal();
        const bool wasActive = m_program.State() == ProgState::Active;
        if (why.empty()) why = m_program.Start();
        if (!why.empty()) return refuse(why);
        m_startHeld = true;
        if (!wasActive) {
            RemoveHaltMessage();
            ReleaseRun();
            m_runHandle = h;  // the program reports its progress under the job that started it
            m_nextStep = m_now + StepPeriod();
        }
        SyncProgramVars();
        Finish(h, 1);
    };
    switch (job.call) {
        case CallId::Select:
        case CallId::Run: {
            const std::wstring why = m_program.Select(Arg<CallId::Select, 0>(job), Arg<CallId::Select, 1>(job));
            if (!why.empty()) return refuse(why);
            RemoveHaltMessage();
            ReleaseRun();
            SyncProgramVars();
            if (job.call == CallId::Run) return start();
            return Finish(h, 1);
        }
        case CallId::Start: return start();
        case CallId::StartOff: {
            m_startHeld = false;
            // In the test modes a program runs only while the start key is held.
            const auto mode = m_vars.Show(L"$MODE_OP").value_or(L"");
            if ((mode == L"#T1" || mode == L"#T2") && m_program.State() == ProgState::Active) HaltProgram();
            return Finish(h, 1);
        }
        case CallId::Stop:
            m_stopHeld = true;
            if (m_program.State() == ProgState::Active) HaltProgram();
            return Finish(h, 1);
        case CallId::StopOff: m_stopHeld = false; return Finish(h, 1);
        case CallId::StopSteu: {
            const std::wstring option = Upper(Arg<CallId::StopSteu, 0>(job));
            if (option != L"" && option != L"PROG" && option != L"ALL") return Finish(h, 0);
            if (m_program.State() == ProgState::Active) HaltProgram();
            return Finish(h, 1);
        }
        case CallId::Cancel:
        case CallId::CancelSteu: {
            bool force = false;
            if (job.call == CallId::CancelSteu) {
                const std::wstring option = Upper(Arg<CallId::CancelSteu, 0>(job));
                if (option != L"" && option != L"FORCE") return Finish(h, 0);
                force = option == L"FORCE";
            }
            const std::wstring why = m_program.Cancel(force);
            if (!why.empty()) return refuse(why);
            RemoveHaltMessage();
            ReleaseRun();
            SyncProgramVars();
            return Finish(h, 1);
        }
        case CallId::Reset: {
            const std::wstring why = m_program.Reset();
            if (!why.empty()) return refuse(why);
            RemoveHaltMessage();
            SyncProgramVars();
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

// ---------------------------------------------------------------------------------------
// Messages and the controller's own events

std::uint32_t SimController::AddMessage(MsgKind kind, std::uint32_t number, std::wstring t1, std::wstring t2,
                                        std::vector<std::wstring> answers) {
    SimMessage m;
    m.handle = NextMessageHandle();
    m.kind = kind;
    m.number = number;
    m.text1 = std::move(t1);
    m.text2 = std::move(t2);
    m.answers = std::move(answers);
    m.stamp = Stamp();
    std::optional<std::uint32_t> dropped;
    const SimMessage& added = m_messages.Add(std::move(m), dropped);
    // The controller's own record of it, under the message's own time.
    m_log.AddOwn(added.stamp, added.text2, L"", added.number, static_cast<std::int16_t>(added.kind), added.text1);
    if (dropped) AnnounceRemoval(*dropped);
    Payload p;
    p.kind = kind == MsgKind::Dialog ? Kind::AsyncDialog : Kind::AsyncMsg;
    p.msg = added;
    const std::uint32_t handle = added.handle;
    Deliver(NextHandle(), AddNotificationType(kind), std::move(p));
    return handle;
}

void SimController::AnnounceRemoval(std::uint32_t handle) {
    Payload p;
    p.kind = Kind::SubMsg;
    p.msg.handle = handle;
    p.msg.stamp = Stamp();
    Deliver(NextHandle(), 20, std::move(p));
}

void SimController::RemoveMessage(std::uint32_t handle) {
    if (m_messages.Remove(handle)) AnnounceRemoval(handle);
}

void SimController::ConfirmMessage(std::uint32_t handle) {
    if (!m_messages.Remove(handle)) return;
    Payload p;
    p.kind = Kind::Confirm;
    p.msg.handle = handle;
    Deliver(NextHandle(), 50, std::move(p));
}

bool SimController::AnswerDialog(std::uint32_t handle, std::int64_t answer) {
    const SimMessage* m = m_messages.Find(handle);
    if (m == nullptr || m->kind != MsgKind::Dialog || answer < 0 || static_cast<std::size_t>(answer) >= m->answers.size())
        return false;
    m_messages.Remove(handle);
    Payload p;
    p.kind = Kind::Answer;
    p.msg.handle = handle;
    p.values[0] = static_cast<std::int16_t>(answer);
    Deliver(NextHandle(), 70, std::move(p));
    return true;
}

void SimController::KeySwitch() {
    static const std::map<std::wstring, std::int16_t> positions = {{L"#T1", 1}, {L"#T2", 2}, {L"#AUT", 3}, {L"#EX", 4}};
    const auto it = positions.find(m_vars.Show(L"$MODE_OP").value_or(L""));
    Payload p;
    p.kind = Kind::Key;
    p.values[0] = it == positions.end() ? 0 : it->second;
    Deliver(NextHandle(), 300, std::move(p));
}

void SimController::StartMouse() {
    if (m_mouseHandle == 0) {
        m_mouseHandle = NextHandle();
        if (m_mouseHandle == 0) return;
        m_live.insert(m_mouseHandle);
        m_nextMouse = m_now + m_cfg.mousePeriod;
        m_mouseUnread = 0;
        MouseReading({});  // at rest
    }
    SetState(L"$MOUSE_ACT", L"TRUE");
}

void SimController::StopMouse() {
    if (m_mouseHandle != 0) {
        m_live.erase(m_mouseHandle);
        // Readings already posted can still be fetched, each once, with the last reading.
        if (m_mouseUnread > 0) m_mouseLeft[m_mouseHandle] = {m_mouseReading, m_mouseUnread};
    }
    m_mouseHandle = 0;
    m_mouseUnread = 0;
    SetState(L"$MOUSE_ACT", L"FALSE");
}

void SimController::MouseReading(const std::array<std::int16_t, 6>& values) {
    if (m_mouseHandle == 0) return;
    m_mouseReading = values;
    if (!m_open || m_window == 0) return;  // nobody listens
    if (m_mouseUnread < UINT32_MAX) ++m_mouseUnread;
    PostRaw(m_mouseHandle, 200);
}

void SimController::WanderingReading() {
    // An operator's hand: small deflections that wander, never twice the same in a row.
    ++m_mouseCount;
    std::array<std::int16_t, 6> values{};
    for (int i = 0; i < 6; ++i) values[i] = static_cast<std::int16_t>((m_mouseCount * 7 + i * 13) % 41 - 20);
    MouseReading(values);
}

std::int32_t SimController::FetchMouse(std::int16_t h, std::span<const LinkArg> args) {
    std::array<std::int16_t, 6> values{};
    if (h != 0 && h == m_mouseHandle) {
        // The mouse is on: every fetch succeeds with the latest reading, however many came before.
        values = m_mouseReading;
        if (m_mouseUnread > 0) --m_mouseUnread;
    } else {
        const auto left = m_mouseLeft.find(h);
        if (left == m_mouseLeft.end()) return 0;
        values = left->second.reading;
        if (--left->second.unread == 0) m_mouseLeft.erase(left);
    }
    for (std::size_t i = 0; i < 6; ++i) SetOut(args, i + 1, ArgType::I16, values[i]);
    return 1;
}

void SimController::CompleteMisc(Job& job) {
    const std::int16_t h = job.handle;
    switch (job.call) {
        case CallId::AsyncConfirm: {
            const SimMessage* m = m_messages.Find(Arg<CallId::AsyncConfirm, 0>(job));
            if (m == nullptr || !SimMessageBuffer::Confirmable(*m)) return Finish(h, 0);
            ConfirmMessage(m->handle);
            return Finish(h, 1);
        }
        case CallId::AsyncAnswer: return Finish(h, AnswerDialog(Arg<CallId::AsyncAnswer, 0>(job), Arg<CallId::AsyncAnswer, 1>(job)) ? 1 : 0);
        case CallId::Confirm: {
            // 0 confirms every confirmable message, another number those with that number.
            const std::int64_t number = Arg<CallId::Confirm, 0>(job);
            if (number < 0) return Finish(h, 0);
            std::vector<std::uint32_t> handles;
            for (const auto& m : m_messages.All()) {
                if (SimMessageBuffer::Confirmable(m) && (number == 0 || m.number == number)) handles.push_back(m.handle);
            }
            if (number != 0 && handles.empty()) return Finish(h, 0);
            for (const auto handle : handles) ConfirmMessage(handle);
            return Finish(h, 1);
        }
        case CallId::GetMessageBuffer:
            for (const auto& m : m_messages.All()) {
                Payload p;
                p.kind = m.kind == MsgKind::Dialog ? Kind::AsyncDialog : Kind::AsyncMsg;
                p.msg = m;
                Deliver(NextHandle(), AddNotificationType(m.kind), std::move(p));
            }
            return Finish(h, 1);
        case CallId::DisableStart: {
            const std::int64_t flag = Arg<CallId::DisableStart, 0>(job);
            if ((flag != 0 && flag != 1) || Arg<CallId::DisableStart, 1>(job).size() > kMaxReason) return Finish(h, 0);
            m_startDisabled = flag == 1;
            if (m_startDisabled) {
                m_disableReason = Arg<CallId::DisableStart, 1>(job);
                if (m_disableMessage != 0) RemoveMessage(m_disableMessage);
                m_disableMessage = AddMessage(MsgKind::State, kMsgStartDisabled, L"Start disabled", m_disableReason);
            } else if (m_disableMessage != 0) {
                RemoveMessage(m_disableMessage);
                m_disableMessage = 0;
            }
            SetState(L"$START_DISABLED", m_startDisabled ? L"TRUE" : L"FALSE");
            return Finish(h, 1);
        }
        case CallId::EditMaDaOk: SetState(L"$MADA_OK", L"TRUE"); return Finish(h, 1);
        case CallId::VDXOk: SetState(L"$VDX_OK", L"TRUE"); return Finish(h, 1);
        case CallId::AkkuOff: SetState(L"$ACCU", L"#OFF"); return Finish(h, 1);
        case CallId::PowerOff:
            Finish(h, 1);
            if (m_program.State() == ProgState::Active) HaltProgram();
            StopMouse();
            m_powered = false;
            return;
        case CallId::IORestart: {
            const std::int64_t bus = Arg<CallId::IORestart, 0>(job);
            if (bus < 0 || bus > 4) return Finish(h, 0);
            m_busMask |= bus == 0 ? 0xF : 1 << (bus - 1);
            return Finish(h, 1);
        }
        case CallId::IOBusInfo: return Finish(h, 1, {}, m_busMask);
        case CallId::GetActiveInterface: return Finish(h, 1, {}, m_activeInterface);
        case CallId::SetActiveInterface: {
            const std::int64_t v = Arg<CallId::SetActiveInterface, 0>(job);
            if (v != 0 && v != 1) return Finish(h, 0);
            const bool changed = m_activeInterface != v;
            m_activeInterface = static_cast<std::int32_t>(v);
            Finish(h, 1);
            if (changed) {
                for (const auto& [sh, standing] : m_standing) {
                    if (standing.watch == Watch::Interface) Finish(sh, 1, {}, m_activeInterface);
                }
            }
            return;
        }
        case CallId::NotifyActiveInterface:
            m_standing[h] = {Watch::Interface, {}};
            return Finish(h, 1, {}, m_activeInterface);
        case CallId::Tandix: {
            const std::int64_t v = Arg<CallId::Tandix, 0>(job);
            if (v != eTandixOff && v != eTandixOn) return Finish(h, 0);
            if (v == eTandixOn && m_tandixConfig == 0) {
                return FinishWithMessage(h, L"Tandix is not configured: set its configuration first", kMsgRefused,
                                         L"Tandix", MsgKind::Acknowledge);
            }
            SetState(L"$TANDIX", v == eTandixOn ? L"#ON" : L"#OFF");
            return Finish(h, 1);
        }
        case CallId::TandixGetConfig: return Finish(h, 1, {}, m_tandixConfig);
        case CallId::TandixSetConfig: {
            const std::int64_t v = Arg<CallId::TandixSetConfig, 0>(job);
            if (v != 0 && v != 1) return Finish(h, 0);
            m_tandixConfig = static_cast<std::int32_t>(v);
            if (v == 0) SetState(L"$TANDIX", L"#OFF");
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

void SimController::CompleteExec(Job& job) {
    const std::int16_t h = job.handle;
    if (job.answer >= 0) {
        const std::wstring caption = job.answers[static_cast<std::size_t>(job.answer)];
        AddMessage(MsgKind::Info, kMsgExecAnswer, L"Answer " + std::to_wstring(job.answer) + L": " + caption, job.question);
        return Finish(h, 1);
    }
    const std::wstring line = Arg<CallId::EditExec, 0>(job);
    ExecCommand cmd;
    std::wstring why;
    if (!ParseExec(line, cmd, why)) return FinishWithMessage(h, why, kMsgExecError, L"EditExec", MsgKind::Acknowledge);
    const auto number = [&] { return cmd.numbers.empty() ? 0u : static_cast<std::uint32_t>(cmd.numbers[0]); };
    switch (cmd.verb) {
        case ExecVerb::Info: AddMessage(MsgKind::Info, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::State: AddMessage(MsgKind::State, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::Ack: AddMessage(MsgKind::Acknowledge, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::Wait: AddMessage(MsgKind::Wait, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::Remove:
            if (!m_messages.Find(number())) {
                return FinishWithMessage(h, L"No message with handle " + Hex(number()), kMsgExecError, L"EditExec",
                                         MsgKind::Acknowledge);
            }
            RemoveMessage(number());
            break;
        case ExecVerb::Confirm: {
            const SimMessage* m = m_messages.Find(number());
            if (m == nullptr || !SimMessageBuffer::Confirmable(*m)) {
                return FinishWithMessage(h, L"No confirmable message with handle " + Hex(number()), kMsgExecError,
                                         L"EditExec", MsgKind::Acknowledge);
            }
            ConfirmMessage(number());
            break;
        }
        case ExecVerb::Dialog: AddMessage(MsgKind::Dialog, 0, cmd.text, L"EditExec", cmd.answers); break;
        case ExecVerb::Reply:
            if (!AnswerDialog(number(), cmd.numbers[1])) {
                return FinishWithMessage(h, L"No dialog with handle " + Hex(number()) + L" and that answer", kMsgExecError,
                                         L"EditExec", MsgKind::Acknowledge);
            }
            break;
        case ExecVerb::Ask: {
            Payload d;
            d.kind = Kind::SyncDialog;
            d.msg.handle = NextMessageHandle();
            d.msg.kind = MsgKind::Dialog;
            d.msg.text1 = cmd.text;
            d.msg.text2 = L"EditExec";
            d.msg.answers = cmd.answers;
            d.msg.stamp = Stamp();
            job.question = cmd.text;
            job.answers = cmd.answers;
            m_asking[h] = d.msg.handle;
            m_askJobs[h] = job;
            Deliver(h, 100, std::move(d));
            return;  // the result follows the answer
        }
        case ExecVerb::SyncMsg: return FinishWithMessage(h, cmd.text, number(), L"EditExec", MsgKind::Info);
        case ExecVerb::Mouse: {
            // The operator moves the mouse: a reading, but only from a mouse that is on.
            if (m_mouseHandle == 0) {
                return FinishWithMessage(h, L"The 6D mouse is off: switch it on first ($MOUSE_ACT TRUE)", kMsgExecError,
                                         L"EditExec", MsgKind::Acknowledge);
            }
            std::array<std::int16_t, 6> values{};
            for (std::size_t i = 0; i < 6; ++i) values[i] = static_cast<std::int16_t>(cmd.numbers[i]);
            MouseReading(values);
            break;
        }
        case ExecVerb::KeySwitch: {
            static const wchar_t* modes[] = {L"#T1", L"#T2", L"#AUT", L"#EX"};
            const std::wstring mode = modes[cmd.numbers[0] - 1];
            if (m_vars.Show(L"$MODE_OP") == mode) KeySwitch();
            else Write(L"$MODE_OP", mode);
            break;
        }
        case ExecVerb::Key:
            if (m_keyMsg == 0) {
                return FinishWithMessage(h, L"No operator-key message: the link was initialised without one",
                                         kMsgExecError, L"EditExec", MsgKind::Acknowledge);
            }
            if (m_open && m_window != 0) m_posts.push_back({m_window, m_keyMsg, static_cast<WPARAM>(cmd.numbers[0]), 0});
            break;
        case ExecVerb::Progress: {
            Payload p;
            p.kind = Kind::Progress;
            p.values[0] = static_cast<std::int16_t>(cmd.numbers[0]);
            p.text = cmd.text;
            Deliver(h, 400, std::move(p));
            break;
        }
        case ExecVerb::Fail: return Finish(h, 0);
        case ExecVerb::Abort: PostRaw(h, 2); return;
        case ExecVerb::Help: AddMessage(MsgKind::Info, kMsgExecHelp, ExecHelp(), L"EditExec"); break;
    }
    Finish(h, 1);
}

}  // namespace vantel::link::sim
