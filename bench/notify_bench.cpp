// Notifications per second: the console's whole round trip for one "S&how" result
// (command, post, dispatch, result call, message box on the text surface), against bare
// wxThreadEvents queued from a worker thread to a hidden frame. Run under xvfb-run for
// the second; without a display only the first runs.
#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <thread>

#include <unistd.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/frame.h>
#include <wx/init.h>

#include "batch/runner.h"
#include "jobs/messages.h"
#include "platform/winmsg.h"
#include "scratch_stores.h"

namespace {

constexpr int kShowCommand = 32711;
constexpr const char* kConsoleName = "console/ShowResult";
constexpr const char* kWxName = "wx/QueueThreadEvent";

// Counts the output lines and keeps nothing.
class LineCounter : public std::streambuf {
public:
    long lines = 0;

protected:
    int_type overflow(int_type c) override {
        if (c == '\n') ++lines;
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        for (std::streamsize i = 0; i < n; ++i) {
            if (s[i] == '\n') ++lines;
        }
        return n;
    }
};

void ConsoleShowResult(benchmark::State& state) {
    LineCounter counter;
    std::ostream out(&counter);
    vantel::batch::Runner runner(vantel::batch::Options{vantel::batch::LinkKind::Script, false, {}, {}}, out);
    runner.Open();
    auto& console = runner.Console();
    console.Field(1).Type(L"$OV_PRO");
    const std::int16_t& slot = console.Slots().block[vantel::slot::ShowVar];
    for (auto _ : state) {
        console.Command(kShowCommand);
        PostMessageW(runner.Window(), WM_PLEXA, static_cast<std::uint16_t>(slot), 0);
        runner.DispatchPending();
    }
    // One message box per result, and the slot free again: else nothing was measured.
    if (counter.lines != static_cast<long>(state.iterations()) || slot != 0) {
        state.SkipWithError("the results did not all come through");
    }
    state.SetItemsProcessed(state.iterations());
}

struct Posted {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// The worker posts a batch whenever the main thread asks for one.
class Poster {
public:
    explicit Poster(wxEvtHandler* target) : m_target(target), m_thread([this] { Run(); }) {}
    ~Poster() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    void Request(long count) {
        {
            std::lock_guard lock(m_mutex);
            m_pending += count;
        }
        m_wake.notify_one();
    }

private:
    void Run() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || m_pending > 0; });
            if (m_stop) return;
            const long n = m_pending;
            m_pending = 0;
            lock.unlock();
            for (long i = 0; i < n; ++i) {
                auto* event = new wxThreadEvent(wxEVT_THREAD);
                event->SetPayload(Posted{WM_PLEXA, static_cast<WPARAM>(i), 0});
                wxQueueEvent(m_target, event);
            }
            lock.lock();
        }
    }

    wxEvtHandler* m_target;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    long m_pending = 0;
    bool m_stop = false;
    std::thread m_thread;
};

void WxQueueThreadEvent(benchmark::State& state) {
    constexpr long kBatch = 1000;
    auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");  // never shown
    long delivered = 0;
    long target = 0;
    WPARAM checksum = 0;
    wxGUIEventLoop* loop = nullptr;
    frame->Bind(wxEVT_THREAD, [&](wxThreadEvent& e) {
        checksum += e.GetPayload<Posted>().wParam;
        if (++delivered == target) loop->Exit();
    });
    {
        Poster poster(frame);
        for (auto _ : state) {
            target += kBatch;
            wxGUIEventLoop batchLoop;
            loop = &batchLoop;
            poster.Request(kBatch);
            batchLoop.Run();
        }
    }
    const auto batches = static_cast<WPARAM>(state.iterations());
    if (delivered != target || checksum != batches * (kBatch * (kBatch - 1) / 2)) {
        state.SkipWithError("events were lost");
    }
    frame->Destroy();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBatch);
}

// Keeps each benchmark's rate for the comparison at the end.
class RateReporter : public benchmark::ConsoleReporter {
public:
    RateReporter() : ConsoleReporter(OO_Tabular) {}

    std::map<std::string, double> rates;

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && it != run.counters.end()) {
                rates[run.run_name.function_name] = it->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);

    ScratchStores stores;

    benchmark::RegisterBenchmark(kConsoleName, ConsoleShowResult)->UseRealTime();
    wxApp::SetInstance(new wxApp());
    const bool toolkit = wxEntryStart(argc, argv);
    if (toolkit) {
        benchmark::RegisterBenchmark(kWxName, WxQueueThreadEvent)->UseRealTime();
    } else {
        std::fprintf(stderr, "no display: %s not run (use xvfb-run)\n", kWxName);
    }

    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    const auto console = reporter.rates.find(kConsoleName);
    const auto wx = reporter.rates.find(kWxName);
    if (console != reporter.rates.end()) std::printf("console dispatch: %.0f notifications/s\n", console->second);
    if (wx != reporter.rates.end()) std::printf("wx event queue:   %.0f events/s\n", wx->second);
    if (console != reporter.rates.end() && wx != reporter.rates.end() && wx->second > 0) {
        std::printf("console / wx:     %.3f\n", console->second / wx->second);
    }

    if (toolkit) wxEntryCleanup();
    benchmark::Shutdown();
    return 0;
}
