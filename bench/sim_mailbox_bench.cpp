// The simulated controller's mailbox on its own, with no console and no threads: what keeping
// and fetching one notification costs. A result fetched at once ("S&how"), a standing job's
// changes left unread and then fetched (64: the most the old per-handle bound kept; 4096: past
// it), and 6D mouse moves left unread and then fetched once each.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sim/controller.h"

namespace {

using namespace vantel::link;
using namespace vantel::link::sim;

class Bench {
public:
    Bench() : sim(Config()) {
        std::wstring client = L"Vantel", extra;
        UINT msg = 0xC100, key = 0xC101;
        HWND window = 77;
        std::int32_t l = 223;
        const LinkArg a[] = {MakeArg<const std::wstring&>(client), MakeArg<const std::wstring&>(extra), MakeArg<UINT>(msg),
                             MakeArg<HWND>(window), MakeArg<std::int32_t>(l), MakeArg<UINT>(key)};
        sim.Invoke(CallId::Init, a, now);
    }
    static SimConfig Config() {
        SimConfig c;
        c.latency = c.step = c.mousePeriod = Clock::duration::zero();
        c.fixedClockMs = 0;
        return c;
    }
    std::int16_t Request(CallId id, std::wstring a, std::wstring b = {}) {
        const LinkArg args[] = {MakeArg<const std::wstring&>(a), MakeArg<const std::wstring&>(b)};
        const std::size_t n = id == CallId::EditExec ? 1 : 2;
        return static_cast<std::int16_t>(sim.Invoke(id, std::span(args).first(n), now));
    }
    void Run() {
        while (const auto due = sim.NextDue()) sim.Tick(now = std::max(now, *due));
        sim.TakePosts();
    }
    int Result(CallId id, std::int16_t h) {
        std::wstring text;
        const LinkArg a[] = {MakeArg<std::int16_t>(h), MakeArg<std::wstring&>(text)};
        return sim.Invoke(id, a, now);
    }
    int Mouse(std::int16_t h) {
        std::int16_t v[6] = {};
        const LinkArg a[] = {MakeArg<std::int16_t>(h),    MakeArg<std::int16_t&>(v[0]), MakeArg<std::int16_t&>(v[1]),
                             MakeArg<std::int16_t&>(v[2]), MakeArg<std::int16_t&>(v[3]), MakeArg<std::int16_t&>(v[4]),
                             MakeArg<std::int16_t&>(v[5])};
        return sim.Invoke(CallId::PHGGet6DMouse, a, now);
    }

    Clock::time_point now{};
    SimController sim;
};

void ShowFetchedAtOnce(benchmark::State& state) {
    Bench b;
    for (auto _ : state) {
        const auto h = b.Request(CallId::ShowVar, L"$OV_PRO");
        b.Run();
        benchmark::DoNotOptimize(b.Result(CallId::ShowVarResult, h));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(ShowFetchedAtOnce);

void SubscriptionBacklog(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Bench b;
    const auto watch = b.Request(CallId::SetInfo, L"$COUNTER");
    b.Run();
    b.Result(CallId::SetInfoResult, watch);
    std::vector<std::wstring> values;
    for (int i = 1; i <= 2 * n; ++i) values.push_back(std::to_wstring(i));
    int fetched = 0;
    int round = 0;
    for (auto _ : state) {
        for (int i = 0; i < n; ++i) {
            const auto set = b.Request(CallId::SetVar, L"$COUNTER", values[static_cast<std::size_t>(round * n + i)]);
            b.Run();
            b.Result(CallId::SetVarResult, set);
        }
        round ^= 1;
        while (b.Result(CallId::SetInfoResult, watch) == 1) ++fetched;
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["fetched"] = benchmark::Counter(fetched, benchmark::Counter::kAvgIterations);
}
BENCHMARK(SubscriptionBacklog)->Arg(64)->Arg(4096);

void MouseBacklog(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Bench b;
    b.Request(CallId::SetVar, L"$MOUSE_ACT", L"TRUE");
    b.Run();
    const std::int16_t mouse = 2;  // the switch's job took 1
    std::vector<std::int16_t> moves;
    int fetched = 0;
    for (auto _ : state) {
        moves.clear();
        for (int i = 0; i < n; ++i) moves.push_back(b.Request(CallId::EditExec, L"mouse 1 2 3 4 5 " + std::to_wstring(i)));
        b.Run();
        for (const auto h : moves) b.Result(CallId::EditExecResult, h);
        for (int i = 0; i < n; ++i) fetched += b.Mouse(mouse);
    }
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["fetched"] = benchmark::Counter(fetched, benchmark::Counter::kAvgIterations);
}
BENCHMARK(MouseBacklog)->Arg(64);

}  // namespace

BENCHMARK_MAIN();
