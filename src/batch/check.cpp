#include "batch/check.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/command_socket.h"
#include "script/script.h"

extern char** environ;

namespace vantel::batch {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;

std::string BaseName(const std::string& path) { return fs::path(path).filename().string(); }

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// NAME.err beside NAME.out.
std::string ErrPath(const std::string& expected) {
    constexpr std::string_view kOut = ".out";
    if (expected.size() > kOut.size() && expected.ends_with(kOut))
        return expected.substr(0, expected.size() - kOut.size()) + ".err";
    return expected + ".err";
}

// The environment with these names set (or, with an empty value, removed).
std::vector<std::string> EnvironmentWith(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (!changes.contains(std::string(entry.substr(0, entry.find('='))))) env.emplace_back(entry);
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty()) env.push_back(name + "=" + value);
    }
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Starts argv (argv[0] a path; searched in PATH when env is null) in dir, in a process group
// of its own, with standard output and error appended to the two files. 0 with the reason
// when it cannot.
pid_t Start(std::vector<std::string> argv, std::vector<std::string>* env, const std::string& dir,
            const std::string& outPath, const std::string& errPath, std::string& problem) {
    std::vector<char*> args = Pointers(argv);
    std::vector<char*> envp;
    if (env != nullptr) envp = Pointers(*env);
    const pid_t pid = fork();
    if (pid < 0) {
        problem = std::string("cannot start a process: ") + std::strerror(errno);
        return 0;
    }
    if (pid == 0) {
        setpgid(0, 0);
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(127);
        if (!dir.empty() && chdir(dir.c_str()) != 0) _exit(127);
        if (env != nullptr) {
            execve(args[0], args.data(), envp.data());
        } else {
            execvp(args[0], args.data());
        }
        _exit(127);
    }
    setpgid(pid, pid);  // either side may get there first
    return pid;
}

// Waits for pid to end, at most bound (0: no bound); past it the process group is killed.
// Empty when it ended by itself, with its exit status in status; otherwise what went wrong.
std::string Finish(pid_t pid, std::chrono::seconds bound, int& status) {
    const auto deadline = Clock::now() + bound;
    int ws = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &ws, bound.count() > 0 ? WNOHANG : 0);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return std::string("lost its process: ") + std::strerror(errno);
        if (done == 0 && Clock::now() >= deadline) {
            kill(-pid, SIGKILL);
            while (waitpid(pid, &ws, 0) < 0 && errno == EINTR) {
            }
            return "still running after " + std::to_string(bound.count()) + " s, stopped";
        }
        if (done == 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFSIGNALED(ws)) return "ended by signal " + std::to_string(WTERMSIG(ws));
    status = WEXITSTATUS(ws);
    if (status == 127) return "could not be started";
    return {};
}

std::string Spawn(std::vector<std::string> argv, std::vector<std::string>* env, const std::string& dir,
                  const std::string& outPath, const std::string& errPath, std::chrono::seconds bound, int& status) {
    std::string problem;
    const pid_t pid = Start(std::move(argv), env, dir, outPath, errPath, problem);
    return pid == 0 ? problem : Finish(pid, bound, status);
}

// Generous bounds for a controller of a script's own: up and listening, and gone after SIGTERM.
constexpr std::chrono::seconds kControllerBound{20};

// env with name set to value, or removed when value is null.
void SetIn(std::vector<std::string>& env, const std::string& name, const std::string* value) {
    std::erase_if(env, [&](const std::string& entry) { return entry.starts_with(name + "="); });
    if (value != nullptr) env.push_back(name + "=" + *value);
}

// A controller of one script's own, started in that script's environment and ended when
// the script has run.
class ScriptController {
public:
    // Empty when it listens on socketPath; otherwise why not (and it is gone).
    std::string Begin(const std::string& program, std::vector<std::string> env, const std::string& workdir,
                      const std::string& socketPath, const std::string& logPath) {
        std::remove(socketPath.c_str());
        std::string problem;
        m_pid = Start({program, "--listen", "unix:" + socketPath}, &env, workdir, logPath, logPath, problem);
        if (m_pid == 0) return problem;
        const auto deadline = Clock::now() + kControllerBound;
        while (!remote::Answers(socketPath)) {
            int ws = 0;
            if (waitpid(m_pid, &ws, WNOHANG) == m_pid) {
                m_pid = 0;
                return "the controller ended before it listened (see " + logPath + ")";
            }
            if (Clock::now() >= deadline) {
                End();
                return "the controller did not listen within " + std::to_string(kControllerBound.count()) + " s";
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return {};
    }

    // SIGTERM; empty when it ended with status 0, otherwise how it ended.
    std::string End() {
        if (m_pid == 0) return {};
        kill(m_pid, SIGTERM);
        int status = 0;
        std::string problem = Finish(m_pid, kControllerBound, status);
        m_pid = 0;
        if (problem.empty() && status != 0) problem = "exit status " + std::to_string(status);
        return problem;
    }

    ~ScriptController() {
        if (m_pid != 0) {
            kill(-m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }

private:
    pid_t m_pid = 0;
};

// A unified diff of the two files, or a line saying why there is none.
std::string Diff(const std::string& expected, const std::string& expectedLabel, const std::string& actual,
                 const std::string& actualLabel, const std::string& scratch) {
    const std::string outPath = scratch + "/diff";
    std::remove(outPath.c_str());
    int status = 0;
    const std::string problem =
        Spawn({"diff", "-u", "--label", expectedLabel, "--label", actualLabel, expected, actual}, nullptr, {},
              outPath, outPath, std::chrono::seconds(0), status);
    std::string text;
    ReadFile(outPath, text);
    std::remove(outPath.c_str());
    if (!problem.empty() || status != 1) return "(no diff: \"diff -u\" " + (problem.empty() ? "failed" : problem) + ")\n";
    return text;
}

std::string Seconds(double s) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", s);
    return buf;
}

// Length of the well-formed UTF-8 sequence at text[i] that XML may hold, or 0.
std::size_t XmlChar(std::string_view text, std::size_t i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) return (b >= 0x20 || b == '\t' || b == '\n' || b == '\r') ? 1 : 0;
    const std::size_t n = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
    if (n == 0 || b > 0xF4 || i + n > text.size()) return 0;
    char32_t c = b & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto cont = static_cast<unsigned char>(text[i + k]);
        if ((cont & 0xC0) != 0x80) return 0;
        c = (c << 6) | (cont & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF) return 0;
    return n;
}

}  // namespace

bool ChoosesSimulator(const script::ScriptHeader& header) {
    std::string link = "sim";
    for (std::size_t i = 0; i < header.args.size(); ++i) {
        const std::string& word = header.args[i];
        if (word == "--link" && i + 1 < header.args.size()) link = header.args[++i];
        if (word.starts_with("--link=")) link = word.substr(7);
    }
    return link == "sim";
}

bool FindCases(const std::string& dir, std::vector<Case>& cases, std::string& error) {
    std::map<std::string, std::map<long, std::string>> parts;  // name -> part (0: alone) -> file
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec) {
        error = "cannot read " + dir + ": " + ec.message();
        return false;
    }
    for (const fs::directory_entry& entry : it) {
        const std::string file = entry.path().filename().string();
        if (!file.ends_with(".vbs") || entry.is_directory()) continue;
        std::string stem = file.substr(0, file.size() - 4);
        long part = 0;
        const std::size_t dot = stem.rfind('.');
        if (dot != std::string::npos && dot > 0 && dot + 1 < stem.size() &&
            std::all_of(stem.begin() + static_cast<long>(dot) + 1, stem.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            part = std::strtol(stem.c_str() + dot + 1, nullptr, 10);
            stem.resize(dot);
        }
        parts[stem][part] = entry.path().string();
    }
    for (const auto& [name, files] : parts) {
        Case c;
        c.name = name;
        c.expected = (fs::path(dir) / (name + ".out")).string();
        long next = files.begin()->first == 0 ? 0 : 1;
        for (const auto& [part, path] : files) {
            if (part != next) c.problem = "its parts must be " + name + ".1.vbs, " + name + ".2.vbs ... without a gap";
            c.scripts.push_back(path);
            ++next;
        }
        if (files.contains(0) && files.size() > 1) c.problem = "both " + name + ".vbs and numbered parts";
        cases.push_back(std::move(c));
    }
    return true;
}

Outcome RunCase(const Case& c, const CaseOptions& options) {
    Outcome o;
    o.name = c.name;
    const auto start = Clock::now();
    const auto fail = [&](const std::string& why) {
        if (o.why.empty()) o.why = why;
    };
    const auto done = [&] {
        o.passed = o.why.empty();
        o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        return o;
    };
    if (!c.problem.empty()) {
        fail(c.problem);
        return done();
    }

    std::vector<script::ScriptHeader> headers(c.scripts.size());
    for (std::size_t i = 0; i < c.scripts.size(); ++i) {
        std::ifstream in(c.scripts[i]);
        std::string first, error;
        int lines = 0;
        if (!in) {
            fail("cannot read " + c.scripts[i]);
        } else if (!script::ReadHeader(in, headers[i], first, lines, error)) {
            fail(BaseName(c.scripts[i]) + ": " + error);
        }
    }
    if (!o.why.empty()) return done();

    const char* tmp = std::getenv("TMPDIR");
    std::string scratch = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/vantel-check-XXXXXX";
    if (mkdtemp(scratch.data()) == nullptr) {
        fail("cannot make a folder for the run in " + fs::path(scratch).parent_path().string() + ": " +
             std::strerror(errno));
        return done();
    }
    std::error_code ec;
    std::string workdir = fs::current_path(ec).string();
    std::vector<std::string> env;
    if (options.fresh) {
        workdir = scratch + "/work";
        fs::create_directory(workdir);
        env = EnvironmentWith({{"VANTEL_REGISTRY", workdir + "/registry.db"},
                               {"VANTEL_MACHINE_REGISTRY", workdir + "/machine-registry.db"},
                               {"VANTEL_SIM_HOST_DIR", workdir + "/host"},
                               {"VANTEL_SIM_STATE_DIR", ""},
                               {"XDG_CONFIG_HOME", workdir + "/config"},
                               {"XDG_DATA_HOME", workdir + "/data"},
                               {"XDG_STATE_HOME", workdir + "/state"},
                               {"TZ", "UTC"}});
    } else {
        env = EnvironmentWith({});
    }
    const std::string outPath = scratch + "/stdout";
    const std::string errPath = scratch + "/stderr";
    WriteFile(outPath, {});
    WriteFile(errPath, {});

    for (std::size_t i = 0; i < c.scripts.size(); ++i) {
        std::vector<std::string> argv{options.self};
        argv.insert(argv.end(), options.args.begin(), options.args.end());
        ScriptController controller;
        if (!options.controller.empty() && ChoosesSimulator(headers[i])) {
            // The script's own environment, as vantel-batch would set it for its simulator.
            std::vector<std::string> controllerEnv = env;
            for (const std::string& word : headers[i].env) {
                std::string name, value;
                bool unset = false;
                script::SplitEnvWord(word, name, value, unset);
                value = script::ExpandWorkdir(value, workdir);
                SetIn(controllerEnv, name, unset ? nullptr : &value);
            }
            const std::string socketPath = scratch + "/controller.sock";
            const std::string problem =
                controller.Begin(options.controller, controllerEnv, workdir, socketPath, scratch + "/controller.log");
            if (!problem.empty()) {
                fail(BaseName(c.scripts[i]) + ": " + problem);
                break;
            }
            argv.push_back("--link=unix:" + socketPath);
        }
        argv.push_back(fs::absolute(c.scripts[i]).string());
        int status = 0;
        const std::string problem = Spawn(argv, &env, workdir, outPath, errPath, options.bound, status);
        const std::string controllerEnd = controller.End();
        const int expected = headers[i].status.value_or(0);
        if (!problem.empty()) {
            fail(BaseName(c.scripts[i]) + ": " + problem);
            break;
        }
        if (!controllerEnd.empty()) {
            fail(BaseName(c.scripts[i]) + ": its controller on SIGTERM: " + controllerEnd + " (see " + scratch +
                 "/controller.log)");
            break;
        }
        if (status != expected) {
            fail(BaseName(c.scripts[i]) + ": exit status " + std::to_string(status) + ", expected " +
                 std::to_string(expected));
            break;
        }
    }
    for (const script::ScriptHeader& header : headers) {
        for (const std::string& path : header.absent) {
            struct stat st {};
            const std::string full = path.front() == '/' ? path : workdir + "/" + path;
            if (lstat(full.c_str(), &st) == 0) fail(path + " exists after the run");
        }
    }

    std::string out, err, expectedOut, expectedErr;
    ReadFile(outPath, out);
    ReadFile(errPath, err);
    const std::string errFile = ErrPath(c.expected);
    const bool haveOut = ReadFile(c.expected, expectedOut);
    const bool haveErr = ReadFile(errFile, expectedErr);
    if (options.update) {
        const bool rewrite = !haveOut || out != expectedOut;
        if (rewrite && !WriteFile(c.expected, out)) fail("cannot write " + c.expected);
        if (!err.empty() && err != expectedErr && !WriteFile(errFile, err)) fail("cannot write " + errFile);
        if (err.empty() && haveErr && std::remove(errFile.c_str()) != 0) fail("cannot remove " + errFile);
        o.updated = rewrite || err != expectedErr;
    } else {
        const std::string outLabel = BaseName(c.expected);
        const std::string errLabel = BaseName(errFile);
        if (!haveOut) {
            fail("no " + outLabel + " (--update writes it)");
        } else if (out != expectedOut) {
            fail("standard output differs from " + outLabel);
            o.details += Diff(c.expected, outLabel, outPath, outLabel + " (this run)", scratch);
        }
        if (err != expectedErr) {
            fail("standard error differs from " + (haveErr ? errLabel : std::string("nothing")));
            o.details += Diff(haveErr ? errFile : "/dev/null", haveErr ? errLabel : "(nothing)", errPath,
                              errLabel + " (this run)", scratch);
        }
    }
    if (!o.why.empty() && (options.fresh || !options.controller.empty())) {
        o.details += "its files are kept in " + scratch + "\n";
    } else {
        fs::remove_all(scratch, ec);
    }
    return done();
}

void Report(const Outcome& outcome, std::ostream& out) {
    if (outcome.passed) {
        out << (outcome.updated ? "updated " : "ok ") << outcome.name << '\n';
    } else {
        out << "FAILED " << outcome.name << ": " << outcome.why << '\n';
    }
    out << outcome.details;
}

std::string XmlEscape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = XmlChar(text, i);
        if (n == 0) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(text[i]));
            out += buf;
            ++i;
            continue;
        }
        switch (text[i]) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out.append(text.substr(i, n));
        }
        i += n;
    }
    return out;
}

std::string JUnitXml(const std::string& suite, const std::vector<Outcome>& outcomes) {
    const auto failures = std::count_if(outcomes.begin(), outcomes.end(), [](const Outcome& o) { return !o.passed; });
    double total = 0;
    for (const Outcome& o : outcomes) total += o.seconds;
    const std::string counts =
        " tests=\"" + std::to_string(outcomes.size()) + "\" failures=\"" + std::to_string(failures) + "\"";
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites" + counts + ">\n";
    xml += "  <testsuite name=\"" + XmlEscape(suite) + "\"" + counts + " errors=\"0\" time=\"" + Seconds(total) + "\">\n";
    for (const Outcome& o : outcomes) {
        xml += "    <testcase classname=\"" + XmlEscape(suite) + "\" name=\"" + XmlEscape(o.name) + "\" time=\"" +
               Seconds(o.seconds) + "\"";
        if (o.passed) {
            xml += "/>\n";
            continue;
        }
        xml += ">\n      <failure message=\"" + XmlEscape(o.why) + "\">" + XmlEscape(o.details) +
               "</failure>\n    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

}  // namespace vantel::batch
