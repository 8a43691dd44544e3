#include "sim/model/log.h"

#include "platform/text.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <iterator>
#include <limits>
#include <utility>

#include "platform/filetime.h"

namespace vantel::link::sim {
namespace {


std::wstring Cut(const std::wstring& s) { return s.size() <= kMaxLogText ? s : s.substr(0, kMaxLogText); }

std::vector<std::wstring> CutAll(const std::vector<std::wstring>& v) {
    std::vector<std::wstring> out;
    out.reserve(std::min(v.size(), kMaxLogArray));
    for (std::size_t i = 0; i < v.size() && i < kMaxLogArray; ++i) out.push_back(Cut(v[i]));
    return out;
}

// One stored text inside a line: a break or tab would split or garble the line.
void AppendFlat(std::wstring& out, const std::wstring& s) {
    for (wchar_t c : s) out += (c < 0x20 || c == 0x7F) ? L' ' : c;
}

// The same text CFileTime::Format gives, but in UTC: it only knows local time.
std::wstring FormatUtc(std::uint64_t ticks, bool withDate) {
    const auto [secs, millis] = Orvo_Time::CFileTime(ticks).ToUnix();
    const time_t t = static_cast<time_t>(secs);
    std::tm tm{};
    if (gmtime_r(&t, &tm) == nullptr) tm = std::tm{};
    wchar_t buf[48];
    if (withDate) {
        std::swprintf(buf, std::size(buf), L"%04d-%02d-%02d %02d:%02d:%02d'%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                      tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(millis));
    } else {
        std::swprintf(buf, std::size(buf), L"%02d:%02d:%02d'%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                      static_cast<int>(millis));
    }
    return buf;
}

}  // namespace

SimLog::SimLog(std::wstring controller, std::size_t capacity, std::size_t traceLines)
    : m_controller(std::move(controller)), m_capacity(std::max<std::size_t>(capacity, 1)), m_traceLimit(traceLines) {}

namespace {

// The fields every kind of record has, with texts cut to size.
LogRecord Common(LogKind kind, std::uint64_t stamp, const std::wstring& origin, const std::wstring& module,
                 std::uint32_t code, std::int16_t level, const std::wstring& text1, const std::wstring& text2,
                 const std::wstring& text3, std::int32_t logClass) {
    LogRecord r;
    r.stamp = stamp;
    r.kind = kind;
    r.origin = Cut(origin);
    r.module = Cut(module);
    r.code = code;
    r.level = level;
    r.text1 = Cut(text1);
    r.text2 = Cut(text2);
    r.text3 = Cut(text3);
    r.logClass = logClass;
    return r;
}

}  // namespace

std::int32_t SimLog::AddItem(std::uint64_t stamp, const std::wstring& origin, const std::wstring& module,
                             std::int32_t code, std::int16_t level, const std::wstring& text1,
                             const std::wstring& text2, const std::wstring& text3,
                             const std::vector<std::wstring>& params, const std::vector<bool>& flags,
                             const std::wstring& marker, std::int32_t logClass, std::int32_t logType) {
    if ((m_config & kKeepItems) == 0) return 0;
    LogRecord r = Common(LogKind::Item, stamp, origin, module, static_cast<std::uint32_t>(code), level, text1, text2,
                         text3, logClass);
    r.params = CutAll(params);
    r.flags.assign(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(std::min(flags.size(), kMaxLogArray)));
    r.marker = Cut(marker);
    r.logType = logType;
    return Store(std::move(r));
}

std::int32_t SimLog::AddEntry(std::uint64_t stamp, const std::wstring& origin, const std::wstring& module,
                              std::uint32_t code, std::int16_t level, const std::wstring& text1,
                              const std::wstring& text2, const std::wstring& text3, std::int32_t extra,
                              const std::wstring& marker, std::int32_t logClass) {
    if ((m_config & kKeepEntries) == 0) return 0;
    LogRecord r = Common(LogKind::Entry, stamp, origin, module, code, level, text1, text2, text3, logClass);
    r.marker = Cut(marker);
    r.extra = extra;
    return Store(std::move(r));
}

std::int32_t SimLog::AddOwn(std::uint64_t stamp, const std::wstring& origin, const std::wstring& module,
                            std::uint32_t code, std::int16_t level, const std::wstring& text1,
                            const std::wstring& text2, const std::wstring& text3, std::int32_t logClass) {
    if ((m_config & kKeepOwn) == 0) return 0;
    return Store(Common(LogKind::Controller, stamp, origin, module, code, level, text1, text2, text3, logClass));
}

std::int32_t SimLog::Store(LogRecord r) {
    if (m_next == std::numeric_limits<std::int32_t>::max()) {
        // Out of numbers: starting over empty keeps every number held unique.
        m_records.clear();
        m_next = 1;
        m_flushedTo = 0;
    }
    r.number = m_next++;
    if (m_records.size() >= m_capacity) m_records.pop_front();
    m_records.push_back(std::move(r));
    return m_records.back().number;
}

const LogRecord* SimLog::Find(std::int32_t number) const {
    if (m_records.empty() || number < m_records.front().number || number > m_records.back().number) return nullptr;
    return &m_records[static_cast<std::size_t>(number - m_records.front().number)];
}

std::optional<std::vector<std::wstring>> SimLog::Lines(std::uint32_t first, std::uint32_t last) const {
    if (last < first) return std::nullopt;
    std::vector<std::wstring> lines;
    if (m_records.empty()) return lines;
    const auto lo = std::max<std::uint64_t>(first, static_cast<std::uint64_t>(m_records.front().number));
    const auto hi = std::min<std::uint64_t>(last, static_cast<std::uint64_t>(m_records.back().number));
    if (lo > hi) return lines;
    const std::size_t start = static_cast<std::size_t>(lo) - static_cast<std::size_t>(m_records.front().number);
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(hi - lo + 1), kMaxLogLines);
    lines.reserve(count);
    for (std::size_t i = start; i < start + count; ++i) {
        const LogRecord& r = m_records[i];
        std::wstring line = std::to_wstring(r.number) + L' ' + Time(r.stamp, false) + L" class " +
                            std::to_wstring(r.logClass) + L" level " + std::to_wstring(r.level) + L" [";
        AppendFlat(line, r.origin);
        line += L'/';
        AppendFlat(line, r.module);
        line += L"] " + std::to_wstring(r.code) + L':';
        const std::wstring* texts[] = {&r.text1, &r.text2, &r.text3};
        std::size_t shown = 3;
        while (shown > 0 && texts[shown - 1]->empty()) --shown;
        for (std::size_t t = 0; t < shown; ++t) {
            line += t == 0 ? L" " : L" | ";
            AppendFlat(line, *texts[t]);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::wstring> SimLog::Header() const {
    wchar_t config[32];
    std::swprintf(config, std::size(config), L"0x%08X", static_cast<unsigned>(m_config));
    std::vector<std::wstring> h;
    h.push_back(L"Controller: " + m_controller);
    h.push_back(L"Records: " + std::to_wstring(m_records.size()) + L" of " + std::to_wstring(m_capacity) + L", " +
                std::to_wstring(Unflushed()) + L" not flushed");
    h.push_back(m_records.empty() ? std::wstring(L"Numbers: none")
                                  : L"Numbers: " + std::to_wstring(m_records.front().number) + L" to " +
                                        std::to_wstring(m_records.back().number));
    h.push_back(std::wstring(L"Configuration: ") + config);
    h.push_back(L"Last flush: " + (m_lastFlush ? Time(*m_lastFlush, true) : std::wstring(L"never")));
    return h;
}

bool SimLog::SetConfig(std::int64_t word) {
    if ((word & ~static_cast<std::int64_t>(kConfigBits)) != 0) return false;
    m_config = static_cast<std::int32_t>(word);
    return true;
}

void SimLog::Flush(std::uint64_t stamp) {
    m_lastFlush = stamp;
    if (!m_records.empty()) m_flushedTo = m_records.back().number;
}

std::size_t SimLog::Unflushed() const {
    if (m_records.empty()) return 0;
    const std::int32_t from = std::max(m_flushedTo + 1, m_records.front().number);
    const std::int32_t to = m_records.back().number;
    return from > to ? 0 : static_cast<std::size_t>(to - from + 1);
}

void SimLog::Trace(std::wstring line) {
    if (m_traceLimit == 0) return;
    for (wchar_t& c : line) {
        if (c == L'\n' || c == L'\r') c = L' ';
    }
    if (m_trace.size() >= m_traceLimit) m_trace.pop_front();
    m_trace.push_back(std::move(line));
}

std::string SimLog::TraceText() const {
    std::string out;
    for (const std::wstring& line : m_trace) {
        out += ToUtf8(line);
        out += '\n';
    }
    return out;
}

std::wstring SimLog::Time(std::uint64_t stamp, bool withDate) const {
    if ((m_config & kUtc) != 0) return FormatUtc(stamp, withDate);
    wchar_t buf[48];
    Orvo_Time::CFileTime(stamp).Format(buf, std::size(buf), withDate ? L"%Y-%M-%D %h:%m:%s'%U" : L"%h:%m:%s'%U");
    return buf;
}

}  // namespace vantel::link::sim
