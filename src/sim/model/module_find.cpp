// Finding text and blocks in a module, and rewriting its declaration.
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
