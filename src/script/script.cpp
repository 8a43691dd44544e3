#include "script/script.h"

#include <limits>
#include <utility>

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

namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsNameChar(char c, bool first) {
    return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (!first && c >= '0' && c <= '9');
}

bool IsName(std::string_view s) {
    if (s.empty()) return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!IsNameChar(s[i], i == 0)) return false;
    }
    return true;
}

}  // namespace

bool SplitEnvWord(std::string_view word, std::string& name, std::string& value, bool& unset) {
    constexpr std::string_view kUnset = "--unset=";
    unset = word.substr(0, kUnset.size()) == kUnset;
    if (unset) word.remove_prefix(kUnset.size());
    const std::size_t eq = word.find('=');
    if (unset ? eq != std::string_view::npos : eq == std::string_view::npos) return false;
    name = std::string(word.substr(0, eq));
    value = unset ? std::string() : std::string(word.substr(eq + 1));
    return IsName(name);
}

bool SplitWords(std::string_view text, std::vector<std::string>& words, std::string& error) {
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsBlank(c)) {
            if (inWord) words.push_back(std::exchange(word, {}));
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == text.size()) return Fail(error, "a backslash ends the line");
            word += text[i];
        } else if (c == '\'') {
            const std::size_t close = text.find('\'', i + 1);
            if (close == std::string_view::npos) return Fail(error, "a ' is not closed");
            word += text.substr(i + 1, close - i - 1);
            i = close;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == text.size()) return Fail(error, "a \" is not closed");
                if (text[i] == '"') break;
                if (text[i] == '\\' && i + 1 < text.size() && std::string_view("\"\\$`").find(text[i + 1]) != std::string_view::npos)
                    ++i;
                word += text[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return true;
}

std::string ExpandWorkdir(std::string_view text, std::string_view workdir) {
    constexpr std::string_view kWorkdir = "@WORKDIR@";
    std::string out;
    for (std::size_t at; (at = text.find(kWorkdir)) != std::string_view::npos; text.remove_prefix(at + kWorkdir.size())) {
        out += text.substr(0, at);
        out += workdir;
    }
    out += text;
    return out;
}

HeaderLine ReadHeaderLine(std::string_view line, ScriptHeader& header, std::string& error) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view rest = Trim(line);
    if (rest.empty()) return HeaderLine::Header;
    if (rest.front() != '#') return HeaderLine::Command;
    rest = Trim(rest.substr(1));
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) return HeaderLine::Header;
    const std::string_view key = rest.substr(0, colon);
    const std::string_view value = Trim(rest.substr(colon + 1));
    const auto bad = [&](std::string why) {
        error = "# " + std::string(key) + ": " + why;
        return HeaderLine::Bad;
    };
    if (key == "args") {
        if (!SplitWords(value, header.args, error)) return bad(error);
    } else if (key == "env") {
        std::vector<std::string> words;
        if (!SplitWords(value, words, error)) return bad(error);
        for (const std::string& word : words) {
            std::string name, val;
            bool unset = false;
            if (!SplitEnvWord(word, name, val, unset)) return bad("NAME=VALUE or --unset=NAME, not \"" + word + "\"");
        }
        header.env.insert(header.env.end(), words.begin(), words.end());
    } else if (key == "status") {
        std::int64_t n = 0;
        std::string_view word = value;
        if (NextWord(word).empty() || !OnlyBlanks(word) || !ReadInt(value, 0, 255, n))
            return bad("an exit status from 0 to 255");
        header.status = static_cast<int>(n);
    } else if (key == "absent") {
        if (value.empty()) return bad("a path");
        header.absent.emplace_back(value);
    }
    return HeaderLine::Header;
}

bool ReadHeader(std::istream& in, ScriptHeader& header, std::string& firstCommand, int& lines, std::string& error) {
    firstCommand.clear();
    lines = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++lines;
        switch (ReadHeaderLine(line, header, error)) {
            case HeaderLine::Header: header.argLines.resize(header.args.size(), lines); break;
            case HeaderLine::Command: firstCommand = std::move(line); return true;
            case HeaderLine::Bad: error = "line " + std::to_string(lines) + ": " + error; return false;
        }
    }
    return true;
}

}  // namespace vantel::script
