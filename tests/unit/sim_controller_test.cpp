// The simulated controller on a clock of the test's own: no threads, no waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <string>
#include <limits>
#include <set>
#include <tuple>
#include <utility>

#include "sim/controller.h"

namespace vantel::link::sim {
namespace {

constexpr HWND kWindow = 77;
constexpr UINT kPlexa = 0xC100;
constexpr UINT kKey = 0xC101;

struct Note {
    int type;
    std::int16_t handle;
    bool operator==(const Note&) const = default;
};

class Sim {
public:
    explicit Sim(SimConfig cfg = Config()) : sim(cfg) { EXPECT_EQ(Init(kKey), 1); }

    static SimConfig Config() {
        SimConfig c;
        c.latency = std::chrono::milliseconds(10);
        c.step = std::chrono::milliseconds(0);
        c.mousePeriod = std::chrono::milliseconds(0);
        c.fixedClockMs = 0;
        return c;
    }

    int Init(UINT key, HWND window = kWindow) {
        std::wstring client = L"Vantel", extra;
        UINT msg = kPlexa;
        std::int32_t l = 223;
        const LinkArg a[] = {MakeArg<const std::wstring&>(client), MakeArg<const std::wstring&>(extra), MakeArg<UINT>(msg),
                             MakeArg<HWND>(window), MakeArg<std::int32_t>(l), MakeArg<UINT>(key)};
        return sim.Invoke(CallId::Init, a, now);
    }

    std::int16_t Request(CallId id, std::wstring a = {}, std::wstring b = {}, std::wstring c = {}) {
        std::vector<LinkArg> args;
        for (auto* s : {&a, &b, &c}) args.push_back(MakeArg<const std::wstring&>(*s));
        const std::size_t arity = std::min<std::size_t>(kCallArity[static_cast<std::size_t>(id)], args.size());
        return static_cast<std::int16_t>(sim.Invoke(id, std::span(args).first(arity), now));
    }
    std::int16_t RequestNum(CallId id, std::int32_t v) {
        const LinkArg a[] = {MakeArg<std::int32_t>(v)};
        return static_cast<std::int16_t>(sim.Invoke(id, a, now));
    }

    // A result call with one text out-value (or none).
    int Result(CallId id, std::int16_t h, std::wstring* text = nullptr) {
        std::wstring dummy;
        std::wstring& t = text ? *text : dummy;
        const LinkArg a[] = {MakeArg<std::int16_t>(h), MakeArg<std::wstring&>(t)};
        return sim.Invoke(id, std::span(a).first(text ? 2 : 1), now);
    }

    int Abort(std::int16_t h) {
        const LinkArg a[] = {MakeArg<std::int16_t>(h)};
        return sim.Invoke(CallId::CmdAbort, a, now);
    }

    // Lets time pass until nothing is due, collecting what is posted.
    std::vector<Note> Run(int maxTicks = 1000) {
        for (int i = 0; i < maxTicks; ++i) {
            const auto due = sim.NextDue();
            if (!due) break;
            now = std::max(now, *due);
            sim.Tick(now);
        }
        return Posts();
    }
    std::vector<Note> Posts() {
        std::vector<Note> out;
        for (const auto& p : sim.TakePosts()) {
            EXPECT_EQ(p.window, kWindow);
            if (p.msg == kPlexa) out.push_back({static_cast<int>(p.lParam), static_cast<std::int16_t>(p.wParam)});
            else out.push_back({-static_cast<int>(p.wParam), 0});  // operator key
        }
        return out;
    }

    std::wstring Show(const std::wstring& name) {
        const auto h = Request(CallId::ShowVar, name);
        Run();
        std::wstring text;
        return Result(CallId::ShowVarResult, h, &text) == 1 ? text : L"<failed>";
    }
    int Set(const std::wstring& name, const std::wstring& value) {
        const auto h = Request(CallId::SetVar, name, value);
        Run();
        return Result(CallId::SetVarResult, h);
    }

    Clock::time_point now{};
    SimController sim;
};

std::vector<int> Types(const std::vector<Note>& notes) {
    std::vector<int> t;
    for (const auto& n : notes) t.push_back(n.type);
    return t;
}

TEST(SimJobs, ResultsComeAfterTheLatencyInTheOrderStartedAndOnlyOnce) {
    Sim s;
    const auto a = s.Request(CallId::ShowVar, L"$OV_PRO");
    const auto b = s.Request(CallId::ShowVar, L"$OV_JOG");
    EXPECT_NE(a, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(s.sim.JobsInFlight(), 2u);
    std::wstring text;
    EXPECT_EQ(s.Result(CallId::ShowVarResult, a, &text), 0) << "no result before the latency";
    s.sim.Tick(s.now + std::chrono::milliseconds(9));
    EXPECT_TRUE(s.Posts().empty());
    EXPECT_EQ(s.Run(), (std::vector<Note>{{0, a}, {0, b}}));
    EXPECT_EQ(s.sim.JobsInFlight(), 0u);
    EXPECT_EQ(s.Result(CallId::ShowVarResult, b, &text), 1);
    EXPECT_EQ(text, L"10");
    EXPECT_EQ(s.Result(CallId::ShowVarResult, b, &text), 0) << "a result is fetched once";
    EXPECT_EQ(text, L"");
}

TEST(SimJobs, HandlesCycleThroughThePositiveRangeSkippingLiveOnes) {
    Sim s;
    const auto watch = s.Request(CallId::SetInfo, L"$OV_PRO");
    s.Run();
    std::set<std::int16_t> seen;
    for (int i = 0; i < 0x7FFF + 5; ++i) {
        const auto h = s.Request(CallId::ShowVar, L"$OV_PRO");
        ASSERT_GT(h, 0);
        ASSERT_NE(h, watch) << "the info job is still live";
        s.Run();
        seen.insert(h);
    }
    EXPECT_EQ(seen.size(), 0x7FFEu);
    EXPECT_EQ(s.sim.MailboxSize(), 0x7FFFu) << "unread results are kept once per handle, not piled up";
}

TEST(SimJobs, ExitRefusesRequestsUntilInitAndForgetsPendingJobs) {
    Sim s;
    s.Request(CallId::ShowVar, L"$OV_PRO");
    std::vector<LinkArg> none;
    EXPECT_EQ(s.sim.Invoke(CallId::Exit, none, s.now), 1);
    EXPECT_EQ(s.sim.JobsInFlight(), 0u);
    EXPECT_TRUE(s.Run().empty());
    EXPECT_EQ(s.Request(CallId::ShowVar, L"$OV_PRO"), 0);
    EXPECT_EQ(s.Init(0, 0), 0) << "no window to post to";
    EXPECT_EQ(s.Request(CallId::ShowVar, L"$OV_PRO"), 0);
    EXPECT_EQ(s.Init(0), 1);
    EXPECT_NE(s.Request(CallId::ShowVar, L"$OV_PRO"), 0);
}

TEST(SimJobs, AbortEndsALiveJobWithTypeTwoAndNothingElse) {
    Sim s;
    const auto h = s.Request(CallId::ShowVar, L"$OV_PRO");
    EXPECT_EQ(s.Abort(h), 1);
    EXPECT_EQ(s.Posts(), (std::vector<Note>{{2, h}}));
    EXPECT_TRUE(s.Run().empty());
    EXPECT_EQ(s.Abort(h), 0);
    EXPECT_EQ(s.Abort(0), 0);
    EXPECT_EQ(s.Abort(12345), 0);
}

TEST(SimVariables, ValuesAreCheckedAndStoredInTheirCanonicalForm) {
    Sim s;
    EXPECT_EQ(s.Set(L"$mode_op", L"#aut"), 1);
    EXPECT_EQ(s.Show(L"$MODE_OP"), L"#AUT");
    EXPECT_EQ(s.Set(L"$OV_PRO", L"+07"), 1);
    EXPECT_EQ(s.Show(L"$OV_PRO"), L"7");
    EXPECT_EQ(s.Set(L"$MOUSE_ACT", L"true"), 1);
    EXPECT_EQ(s.Set(L"$NOTE", L"\"hello\""), 1);
    EXPECT_EQ(s.Show(L"$NOTE"), L"\"hello\"");
    for (const auto& [name, value] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"$MODE_OP", L"#AUTO"}, {L"$MODE_OP", L""}, {L"$OV_PRO", L"101"}, {L"$OV_PRO", L"-1"},
             {L"$OV_PRO", L" 5"}, {L"$OV_PRO", L"5x"}, {L"$OV_JOG", L"99999999999999"}, {L"$MOUSE_ACT", L"1"},
             {L"$NOTE", L"hello"}, {L"$NOTE", L"\"a\"b\""}, {L"$PRO_STATE", L"#P_ACTIVE"}, {L"$NO_SUCH", L"1"},
             {L"", L""}, {std::wstring(10000, L'$'), L"1"}, {L"$NOTE", L"\"" + std::wstring(10000, L'x') + L"\""}}) {
        EXPECT_EQ(s.Set(name, value), 0) << "name " << name.substr(0, 20).size() << " value " << value.size();
    }
    EXPECT_EQ(s.Show(L"$OV_PRO"), L"7") << "a refused write changes nothing";
    EXPECT_EQ(s.Show(std::wstring(10000, L'A')), L"<failed>");
}

TEST(SimVariables, AnInfoJobReportsTheValueThenEachChangeUntilAborted) {
    Sim s;
    const auto watch = s.Request(CallId::SetInfo, L"$OV_JOG");
    EXPECT_EQ(s.Run(), (std::vector<Note>{{0, watch}}));
    EXPECT_EQ(s.sim.JobsInFlight(), 0u) << "a standing job counts only until its first result";
    const auto set = s.Request(CallId::SetVar, L"$OV_JOG", L"20");
    EXPECT_EQ(s.Run(), (std::vector<Note>{{0, set}, {0, watch}}));
    s.Request(CallId::SetVar, L"$OV_JOG", L"20");
    EXPECT_EQ(s.Run().size(), 1u) << "writing the same value is no change";
    std::wstring text;
    EXPECT_EQ(s.Result(CallId::SetInfoResult, watch, &text), 1);
    EXPECT_EQ(text, L"10");
    EXPECT_EQ(s.Result(CallId::SetInfoResult, watch, &text), 1);
    EXPECT_EQ(text, L"20");
    EXPECT_EQ(s.Abort(watch), 1);
    s.Posts();
    s.Request(CallId::SetVar, L"$OV_JOG", L"50");
    EXPECT_EQ(s.Run().size(), 1u);
    const auto unknown = s.Request(CallId::SetInfo, L"$NO_SUCH");
    s.Run();
    EXPECT_EQ(s.Result(CallId::SetInfoResult, unknown, &text), 0);
    EXPECT_EQ(s.Abort(unknown), 0) << "an info job on nothing does not stand";
}

TEST(SimVariables, ModeChangesTurnTheKeySwitchAndTheMouseReportsWhenSwitchedOn) {
    Sim s;
    s.Request(CallId::SetVar, L"$MODE_OP", L"#T2");
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{0, 300}));
    s.Request(CallId::SetVar, L"$MOUSE_ACT", L"TRUE");
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{0, 200}));
    EXPECT_EQ(s.sim.JobsInFlight(), 0u) << "the mouse posts when moved, or forever with a period: it never counts";
    s.Request(CallId::SetVar, L"$MOUSE_ACT", L"FALSE");
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{0}));
}

// The 6D mouse's fetch: the six values, and what the call returned.
struct Reading {
    int ret = 0;
    std::array<std::int16_t, 6> v{};
};
Reading FetchMouse(Sim& s, std::int16_t h) {
    Reading r;
    std::int16_t job = h;
    auto& v = r.v;
    const LinkArg a[] = {MakeArg<std::int16_t>(job),     MakeArg<std::int16_t&>(v[0]), MakeArg<std::int16_t&>(v[1]),
                         MakeArg<std::int16_t&>(v[2]),   MakeArg<std::int16_t&>(v[3]), MakeArg<std::int16_t&>(v[4]),
                         MakeArg<std::int16_t&>(v[5])};
    r.ret = s.sim.Invoke(CallId::PHGGet6DMouse, a, s.now);
    return r;
}

// Sets environment variables for the life of a test and puts the old values back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old) setenv(m_name, m_old->c_str(), 1);
        else unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The mouse's handle: the one its switch-on reading came with.
std::int16_t SwitchMouseOn(Sim& s) {
    s.Request(CallId::SetVar, L"$MOUSE_ACT", L"TRUE");
    for (const auto& n : s.Run()) {
        if (n.type == 200) return n.handle;
    }
    ADD_FAILURE() << "no reading at switch-on";
    return 0;
}

TEST(SimMouse, ItsOwnStreamIsOptInWhateverTheLatency) {
    EXPECT_EQ(SimConfig{}.mousePeriod.count(), 0);
    ScopedEnv mouse("VANTEL_SIM_MOUSE_MS", nullptr);
    for (const char* latency : {static_cast<const char*>(nullptr), "0", "20", "500"}) {
        ScopedEnv env("VANTEL_SIM_LATENCY_MS", latency);
        EXPECT_EQ(ConfigFromEnvironment().mousePeriod.count(), 0) << (latency ? latency : "unset");
    }
    ScopedEnv stream("VANTEL_SIM_MOUSE_MS", "250");
    EXPECT_EQ(ConfigFromEnvironment().mousePeriod, std::chrono::milliseconds(250));
}

TEST(SimMouse, AtRestItReportsOnceAtSwitchOnThenOncePerMove) {
    SimConfig cfg = Sim::Config();
    cfg.mousePeriod = SimConfig{}.mousePeriod;
    cfg.latency = std::chrono::milliseconds(20);
    Sim s(cfg);
    const auto mouse = SwitchMouseOn(s);
    ASSERT_NE(mouse, 0);
    EXPECT_FALSE(s.sim.NextDue()) << "a mouse at rest has nothing to report";
    for (int i = 0; i < 100; ++i) s.sim.Tick(s.now += std::chrono::milliseconds(250));
    EXPECT_TRUE(s.Posts().empty());
    EXPECT_EQ(FetchMouse(s, mouse).ret, 1);
    EXPECT_EQ(FetchMouse(s, mouse).v, (std::array<std::int16_t, 6>{})) << "at rest";

    const auto move = s.Request(CallId::EditExec, L"mouse 1 -2 3 -4 5 -32768");
    EXPECT_EQ(s.Run(), (std::vector<Note>{{200, mouse}, {0, move}})) << "the reading comes on the mouse's own handle";
    const auto r = FetchMouse(s, mouse);
    EXPECT_EQ(r.ret, 1);
    EXPECT_EQ(r.v, (std::array<std::int16_t, 6>{1, -2, 3, -4, 5, -32768}));

    s.Request(CallId::SetVar, L"$MOUSE_ACT", L"FALSE");
    s.Run();
    const auto off = s.Request(CallId::EditExec, L"mouse 7 7 7 7 7 7");
    EXPECT_EQ(s.Run(), (std::vector<Note>{{1, off}})) << "a mouse that is off gives no reading: the job says why";
}

TEST(SimMouse, AFetchAfterManyReadingsSucceedsWithTheLatest) {
    Sim s;
    const auto mouse = SwitchMouseOn(s);
    for (int i = 1; i <= 500; ++i) s.Request(CallId::EditExec, L"mouse " + std::to_wstring(i) + L" 0 0 0 0 " + std::to_wstring(-i));
    const auto notes = s.Run(100000);
    EXPECT_EQ(std::count(notes.begin(), notes.end(), Note{200, mouse}), 500);
    EXPECT_EQ(s.sim.MailboxSize(), 501u) << "the switch's and the moves' results; the readings are not piled up";
    for (int i = 0; i < 501; ++i) {
        const auto r = FetchMouse(s, mouse);
        ASSERT_EQ(r.ret, 1) << "fetch " << i;
        ASSERT_EQ(r.v, (std::array<std::int16_t, 6>{500, 0, 0, 0, 0, -500}));
    }
    EXPECT_EQ(FetchMouse(s, mouse).ret, 1) << "while the mouse is on, every fetch succeeds";
    EXPECT_EQ(FetchMouse(s, 0).ret, 0);
    EXPECT_EQ(FetchMouse(s, static_cast<std::int16_t>(mouse + 1)).ret, 0) << "no mouse there";
}

TEST(SimMouse, ItsOwnStreamCoalescesToo) {
    SimConfig cfg = Sim::Config();
    cfg.mousePeriod = std::chrono::milliseconds(250);
    Sim s(cfg);
    const auto mouse = SwitchMouseOn(s);
    for (int i = 0; i < 300; ++i) {
        s.now = *s.sim.NextDue();
        s.sim.Tick(s.now);
    }
    const auto notes = s.Posts();
    EXPECT_EQ(std::count(notes.begin(), notes.end(), Note{200, mouse}), 300);
    EXPECT_EQ(s.sim.MailboxSize(), 1u) << "only the switch's result";
    const auto first = FetchMouse(s, mouse);
    EXPECT_EQ(first.ret, 1);
    EXPECT_NE(first.v, (std::array<std::int16_t, 6>{})) << "the stream wanders";
    EXPECT_EQ(FetchMouse(s, mouse).v, first.v) << "no new reading in between: the same latest";
}

TEST(SimMouse, AfterSwitchOffEachReadingAlreadyPostedIsFetchedOnceWithTheLastReading) {
    Sim s;
    const auto mouse = SwitchMouseOn(s);
    s.Request(CallId::EditExec, L"mouse 1 1 1 1 1 1");
    s.Request(CallId::EditExec, L"mouse 2 2 2 2 2 2");
    s.Request(CallId::SetVar, L"$MOUSE_ACT", L"FALSE");
    s.Run();
    for (int i = 0; i < 3; ++i) {
        const auto r = FetchMouse(s, mouse);
        EXPECT_EQ(r.ret, 1) << "posted at switch-on and by two moves: " << i;
        EXPECT_EQ(r.v, (std::array<std::int16_t, 6>{2, 2, 2, 2, 2, 2}));
    }
    EXPECT_EQ(FetchMouse(s, mouse).ret, 0) << "nothing more was posted";

    const auto again = SwitchMouseOn(s);
    EXPECT_NE(again, mouse) << "switched on again: a new handle";
    s.Request(CallId::EditExec, L"mouse 3 3 3 3 3 3");
    s.Run();
    EXPECT_EQ(FetchMouse(s, again).ret, 1);
    EXPECT_EQ(s.Abort(again), 1) << "aborting the mouse's job switches it off";
    EXPECT_EQ(s.Show(L"$MOUSE_ACT"), L"FALSE");
    EXPECT_EQ(FetchMouse(s, again).v, (std::array<std::int16_t, 6>{3, 3, 3, 3, 3, 3}));
    EXPECT_EQ(FetchMouse(s, again).ret, 0);
}

TEST(SimMailbox, ASubscriptionLosesNoneOfManyUnreadNotifications) {
    Sim s;
    const auto watch = s.Request(CallId::SetInfo, L"$COUNTER");
    s.Run();
    for (int i = 1; i <= 1000; ++i) s.Request(CallId::SetVar, L"$COUNTER", std::to_wstring(i));
    const auto notes = s.Run(100000);
    EXPECT_EQ(std::count(notes.begin(), notes.end(), Note{0, watch}), 1000) << "and the first, posted before";
    std::wstring text;
    for (int i = 0; i <= 1000; ++i) {
        ASSERT_EQ(s.Result(CallId::SetInfoResult, watch, &text), 1) << "fetch " << i;
        ASSERT_EQ(text, std::to_wstring(i));
    }
    EXPECT_EQ(s.Result(CallId::SetInfoResult, watch, &text), 0);
    EXPECT_EQ(s.sim.MailboxDropped(), 0u);
}

TEST(SimMailbox, OverTheBoundTheOldestOfASubscriptionGoesFirstAndIsCounted) {
    SimConfig cfg = Sim::Config();
    cfg.mailboxCount = 10;
    Sim s(cfg);
    const auto watch = s.Request(CallId::SetInfo, L"$COUNTER");
    s.Run();
    std::vector<std::int16_t> shows;
    for (int i = 0; i < 3; ++i) shows.push_back(s.Request(CallId::ShowVar, L"$OV_JOG"));
    s.Run();
    for (int i = 1; i <= 20; ++i) {
        const auto set = s.Request(CallId::SetVar, L"$COUNTER", std::to_wstring(i));
        s.Run();
        ASSERT_EQ(s.Result(CallId::SetVarResult, set), 1);
    }
    // Each write's own result counts until it is fetched: one place fewer for the changes.
    EXPECT_EQ(s.sim.MailboxSize(), 9u);
    EXPECT_EQ(s.sim.MailboxDropped(), 15u) << "the first value and the first 14 changes";
    std::wstring text;
    for (const auto h : shows) EXPECT_EQ(s.Result(CallId::ShowVarResult, h, &text), 1) << "jobs' own results stay";
    std::vector<std::wstring> seen;
    while (s.Result(CallId::SetInfoResult, watch, &text) == 1) seen.push_back(text);
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"15", L"16", L"17", L"18", L"19", L"20"})) << "the newest stay";

    // The controller's log says so, once for the run of drops.
    std::uint32_t first = 1, last = 1000;
    const LinkArg range[] = {MakeArg<std::uint32_t>(first), MakeArg<std::uint32_t>(last)};
    auto h = static_cast<std::int16_t>(s.sim.Invoke(CallId::GetLogEntries, range, s.now));
    s.Run();
    StringArray lines;
    const LinkArg out[] = {MakeArg<std::int16_t>(h), MakeArg<StringArray&>(lines)};
    ASSERT_EQ(s.sim.Invoke(CallId::GetLogEntriesResult, out, s.now), 1);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const std::wstring& l) { return l.find(L"[Mailbox/] 1301: ") != std::wstring::npos; }), 1)
        << (lines.empty() ? L"" : lines.back());
}

TEST(SimMailbox, WithNoSubscriptionToDropTheOldestOfAllGoesAndBytesCountToo) {
    SimConfig cfg = Sim::Config();
    cfg.mailboxCount = 5;
    Sim s(cfg);
    std::vector<std::int16_t> shows;
    for (int i = 0; i < 8; ++i) shows.push_back(s.Request(CallId::ShowVar, L"$OV_JOG"));
    s.Run();
    EXPECT_EQ(s.sim.MailboxDropped(), 3u);
    for (std::size_t i = 0; i < shows.size(); ++i) EXPECT_EQ(s.Result(CallId::ShowVarResult, shows[i]), i < 3 ? 0 : 1) << i;
    EXPECT_EQ(s.sim.MailboxSize(), 0u);
    EXPECT_EQ(s.sim.MailboxBytes(), 0u);

    cfg = Sim::Config();
    cfg.mailboxBytes = 100000;
    Sim big(cfg);
    const auto watch = big.Request(CallId::SetInfo, L"$NOTE");
    big.Run();
    for (int i = 0; i < 100; ++i) big.Request(CallId::SetVar, L"$NOTE", L"\"" + std::wstring(200, L'a' + i % 26) + L"\"");
    big.Run();
    EXPECT_LE(big.sim.MailboxBytes(), 100000u);
    EXPECT_GT(big.sim.MailboxDropped(), 0u);
    std::wstring text;
    std::wstring last;
    while (big.Result(CallId::SetInfoResult, watch, &text) == 1) last = text;
    EXPECT_EQ(last, L"\"" + std::wstring(200, L'a' + 99 % 26) + L"\"") << "the newest change stays";
}

TEST(SimProgram, StartingWithNothingSelectedEndsTheJobWithAControllerMessage) {
    Sim s;
    const auto h = s.Request(CallId::Start);
    EXPECT_EQ(s.Run(), (std::vector<Note>{{1, h}}));
    std::wstring t1, t2, t3;
    CFileTime time;
    std::uint32_t handle = 0, number = 0;
    EMessageType type{};
    StringArray params;
    BoolArray flags;
    std::int16_t job = h;
    const LinkArg a[] = {MakeArg<std::int16_t>(job), MakeArg<CFileTime&>(time), MakeArg<std::uint32_t&>(handle),
                         MakeArg<EMessageType&>(type), MakeArg<std::uint32_t&>(number), MakeArg<std::wstring&>(t1),
                         MakeArg<std::wstring&>(t2), MakeArg<std::wstring&>(t3), MakeArg<StringArray&>(params),
                         MakeArg<BoolArray&>(flags)};
    EXPECT_EQ(s.sim.Invoke(CallId::GetSyncAddMessage, a, s.now), 1);
    EXPECT_EQ(t1, L"No program selected");
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(s.Result(CallId::StartResult, h), 0) << "the job ended without a result";
}

TEST(SimProgram, RunsLineByLineReportingProgressAndStopsWhenTheStartKeyIsReleasedInT1) {
    SimConfig cfg = Sim::Config();
    cfg.step = std::chrono::milliseconds(5);
    Sim s(cfg);
    s.Request(CallId::Select, L"/r1/demo");
    s.Run();
    const auto t0 = s.now;
    const auto start = s.Request(CallId::Start);
    s.sim.Tick(t0 + std::chrono::milliseconds(10));
    EXPECT_EQ(s.Posts(), (std::vector<Note>{{0, start}}));
    EXPECT_EQ(s.sim.JobsInFlight(), 1u) << "a running program counts: it ends by itself";
    s.sim.Tick(t0 + std::chrono::milliseconds(15));
    s.sim.Tick(t0 + std::chrono::milliseconds(20));
    EXPECT_EQ(s.Posts(), (std::vector<Note>{{400, start}, {400, start}}));
    s.now = t0 + std::chrono::milliseconds(20);
    s.Request(CallId::StartOff);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{400, 11, 0})) << "halted: a state message, then the result";
    EXPECT_EQ(s.sim.Program().State(), ProgState::Stopped);
    EXPECT_EQ(s.sim.JobsInFlight(), 0u);
    s.Request(CallId::Start);
    const auto rest = Types(s.Run());
    EXPECT_EQ(rest.front(), 20) << "the halt message leaves the buffer";
    EXPECT_EQ(std::count(rest.begin(), rest.end(), 400), 3);
    EXPECT_EQ(s.sim.Program().State(), ProgState::Ended);
    EXPECT_EQ(s.Show(L"$PRO_STATE"), L"#P_END");
    EXPECT_EQ(s.Show(L"$POS_ACT"), *PointText(L"HOME"));
}

TEST(SimProgram, ASynchronousDialogWaitsForItsAnswerAndTheProgramActsOnIt) {
    Sim s;
    const auto run = s.Request(CallId::Run, L"SORT_PARTS");
    const auto notes = s.Run();
    ASSERT_EQ(notes.back(), (Note{100, run}));
    EXPECT_EQ(s.sim.JobsInFlight(), 0u) << "waiting for an answer is not in flight";
    CFileTime time;
    std::uint32_t dialog = 0, number = 0;
    EMessageType type{};
    std::wstring t1, t2, t3;
    StringArray params, answers;
    BoolArray pflags, aflags;
    std::int16_t job = run;
    const LinkArg a[] = {MakeArg<std::int16_t>(job), MakeArg<CFileTime&>(time), MakeArg<std::uint32_t&>(dialog),
                         MakeArg<EMessageType&>(type), MakeArg<std::uint32_t&>(number), MakeArg<std::wstring&>(t1),
                         MakeArg<std::wstring&>(t2), MakeArg<std::wstring&>(t3), MakeArg<StringArray&>(params),
                         MakeArg<BoolArray&>(pflags), MakeArg<StringArray&>(answers), MakeArg<BoolArray&>(aflags)};
    ASSERT_EQ(s.sim.Invoke(CallId::GetSyncAddDialog, a, s.now), 1);
    EXPECT_EQ(answers, (StringArray{L"Bolt", L"Nut", L"None"}));
    const auto answer = [&](std::int16_t h, std::uint32_t d, std::int16_t k) {
        const LinkArg b[] = {MakeArg<std::int16_t>(h), MakeArg<std::uint32_t>(d), MakeArg<std::int16_t>(k)};
        return s.sim.Invoke(CallId::SyncAnswer, b, s.now);
    };
    EXPECT_EQ(answer(run, dialog, 3), 0);
    EXPECT_EQ(answer(run, dialog + 1, 1), 0);
    EXPECT_EQ(answer(run + 1, dialog, 1), 0);
    EXPECT_EQ(answer(run, dialog, 2), 1);
    EXPECT_EQ(answer(run, dialog, 2), 0) << "answered once";
    EXPECT_EQ(s.sim.Program().State(), ProgState::Ended) << "'None' ends the program";
    std::wstring choice;
    const auto h = s.Request(CallId::DPShowVar, L"SORT_PARTS", L"CHOICE");
    s.Run();
    s.Result(CallId::DPShowVarResult, h, &choice);
    EXPECT_EQ(choice, L"\"NONE\"");
}

TEST(SimProgram, ModeAndStateRulesRefuseWhatACellWouldRefuse) {
    Sim s;
    s.Request(CallId::Reset);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{1}));
    s.Request(CallId::Run, L"DEMO", L"7");
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{1})) << "DEMO has six lines";
    s.Set(L"$MODE_OP", L"#EX");
    s.Posts();
    s.Request(CallId::Run, L"DEMO");
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{1}));
    s.Set(L"$MODE_OP", L"#AUT");
    s.Set(L"$OV_PRO", L"0");
    s.Posts();
    s.Request(CallId::Start);
    s.Run();
    EXPECT_EQ(s.sim.Program().State(), ProgState::Active);
    EXPECT_EQ(s.sim.JobsInFlight(), 0u) << "at override 0 the program stands still";
    s.Request(CallId::Cancel);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{1})) << "a running program is not cancelled";
    s.Request(CallId::CancelSteu, L"FORCE");
    s.Run();
    EXPECT_EQ(s.sim.Program().State(), ProgState::Free);
}

TEST(SimMessages, ConfirmTakesOnlyConfirmableMessagesAndAnswersCheckTheirRange) {
    Sim s;
    for (const auto* cmd : {L"info 5 a", L"state b", L"ack 5 c", L"wait d", L"dialog q|y|n"}) s.Request(CallId::EditExec, cmd);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{10, 0, 11, 0, 12, 0, 30, 0, 60, 0}));
    std::int16_t number = 5;
    const LinkArg byNumber[] = {MakeArg<std::int16_t>(number)};
    s.sim.Invoke(CallId::Confirm, byNumber, s.now);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{50, 50, 0}));
    EXPECT_EQ(s.sim.Messages().All().size(), 3u);
    std::uint32_t dialog = s.sim.Messages().All().back().handle;
    std::int16_t bad = 2, good = 1;
    const LinkArg tooFar[] = {MakeArg<std::uint32_t>(dialog), MakeArg<std::int16_t>(bad)};
    const auto h = static_cast<std::int16_t>(s.sim.Invoke(CallId::AsyncAnswer, tooFar, s.now));
    s.Run();
    EXPECT_EQ(s.Result(CallId::AsyncAnswerResult, h), 0);
    const LinkArg ok[] = {MakeArg<std::uint32_t>(dialog), MakeArg<std::int16_t>(good)};
    s.sim.Invoke(CallId::AsyncAnswer, ok, s.now);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{70, 0}));
    s.Request(CallId::GetMessageBuffer);
    EXPECT_EQ(Types(s.Run()), (std::vector<int>{11, 30, 0})) << "the buffer again, as it stands";
}

TEST(SimMessages, AFullBufferDropsItsOldestMessage) {
    Sim s;
    for (std::size_t i = 0; i <= SimMessageBuffer::kCapacity; ++i) s.Request(CallId::EditExec, L"info x");
    const auto types = Types(s.Run(100000));
    EXPECT_EQ(std::count(types.begin(), types.end(), 20), 1);
    EXPECT_EQ(s.sim.Messages().All().size(), SimMessageBuffer::kCapacity);
    EXPECT_EQ(s.sim.Messages().All().front().handle, 2u);
}

TEST(SimExec, OperatorKeysNeedTheirMessageNumber) {
    Sim s;
    s.Request(CallId::EditExec, L"key 0x2a");
    EXPECT_EQ(s.Run(), (std::vector<Note>{{-0x2a, 0}, {0, 1}}));
    s.Init(0);
    const auto h = s.Request(CallId::EditExec, L"key 42");
    EXPECT_EQ(s.Run(), (std::vector<Note>{{1, h}})) << "initialised from the menu: no operator-key message";
}

TEST(SimExec, TheLanguageReadsWhatItShouldAndSaysWhyOtherwise) {
    auto c = ParseExec(L"  INFO 42 Door  open ");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->verb, ExecVerb::Info);
    EXPECT_EQ(c->numbers, (std::vector<std::int64_t>{42}));
    EXPECT_EQ(c->text, L"Door  open ");
    c = ParseExec(L"ask Q?|a||c");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->answers, (std::vector<std::wstring>{L"a", L"", L"c"}));
    ASSERT_TRUE(ParseExec(L"mouse -32768 0 0 0 0 32767"));
    c = ParseExec(L"remove 0x1F");
    ASSERT_TRUE(c);
    EXPECT_EQ(c->numbers[0], 0x1F);
    ASSERT_TRUE(ParseExec(L"remove 1f")) << "handles read as the dispatcher shows them, in hex";
    for (const std::wstring& bad : std::vector<std::wstring>{L"", L"   ", L"launch", L"mouse 1 2 3 4 5", L"mouse 1 2 3 4 5 40000", L"keyswitch 5",
                                   L"key 65536", L"key -1", L"progress 101", L"dialog q", L"dialog q|1|2|3|4|5|6",
                                   L"remove 0", L"remove zz", L"reply 1 5", L"fail now", std::wstring(10000, L'i')}) {
        const auto refused = ParseExec(bad);
        EXPECT_FALSE(refused) << bad.substr(0, 30).size();
        EXPECT_FALSE(refused.Why().empty());
    }
}

// Every call with empty, huge and nonsense arguments: an answer, never a crash.
template <class T>
void Fill(T& v, int variant) {
    if constexpr (std::is_same_v<T, std::wstring>) {
        v = variant == 0 ? std::wstring() : variant == 1 ? std::wstring(10000, L'\x263A') : L"|#?\"\\%s%n";
    } else if constexpr (std::is_same_v<T, StringArray>) {
        v.assign(variant * 3, std::wstring(variant == 1 ? 10000 : 1, L'x'));
    } else if constexpr (std::is_same_v<T, BoolArray> || std::is_same_v<T, ByteArray> || std::is_same_v<T, DWordArray>) {
        v.assign(variant * 3, {});
    } else if constexpr (std::is_same_v<T, CFileTime>) {
        v = CFileTime(variant == 1 ? ~0ULL : 0);
    } else if constexpr (std::is_enum_v<T>) {
        v = static_cast<T>(variant == 1 ? INT32_MIN : -1);
    } else {
        v = variant == 0 ? T{} : variant == 1 ? std::numeric_limits<T>::min() : std::numeric_limits<T>::max();
    }
}

template <class R, class... A, std::size_t... I>
void CallWith(Sim& s, CallId id, int variant, std::index_sequence<I...>) {
    (void)variant;
    std::tuple<std::remove_cvref_t<A>...> values;
    (Fill(std::get<I>(values), variant), ...);
    if constexpr (sizeof...(A) == 0) {
        s.sim.Invoke(id, {}, s.now);
    } else {
        const LinkArg args[] = {MakeArg<A>(std::get<I>(values))...};
        s.sim.Invoke(id, args, s.now);
    }
}

template <class Sig> struct Caller;
template <class R, class... A>
struct Caller<R(A...)> {
    static void Call(Sim& s, CallId id, int variant) { CallWith<R, A...>(s, id, variant, std::index_sequence_for<A...>{}); }
};

TEST(SimRobustness, EveryCallTakesEmptyHugeAndNonsenseArguments) {
    Sim s;
    for (int variant = 0; variant < 3; ++variant) {
#define PLEXA_CALL(name, ret, params, names) \
    if (CallId::name != CallId::Init && CallId::name != CallId::Exit) Caller<ret params>::Call(s, CallId::name, variant);
#include "link/plexa_calls.def"
#undef PLEXA_CALL
        s.Run(100000);
    }
    EXPECT_EQ(s.sim.JobsInFlight(), 0u);
    EXPECT_EQ(s.Show(L"$OV_PRO"), L"<failed>") << "PowerOff was among the calls";
    s.Init(kKey);
    EXPECT_EQ(s.Show(L"$OV_PRO"), L"100") << "switched on again";
}

}  // namespace
}  // namespace vantel::link::sim
