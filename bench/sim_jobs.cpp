// Jobs per second through the console against the simulated controller at latency 0
// ("S&how" round trips: command, the simulator's worker, the post, dispatch, result call,
// message box on the text surface), and the resident memory after 1,000 jobs against after
// all of them: vantel_sim_jobs [JOBS] [--journal FILE] (default 1,000,000 jobs; with
// --journal every journal entry also goes to FILE as JSON Lines, as vantel-batch writes it).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <streambuf>
#include <string>

#include "batch/runner.h"
#include "jobs/slots.h"

namespace {

constexpr int kShowCommand = 32711;

class Discard : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    long jobs = 1000000;
    std::string journal;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--journal" && i + 1 < argc) {
            journal = argv[++i];
        } else {
            jobs = std::strtol(argv[i], nullptr, 10);
        }
    }
    if (jobs < 1000) {
        std::fprintf(stderr, "usage: vantel_sim_jobs [JOBS >= 1000] [--journal FILE]\n");
        return 2;
    }
    setenv("VANTEL_SIM_LATENCY_MS", "0", 1);
    // Histories go nowhere near the user's own store.
    setenv("VANTEL_REGISTRY", "/dev/null/none.db", 1);
    setenv("VANTEL_MACHINE_REGISTRY", "/dev/null/none.db", 1);

    Discard discard;
    std::ostream out(&discard);
    vantel::batch::Runner runner(vantel::batch::Options{vantel::batch::LinkKind::Sim, false, journal, {}}, out);
    std::string error;
    if (!runner.OpenJournal(error)) {
        std::fprintf(stderr, "journal: %s\n", error.c_str());
        return 3;
    }
    runner.Open();
    auto& console = runner.Console();
    console.Field(1).Type(L"$OV_PRO");
    const std::int16_t& slot = console.Slots().block[vantel::slot::ShowVar];

    long rssAfter1000 = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 1; i <= jobs; ++i) {
        console.Command(kShowCommand);
        runner.WaitIdle();
        if (slot != 0) {
            std::fprintf(stderr, "job %ld: the result did not come back\n", i);
            return 1;
        }
        if (i == 1000) rssAfter1000 = ResidentKb();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long rssAfterAll = ResidentKb();
    const auto entries = runner.Console().GetJournal().LastSeq();
    std::printf("jobs: %ld in %.2f s, %.0f jobs/s; journal: %llu entries, %.0f entries/s%s\n", jobs, seconds,
                jobs / seconds, static_cast<unsigned long long>(entries), entries / seconds,
                journal.empty() ? "" : " (file on)");
    std::printf("resident memory: %ld KB after 1000 jobs, %ld KB after %ld (%+ld KB)\n", rssAfter1000, rssAfterAll,
                jobs, rssAfterAll - rssAfter1000);
    return 0;
}
