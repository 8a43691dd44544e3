#include "jobs/journal_format.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <string_view>
#include <vector>

#include <fmt/format.h>

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

}  // namespace

std::string JournalTime(std::int64_t timeMs) {
    // Entries come many to a second; the local date, time and offset only change per second.
    thread_local std::int64_t cachedSecond = INT64_MIN;
    thread_local std::string cachedDate, cachedOffset;
    const std::int64_t second = timeMs >= 0 ? timeMs / 1000 : (timeMs - 999) / 1000;
    const int msPart = static_cast<int>(timeMs - second * 1000);
    if (second != cachedSecond) {
        int ms = 0;
        const std::tm tm = LocalTime(second * 1000, ms);
        char date[32];
        std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &tm);
        const long offset = tm.tm_gmtoff / 60;
        const long magnitude = offset < 0 ? -offset : offset;
        cachedDate = date;
        cachedOffset = fmt::format("{}{:02}:{:02}", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
        cachedSecond = second;
    }
    std::string text;
    text.reserve(cachedDate.size() + 4 + cachedOffset.size());
    text += cachedDate;
    text += '.';
    text += static_cast<char>('0' + msPart / 100);
    text += static_cast<char>('0' + msPart / 10 % 10);
    text += static_cast<char>('0' + msPart % 10);
    text += cachedOffset;
    return text;
}

std::string JournalClock(std::int64_t timeMs) {
    int ms = 0;
    const std::tm tm = LocalTime(timeMs, ms);
    return fmt::format("{:02}:{:02}:{:02}.{:03}", tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

namespace {

// A JSON string of valid UTF-8 (ToUtf8 and the call formatter make nothing else): only the
// quote, the backslash and control characters need an escape; everything else is copied in
// runs. The file writer turns every entry into a line, so this is on the journal's hot path;
// the tests read every line back with the JSON library.
void AppendJsonString(std::string& out, std::string_view utf8) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t run = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(utf8.data() + run, i - run);
        run = i + 1;
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 0xF];
        }
    }
    out.append(utf8.data() + run, utf8.size() - run);
    out += '"';
}

void AppendJsonString(std::string& out, std::wstring_view text) {
    thread_local std::string utf8;
    utf8.clear();
    bool ascii = true;
    for (const wchar_t c : text) ascii = ascii && static_cast<std::uint32_t>(c) < 0x80;
    if (ascii) {
        utf8.resize(text.size());
        for (std::size_t i = 0; i < text.size(); ++i) utf8[i] = static_cast<char>(text[i]);
    } else {
        utf8 = ToUtf8(text);
    }
    AppendJsonString(out, std::string_view(utf8));
}

// Field writer for one object: keys are ours and need no escape.
class JsonObject {
public:
    explicit JsonObject(std::string& out) : m_out(out) { m_out += '{'; }
    void Raw(std::string_view key, std::string_view json) {
        Key(key);
        m_out += json;
    }
    ~JsonObject() { m_out += '}'; }
    template <class T>
    void Number(std::string_view key, T value) {
        Key(key);
        char buf[24];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
        m_out.append(buf, end);
    }
    template <class S>
    void String(std::string_view key, const S& value) {
        Key(key);
        AppendJsonString(m_out, value);
    }
    // At least minCount strings: missing ones are empty.
    void Strings(std::string_view key, const std::vector<std::wstring>& values, std::size_t minCount = 0) {
        Key(key);
        m_out += '[';
        for (std::size_t i = 0; i < std::max(values.size(), minCount); ++i) {
            if (i > 0) m_out += ',';
            if (i < values.size()) {
                AppendJsonString(m_out, std::wstring_view(values[i]));
            } else {
                m_out += R"("")";
            }
        }
        m_out += ']';
    }
    void Bool(std::string_view key, bool value) {
        Key(key);
        m_out += value ? "true" : "false";
    }

private:
    // key comes with its quotes and colon: "\"seq\":".
    void Key(std::string_view key) {
        if (!m_first) m_out += ',';
        m_first = false;
        m_out += key;
    }
    std::string& m_out;
    bool m_first = true;
};

}  // namespace

// Built field by field rather than through a document: the file writer turns every entry into
// a line, and a document per entry cost ten times as much.
void AppendJsonLine(std::string& out, const JournalEntry& e) {
    {
        JsonObject j(out);
        j.Number(R"("seq":)", e.seq);
        j.Raw(R"("time":)", "\"" + JournalTime(e.timeMs) + "\"");
        j.String(R"("kind":)", KindName(e.kind));
        if (e.id != 0) j.Number(R"("id":)", e.id);
        if (!e.path.empty()) j.String(R"("path":)", std::wstring_view(e.path));
        if (e.handle) j.Number(R"("handle":)", *e.handle);
        if (e.slot) j.Number(R"("slot":)", *e.slot);
        if (!e.call.empty()) j.String(R"("call":)", std::string_view(e.call));
        if (e.ret) j.Number(R"("ret":)", *e.ret);
        if (e.latencyMs) j.Number(R"("latency_ms":)", *e.latencyMs);
        if (e.type) j.Number(R"("type":)", *e.type);
        if (e.wParam) j.Number(R"("wparam":)", *e.wParam);
        if (!e.text.empty()) j.String(R"("text":)", std::wstring_view(e.text));
        if (e.kind == JournalKind::Command && e.text.empty()) {
            // All ten fields, as the command read them.
            j.Strings(R"("params":)", e.params, 10);
        }
        if (!e.buttons.empty()) j.Strings(R"("buttons":)", e.buttons);
        if (e.answer) j.Number(R"("answer":)", *e.answer);
        if (ShowsSomething(e.kind)) j.Bool(R"("shown":)", e.shown);
    }
}

std::string ToJsonLine(const JournalEntry& e) {
    std::string out;
    out.reserve(160 + e.text.size() + e.call.size());
    AppendJsonLine(out, e);
    return out;
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
    // The console keeps the fields up to the last one that holds something.
    if (!e.params.empty()) {
        line += "  [";
        for (std::size_t i = 0; i < e.params.size(); ++i) line += (i ? "|" : "") + OneLine(e.params[i]);
        line += "]";
    }
    if (ShowsSomething(e.kind) && !e.shown) line += "  (ohne Box)";
    return line;
}

bool WriteJournalEntries(const std::string& path, ExportFormat format, const std::vector<const JournalEntry*>& entries,
                         std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    bool ok = true;
    const auto put = [&](const std::string& line) {
        if (ok && (std::fwrite(line.data(), 1, line.size(), file) != line.size() || std::fputc('\n', file) == EOF)) {
            ok = false;
        }
    };
    if (format == ExportFormat::Csv) put(CsvHeader());
    for (const JournalEntry* e : entries) {
        switch (format) {
            case ExportFormat::JsonLines: put(ToJsonLine(*e)); break;
            case ExportFormat::Csv: put(ToCsvRow(*e)); break;
            case ExportFormat::Text: put(ToTextLine(*e)); break;
        }
    }
    int err = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) error = path + ": " + std::strerror(err);
    return ok;
}

}  // namespace vantel
