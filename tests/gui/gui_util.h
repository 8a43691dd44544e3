// Helpers for driving real windows in tests.
#pragma once
#include <functional>

#include <wx/app.h>
#include <wx/utils.h>

namespace vantel::test {

// Lets the toolkit deliver what is queued (input, paints, posted events).
inline void Pump(int rounds = 20) {
    for (int i = 0; i < rounds; ++i) {
        wxTheApp->Yield(true);
        wxMilliSleep(5);
    }
}

// Pumps until cond holds or the rounds run out; returns cond's last value.
inline bool PumpUntil(const std::function<bool()>& cond, int rounds = 400) {
    for (int i = 0; i < rounds && !cond(); ++i) Pump(1);
    return cond();
}

// Runs body inside the dialog's modal loop (after pumping first, when asked), then closes
// the dialog as its Close does.
template <class Dialog>
void RunModal(Dialog& dlg, std::function<void()> body, bool pumpFirst = false) {
    dlg.CallAfter([&dlg, body = std::move(body), pumpFirst] {
        if (pumpFirst) Pump();
        body();
        dlg.Close();
    });
    dlg.DoModal();
}

}  // namespace vantel::test
