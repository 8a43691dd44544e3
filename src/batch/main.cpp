// vantel-batch: the console driven by a script instead of a person, for tests and
// for reproducing what a session did.
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "app/startup.h"
#include "batch/runner.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

constexpr char kUsage[] =
    "usage: vantel-batch [--link sim|script] [--trace] [--journal FILE] [SCRIPT]\n"
    "       vantel-batch --version | --registered\n"
    "Runs the console on a text surface, one script command per line (standard input\n"
    "without SCRIPT). --journal writes every event as JSON Lines to FILE. Exit status 0 at\n"
    "the script's end, 2 for a line that cannot be run, 3 when FILE cannot be written or\n"
    "\"close\" cannot save the histories to the registry store.\n"
    "--version prints this program's version; --registered prints the version registered\n"
    "for this user (nothing when none).\n";

// From the version block, as the console reads its own, so the two cannot disagree.
std::string OwnVersion() {
    std::wstring internalName, fileVersion;
    vantel::ReadVersionInfo(internalName, fileVersion);
    return vantel::ToUtf8(fileVersion);
}

// "--name VALUE" or "--name=VALUE" at argv[i]: true when it is this option, with i moved past
// its value; value stays empty when "--name" is the last argument.
bool TakeValue(std::string_view name, int argc, char** argv, int& i, std::optional<std::string>& value) {
    const std::string_view arg = argv[i];
    if (arg == name) {
        if (i + 1 < argc) value = argv[++i];
        return true;
    }
    if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=') {
        value = std::string(arg.substr(name.size() + 1));
        return true;
    }
    return false;
}

int Usage(const std::string& problem) {
    std::cerr << "vantel-batch: " << problem << '\n' << kUsage;
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    vantel::batch::Options options;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--trace") {
            options.trace = true;
        } else if (std::optional<std::string> file; TakeValue("--journal", argc, argv, i, file)) {
            if (!file || file->empty()) return Usage("--journal needs a file");
            options.journal = *file;
        } else if (std::optional<std::string> link; TakeValue("--link", argc, argv, i, link)) {
            if (!link) return Usage("--link needs sim or script");
            const std::string& kind = *link;
            if (kind == "sim") {
                options.link = vantel::batch::LinkKind::Sim;
            } else if (kind == "script") {
                options.link = vantel::batch::LinkKind::Script;
            } else {
                return Usage("unknown link \"" + kind + "\"");
            }
        } else if (arg == "--version") {
            std::cout << "vantel-batch " << OwnVersion() << '\n';
            return 0;
        } else if (arg == "--registered") {
            // Lets a launcher register only when needed without reading the store itself.
            CRegPair appPair(vantel::kAppPairName, false);
            std::wstring registered;
            if (appPair.GetValue(L"", registered, false, false)) std::cout << vantel::ToUtf8(registered) << '\n';
            return 0;
        } else if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option \"" + arg + "\"");
        } else if (scriptPath != nullptr) {
            return Usage("one script at most");
        } else {
            scriptPath = argv[i];
        }
    }

    std::ifstream file;
    if (scriptPath != nullptr && std::strcmp(scriptPath, "-") != 0) {
        file.open(scriptPath);
        if (!file) {
            std::cerr << "vantel-batch: cannot read " << scriptPath << '\n';
            return 2;
        }
    }
    std::istream& script = file.is_open() ? static_cast<std::istream&>(file) : std::cin;
    vantel::batch::Runner runner(options, std::cout);
    std::string error;
    if (!runner.OpenJournal(error)) {
        std::cerr << "vantel-batch: journal: " << error << '\n';
        return 3;
    }
    return runner.Run(script, std::cerr);
}
