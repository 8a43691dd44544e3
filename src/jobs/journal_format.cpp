#include "jobs/journal_format.h"

#include <ctime>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/text.h"

namespace vantel {
namespace {

std::tm LocalTime(std::int64_t timeMs, int& ms) {
    std::int64_t seconds = timeMs / 1000;
    ms = static_cast<int>(timeMs % 1000);
    if (ms < 0) ms += 1000, --seconds;
    const auto t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

// Line ends and tabs as escapes, so that an entry stays one line.
std::string OneLine(const std::wstring& text) {
    std::string out;
    for (const char c : ToUtf8(text)) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

std::string CsvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string out = "\"";
    for (const char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

bool ShowsSomething(JournalKind k) {
    return k == JournalKind::Box || k == JournalKind::Question || k == JournalKind::Busy ||
           k == JournalKind::Diverted;
}

}  // namespace

std::string JournalTime(std::int64_t timeMs) {
    int ms = 0;
    const std::tm tm = LocalTime(timeMs, ms);
    char date[32];
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
    const long offset = tm.tm_gmtoff / 60;
    const long hours = (offset < 0 ? -offset : offset) / 60;
    const long minutes = (offset < 0 ? -offset : offset) % 60;
    return fmt::format("{}.{:03}{}{:02}:{:02}", date, ms, offset < 0 ? '-' : '+', hours, minutes);
}

std::string JournalClock(std::int64_t timeMs) {
    int ms = 0;
    const std::tm tm = LocalTime(timeMs, ms);
    return fmt::format("{:02}:{:02}:{:02}.{:03}", tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

std::string ToJsonLine(const JournalEntry& e) {
    // Insertion order keeps seq, time and kind first, for people reading the file.
    nlohmann::ordered_json j;
    j["seq"] = e.seq;
    j["time"] = JournalTime(e.timeMs);
    j["kind"] = KindName(e.kind);
    if (e.id != 0) j["id"] = e.id;
    if (!e.path.empty()) j["path"] = ToUtf8(e.path);
    if (e.handle) j["handle"] = *e.handle;
    if (e.slot) j["slot"] = *e.slot;
    if (!e.call.empty()) j["call"] = e.call;
    if (e.ret) j["ret"] = *e.ret;
    if (e.latencyMs) j["latency_ms"] = *e.latencyMs;
    if (e.type) j["type"] = *e.type;
    if (e.wParam) j["wparam"] = *e.wParam;
    if (!e.text.empty()) j["text"] = ToUtf8(e.text);
    if (!e.params.empty()) {
        auto& params = j["params"] = nlohmann::ordered_json::array();
        for (const auto& p : e.params) params.push_back(ToUtf8(p));
    }
    if (!e.buttons.empty()) {
        auto& buttons = j["buttons"] = nlohmann::ordered_json::array();
        for (const auto& b : e.buttons) buttons.push_back(ToUtf8(b));
    }
    if (e.answer) j["answer"] = *e.answer;
    if (ShowsSomething(e.kind)) j["shown"] = e.shown;
    // Our text is valid UTF-8 already; replace rather than throw if a link ever sends otherwise.
    return j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::string CsvHeader() { return "seq,time,kind,id,path,handle,slot,call,ret,latency_ms,type,text,shown"; }

std::string ToCsvRow(const JournalEntry& e) {
    const auto opt = [](const auto& o) { return o ? std::to_string(*o) : std::string(); };
    std::string row;
    const auto add = [&row](const std::string& field) {
        if (!row.empty()) row += ',';
        row += CsvField(field);
    };
    row = std::to_string(e.seq);
    add(JournalTime(e.timeMs));
    add(std::string(KindName(e.kind)));
    add(e.id != 0 ? std::to_string(e.id) : std::string());
    add(ToUtf8(e.path));
    add(opt(e.handle));
    add(opt(e.slot));
    add(e.call);
    add(opt(e.ret));
    add(opt(e.latencyMs));
    add(opt(e.type));
    add(ToUtf8(e.text));
    add(ShowsSomething(e.kind) ? (e.shown ? "true" : "false") : "");
    return row;
}

std::string ToTextLine(const JournalEntry& e) {
    std::string line = fmt::format("{:>6} {} {:<12}", e.seq, JournalClock(e.timeMs), KindName(e.kind));
    if (!e.path.empty()) line += ' ' + ToUtf8(e.path);
    if (e.handle) line += fmt::format(" h={}", *e.handle);
    if (e.slot) line += fmt::format(" slot={}", *e.slot);
    if (e.latencyMs) line += fmt::format(" {} ms", *e.latencyMs);
    if (!e.call.empty()) line += "  " + e.call;
    if (!e.text.empty()) line += "  " + OneLine(e.text);
    // The fields up to the last one that holds something, "|" between them.
    std::size_t used = e.params.size();
    while (used > 0 && e.params[used - 1].empty()) --used;
    if (used > 0) {
        line += "  [";
        for (std::size_t i = 0; i < used; ++i) line += (i ? "|" : "") + OneLine(e.params[i]);
        line += "]";
    }
    if (ShowsSomething(e.kind) && !e.shown) line += "  (ohne Box)";
    return line;
}

}  // namespace vantel
