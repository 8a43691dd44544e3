// vantel-batch: the console driven by a script instead of a person, for tests and
// for reproducing what a session did.
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "batch/check.h"
#include "batch/command_list.h"
#include "batch/runner.h"
#include "platform/registry.h"
#include "platform/version.h"
#include "platform/text.h"
#include "commands/catalogue.h"
#include "remote/remote_link.h"
#include "script/script.h"

namespace {

constexpr char kUsage[] =
    "usage: vantel-batch [--link sim|script|unix:PATH|tcp:HOST:PORT] [--token-file FILE] [--ca FILE]\n"
    "                    [--trace] [--journal FILE] [--registry STORE] [SCRIPT]\n"
    "       vantel-batch [OPTIONS] --expect FILE.out [--controller PROGRAM] [--update]\n"
    "                    [--junit REPORT] SCRIPT\n"
    "       vantel-batch [OPTIONS] --check DIR [--only NAME] [--controller PROGRAM] [--update]\n"
    "                    [--junit REPORT]\n"
    "       vantel-batch --commands [--json]\n"
    "       vantel-batch --version | --registered\n"
    "Runs the console on a text surface, one script command per line (standard input\n"
    "without SCRIPT). The script's \"# env:\" and \"# args:\" headers apply first; options given\n"
    "here win. --link unix:PATH or tcp:HOST:PORT talks to a running vantel-controller, with\n"
    "the bearer token of --token-file (else $VANTEL_LINK_TOKEN_FILE) and, for tcp, TLS\n"
    "trusting --ca (else $VANTEL_LINK_CA). --journal writes every event as JSON Lines to\n"
    "FILE. --registry reads the field histories from STORE and saves them there at \"close\";\n"
    "without it a run starts with none.\n"
    "--expect compares the output with FILE.out (and FILE.err) and shows a diff; --check runs\n"
    "every script of DIR so, each in a fresh folder; --update rewrites the expected files from\n"
    "the output; --junit writes a JUnit report. With --controller each script on the\n"
    "simulated controller runs against a fresh PROGRAM (vantel-controller) of its own.\n"
    "Exit status: 0 the script ran to its end (and matched), 1 an expectation failed,\n"
    "2 a usage error or a line that cannot be run, 3 an outside failure (a store, the\n"
    "journal file, a controller that cannot be reached or is lost).\n"
    "--commands lists every command a script can choose with \"menu ID\": its id, where it is,\n"
    "the calls it makes, the fields it reads (argument, reader), the values it passes itself,\n"
    "its job slot and whether it refuses while busy; --json prints the list as JSON.\n"
    "--version prints this program's version; --registered prints the version registered\n"
    "for this user (nothing when none).\n";

// How long one script of --check may run: generous, only so that a hanging one fails.
constexpr std::chrono::seconds kCheckBound{60};

// From the version block, as the console reads its own, so the two cannot disagree.
std::string OwnVersion() {
    std::wstring internalName, fileVersion;
    vantel::ReadVersionInfo(internalName, fileVersion);
    return vantel::ToUtf8(fileVersion);
}

// "--name VALUE" or "--name=VALUE" at args[i]: true when it is this option, with i moved past
// its value; value stays empty when "--name" is the last argument.
bool TakeValue(std::string_view name, const std::vector<std::string>& args, std::size_t& i,
               std::optional<std::string>& value) {
    const std::string_view arg = args[i];
    if (arg == name) {
        if (i + 1 < args.size()) value = args[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        value = std::string(arg.substr(name.size() + 1));
        return true;
    }
    return false;
}

// The options of one run, from the command line or a script's "# args:".
struct RunArgs {
    std::optional<vantel::batch::LinkKind> link;
    std::string endpoint;  // LinkKind::Remote
    std::optional<std::string> tokenFile, ca;
    bool trace = false;
    std::optional<std::string> journal;
    std::optional<std::string> registry;
};

enum class Took { No, Yes, Bad };

// A run option at args[i]; Bad with the problem.
Took TakeRunOption(const std::vector<std::string>& args, std::size_t& i, RunArgs& run, std::string& problem) {
    std::optional<std::string> value;
    const auto bad = [&](std::string why) {
        problem = std::move(why);
        return Took::Bad;
    };
    if (args[i] == "--trace") {
        run.trace = true;
    } else if (TakeValue("--journal", args, i, value)) {
        if (!value || value->empty()) return bad("--journal needs a file");
        run.journal = value;
    } else if (TakeValue("--registry", args, i, value)) {
        if (!value || value->empty()) return bad("--registry needs a store file");
        run.registry = value;
    } else if (TakeValue("--link", args, i, value)) {
        if (!value) return bad("--link needs sim, script, unix:PATH or tcp:HOST:PORT");
        vantel::remote::Endpoint endpoint;
        std::string error;
        if (*value == "sim") {
            run.link = vantel::batch::LinkKind::Sim;
        } else if (*value == "script") {
            run.link = vantel::batch::LinkKind::Script;
        } else if (value->starts_with("unix:") || value->starts_with("tcp:")) {
            if (!vantel::remote::ParseEndpoint(*value, endpoint, error)) return bad("--link " + error);
            run.link = vantel::batch::LinkKind::Remote;
            run.endpoint = *value;
        } else {
            return bad("unknown link \"" + *value + "\"");
        }
    } else if (TakeValue("--token-file", args, i, value)) {
        if (!value || value->empty()) return bad("--token-file needs a file");
        run.tokenFile = value;
    } else if (TakeValue("--ca", args, i, value)) {
        if (!value || value->empty()) return bad("--ca needs a file");
        run.ca = value;
    } else {
        return Took::No;
    }
    return Took::Yes;
}

// The same options as words, for a child run in another folder: files stay where the
// caller meant them.
std::vector<std::string> Words(const RunArgs& run) {
    std::vector<std::string> words;
    const auto absolute = [](const std::string& path) { return std::filesystem::absolute(path).string(); };
    if (run.link == vantel::batch::LinkKind::Remote) {
        words.push_back("--link=" + (run.endpoint.starts_with("unix:") ? "unix:" + absolute(run.endpoint.substr(5))
                                                                        : run.endpoint));
    } else if (run.link) {
        words.push_back(*run.link == vantel::batch::LinkKind::Sim ? "--link=sim" : "--link=script");
    }
    if (run.tokenFile) words.push_back("--token-file=" + absolute(*run.tokenFile));
    if (run.ca) words.push_back("--ca=" + absolute(*run.ca));
    if (run.trace) words.push_back("--trace");
    if (run.journal) words.push_back("--journal=" + absolute(*run.journal));
    if (run.registry) words.push_back("--registry=" + absolute(*run.registry));
    return words;
}

int Usage(const std::string& problem) {
    std::cerr << "vantel-batch: " << problem << '\n' << kUsage;
    return 2;
}

int LineError(int line, const std::string& problem) {
    std::cerr << "vantel-batch: line " << line << ": " << problem << '\n';
    return 2;
}

struct Command {
    RunArgs run;
    std::optional<std::string> expect, check, only, junit, controller;
    bool update = false;
    bool commands = false, json = false;
    std::vector<std::string> scripts;
};

// --expect and --check: every script in a child run of this program, compared with what
// it should print.
int Check(const Command& command) {
    using namespace vantel::batch;
    CaseOptions options;
    std::error_code ec;
    options.self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec) {
        std::cerr << "vantel-batch: cannot find this program: " << ec.message() << '\n';
        return 3;
    }
    options.args = Words(command.run);
    if (command.controller) options.controller = std::filesystem::absolute(*command.controller).string();
    options.update = command.update;
    std::vector<Case> cases;
    std::string suite;
    if (command.expect) {
        if (command.scripts.size() != 1 || command.scripts[0] == "-") return Usage("--expect needs a SCRIPT file");
        const std::filesystem::path script(command.scripts[0]);
        if (!std::ifstream(script)) {
            std::cerr << "vantel-batch: cannot read " << script.string() << '\n';
            return 2;
        }
        Case c;
        c.name = script.extension() == ".vbs" ? script.stem().string() : script.filename().string();
        c.scripts = {script.string()};
        c.expected = *command.expect;
        cases.push_back(std::move(c));
        options.fresh = false;
        suite = script.string();
    } else {
        if (!command.scripts.empty()) return Usage("--check takes a folder, no SCRIPT");
        std::string error;
        if (!FindCases(*command.check, cases, error)) return Usage(error);
        if (command.only) {
            std::erase_if(cases, [&](const Case& c) { return c.name != *command.only; });
            if (cases.empty()) return Usage("no script " + *command.only + " in " + *command.check);
        }
        if (cases.empty()) return Usage("no scripts in " + *command.check);
        options.fresh = true;
        options.bound = kCheckBound;
        suite = *command.check;
    }
    std::vector<Outcome> outcomes;
    int failed = 0;
    for (const Case& c : cases) {
        outcomes.push_back(RunCase(c, options));
        Report(outcomes.back(), std::cout);
        std::cout.flush();
        if (!outcomes.back().passed) ++failed;
    }
    if (command.check) std::cout << outcomes.size() - failed << " passed, " << failed << " failed\n";
    if (command.junit) {
        std::ofstream report(*command.junit, std::ios::trunc);
        report << JUnitXml(suite, outcomes);
        report.close();
        if (!report) {
            std::cerr << "vantel-batch: cannot write " << *command.junit << ": " << std::strerror(errno) << '\n';
            return 3;
        }
    }
    return failed > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    Command command;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string problem;
        std::optional<std::string> value;
        if (const Took took = TakeRunOption(args, i, command.run, problem); took != Took::No) {
            if (took == Took::Bad) return Usage(problem);
        } else if (TakeValue("--expect", args, i, value)) {
            if (!value || value->empty()) return Usage("--expect needs the expected output's file");
            command.expect = value;
        } else if (TakeValue("--check", args, i, value)) {
            if (!value || value->empty()) return Usage("--check needs a folder");
            command.check = value;
        } else if (TakeValue("--only", args, i, value)) {
            if (!value || value->empty()) return Usage("--only needs a script's name");
            command.only = value;
        } else if (TakeValue("--controller", args, i, value)) {
            if (!value || value->empty()) return Usage("--controller needs the vantel-controller program");
            command.controller = value;
        } else if (TakeValue("--junit", args, i, value)) {
            if (!value || value->empty()) return Usage("--junit needs a file");
            command.junit = value;
        } else if (arg == "--update") {
            command.update = true;
        } else if (arg == "--commands") {
            command.commands = true;
        } else if (arg == "--json") {
            command.json = true;
        } else if (arg == "--version") {
            std::cout << "vantel-batch " << OwnVersion() << '\n';
            return 0;
        } else if (arg == "--registered") {
            // Lets a launcher register only when needed without reading the store itself.
            CRegPair appPair(vantel::kAppPairName, false);
            std::wstring registered;
            if (appPair.GetValue(L"", registered, false, false)) {
                std::cout << vantel::ToUtf8(registered) << '\n';
            } else if (const auto status = vantel::reg::LastStatus();
                       status == vantel::reg::Status::Busy || status == vantel::reg::Status::Unavailable) {
                // Printing nothing would read as "not registered".
                std::cerr << "vantel-batch: cannot read the registration: " << vantel::reg::LastError() << '\n';
                return 3;
            }
            return 0;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option \"" + arg + "\"");
        } else {
            command.scripts.push_back(arg);
        }
    }
    if (command.json && !command.commands) return Usage("--json needs --commands");
    if (command.commands) {
        if (command.expect || command.check || !command.scripts.empty()) return Usage("--commands runs no script");
        if (command.json) {
            vantel::batch::WriteCommandJson(std::cout, vantel::Catalogue());
        } else {
            vantel::batch::WriteCommandList(std::cout, vantel::Catalogue());
        }
        return std::cout.flush() ? 0 : 3;
    }
    if (command.expect && command.check) return Usage("--expect and --check exclude each other");
    if (!command.expect && !command.check) {
        if (command.update) return Usage("--update needs --expect or --check");
        if (command.junit) return Usage("--junit needs --expect or --check");
    }
    if (command.only && !command.check) return Usage("--only needs --check");
    if (command.controller && !command.check && !command.expect) return Usage("--controller needs --check or --expect");
    if (command.expect || command.check) return Check(command);
    if (command.scripts.size() > 1) return Usage("one script at most");

    std::ifstream file;
    if (!command.scripts.empty() && command.scripts[0] != "-") {
        file.open(command.scripts[0]);
        if (!file) {
            std::cerr << "vantel-batch: cannot read " << command.scripts[0] << '\n';
            return 2;
        }
    }
    std::istream& script = file.is_open() ? static_cast<std::istream&>(file) : std::cin;

    // The headers first: they say how the link is to be made.
    vantel::script::ScriptHeader header;
    std::string firstCommand, error;
    int headerLines = 0;
    if (!vantel::script::ReadHeader(script, header, firstCommand, headerLines, error)) {
        std::cerr << "vantel-batch: " << error << '\n';
        return 2;
    }
    std::error_code ec;
    const std::string workdir = std::filesystem::current_path(ec).string();
    RunArgs fromHeader;
    std::vector<std::string> words;
    for (const std::string& word : header.args) words.push_back(vantel::script::ExpandWorkdir(word, workdir));
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int line = header.argLines[i];
        std::string problem;
        const Took took = TakeRunOption(words, i, fromHeader, problem);
        if (took == Took::Bad) return LineError(line, "# args: " + problem);
        if (took == Took::No) {
            return LineError(line, words[i].starts_with("-") ? "# args: unknown option \"" + words[i] + "\""
                                                           : "# args: only options, no script");
        }
    }
    for (const std::string& word : header.env) {
        std::string name, value;
        bool unset = false;
        vantel::script::SplitEnvWord(word, name, value, unset);
        if (unset) {
            unsetenv(name.c_str());
        } else {
            setenv(name.c_str(), vantel::script::ExpandWorkdir(value, workdir).c_str(), 1);
        }
    }
    tzset();

    vantel::batch::Options options;
    const RunArgs& given = command.run;
    options.link = given.link.value_or(fromHeader.link.value_or(vantel::batch::LinkKind::Sim));
    options.trace = given.trace || fromHeader.trace;
    options.journal = given.journal.value_or(fromHeader.journal.value_or(""));
    options.registry = given.registry.value_or(fromHeader.registry.value_or(""));
    if (options.link == vantel::batch::LinkKind::Remote) {
        const auto env = [](const char* name) { return std::string(std::getenv(name) != nullptr ? std::getenv(name) : ""); };
        options.remote.endpoint = given.link ? given.endpoint : fromHeader.endpoint;
        options.remote.tokenFile = given.tokenFile.value_or(fromHeader.tokenFile.value_or(env("VANTEL_LINK_TOKEN_FILE")));
        options.remote.caFile = given.ca.value_or(fromHeader.ca.value_or(env("VANTEL_LINK_CA")));
    }

    vantel::batch::Runner runner(options, std::cout);
    if (!runner.OpenJournal(error)) {
        std::cerr << "vantel-batch: journal: " << error << '\n';
        return 3;
    }
    if (!runner.Connect(error)) {
        std::cerr << "vantel-batch: " << error << '\n';
        return 3;
    }
    return runner.Run(script, std::cerr, headerLines, firstCommand);
}
