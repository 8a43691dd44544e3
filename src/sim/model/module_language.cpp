#include "sim/model/module_language.h"

#include <algorithm>
#include <array>
#include <limits>
#include <set>
#include <unordered_set>
#include <utility>

namespace vantel::link::sim {

namespace {

// ---------------------------------------------------------------------------------------
// Characters and words (ASCII: the language has no other letters)

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\f' || c == L'\v'; }
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsIdentStart(wchar_t c) { return IsLetter(c) || c == L'_'; }
bool IsIdentChar(wchar_t c) { return IsIdentStart(c) || IsDigit(c); }
bool IsWordChar(wchar_t c) { return IsIdentChar(c) || c == L'$'; }

wchar_t UpperChar(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

std::wstring UpperText(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) c = UpperChar(c);
    return out;
}

bool SameWord(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (UpperChar(a[i]) != UpperChar(b[i])) return false;
    }
    return true;
}

enum class Stmt {
    Empty, Def, End, DefDat, EndDat, Decl, Motion, Wait, Halt, Return, If, Else, EndIf,
    Loop, EndLoop, For, EndFor, While, EndWhile, Assign, Call, Unknown
};

// Reserved words; those that start no statement (SEC, THEN, TO, the types) read as Unknown.
struct Keyword {
    std::wstring_view text;
    Stmt stmt;
};

constexpr std::array kKeywords{
    Keyword{L"DEF", Stmt::Def},         Keyword{L"END", Stmt::End},         Keyword{L"DEFDAT", Stmt::DefDat},
    Keyword{L"ENDDAT", Stmt::EndDat},   Keyword{L"DECL", Stmt::Decl},       Keyword{L"PTP", Stmt::Motion},
    Keyword{L"LIN", Stmt::Motion},      Keyword{L"PTP_REL", Stmt::Motion},  Keyword{L"LIN_REL", Stmt::Motion},
    Keyword{L"WAIT", Stmt::Wait},       Keyword{L"SEC", Stmt::Unknown},     Keyword{L"HALT", Stmt::Halt},
    Keyword{L"RETURN", Stmt::Return},   Keyword{L"IF", Stmt::If},           Keyword{L"THEN", Stmt::Unknown},
    Keyword{L"ELSE", Stmt::Else},       Keyword{L"ENDIF", Stmt::EndIf},     Keyword{L"LOOP", Stmt::Loop},
    Keyword{L"ENDLOOP", Stmt::EndLoop}, Keyword{L"FOR", Stmt::For},         Keyword{L"TO", Stmt::Unknown},
    Keyword{L"ENDFOR", Stmt::EndFor},   Keyword{L"WHILE", Stmt::While},     Keyword{L"ENDWHILE", Stmt::EndWhile},
    Keyword{L"INT", Stmt::Unknown},     Keyword{L"REAL", Stmt::Unknown},    Keyword{L"BOOL", Stmt::Unknown},
    Keyword{L"CHAR", Stmt::Unknown},    Keyword{L"POS", Stmt::Unknown},
};

const Keyword* FindKeyword(std::wstring_view word) {
    for (const auto& k : kKeywords) {
        if (SameWord(word, k.text)) return &k;
    }
    return nullptr;
}

bool IsType(std::wstring_view word) {
    for (std::wstring_view t : {L"INT", L"REAL", L"BOOL", L"CHAR", L"POS"}) {
        if (SameWord(word, t)) return true;
    }
    return false;
}

// A module, parameter, point or data name: keywords are reserved so that a call or an
// assignment never reads as a statement.
bool IsIdentifier(std::wstring_view s) {
    if (s.empty() || !IsIdentStart(s[0])) return false;
    for (wchar_t c : s) {
        if (!IsIdentChar(c)) return false;
    }
    return FindKeyword(s) == nullptr;
}

// ---------------------------------------------------------------------------------------
// One line: its statement is the text before any ';', without blanks around it.

struct Line {
    std::wstring_view s;
    std::size_t begin = 0;
    std::size_t end = 0;

    explicit Line(std::wstring_view text) : s(text) {
        std::size_t stop = std::min(s.find(L';'), s.size());
        while (begin < stop && IsBlank(s[begin])) ++begin;
        end = stop;
        while (end > begin && IsBlank(s[end - 1])) --end;
    }
    bool Empty() const { return begin == end; }
    std::size_t Skip(std::size_t p) const {
        while (p < end && IsBlank(s[p])) ++p;
        return p;
    }
    // The identifier-like word at p ("" when none); a leading '$' only if dollar is set.
    std::wstring_view Word(std::size_t p, bool dollar) const {
        std::size_t q = p;
        if (dollar && q < end && s[q] == L'$') ++q;
        if (q >= end || !IsIdentStart(s[q])) return {};
        while (q < end && IsIdentChar(s[q])) ++q;
        return s.substr(p, q - p);
    }
    std::wstring_view Text() const { return s.substr(begin, end - begin); }
};

struct Statement {
    Stmt kind = Stmt::Empty;
    std::wstring_view word;  // the first word
    std::size_t next = 0;    // index after the first word
};

Statement Classify(const Line& l) {
    Statement st;
    if (l.Empty()) return st;
    st.word = l.Word(l.begin, true);
    st.next = l.begin + st.word.size();
    if (st.word.empty()) {
        st.kind = Stmt::Unknown;
        return st;
    }
    if (const Keyword* k = st.word[0] == L'$' ? nullptr : FindKeyword(st.word)) {
        st.kind = k->stmt;
        return st;
    }
    const std::size_t p = l.Skip(st.next);
    if (p < l.end && l.s[p] == L'=') {
        st.kind = Stmt::Assign;
    } else if (p < l.end && l.s[p] == L'(' && st.word[0] != L'$') {
        st.kind = Stmt::Call;
    } else {
        st.kind = Stmt::Unknown;
    }
    return st;
}

StructKind BlockStart(Stmt s) {
    switch (s) {
        case Stmt::Def: return StructKind::Def;
        case Stmt::If: return StructKind::If;
        case Stmt::Loop: return StructKind::Loop;
        case Stmt::For: return StructKind::For;
        case Stmt::While: return StructKind::While;
        case Stmt::DefDat: return StructKind::DefDat;
        default: return StructKind::Any;
    }
}

StructKind BlockEnd(Stmt s) {
    switch (s) {
        case Stmt::End: return StructKind::Def;
        case Stmt::EndIf: return StructKind::If;
        case Stmt::EndLoop: return StructKind::Loop;
        case Stmt::EndFor: return StructKind::For;
        case Stmt::EndWhile: return StructKind::While;
        case Stmt::EndDat: return StructKind::DefDat;
        default: return StructKind::Any;
    }
}

// Open blocks, with a count per kind so that finding the block an end belongs to stays O(1).
class BlockStack {
public:
    struct Block {
        StructKind kind;
        std::int32_t line;
        std::int32_t column;
        bool hasElse = false;
    };

    void Push(Block b) {
        ++open_[Index(b.kind)];
        blocks_.push_back(b);
    }
    bool IsOpen(StructKind k) const { return open_[Index(k)] > 0; }
    // Pops up to and including the innermost block of kind k (which must be open); the blocks
    // above it are left unclosed and handed to lost.
    template <typename Lost>
    void CloseTo(StructKind k, Lost&& lost) {
        while (!blocks_.empty()) {
            Block b = blocks_.back();
            blocks_.pop_back();
            --open_[Index(b.kind)];
            if (b.kind == k) return;
            lost(b);
        }
    }
    std::vector<Block>& Blocks() { return blocks_; }
    std::vector<Block> TakeAll() {
        open_ = {};
        return std::exchange(blocks_, {});
    }

private:
    static std::size_t Index(StructKind k) { return static_cast<std::size_t>(k); }
    std::vector<Block> blocks_;
    std::array<std::size_t, 7> open_{};
};

// ---------------------------------------------------------------------------------------
// Analyser

enum Err : std::int32_t {
    kDefExpected = 2001,
    kEndExpected = 2002,
    kUnknownStatement = 2003,
    kNoOpenBlock = 2004,
    kBlockNotClosed = 2005,
    kNameExpected = 2006,
    kAfterEnd = 2007,
    kOpenParenExpected = 2008,
    kCloseParenExpected = 2009,
    kValueExpected = 2010,
    kThenExpected = 2011,
    kToExpected = 2012,
    kEqualsExpected = 2013,
    kSecExpected = 2014,
    kNumberExpected = 2015,
    kBraceExpected = 2016,
    kUnexpectedText = 2017,
    kDefDatExpected = 2018,
    kEndDatExpected = 2019,
    kTypeExpected = 2020,
    kDeclExpected = 2021,
    kNotAllowed = 2022,
    kDeclaredTwice = 2023,
};

const wchar_t* ErrorText(std::int32_t n) {
    switch (n) {
        case kDefExpected: return L"DEF expected";
        case kEndExpected: return L"END expected";
        case kUnknownStatement: return L"unknown statement";
        case kNoOpenBlock: return L"no open block to end";
        case kBlockNotClosed: return L"block not closed";
        case kNameExpected: return L"name expected";
        case kAfterEnd: return L"statement after the end";
        case kOpenParenExpected: return L"'(' expected";
        case kCloseParenExpected: return L"')' expected";
        case kValueExpected: return L"value expected";
        case kThenExpected: return L"THEN expected";
        case kToExpected: return L"TO expected";
        case kEqualsExpected: return L"'=' expected";
        case kSecExpected: return L"SEC expected";
        case kNumberExpected: return L"number expected";
        case kBraceExpected: return L"'}' expected";
        case kUnexpectedText: return L"unexpected text";
        case kDefDatExpected: return L"DEFDAT expected";
        case kEndDatExpected: return L"ENDDAT expected";
        case kTypeExpected: return L"type expected";
        case kDeclExpected: return L"DECL expected";
        case kNotAllowed: return L"statement not allowed here";
        case kDeclaredTwice: return L"name declared twice";
        default: return L"";
    }
}

// A fault on the line being checked: number and 0-based index.
struct Fault {
    std::int32_t number;
    std::size_t at;
};
using Check = std::optional<Fault>;

Check Nothing() { return std::nullopt; }
Check At(std::int32_t number, std::size_t at) { return Fault{number, at}; }

// Nothing may follow position p.
Check Done(const Line& l, std::size_t p) {
    p = l.Skip(p);
    return p < l.end ? At(kUnexpectedText, p) : Nothing();
}

// Comma-separated identifiers up to the closing parenthesis; p is just after '('.
// On success p is just after ')'.
Check ParamList(const Line& l, std::size_t& p) {
    p = l.Skip(p);
    if (p < l.end && l.s[p] == L')') {
        ++p;
        return Nothing();
    }
    for (;;) {
        const auto name = l.Word(p, false);
        if (!IsIdentifier(name)) return At(kNameExpected, p);
        p = l.Skip(p + name.size());
        if (p >= l.end) return At(kCloseParenExpected, l.end);
        if (l.s[p] == L')') {
            ++p;
            return Nothing();
        }
        if (l.s[p] != L',') return At(kCloseParenExpected, p);
        p = l.Skip(p + 1);
    }
}

Check CheckDef(const Line& l, const Statement& st) {
    std::size_t p = l.Skip(st.next);
    const auto name = l.Word(p, false);
    if (!IsIdentifier(name)) return At(kNameExpected, p);
    p = l.Skip(p + name.size());
    if (p >= l.end || l.s[p] != L'(') return At(kOpenParenExpected, p);
    ++p;
    if (auto f = ParamList(l, p)) return f;
    return Done(l, p);
}

Check CheckDefDat(const Line& l, const Statement& st) {
    const std::size_t p = l.Skip(st.next);
    const auto name = l.Word(p, false);
    if (!IsIdentifier(name)) return At(kNameExpected, p);
    return Done(l, p + name.size());
}

// A variable: a name, or a '$' name (system variables, which may shadow keywords).
bool IsVariable(std::wstring_view w) {
    if (!w.empty() && w[0] == L'$') return w.size() > 1;
    return IsIdentifier(w);
}

Check CheckMotion(const Line& l, const Statement& st) {
    std::size_t p = l.Skip(st.next);
    if (p < l.end && l.s[p] == L'{') {
        const std::size_t close = l.s.substr(0, l.end).find(L'}', p);
        if (close == std::wstring_view::npos) return At(kBraceExpected, l.end);
        return Done(l, close + 1);
    }
    const auto point = l.Word(p, true);
    if (!IsVariable(point)) return At(kNameExpected, p);
    return Done(l, p + point.size());
}

Check CheckWait(const Line& l, const Statement& st) {
    std::size_t p = l.Skip(st.next);
    const auto sec = l.Word(p, false);
    if (!SameWord(sec, L"SEC")) return At(kSecExpected, p);
    p = l.Skip(p + sec.size());
    const std::size_t start = p;
    while (p < l.end && IsDigit(l.s[p])) ++p;
    bool digits = p > start;
    if (p < l.end && l.s[p] == L'.') {
        const std::size_t frac = ++p;
        while (p < l.end && IsDigit(l.s[p])) ++p;
        digits = digits || p > frac;
    }
    if (!digits) return At(kNumberExpected, start);
    return Done(l, p);
}

// The last word of the statement when it is `word` on its own, else npos.
std::size_t TrailingWord(const Line& l, std::size_t from, std::wstring_view word) {
    if (l.end < from + word.size()) return std::wstring_view::npos;
    const std::size_t at = l.end - word.size();
    if (!SameWord(l.s.substr(at, word.size()), word)) return std::wstring_view::npos;
    if (at > from && IsWordChar(l.s[at - 1])) return std::wstring_view::npos;
    return at;
}

Check CheckIf(const Line& l, const Statement& st) {
    const std::size_t p = l.Skip(st.next);
    const std::size_t then = TrailingWord(l, p, L"THEN");
    if (then == std::wstring_view::npos) return At(kThenExpected, l.end);
    if (then == p) return At(kValueExpected, then);
    return Nothing();
}

Check CheckFor(const Line& l, const Statement& st) {
    std::size_t p = l.Skip(st.next);
    const auto var = l.Word(p, true);
    if (!IsVariable(var)) return At(kNameExpected, p);
    p = l.Skip(p + var.size());
    if (p >= l.end || l.s[p] != L'=') return At(kEqualsExpected, p);
    const std::size_t from = l.Skip(p + 1);
    // The first word TO that stands on its own.
    std::size_t to = std::wstring_view::npos;
    for (std::size_t i = from; i < l.end; ++i) {
        if (!IsWordChar(l.s[i])) continue;
        std::size_t j = i;
        while (j < l.end && IsWordChar(l.s[j])) ++j;
        if (SameWord(l.s.substr(i, j - i), L"TO")) {
            to = i;
            break;
        }
        i = j;
    }
    if (to == std::wstring_view::npos) return At(kToExpected, l.end);
    if (to == from) return At(kValueExpected, to);
    if (l.Skip(to + 2) >= l.end) return At(kValueExpected, l.end);
    return Nothing();
}

Check CheckWhile(const Line& l, const Statement& st) {
    return l.Skip(st.next) < l.end ? Nothing() : At(kValueExpected, l.end);
}

Check CheckAssign(const Line& l, const Statement& st) {
    const std::size_t eq = l.Skip(st.next);
    return l.Skip(eq + 1) < l.end ? Nothing() : At(kValueExpected, l.end);
}

Check CheckCall(const Line& l, const Statement& st) {
    std::size_t p = l.Skip(st.next) + 1;
    for (int depth = 1; p < l.end; ++p) {
        if (l.s[p] == L'(') ++depth;
        if (l.s[p] == L')' && --depth == 0) return Done(l, p + 1);
    }
    return At(kCloseParenExpected, l.end);
}

class Analyser {
public:
    Analyser(const std::vector<std::wstring>& lines, CodeKind kind) : lines_(lines), kind_(kind) {}

    std::vector<CodeError> Run() {
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const Line l(lines_[i]);
            const Statement st = Classify(l);
            if (st.kind == Stmt::Empty) continue;
            line_ = static_cast<std::int32_t>(i + 1);
            if (ended_) {
                Add(line_, l.begin, kAfterEnd);
            } else if (!started_) {
                started_ = true;
                First(l, st);
            } else {
                Report(Body(l, st));
            }
        }
        Finish();
        std::stable_sort(errors_.begin(), errors_.end(), [](const CodeError& a, const CodeError& b) {
            return a.line != b.line ? a.line < b.line : a.column < b.column;
        });
        if (errors_.size() > kMaxCodeErrors) errors_.resize(kMaxCodeErrors);
        for (auto& e : errors_) e.text = ErrorText(e.number);
        return std::move(errors_);
    }

private:
    // The text comes last, for the faults that are kept.
    void Add(std::int32_t line, std::size_t index, std::int32_t number) {
        errors_.push_back({line, static_cast<std::int32_t>(index + 1), number, {}});
    }
    void Report(const Check& c) {
        if (c) Add(line_, c->at, c->number);
    }

    void First(const Line& l, const Statement& st) {
        const bool code = kind_ == CodeKind::Code;
        if (st.kind == (code ? Stmt::Def : Stmt::DefDat)) {
            Report(code ? CheckDef(l, st) : CheckDefDat(l, st));
            return;
        }
        Add(line_, l.begin, code ? kDefExpected : kDefDatExpected);
        // Read on as if the header were there; one fault for this line is enough.
        (void)Body(l, st);
    }

    void Finish() {
        if (!started_) {
            Add(1, 0, kind_ == CodeKind::Code ? kDefExpected : kDefDatExpected);
            return;
        }
        if (ended_) return;
        CloseAll();
        const std::int32_t last = static_cast<std::int32_t>(lines_.size());
        Add(last, lines_.back().size(), kind_ == CodeKind::Code ? kEndExpected : kEndDatExpected);
    }

    void Lost(const BlockStack::Block& b) { Add(b.line, static_cast<std::size_t>(b.column - 1), kBlockNotClosed); }

    void CloseAll() {
        for (const auto& b : blocks_.TakeAll()) Lost(b);
    }

    void Open(StructKind k, const Line& l) {
        blocks_.Push({k, line_, static_cast<std::int32_t>(l.begin + 1)});
    }

    Check Close(StructKind k, const Line& l, const Statement& st) {
        if (!blocks_.IsOpen(k)) return At(kNoOpenBlock, l.begin);
        blocks_.CloseTo(k, [this](const BlockStack::Block& b) { Lost(b); });
        return Done(l, st.next);
    }

    Check Body(const Line& l, const Statement& st) {
        return kind_ == CodeKind::Code ? CodeBody(l, st) : DataBody(l, st);
    }

    Check CodeBody(const Line& l, const Statement& st) {
        switch (st.kind) {
            case Stmt::End: {
                ended_ = true;
                CloseAll();
                return Done(l, st.next);
            }
            case Stmt::Motion: return CheckMotion(l, st);
            case Stmt::Wait: return CheckWait(l, st);
            case Stmt::Halt:
            case Stmt::Return: return Done(l, st.next);
            case Stmt::Assign: return CheckAssign(l, st);
            case Stmt::Call: return CheckCall(l, st);
            case Stmt::If: Open(StructKind::If, l); return CheckIf(l, st);
            case Stmt::Loop: Open(StructKind::Loop, l); return Done(l, st.next);
            case Stmt::For: Open(StructKind::For, l); return CheckFor(l, st);
            case Stmt::While: Open(StructKind::While, l); return CheckWhile(l, st);
            case Stmt::Else: {
                auto& b = blocks_.Blocks();
                if (b.empty() || b.back().kind != StructKind::If || b.back().hasElse) return At(kNotAllowed, l.begin);
                b.back().hasElse = true;
                return Done(l, st.next);
            }
            case Stmt::EndIf:
            case Stmt::EndLoop:
            case Stmt::EndFor:
            case Stmt::EndWhile: return Close(BlockEnd(st.kind), l, st);
            case Stmt::Def:
            case Stmt::DefDat:
            case Stmt::EndDat:
            case Stmt::Decl: return At(kNotAllowed, l.begin);
            default: return At(kUnknownStatement, l.begin);
        }
    }

    Check DataBody(const Line& l, const Statement& st) {
        if (st.kind == Stmt::EndDat) {
            ended_ = true;
            return Done(l, st.next);
        }
        if (st.kind != Stmt::Decl) return At(kDeclExpected, l.begin);
        std::size_t p = l.Skip(st.next);
        const auto type = l.Word(p, false);
        if (!IsType(type)) return At(kTypeExpected, p);
        p = l.Skip(p + type.size());
        const auto name = l.Word(p, false);
        if (!IsIdentifier(name)) return At(kNameExpected, p);
        if (!declared_.insert(UpperText(name)).second) return At(kDeclaredTwice, p);
        p = l.Skip(p + name.size());
        if (p >= l.end) return Nothing();
        if (l.s[p] != L'=') return At(kEqualsExpected, p);
        return l.Skip(p + 1) < l.end ? Nothing() : At(kValueExpected, l.end);
    }

    const std::vector<std::wstring>& lines_;
    const CodeKind kind_;
    std::vector<CodeError> errors_;
    BlockStack blocks_;
    std::unordered_set<std::wstring> declared_;
    std::int32_t line_ = 0;
    bool started_ = false;
    bool ended_ = false;
};

// The first statement, or lines.size() when there is none.
std::size_t FirstStatement(const std::vector<std::wstring>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!Line(lines[i]).Empty()) return i;
    }
    return lines.size();
}

// ---------------------------------------------------------------------------------------
// Find

// A position in the text: 0-based line and character index.
struct Pos {
    std::int64_t line;
    std::int64_t index;
};

constexpr std::int64_t kLineEnd = std::numeric_limits<std::int32_t>::max();

struct Hits {
    std::optional<Pos> first, last;
    std::int32_t count = 0;
};

// Every hit that starts at or after `from` and ends at or before `to` (exclusive end).
Hits Scan(const std::vector<std::wstring>& lines, const std::wstring& needle, Pos from, Pos to, const FindOptions& o) {
    Hits h;
    const auto n = static_cast<std::int64_t>(needle.size());
    const std::int64_t lastLine = std::min<std::int64_t>(to.line, static_cast<std::int64_t>(lines.size()) - 1);
    std::wstring folded;
    for (std::int64_t ln = std::max<std::int64_t>(from.line, 0); ln <= lastLine; ++ln) {
        const std::wstring& line = lines[static_cast<std::size_t>(ln)];
        const auto size = static_cast<std::int64_t>(line.size());
        const std::int64_t lo = ln == from.line ? std::max<std::int64_t>(from.index, 0) : 0;
        const std::int64_t hi = ln == to.line ? std::min(to.index, size) : size;
        if (hi - lo < n) continue;
        std::wstring_view hay = line;
        if (!o.matchCase) {
            folded = UpperText(line);
            hay = folded;
        }
        for (auto i = hay.find(needle, static_cast<std::size_t>(lo));
             i != std::wstring_view::npos && static_cast<std::int64_t>(i) + n <= hi; i = hay.find(needle, i + 1)) {
            if (o.wholeWord && ((i > 0 && IsWordChar(line[i - 1])) ||
                                (i + needle.size() < line.size() && IsWordChar(line[i + needle.size()])))) {
                continue;
            }
            const Pos p{ln, static_cast<std::int64_t>(i)};
            if (!h.first) h.first = p;
            h.last = p;
            ++h.count;
        }
    }
    return h;
}

// Comma-separated identifiers written "A, B"; nullopt when the text holds anything else.
std::optional<std::wstring> NormalParams(std::wstring_view text) {
    std::wstring list;
    std::size_t p = 0;
    const auto skip = [&] {
        while (p < text.size() && IsBlank(text[p])) ++p;
    };
    skip();
    if (p == text.size()) return list;
    for (;;) {
        const std::size_t start = p;
        while (p < text.size() && IsIdentChar(text[p])) ++p;
        const auto name = text.substr(start, p - start);
        if (!IsIdentifier(name)) return std::nullopt;
        if (!list.empty()) list += L", ";
        list += name;
        skip();
        if (p == text.size()) return list;
        if (text[p] != L',') return std::nullopt;
        ++p;
        skip();
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------

std::vector<CodeError> Analyse(const std::vector<std::wstring>& lines, CodeKind kind) {
    return Analyser(lines, kind).Run();
}

std::wstring DeclaredName(const std::vector<std::wstring>& lines) {
    const std::size_t i = FirstStatement(lines);
    if (i == lines.size()) return {};
    const Line l(lines[i]);
    const Statement st = Classify(l);
    if (st.kind != Stmt::Def && st.kind != Stmt::DefDat) return {};
    const auto name = l.Word(l.Skip(st.next), false);
    return IsIdentifier(name) ? std::wstring(name) : std::wstring();
}

std::vector<std::wstring> Dependencies(const std::vector<std::wstring>& lines) {
    std::set<std::wstring> called;
    for (const auto& text : lines) {
        const Line l(text);
        const Statement st = Classify(l);
        if (st.kind == Stmt::Call) called.insert(UpperText(st.word));
    }
    called.erase(UpperText(DeclaredName(lines)));
    return {called.begin(), called.end()};
}

FindHit Find(const std::vector<std::wstring>& lines, std::wstring_view text, const FindOptions& o) {
    FindHit result;
    if (text.empty()) return result;
    const std::wstring needle = o.matchCase ? std::wstring(text) : UpperText(text);
    const auto n = static_cast<std::int64_t>(needle.size());
    const Pos textStart{0, 0};
    const Pos textEnd{static_cast<std::int64_t>(lines.size()), 0};
    const std::int64_t line = o.line, column = o.column, endLine = o.endLine, endColumn = o.endColumn;

    std::optional<Pos> hit;
    if (o.forward) {
        const Pos start = o.line == 0 ? textStart : Pos{line - 1, o.column == 0 ? 0 : column - 1};
        const Pos stop = o.endLine == 0 ? textEnd : Pos{endLine - 1, o.endColumn == 0 ? kLineEnd : endColumn};
        const Hits h = Scan(lines, needle, start, stop, o);
        result.count = h.count;
        hit = h.first;
        // The wrapped part: hits that start before the start.
        if (!hit && o.wrap) hit = Scan(lines, needle, textStart, Pos{start.line, start.index + n - 1}, o).first;
    } else {
        const Pos start = o.line == 0 ? textEnd : Pos{line - 1, o.column == 0 ? kLineEnd : column};
        const Pos stop = o.endLine == 0 ? textStart : Pos{endLine - 1, o.endColumn == 0 ? 0 : endColumn - 1};
        const Hits h = Scan(lines, needle, stop, start, o);
        result.count = h.count;
        hit = h.last;
        // The wrapped part: hits that end after the start.
        if (!hit && o.wrap) hit = Scan(lines, needle, Pos{start.line, start.index - n + 1}, textEnd, o).last;
    }
    if (hit) {
        result.line = static_cast<std::int32_t>(hit->line + 1);
        result.column = static_cast<std::int32_t>(hit->index + 1);
        result.length = static_cast<std::int32_t>(n);
    }
    return result;
}

StructHit FindStruct(const std::vector<std::wstring>& lines, std::int32_t line, StructKind kind, bool enclosing) {
    const auto matches = [kind](StructKind k) { return kind == StructKind::Any || kind == k; };
    const std::size_t from = static_cast<std::size_t>(std::max(line, 1) - 1);
    if (!enclosing) {
        for (std::size_t i = from; i < lines.size(); ++i) {
            const Line l(lines[i]);
            const StructKind k = BlockStart(Classify(l).kind);
            if (k != StructKind::Any && matches(k)) {
                return {static_cast<std::int32_t>(i + 1), k, std::wstring(l.Text())};
            }
        }
        return {};
    }
    BlockStack blocks;
    for (std::size_t i = 0; i < lines.size() && i <= from; ++i) {
        const Stmt s = Classify(Line(lines[i])).kind;
        if (const StructKind k = BlockStart(s); k != StructKind::Any) {
            blocks.Push({k, static_cast<std::int32_t>(i + 1), 0});
        } else if (const StructKind e = BlockEnd(s); i < from && e != StructKind::Any && blocks.IsOpen(e)) {
            // The line of a block's end still belongs to the block.
            blocks.CloseTo(e, [](const BlockStack::Block&) {});
        }
    }
    const auto& open = blocks.Blocks();
    for (auto it = open.rbegin(); it != open.rend(); ++it) {
        if (matches(it->kind)) {
            const auto at = static_cast<std::size_t>(it->line - 1);
            return {it->line, it->kind, std::wstring(Line(lines[at]).Text())};
        }
    }
    return {};
}

bool Redeclare(std::vector<std::wstring>& lines, std::wstring_view name, std::optional<std::wstring_view> params) {
    const std::size_t i = FirstStatement(lines);
    if (i == lines.size()) return false;
    const Line l(lines[i]);
    const Statement st = Classify(l);
    if (st.kind != Stmt::Def && st.kind != Stmt::DefDat) return false;

    const std::size_t namePos = l.Skip(st.next);
    const auto oldName = l.Word(namePos, false);
    if (name.empty()) name = oldName;
    if (!IsIdentifier(name)) return false;

    std::wstring tail(l.s.substr(namePos + oldName.size(), l.end - namePos - oldName.size()));
    if (params) {
        const auto list = NormalParams(*params);
        if (!list) return false;
        if (st.kind == Stmt::DefDat) {
            if (!list->empty()) return false;
        } else {
            tail = list->empty() ? L" ( )" : L" ( " + *list + L" )";
        }
    }
    std::wstring out(l.s.substr(0, st.next));
    out += L' ';
    out += name;
    out += tail;
    out += l.s.substr(l.end);
    lines[i] = std::move(out);
    return true;
}

}  // namespace vantel::link::sim
