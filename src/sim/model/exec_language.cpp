#include "sim/model/exec_language.h"

#include <array>
#include <optional>

#include "sim/model/model.h"

namespace vantel::link::sim {
namespace {

struct VerbInfo {
    const wchar_t* name;
    ExecVerb verb;
    const wchar_t* usage;
};

constexpr std::array<VerbInfo, 17> kVerbs = {{
    {L"info", ExecVerb::Info, L"info [NUMBER] TEXT - information message (10)"},
    {L"state", ExecVerb::State, L"state [NUMBER] TEXT - state message (11)"},
    {L"ack", ExecVerb::Ack, L"ack [NUMBER] TEXT - acknowledge message (12)"},
    {L"wait", ExecVerb::Wait, L"wait [NUMBER] TEXT - wait message (30)"},
    {L"remove", ExecVerb::Remove, L"remove HANDLE - message leaves the buffer (20)"},
    {L"confirm", ExecVerb::Confirm, L"confirm HANDLE - confirmed at the controller (50)"},
    {L"dialog", ExecVerb::Dialog, L"dialog TEXT|ANSWER|... - asynchronous dialog, 1-5 answers (60)"},
    {L"reply", ExecVerb::Reply, L"reply HANDLE ANSWER - dialog answered at the controller (70)"},
    {L"ask", ExecVerb::Ask, L"ask TEXT|ANSWER|... - synchronous dialog, 1-5 answers (100)"},
    {L"syncmsg", ExecVerb::SyncMsg, L"syncmsg [NUMBER] TEXT - synchronous message ending this job (1)"},
    {L"mouse", ExecVerb::Mouse, L"mouse X Y Z A B C - move the 6D mouse while it is on: one reading (200)"},
    {L"keyswitch", ExecVerb::KeySwitch, L"keyswitch 1-4 - key switch to #T1 #T2 #AUT #EX (300)"},
    {L"key", ExecVerb::Key, L"key CODE - operator key, 0-65535 or 0xHHHH (WM_BOFKEY)"},
    {L"progress", ExecVerb::Progress, L"progress PERCENT [TEXT] - progress report of this job (400)"},
    {L"fail", ExecVerb::Fail, L"fail - this job fails"},
    {L"abort", ExecVerb::Abort, L"abort - this job is aborted (2)"},
    {L"help", ExecVerb::Help, L"help - this list, as an information message"},
}};

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Splits off the first word; the rest starts after the blanks that follow it.
std::wstring_view TakeWord(std::wstring_view& rest) {
    std::size_t i = 0;
    while (i < rest.size() && IsBlank(rest[i])) ++i;
    std::size_t j = i;
    while (j < rest.size() && !IsBlank(rest[j])) ++j;
    const std::wstring_view word = rest.substr(i, j - i);
    while (j < rest.size() && IsBlank(rest[j])) ++j;
    rest.remove_prefix(j);
    return word;
}

std::optional<std::int64_t> Number(std::wstring_view w, std::int64_t min, std::int64_t max, bool hex) {
    if (w.size() > 2 && w[0] == L'0' && (w[1] == L'x' || w[1] == L'X')) {
        hex = true;
        w.remove_prefix(2);
    }
    bool negative = false;
    if (!hex && !w.empty() && (w[0] == L'-' || w[0] == L'+')) {
        negative = w[0] == L'-';
        w.remove_prefix(1);
    }
    if (w.empty() || w.size() > 10) return std::nullopt;
    std::int64_t v = 0;
    for (wchar_t c : w) {
        int d;
        if (c >= L'0' && c <= L'9') d = c - L'0';
        else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
        else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
        else return std::nullopt;
        v = v * (hex ? 16 : 10) + d;
    }
    if (negative) v = -v;
    if (v < min || v > max) return std::nullopt;
    return v;
}

std::vector<std::wstring> SplitBar(std::wstring_view s) {
    std::vector<std::wstring> parts;
    for (;;) {
        const auto bar = s.find(L'|');
        parts.emplace_back(s.substr(0, bar));
        if (bar == std::wstring_view::npos) return parts;
        s.remove_prefix(bar + 1);
    }
}


bool Parse(std::wstring_view line, ExecCommand& out, std::wstring& why) {
    out = ExecCommand{};
    if (line.size() > kMaxText) {
        why = L"Command longer than " + std::to_wstring(kMaxText) + L" characters";
        return false;
    }
    std::wstring_view rest = line;
    const std::wstring verb = Upper(TakeWord(rest));
    if (verb.empty()) {
        why = L"Empty command; 'help' lists the commands";
        return false;
    }
    const VerbInfo* info = nullptr;
    for (const auto& v : kVerbs) {
        if (Upper(v.name) == verb) info = &v;
    }
    if (info == nullptr) {
        why = L"Unknown command '" + std::wstring(line.substr(0, std::min<std::size_t>(line.size(), 40))) +
              L"'; 'help' lists the commands";
        return false;
    }
    out.verb = info->verb;
    const auto usage = [&] {
        why = std::wstring(L"Usage: ") + info->usage;
        return false;
    };
    const auto numbers = [&](std::size_t count, std::int64_t min, std::int64_t max, bool hex) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto n = Number(TakeWord(rest), min, max, hex);
            if (!n) return false;
            out.numbers.push_back(*n);
        }
        return true;
    };
    switch (out.verb) {
        case ExecVerb::Info:
        case ExecVerb::State:
        case ExecVerb::Ack:
        case ExecVerb::Wait:
        case ExecVerb::SyncMsg: {
            // An optional leading number is the message number.
            std::wstring_view probe = rest;
            const auto n = Number(TakeWord(probe), 0, UINT32_MAX, false);
            if (n) {
                out.numbers.push_back(*n);
                rest = probe;
            }
            out.text = rest;
            return true;
        }
        case ExecVerb::Remove:
        case ExecVerb::Confirm:
            if (!numbers(1, 1, UINT32_MAX, true) || !rest.empty()) return usage();
            return true;
        case ExecVerb::Reply:
            if (!numbers(1, 1, UINT32_MAX, true) || !numbers(1, 0, kMaxAnswers - 1, false) || !rest.empty())
                return usage();
            return true;
        case ExecVerb::Dialog:
        case ExecVerb::Ask: {
            auto parts = SplitBar(rest);
            out.text = parts.front();
            out.answers.assign(parts.begin() + 1, parts.end());
            if (out.answers.empty() || out.answers.size() > kMaxAnswers) return usage();
            return true;
        }
        case ExecVerb::Mouse:
            if (!numbers(6, INT16_MIN, INT16_MAX, false) || !rest.empty()) return usage();
            return true;
        case ExecVerb::KeySwitch:
            if (!numbers(1, 1, 4, false) || !rest.empty()) return usage();
            return true;
        case ExecVerb::Key:
            if (!numbers(1, 0, 0xFFFF, false) || !rest.empty()) return usage();
            return true;
        case ExecVerb::Progress:
            if (!numbers(1, 0, 100, false)) return usage();
            out.text = rest;
            return true;
        case ExecVerb::Fail:
        case ExecVerb::Abort:
        case ExecVerb::Help:
            if (!rest.empty()) return usage();
            return true;
    }
    return usage();
}

}  // namespace

OutcomeOf<ExecCommand> ParseExec(std::wstring_view line) {
    ExecCommand command;
    std::wstring why;
    if (!Parse(line, command, why)) return Outcome::Refused(std::move(why));
    return command;
}

std::wstring ExecHelp() {
    std::wstring text;
    for (const auto& v : kVerbs) {
        if (!text.empty()) text += L"\n";
        text += v.usage;
    }
    return text;
}

}  // namespace vantel::link::sim
