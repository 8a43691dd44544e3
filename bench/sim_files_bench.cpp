// The simulated controller's files through the console at latency 0: a 10,000-line module
// opened, read whole into a message box and closed ("Module&Code"), and a 1 MiB file copied
// from the host folder to the controller ("&DownLoad") and back ("&UpLoad"). Every job is the
// whole round trip: command, the simulator's worker, the post, dispatch, result call, box.
// The host folder and the registry stores are a temporary folder, removed at the end.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "batch/runner.h"

namespace {

namespace fs = std::filesystem;

constexpr int kDownLoad = 32721;
constexpr int kUpLoad = 32722;
constexpr int kCodeOpen = 32866;
constexpr int kCodeClose = 32867;
constexpr int kCodeGetLines = 32868;

constexpr long kModuleLines = 10000;
constexpr std::size_t kFileBytes = 1 << 20;

// Keeps the last "box: " line (escaped as the text surface writes it) and drops the rest.
class BoxCapture : public std::streambuf {
public:
    std::string last;

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            const char ch = traits_type::to_char_type(c);
            xsputn(&ch, 1);
        }
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        const char* end = s + n;
        while (s != end) {
            const char* nl = static_cast<const char*>(std::memchr(s, '\n', static_cast<std::size_t>(end - s)));
            m_line.append(s, nl != nullptr ? nl : end);
            if (nl == nullptr) break;
            if (m_line.starts_with("box: ")) last.swap(m_line);
            m_line.clear();
            s = nl + 1;
        }
        return n;
    }

private:
    std::string m_line;
};

// Line breaks in an escaped box: "\n" counts, "\\n" (a backslash, then n) does not.
long EscapedBreaks(const std::string& text) {
    long n = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '\\') continue;
        if (text[i + 1] == 'n') ++n;
        ++i;
    }
    return n;
}

bool WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The console on a text surface whose boxes are kept.
struct Console {
    BoxCapture capture;
    std::ostream out{&capture};
    vantel::batch::Runner runner{vantel::batch::Options{vantel::batch::LinkKind::Sim, false, {}, {}}, out};

    // Fields 1.. in order, then the command; the box its result showed ("" for none).
    const std::string& Run(int id, const std::vector<std::wstring>& fields) {
        int n = 1;
        for (const auto& text : fields) runner.Console().Field(n++).Type(text);
        capture.last.clear();
        if (!runner.Console().Command(id)) capture.last = "(no command " + std::to_string(id) + ")";
        runner.WaitIdle();
        return capture.last;
    }

    // "&Open" of the module; its handle, or 0 with the box in why.
    long Open(std::string& why) {
        const std::string& box = Run(kCodeOpen, {L"USER:/BIG.SRC", L"0", L"0", L"bench"});
        constexpr std::string_view kPrefix = "box: ModuleCodeOpen ";
        const long handle = box.starts_with(kPrefix) ? std::strtol(box.c_str() + kPrefix.size(), nullptr, 10) : 0;
        if (handle == 0) why = box;
        return handle;
    }
};

// Removes the temporary folder however main ends.
struct TempRoot {
    fs::path path;
    ~TempRoot() {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
};

int Fail(const std::string& what) {
    std::fprintf(stderr, "vantel_sim_files: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;

    TempRoot root;
    std::string pattern = (fs::temp_directory_path() / "vantel_sim_files.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return Fail("cannot make a temporary folder");
    root.path = pattern;
    const fs::path host = root.path / "host";
    std::error_code error;
    if (!fs::create_directory(host, error)) return Fail("cannot make " + host.string());
    // All before the console starts: the simulator reads them once.
    setenv("VANTEL_SIM_HOST_DIR", host.c_str(), 1);
    setenv("VANTEL_SIM_LATENCY_MS", "0", 1);
    setenv("VANTEL_REGISTRY", (root.path / "user.db").c_str(), 1);
    setenv("VANTEL_MACHINE_REGISTRY", (root.path / "machine.db").c_str(), 1);

    std::string module = "DEF BIG ( )\n";
    for (long i = 1; i <= kModuleLines - 2; ++i) module += i % 2 != 0 ? "  PTP P1\n" : "  $COUNTER = 1\n";
    module += "END\n";
    // A pseudo-random pattern with every byte value, NUL and '\n' among them.
    std::string file(kFileBytes, '\0');
    std::uint32_t x = 2463534242u;
    for (char& c : file) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    if (!WriteFile(host / "BIG.SRC", module) || !WriteFile(host / "BIG.BIN", file))
        return Fail("cannot write the host files");

    Console c;
    c.runner.Open();

    // Checked once, before anything is measured.
    if (const auto& box = c.Run(kDownLoad, {L"BIG.SRC", L"USER:/BIG.SRC", L""}); box != "box: DownLoad o.k.")
        return Fail("download of BIG.SRC: " + box);
    std::string why;
    const long handle = c.Open(why);
    if (handle == 0) return Fail("open of BIG.SRC: " + why);
    const std::string linesBox = c.Run(kCodeGetLines, {std::to_wstring(handle), L"1", L"0"});
    // "ModuleCodeGetLines" and a break before each line.
    if (!linesBox.starts_with("box: ModuleCodeGetLines\\n") || EscapedBreaks(linesBox) != kModuleLines)
        return Fail("the lines box holds " + std::to_string(EscapedBreaks(linesBox)) + " lines, not " +
                    std::to_string(kModuleLines) + ": " + linesBox.substr(0, 200));
    if (const auto& box = c.Run(kCodeClose, {std::to_wstring(handle), L"1", L"0"}); box != "box: ModuleCodeClose o.k.")
        return Fail("close of BIG.SRC: " + box);
    if (const auto& box = c.Run(kDownLoad, {L"BIG.BIN", L"USER:/BIG.BIN", L""}); box != "box: DownLoad o.k.")
        return Fail("download of BIG.BIN: " + box);
    if (const auto& box = c.Run(kUpLoad, {L"USER:/BIG.BIN", L"BIG_UP.BIN", L""}); box != "box: UpLoad o.k.")
        return Fail("upload of BIG.BIN: " + box);
    if (ReadFile(host / "BIG_UP.BIN") != file) return Fail("BIG_UP.BIN is not byte-identical to BIG.BIN");

    // The work is on the simulator's thread, so the figures are wall-clock time: ms per
    // operation, lines per second (items) and bytes per second (binary prefixes, G = 2^30).
    // Each iteration checks its boxes; a lines box of another size than the one counted
    // above has lost or gained lines. A fault ends that benchmark and, at the end, the run.
    bool faulty = false;
    const auto readModule = [&](benchmark::State& state) {
        for (auto _ : state) {
            std::string fault;
            const long h = c.Open(fault);
            if (h != 0) {
                const std::wstring text = std::to_wstring(h);
                if (const auto& box = c.Run(kCodeGetLines, {text, L"1", L"0"}); box.size() != linesBox.size())
                    fault = "lines box: " + box.substr(0, 200);
                if (const auto& box = c.Run(kCodeClose, {text, L"1", L"0"}); box != "box: ModuleCodeClose o.k.")
                    fault += box;
            }
            if (!fault.empty()) {
                faulty = true;
                state.SkipWithError(fault.c_str());
                break;
            }
        }
        state.SetItemsProcessed(state.iterations() * kModuleLines);
    };
    const auto transfer = [&](int id, std::vector<std::wstring> fields, std::string ok) {
        return [&c, &faulty, id, fields = std::move(fields), ok = std::move(ok)](benchmark::State& state) {
            for (auto _ : state) {
                if (const auto& box = c.Run(id, fields); box != ok) {
                    faulty = true;
                    state.SkipWithError(box.c_str());
                    break;
                }
            }
            state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kFileBytes));
        };
    };
    const auto download = transfer(kDownLoad, {L"BIG.BIN", L"USER:/BIG.BIN", L""}, "box: DownLoad o.k.");
    const auto upload = transfer(kUpLoad, {L"USER:/BIG.BIN", L"BIG_UP.BIN", L""}, "box: UpLoad o.k.");
    for (auto* b : {benchmark::RegisterBenchmark("module/OpenGetLinesClose_10000", readModule),
                    benchmark::RegisterBenchmark("file/DownLoad_1MiB", download),
                    benchmark::RegisterBenchmark("file/UpLoad_1MiB", upload)}) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    }

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return faulty ? Fail("a benchmark failed (see ERROR above)") : 0;
}
