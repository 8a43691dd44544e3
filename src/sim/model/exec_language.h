// The simulated controller's command language, run by EditExec: one command per call,
// each raising one kind of controller event on demand. docs/simulator.md lists it.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/outcome.h"

namespace vantel::link::sim {

enum class ExecVerb {
    Info, State, Ack, Wait,  // asynchronous messages
    Remove,                  // an asynchronous message leaves the buffer
    Confirm,                 // confirmed on the controller's own panel
    Dialog,                  // asynchronous dialog
    Reply,                   // an asynchronous dialog answered on the controller's panel
    Ask,                     // synchronous dialog on the command's own job
    SyncMsg,                 // synchronous message that ends the command's job
    Mouse, KeySwitch, Key, Progress,
    Fail,                    // the job fails (its result call returns 0)
    Abort,                   // the job is reported aborted
    Help,
};

struct ExecCommand {
    ExecVerb verb = ExecVerb::Help;
    std::vector<std::int64_t> numbers;
    std::wstring text;
    std::vector<std::wstring> answers;
};

inline constexpr std::size_t kMaxAnswers = 5;

// Reads one command; false with a reason (for the controller message) when it cannot.
OutcomeOf<ExecCommand> ParseExec(std::wstring_view line);

// One line per command, for "help".
std::wstring ExecHelp();

}  // namespace vantel::link::sim
