// vantel-batch as a regression runner: scripts run in child processes of their own and their
// output compared with the expected files beside them.
#pragma once
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "script/script.h"

namespace vantel::batch {

// A script NAME.vbs, or a group NAME.1.vbs, NAME.2.vbs, ... run in turn on one work folder,
// against NAME.out (and NAME.err when it exists; otherwise standard error must stay empty).
struct Case {
    std::string name;
    std::vector<std::string> scripts;
    std::string expected;  // NAME.out, whether it exists or not
    std::string problem;   // why the case cannot run; empty when it can
};

// The cases of dir, ordered by name. False with the reason when dir cannot be read.
bool FindCases(const std::string& dir, std::vector<Case>& cases, std::string& error);

struct CaseOptions {
    std::string self;               // this program, run for each script
    std::vector<std::string> args;  // options each run gets before the script
    // A fresh work folder, stores, host folder and TZ=UTC for the case (--check); otherwise
    // the current folder and the environment as they are (--expect).
    bool fresh = true;
    bool update = false;  // rewrite the expected files from this run's output
    std::chrono::seconds bound{0};  // a script still running after this is stopped; 0: no bound
    // vantel-controller: each script that does not use the scripted link runs against a fresh
    // one of its own, started in the script's environment and ended by SIGTERM. Empty: none.
    std::string controller;
};

// Whether a script's headers choose the simulated controller (by "--link sim" or by naming
// no link), the one a controller of its own can stand in for.
bool ChoosesSimulator(const script::ScriptHeader& header);

struct Outcome {
    std::string name;
    bool passed = false;
    bool updated = false;  // the expected files were (re)written
    std::string why;       // the first failure, one line
    std::string details;   // the differences (unified diffs) and where the files were kept
    double seconds = 0;
};

Outcome RunCase(const Case& c, const CaseOptions& options);

// "ok NAME", "updated NAME" or "FAILED NAME: why", then the details.
void Report(const Outcome& outcome, std::ostream& out);

// A JUnit report: one test case per outcome, a failure with its message and details.
std::string JUnitXml(const std::string& suite, const std::vector<Outcome>& outcomes);

// Text for XML content and attributes: markup escaped; characters XML cannot hold (control
// characters, broken UTF-8) written as "\xNN".
std::string XmlEscape(std::string_view text);

}  // namespace vantel::batch
