// The simulated controller's module language: a code module (DEF ... END) or a data list
// (DEFDAT ... ENDDAT) held as lines of text. Pure functions for the editor and the module
// calls; docs/simulator.md describes the language and the error numbers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantel::link::sim {

enum class CodeKind { Code, Data };

// Line and column are 1-based; the column is where the fault starts (one past the end of the
// statement when something is missing at its end).
struct CodeError {
    std::int32_t line;
    std::int32_t column;
    std::int32_t number;
    std::wstring text;
    bool operator==(const CodeError&) const = default;
};

inline constexpr std::size_t kMaxCodeErrors = 100;

// At most one fault per line plus "block not closed" at each open block's first line;
// sorted by line and column, the first kMaxCodeErrors only.
std::vector<CodeError> Analyse(const std::vector<std::wstring>& lines, CodeKind kind);

// The name of the first statement when it is DEF or DEFDAT, as written; "" otherwise.
std::wstring DeclaredName(const std::vector<std::wstring>& lines);

// Modules called by call statements, upper case, sorted, without duplicates and without the
// module's own name.
std::vector<std::wstring> Dependencies(const std::vector<std::wstring>& lines);

// The search runs from (line, column) in its direction up to (endLine, endColumn), both ends
// included. Line 0 starts at the start of the text (forward) or its end (backward); column 0
// at the start (forward) or end (backward) of the line. endLine 0 runs to the other end of the
// text; endColumn 0 takes the whole end line. Forward finds the hit nearest the start, backward
// the one nearest the end. Without a hit in the range, wrap searches once more from the other
// end of the text up to the start of the range.
struct FindOptions {
    std::int32_t line = 0;
    std::int32_t column = 0;
    std::int32_t endLine = 0;
    std::int32_t endColumn = 0;
    bool forward = true;
    bool wholeWord = false;  // no letter, digit, '_' or '$' right before or after the hit
    bool matchCase = false;  // otherwise ASCII letters match either case
    bool wrap = false;
};

// line 0: no hit. count: every position in the range (not the wrapped part) where the text
// matches, overlapping ones included.
struct FindHit {
    std::int32_t line = 0;
    std::int32_t column = 0;
    std::int32_t length = 0;
    std::int32_t count = 0;
    bool operator==(const FindHit&) const = default;
};

// An empty text finds nothing.
FindHit Find(const std::vector<std::wstring>& lines, std::wstring_view text, const FindOptions& o);

enum class StructKind : std::int32_t { Any = 0, Def = 1, If = 2, Loop = 3, For = 4, While = 5, DefDat = 6 };

// line 0: none. text: the block's first statement, without blanks around it or its comment.
struct StructHit {
    std::int32_t line = 0;
    StructKind kind = StructKind::Any;
    std::wstring text;
    bool operator==(const StructHit&) const = default;
};

// enclosing=false: the first block start of that kind at or after `line`. enclosing=true: the
// innermost block of that kind whose lines (first to last, both included; an unclosed block
// runs to the end of the text) hold `line`. Any matches every kind; a line below 1 counts as 1.
StructHit FindStruct(const std::vector<std::wstring>& lines, std::int32_t line, StructKind kind, bool enclosing);

// Rewrites the first statement when it is DEF or DEFDAT: an empty name keeps the old one;
// params (DEF only) replace the parameter list and are written "( A, B )", nullopt keeps the
// list as it was. Indentation and a trailing comment stay. False, and nothing changed, when
// there is no such statement, a name is not an identifier (or is a keyword), the parameters
// are not comma-separated identifiers, or a data list is given any.
bool Redeclare(std::vector<std::wstring>& lines, std::wstring_view name,
               std::optional<std::wstring_view> params = std::nullopt);

}  // namespace vantel::link::sim
