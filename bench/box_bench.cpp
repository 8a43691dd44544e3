// The time to open a message box with a 10,000-line result, from its construction until
// its first paint, through the same modal path the console takes. The text view lays out
// the lines beyond the visible ones afterwards, in slices between other events. Needs a
// display: run under xvfb-run. Budget: 100 ms.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>

#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/textctrl.h>

#include "dialog/message_box.h"

namespace {

constexpr int kLines = 10'000;

std::wstring Listing() {
    std::wstring text = L"Dir: USER:/R1";
    for (int i = 1; i <= kLines; ++i) {
        text += L"\r\nPROG" + std::to_wstring(i) + L".SRC  " + std::to_wstring(1000 + i) +
                L"  2024-05-17 09:41  RW  operator  pick and place, cell 1";
    }
    return text;
}

void OpenTenThousandLineBox(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    const std::wstring text = Listing();
    wxFrame owner(nullptr, wxID_ANY, L"PLEXA-Vantel", wxDefaultPosition, wxSize(600, 300));
    owner.Show();
    const wxRect screen = wxDisplay(&owner).GetClientArea();
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        Clock::time_point shown;
        bool painted = false;
        vantel::CMessageBox box(&owner, text);
        box.Bind(wxEVT_PAINT, [&](wxPaintEvent&) {
            wxPaintDC dc(&box);
            if (painted) return;
            painted = true;
            shown = Clock::now();
            box.EndModal(wxID_OK);
        });
        box.ShowModal();
        // Checked outside the time: the whole text, in a box within the screen.
        if (!painted || !screen.Contains(box.GetScreenRect()) || box.Text()->GetNumberOfLines() != kLines + 1) {
            state.SkipWithError("the box did not show the whole text within the screen");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(shown - start).count());
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv)) {
        std::fprintf(stderr, "no display (use xvfb-run)\n");
        return 1;
    }
    benchmark::RegisterBenchmark("box/Open10000Lines", OpenTenThousandLineBox)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    wxEntryCleanup();
    benchmark::Shutdown();
    return 0;
}
