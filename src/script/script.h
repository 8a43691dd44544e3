// One line of a vantel-batch script, read but not yet carried out.
#pragma once
#include <cstdint>
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

}  // namespace vantel::script
