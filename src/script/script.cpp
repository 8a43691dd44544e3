#include "script/script.h"

#include <limits>

#include "platform/text.h"

namespace vantel::script {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Cuts the next blank-separated word off the front of rest.
std::string_view NextWord(std::string_view& rest) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    std::size_t j = i;
    while (j < rest.size() && !IsBlank(rest[j])) ++j;
    const std::string_view word = rest.substr(i, j - i);
    rest.remove_prefix(j);
    return word;
}

bool OnlyBlanks(std::string_view s) {
    for (char c : s) {
        if (!IsBlank(c)) return false;
    }
    return true;
}

bool Fail(std::string& error, std::string what) {
    error = std::move(what);
    return false;
}

// A number in [lo, hi].
bool ReadInt(std::string_view word, std::int64_t lo, std::int64_t hi, std::int64_t& value) {
    link::Number n;
    if (!link::ParseNumber(word, n) || !n.Fits(63)) return false;
    const auto v = static_cast<std::int64_t>(n.Bits());
    if (v < lo || v > hi) return false;
    value = v;
    return true;
}

// Any 64-bit pattern, for the raw parameters of a window message.
bool ReadWord(std::string_view word, std::int64_t& value) {
    link::Number n;
    if (!link::ParseNumber(word, n) || !n.Fits(64)) return false;
    value = static_cast<std::int64_t>(n.Bits());
    return true;
}

constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();

}  // namespace

bool ParseScriptLine(std::string_view line, ScriptLine& out, std::string& error) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out = ScriptLine{};
    std::string_view rest = line;
    const std::string_view verb = NextWord(rest);
    if (verb.empty() || verb.front() == '#') return true;

    // Words of the rest of the line; exactly `count` of them.
    std::string_view words[2];
    const auto take = [&](std::size_t count, const char* usage) {
        for (std::size_t i = 0; i < count; ++i) {
            words[i] = NextWord(rest);
            if (words[i].empty()) return Fail(error, std::string("usage: ") + usage);
        }
        if (!OnlyBlanks(rest)) return Fail(error, std::string("usage: ") + usage);
        return true;
    };

    if (verb == "field") {
        out.verb = Verb::Field;
        const std::string_view n = NextWord(rest);
        if (!ReadInt(n, 1, 10, out.first)) return Fail(error, "usage: field N TEXT, with N from 1 to 10");
        // The text is everything after the one blank that ends the number, blanks included.
        if (!rest.empty()) rest.remove_prefix(1);
        out.text = FromUtf8(rest);
        return true;
    }
    if (verb == "pick") {
        out.verb = Verb::Pick;
        if (!take(2, "pick N K") || !ReadInt(words[0], 1, 10, out.first) || !ReadInt(words[1], 0, kIntMax, out.second))
            return Fail(error, "usage: pick N K, with N from 1 to 10 and K from 0");
        return true;
    }
    if (verb == "menu") {
        out.verb = Verb::Menu;
        if (!take(1, "menu ID") || !ReadInt(words[0], 1, kIntMax, out.first)) return Fail(error, "usage: menu ID");
        return true;
    }
    if (verb == "post") {
        out.verb = Verb::Post;
        if (!take(2, "post H TYPE") || !ReadWord(words[0], out.first) || !ReadWord(words[1], out.second))
            return Fail(error, "usage: post H TYPE, two numbers");
        return true;
    }
    if (verb == "bofkey") {
        out.verb = Verb::BofKey;
        if (!take(1, "bofkey W") || !ReadWord(words[0], out.first)) return Fail(error, "usage: bofkey W, a number");
        return true;
    }
    if (verb == "answer") {
        out.verb = Verb::Answer;
        if (!take(1, "answer K")) return false;
        if (words[0] == "close") {
            out.first = kAnswerClose;
        } else if (!ReadInt(words[0], 0, 2, out.first)) {
            return Fail(error, "usage: answer K, with K 0, 1, 2 or close");
        }
        return true;
    }
    if (verb == "wait" || verb == "close") {
        out.verb = verb == "wait" ? Verb::Wait : Verb::Close;
        return take(0, verb == "wait" ? "wait" : "close");
    }
    if (verb == "sleep") {
        out.verb = Verb::Sleep;
        if (!take(1, "sleep MS") || !ReadInt(words[0], 0, kIntMax, out.first))
            return Fail(error, "usage: sleep MS, milliseconds");
        return true;
    }
    if (verb == "handle") {
        out.verb = Verb::Handle;
        link::Number h;
        if (!take(1, "handle H") || !link::ParseNumber(words[0], h) || !h.Fits(16))
            return Fail(error, "usage: handle H, a 16-bit job handle");
        out.first = static_cast<std::int16_t>(h.Bits());
        return true;
    }
    if (verb == "result") {
        out.verb = Verb::Result;
        const std::string_view call = NextWord(rest);
        const std::string_view ret = NextWord(rest);
        if (call.empty() || ret.empty()) return Fail(error, "usage: result CALL RET VALUES...");
        if (!link::FindCall(call, out.call)) return Fail(error, "no link call named " + std::string(call));
        if (!link::ParseNumber(ret, out.ret)) return Fail(error, "the return value must be a number");
        const auto column = static_cast<std::size_t>(rest.data() - line.data()) + 1;
        return link::ParseValues(rest, out.values, error, column);
    }
    return Fail(error, "unknown command \"" + std::string(verb) + "\"");
}

}  // namespace vantel::script
