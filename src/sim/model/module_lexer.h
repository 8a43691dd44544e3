// The module language's words and lines: characters, keywords, one line's statement and the
// blocks it opens or closes. Shared by the analyser and the find calls; not for other users.
#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/model/module_language.h"

namespace vantel::link::sim::lexer {

// ---------------------------------------------------------------------------------------
// Characters and words (ASCII: the language has no other letters)

inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\f' || c == L'\v'; }
inline bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
inline bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
inline bool IsIdentStart(wchar_t c) { return IsLetter(c) || c == L'_'; }
inline bool IsIdentChar(wchar_t c) { return IsIdentStart(c) || IsDigit(c); }
inline bool IsWordChar(wchar_t c) { return IsIdentChar(c) || c == L'$'; }

inline wchar_t UpperChar(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

inline std::wstring UpperText(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) c = UpperChar(c);
    return out;
}

inline bool SameWord(std::wstring_view a, std::wstring_view b) {
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

inline constexpr std::array kKeywords{
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

inline const Keyword* FindKeyword(std::wstring_view word) {
    for (const auto& k : kKeywords) {
        if (SameWord(word, k.text)) return &k;
    }
    return nullptr;
}

inline bool IsType(std::wstring_view word) {
    for (std::wstring_view t : {L"INT", L"REAL", L"BOOL", L"CHAR", L"POS"}) {
        if (SameWord(word, t)) return true;
    }
    return false;
}

// A module, parameter, point or data name: keywords are reserved so that a call or an
// assignment never reads as a statement.
inline bool IsIdentifier(std::wstring_view s) {
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

inline Statement Classify(const Line& l) {
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

inline StructKind BlockStart(Stmt s) {
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

inline StructKind BlockEnd(Stmt s) {
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

// The first statement, or lines.size() when there is none.
inline std::size_t FirstStatement(const std::vector<std::wstring>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!Line(lines[i]).Empty()) return i;
    }
    return lines.size();
}

}  // namespace vantel::link::sim::lexer
