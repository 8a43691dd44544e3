// The journal window at the journal's bound: opened on 100,000 entries until its list has
// painted the newest of them, filtered by a text, and a batch of 1,000 new entries (dropping
// as many old ones) taken into an open window until it has painted again. Needs a display:
// run under xvfb-run.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include <unistd.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/listctrl.h>

#include "batch/runner.h"
#include "dialog/journal_wnd.h"
#include "platform/registry.h"
#include "scratch_stores.h"

namespace {

using vantel::JournalEntry;
using vantel::JournalKind;

constexpr std::size_t kEntries = 100'000;
constexpr int kBatch = 1000;

// A command's round trip as the console records it: command, request, notification, fetch,
// box, freed slot.
JournalEntry MakeEntry(std::uint64_t n) {
    static constexpr JournalKind kinds[] = {JournalKind::Command, JournalKind::Request, JournalKind::Notification,
                                            JournalKind::Fetch,   JournalKind::Box,     JournalKind::SlotFreed};
    JournalEntry e;
    e.kind = kinds[n % std::size(kinds)];
    e.id = 32711;
    e.path = L"Variablen/Show";
    e.handle = static_cast<std::int16_t>(n / 6 % 30000 + 1);
    e.slot = 13;
    if (e.kind == JournalKind::Command) e.params = {L"$OV_PRO", L"", L"", L"", L"", L"", L"", L"", L"", L""};
    if (e.kind == JournalKind::Request) e.call = "ShowVar(\"$OV_PRO\", \"\") -> " + std::to_string(*e.handle);
    if (e.kind == JournalKind::Fetch) e.call = "ShowVarResult(" + std::to_string(*e.handle) + ", \"100\") -> 1";
    if (e.kind == JournalKind::Box) e.text = L"100";
    if (e.kind != JournalKind::Command && e.kind != JournalKind::Request) e.latencyMs = 20;
    return e;
}

// Counts the paints of the list's rows: its main window, the one of its two children (the
// other is the column header) taller than a few lines.
class PaintCounter {
public:
    explicit PaintCounter(wxListCtrl& list) {
        for (wxWindow* child : list.GetChildren()) {
            child->Bind(wxEVT_PAINT, [this, child](wxPaintEvent& e) {
                if (child->GetSize().y > 3 * child->GetCharHeight()) ++paints;
                e.Skip();
            });
        }
    }
    long paints = 0;
};

// Dispatches until the rows have been painted once more than before.
bool PumpUntilPainted(const PaintCounter& counter, long before) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    while (counter.paints == before && std::chrono::steady_clock::now() < deadline) {
        while (loop->Pending()) loop->Dispatch();
        if (!wxTheApp->ProcessIdle()) loop->DispatchTimeout(10);
    }
    return counter.paints > before;
}

struct Console {
    std::ostringstream out;
    vantel::batch::Runner runner{vantel::batch::Options{vantel::batch::LinkKind::Script, false, {}, {}}, out};
    Console() {
        runner.Open();
        for (std::size_t i = 0; i < kEntries; ++i) runner.Console().GetJournal().Add(MakeEntry(i));
    }
    vantel::Journal& Journal() { return runner.Console().GetJournal(); }
};

void Close(vantel::CJournalWnd* wnd) {
    wnd->Detach();
    wnd->Destroy();
    wxTheApp->ProcessIdle();  // deletes it
}

bool ShowsNewest(vantel::CJournalWnd& wnd, const vantel::Journal& journal) {
    wxListCtrl& list = *wnd.List();
    const long count = list.GetItemCount();
    return count == static_cast<long>(journal.Size()) && list.GetTopItem() + list.GetCountPerPage() >= count &&
           wnd.EntryOfRow(count - 1)->seq == journal.LastSeq();
}

void OpenOn100k(benchmark::State& state) {
    Console console;
    if (console.Journal().Size() != kEntries) {
        state.SkipWithError("the journal dropped entries before its count bound");
        return;
    }
    CRegPair app(L"Plexa.Vantel", false);
    for (auto _ : state) {
        auto* wnd = new vantel::CJournalWnd(console.runner.Console(), app);
        PaintCounter counter(*wnd->List());
        wnd->Present();
        const bool painted = PumpUntilPainted(counter, 0);
        state.PauseTiming();
        const bool shown = painted && ShowsNewest(*wnd, console.Journal());
        Close(wnd);
        if (!shown) {
            state.SkipWithError(painted ? "the list did not show the newest entry" : "the list was not painted");
            break;
        }
        state.ResumeTiming();
    }
    state.counters["entries"] = static_cast<double>(kEntries);
}

// A journal window on the console's entries, shown and painted once.
struct OpenWindow {
    explicit OpenWindow(Console& console)
        : wnd(new vantel::CJournalWnd(console.runner.Console(), app)), counter(*wnd->List()) {
        wnd->Present();
        PumpUntilPainted(counter, 0);
    }
    ~OpenWindow() { Close(wnd); }
    CRegPair app{L"Plexa.Vantel", false};
    vantel::CJournalWnd* wnd;
    PaintCounter counter;
};

void Append1000AtTheBound(benchmark::State& state) {
    Console console;
    OpenWindow open(console);
    vantel::CJournalWnd* wnd = open.wnd;
    PaintCounter& counter = open.counter;
    std::uint64_t n = kEntries;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kBatch; ++i) console.Journal().Add(MakeEntry(n++));
        const long before = counter.paints;
        state.ResumeTiming();
        wnd->FlushRefresh();
        if (!PumpUntilPainted(counter, before) || !ShowsNewest(*wnd, console.Journal())) {
            state.SkipWithError("the list did not follow the new entries");
            break;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kBatch);
}

// One keystroke's worth of filtering, alternately narrowing to the entries whose call holds
// a text (every fetch, a sixth of them) and widening again, until the list has painted.
void FilterOn100k(benchmark::State& state) {
    Console console;
    OpenWindow open(console);
    vantel::CJournalWnd* wnd = open.wnd;
    PaintCounter& counter = open.counter;
    bool narrow = false;
    for (auto _ : state) {
        narrow = !narrow;
        const long before = counter.paints;
        wnd->FilterField()->SetValue(narrow ? L"showvarresult" : L"");
        if (!PumpUntilPainted(counter, before) ||
            wnd->List()->GetItemCount() != static_cast<long>(narrow ? (kEntries + 2) / 6 : kEntries)) {
            state.SkipWithError("the filter did not narrow the list");
            break;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ScratchStores stores;

    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display: the journal window's benchmarks need one (use xvfb-run)\n");
        return 1;
    }
    benchmark::RegisterBenchmark("JournalWindow/OpenOn100k", OpenOn100k)->UseRealTime()->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("JournalWindow/FilterOn100k", FilterOn100k)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("JournalWindow/Append1000AtTheBound", Append1000AtTheBound)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator active(&loop);
        benchmark::RunSpecifiedBenchmarks();
    }
    wxEntryCleanup();
    benchmark::Shutdown();
    return 0;
}
