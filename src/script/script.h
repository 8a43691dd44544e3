// One line of a vantel-batch script, read but not yet carried out.
#pragma once
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/plexa.h"
#include "link/script_value.h"

namespace vantel::script {

enum class Verb {
    Nothing,  // a blank line or a comment
    Field,    // field N TEXT
    Pick,     // pick N K
    Menu,     // menu ID
    Post,     // post H TYPE
    BofKey,   // bofkey W
    Answer,   // answer K | answer close
    Wait,
    Sleep,    // sleep MS
    Close,
    Handle,   // handle H
    Result,   // result CALL RET VALUES...
};

struct ScriptLine {
    Verb verb = Verb::Nothing;
    // field/pick: the field (1-10), then the entry; menu: the id; post: wParam, lParam;
    // bofkey: wParam; answer: 0-2, or -1 for the close box; sleep: milliseconds; handle: H.
    std::int64_t first = 0;
    std::int64_t second = 0;
    std::wstring text;  // field
    link::CallId call{};
    link::Number ret;
    std::vector<link::Value> values;
};

inline constexpr std::int64_t kAnswerClose = -1;

// False, with the reason, for a line that cannot be read. A trailing carriage return
// (a script with CR LF line ends) is not part of the line.
bool ParseScriptLine(std::string_view line, ScriptLine& out, std::string& error);

// The headers: comment lines before a script's first command line that say how to run it.
//   # args: WORDS     options, as if given on the command line (words split as a shell does)
//   # env: WORDS      NAME=VALUE, or --unset=NAME, set before the link is made
//   # status: N       the exit status the script expects (0 when none)
//   # absent: PATH    a file that must not exist after the run
// args and env lines add up; @WORKDIR@ in their words stands for the run's work folder.
// After the first command line these are plain comments.
struct ScriptHeader {
    std::vector<std::string> args;
    std::vector<int> argLines;  // the line each of args comes from (filled by ReadHeader)
    std::vector<std::string> env;
    std::optional<int> status;
    std::vector<std::string> absent;
};

enum class HeaderLine { Header, Command, Bad };

// Header: a blank line, a comment or a header (added to header); Command: the first line of
// the script's body; Bad: a header that cannot be read, with the reason.
HeaderLine ReadHeaderLine(std::string_view line, ScriptHeader& header, std::string& error);

// Reads the headers from in up to the first command line, which is kept in firstCommand
// (empty when the script has none); lines counts the lines read, that one included. False
// with "line N: reason" for a header that cannot be read.
bool ReadHeader(std::istream& in, ScriptHeader& header, std::string& firstCommand, int& lines, std::string& error);

// Words as a shell splits them: blanks separate, '...' keeps everything, "..." keeps all
// but \" \\ \$ \`, a backslash outside quotes keeps the next character.
bool SplitWords(std::string_view text, std::vector<std::string>& words, std::string& error);

// text with every @WORKDIR@ replaced by workdir.
std::string ExpandWorkdir(std::string_view text, std::string_view workdir);

// NAME and VALUE of an env word (unset: --unset=NAME); false when it is neither form.
bool SplitEnvWord(std::string_view word, std::string& name, std::string& value, bool& unset);

}  // namespace vantel::script
