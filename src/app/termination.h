// SIGTERM, SIGINT and SIGHUP end the console as its Close does. The three are blocked in
// every thread and taken by one thread of ours with sigwait, which only posts a message:
// no handler runs inside whatever the user-interface thread happened to be doing.
#pragma once
#include "platform/wintypes.h"

namespace vantel {

// In main(), before any thread starts, so that every thread inherits the mask.
void BlockTerminationSignals();

// Starts the thread that takes the signals (once). A signal is posted as (msg, signal, 0)
// to the window set below; with no window, or at a second signal, the process ends at
// once with status 128 + signal, as the signal itself would end it.
void WatchTerminationSignals();

// The window that closes on a signal; 0 for none.
void SetTerminationTarget(HWND window, UINT msg);

}  // namespace vantel
