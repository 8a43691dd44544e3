#include "sim/model/module_language.h"

#include <algorithm>
#include <array>
#include <limits>
#include <set>
#include <unordered_set>
#include <utility>

#include "sim/model/module_lexer.h"

namespace vantel::link::sim {

using namespace lexer;

namespace {

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

}  // namespace vantel::link::sim
