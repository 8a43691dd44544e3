// The engine: calls in, handles, jobs completed on the clock and routed to their family,
// results and notifications out.

#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

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
      m_mailbox(config.mailboxCount, config.mailboxBytes),
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
            m_mailbox.Forget(h);  // whatever an earlier job of this number left unread
            m_mouse.Forget(h);
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

void SimController::PostRaw(std::int16_t h, ENotifyType type, std::int16_t job) {
    if (!m_open || m_window == 0) return;
    if (m_log.TracesNotifications()) m_log.Trace(L"post " + std::to_wstring(h) + L" type " + std::to_wstring(static_cast<std::int32_t>(type)));
    m_posts.push_back({m_window, m_plexaMsg, static_cast<WPARAM>(static_cast<std::uint16_t>(h)), static_cast<LPARAM>(type), job});
}

void SimController::Deliver(std::int16_t h, ENotifyType type, Payload p, std::int16_t job) {
    if (!m_open) return;  // nobody listens: nothing is kept either
    if (const auto dropped = m_mailbox.Keep(h, std::move(p), m_standing.count(h) != 0)) {
        m_log.AddOwn(Stamp(), L"Mailbox", L"", kLogMailboxFull, 2,
                     L"Unread notifications over " + std::to_wstring(m_cfg.mailboxCount) + L" or " +
                         std::to_wstring(m_cfg.mailboxBytes) + L" bytes: the oldest are dropped",
                     L"Dropped so far: " + std::to_wstring(*dropped));
    }
    PostRaw(h, type, job);
}

void SimController::Finish(std::int16_t h, std::int32_t ret, std::wstring text, std::int32_t number) {
    Payload p;
    p.kind = Kind::Result;
    p.ret = ret;
    p.text = std::move(text);
    p.number = number;
    Deliver(h, ENotifyType::Result, std::move(p));
}

void SimController::FinishWith(std::int16_t h, std::vector<Out> outs) {
    Payload p;
    p.kind = Kind::Result;
    p.outs = std::move(outs);
    Deliver(h, ENotifyType::Result, std::move(p));
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
    Deliver(h, ENotifyType::SyncAddMessage, std::move(p));
}

bool SimController::StillLive(std::int16_t h) const {
    return m_standing.count(h) || m_askJobs.count(h) || (h != 0 && (h == m_runHandle || h == m_mouse.Handle())) ||
           (m_motion && h == m_motion->handle);
}

bool SimController::JobOpen(std::int16_t h) const {
    return StillLive(h) || std::any_of(m_pending.begin(), m_pending.end(), [h](const Job& j) { return j.handle == h; });
}

std::size_t SimController::MailboxSize() const { return m_mailbox.Count(); }

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
            SwitchOn();
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
            return m_host.Write(name, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), true) ? 1 : 0;
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
        job.in = InValues(args);
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
    const std::optional<Payload> taken = m_mailbox.Take(h, kind);
    if (!taken) return 0;
    const Payload& p = *taken;

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
    } else if (h == m_mouse.Handle()) {
        StopMouse();
    } else if (m_motion && h == m_motion->handle) {
        EndMotion(false);  // the robot stops where it is
    } else {
        return 0;
    }
    m_live.erase(h);
    PostRaw(h, ENotifyType::CommandAbort);
    return 1;
}

void SimController::DropJobs() {
    m_pending.clear();
    m_standing.clear();
    m_askJobs.clear();
    m_asking.clear();
    m_mailbox.Clear();
    m_mouse.ForgetUnread();
    m_live.clear();
    if (m_runHandle) m_live.insert(m_runHandle);
    if (m_mouse.Handle()) m_live.insert(m_mouse.Handle());
    if (m_motion) m_live.insert(m_motion->handle);
    // Module handles belong to the session: they close, and what was edited stays.
    for (const auto& [handle, code] : m_code) m_fs.Touch(code.path, change::kOpened);
    m_code.clear();
    m_editor = 0;
    m_fs.TakeEvents();  // no watch is left to hear it
    m_jogAxis = 0;
}

void SimController::DropJobs(const std::set<std::int16_t>& jobs) {
    const auto mine = [&](std::int16_t h) { return jobs.count(h) != 0; };
    std::erase_if(m_pending, [&](const Job& j) { return mine(j.handle); });
    std::erase_if(m_standing, [&](const auto& s) { return mine(s.first); });
    std::erase_if(m_askJobs, [&](const auto& a) { return mine(a.first); });
    std::erase_if(m_asking, [&](const auto& a) { return mine(a.first); });
    for (const std::int16_t h : jobs) {
        m_mailbox.Forget(h);
        if (!StillLive(h)) m_live.erase(h);
    }
    bool closed = false;
    for (auto it = m_code.begin(); it != m_code.end();) {
        if (!mine(it->second.job)) {
            ++it;
            continue;
        }
        m_fs.Touch(it->second.path, change::kOpened);
        if (it->first == m_editor) m_editor = 0;
        it = m_code.erase(it);
        closed = true;
    }
    if (closed) PostChanges();  // the other sessions' watches hear of it
    m_jogAxis = 0;
}

void SimController::SwitchOn() {
    if (m_powered) return;
    // The controller boots with nothing selected.
    m_powered = true;
    (void)m_program.Cancel(true);
    SyncProgramVars();
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
            Deliver(m_runHandle, ENotifyType::ProgressInfo, std::move(p));
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
    if (m_mouse.Handle() != 0 && m_cfg.mousePeriod.count() > 0) consider(m_mouse.next);
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
        m_completing = job.handle;
        Complete(job);
        m_completing = 0;
        if (!StillLive(job.handle)) m_live.erase(job.handle);
    }
    if (ProgramAdvancing() && now >= m_nextStep) {
        StepProgram();
        m_nextStep = now + StepPeriod();
    }
    if (m_mouse.Handle() != 0 && m_cfg.mousePeriod.count() > 0 && now >= m_mouse.next) {
        WanderingReading();
        m_mouse.next = now + m_cfg.mousePeriod;
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
        using Handler = void (SimController::*)(Job&);
        std::array<FamilyRoute, kCallFamilyCount> r;
        // Families of no requests never get here; the rest of the miscellany is Misc.
        r.fill({&SimController::CompleteMisc, false});
        const std::pair<CallFamily, Handler> stateOnly[] = {{CallFamily::Variables, &SimController::CompleteVariable},
                                                             {CallFamily::Program, &SimController::CompleteProgram},
                                                             {CallFamily::Exec, &SimController::CompleteExec}};
        const std::pair<CallFamily, Handler> filesToo[] = {
            {CallFamily::Files, &SimController::CompleteFiles},       {CallFamily::Editor, &SimController::CompleteEditor},
            {CallFamily::Motion, &SimController::CompleteMotion},     {CallFamily::Volumes, &SimController::CompleteVolumes},
            {CallFamily::Items, &SimController::CompleteItems},       {CallFamily::ItemExec, &SimController::CompleteItemExec},
            {CallFamily::ModuleCode, &SimController::CompleteModuleCode}, {CallFamily::ModuleInfo, &SimController::CompleteModuleInfo},
            {CallFamily::Log, &SimController::CompleteLog}};
        for (const auto& [family, handler] : stateOnly) r[static_cast<std::size_t>(family)] = {handler, false};
        for (const auto& [family, handler] : filesToo) r[static_cast<std::size_t>(family)] = {handler, true};
        return r;
    }();

    const FamilyRoute& route = routes[static_cast<std::size_t>(FamilyOf(job.call))];
    (this->*route.complete)(job);
    if (route.changesFiles) PostChanges();
}

}  // namespace vantel::link::sim
