// The simulated controller's log, and the link's own trace of its calls.
// A plain single-threaded class; the simulated link owns it, guards it and passes in the time.
//
// Records are numbered from 1 upward, items, entries and the controller's own records in one
// sequence. The log holds at most `capacity` records; when full, the oldest is dropped and its
// number is unknown from then on. When the 32-bit numbers run out the log is emptied and
// numbering starts again at 1, so a number never stands for two records held.
//
// Every text stored (origin, module, texts, marker, each parameter) is cut to kMaxLogText
// characters, and the parameter and flag arrays to kMaxLogArray entries.
//
// The configuration word (Config/SetConfig):
//   0x1 keep items (LogAddItem)         0x4 keep the controller's own records
//   0x2 keep entries (AddLogEntry)      0x8 show times in UTC instead of local time
// Any other bit makes SetConfig refuse the whole word. Start value 0x7. A record that is not
// kept gets no number (AddItem answers 0); records already held stay when a bit is cleared.
//
// One line of Lines() per record, texts left out from the last non-empty one on:
//   <number> <HH:MM:SS'mmm> class <class> level <level> [<origin>/<module>] <code>: <text1> | <text2> | <text3>
//   e.g. "12 14:03:09'047 class 2 level 1 [Panel/Drive] 1234: Over temperature | axis 3"
// Control characters in the texts show as blanks, so a record is always one line.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace vantel::link::sim {

inline constexpr std::size_t kMaxLogText = 256;
inline constexpr std::size_t kMaxLogArray = 64;
// Lines() gives at most this many lines, the lowest numbers of the range; ask again for more.
inline constexpr std::size_t kMaxLogLines = 1000;

// Who wrote a record, in the numbering LogOCGetItem reports.
enum class LogKind : std::int32_t { Item = 0, Entry = 1, Controller = 2 };

struct LogRecord {
    std::int32_t number = 0;
    std::uint64_t stamp = 0;  // CFileTime ticks
    LogKind kind = LogKind::Item;
    std::wstring origin, module;
    std::uint32_t code = 0;
    std::int16_t level = 0;
    std::wstring text1, text2, text3;
    std::vector<std::wstring> params;  // items only
    std::vector<bool> flags;           // items only
    std::wstring marker;
    std::int32_t logClass = 0;
    std::int32_t logType = 0;  // items only; 0 for the others
    std::int32_t extra = 0;    // entries only; kept, but no call reports it
};

class SimLog {
public:
    enum ConfigBit : std::int32_t {
        kKeepItems = 0x1,
        kKeepEntries = 0x2,
        kKeepOwn = 0x4,
        kUtc = 0x8,
    };
    static constexpr std::int32_t kConfigBits = kKeepItems | kKeepEntries | kKeepOwn | kUtc;

    // The link's log options: bit 0 traces calls, bit 1 notifications. The other bits are
    // kept and read back but change nothing.
    enum TraceBit : std::uint16_t { kTraceCalls = 0x1, kTraceNotifications = 0x2 };

    // A capacity below 1 is taken as 1.
    explicit SimLog(std::wstring controller, std::size_t capacity = 10'000, std::size_t traceLines = 5'000);

    // LogAddItem: the new record's number, or 0 when items are not kept. An item's code is
    // stored as the unsigned number of the same bits.
    std::int32_t AddItem(std::uint64_t stamp, const std::wstring& origin, const std::wstring& module, std::int32_t code,
                         std::int16_t level, const std::wstring& text1, const std::wstring& text2,
                         const std::wstring& text3, const std::vector<std::wstring>& params,
                         const std::vector<bool>& flags, const std::wstring& marker, std::int32_t logClass,
                         std::int32_t logType);
    // AddLogEntry: the new record's number, or 0 when entries are not kept.
    std::int32_t AddEntry(std::uint64_t stamp, const std::wstring& origin, const std::wstring& module,
                          std::uint32_t code, std::int16_t level, const std::wstring& text1, const std::wstring& text2,
                          const std::wstring& text3, std::int32_t extra, const std::wstring& marker,
                          std::int32_t logClass);
    // An event of the controller itself: the new record's number, or 0 when such records are not kept.
    std::int32_t AddOwn(std::uint64_t stamp, const std::wstring& origin, const std::wstring& module, std::uint32_t code,
                        std::int16_t level, const std::wstring& text1, const std::wstring& text2 = {},
                        const std::wstring& text3 = {}, std::int32_t logClass = 0);

    // LogOCGetItem: nullptr for a number not held (never written or dropped). The pointer is
    // good until the next change of the log.
    const LogRecord* Find(std::int32_t number) const;

    // GetLogEntries: the lines of the records with first <= number <= last, at most
    // kMaxLogLines of them; a range holding no record gives none. last < first is a caller's
    // mistake and gives nothing (the call fails) rather than an empty list.
    std::optional<std::vector<std::wstring>> Lines(std::uint32_t first, std::uint32_t last) const;

    // GetLogHeader, one "Name: value" per line:
    //   Controller: <name>
    //   Records: <held> of <capacity>, <unflushed> not flushed
    //   Numbers: <first> to <last>          ("Numbers: none" when empty)
    //   Configuration: 0x<8 hex digits>
    //   Last flush: <YYYY-MM-DD HH:MM:SS'mmm>   ("Last flush: never")
    std::vector<std::wstring> Header() const;

    std::int32_t Config() const { return m_config; }
    // LogSetConfig: false, and no change, for a word with a bit not defined above.
    bool SetConfig(std::int64_t word);

    // FlushLog: everything held counts as written, at the time given.
    void Flush(std::uint64_t stamp);

    std::size_t Size() const { return m_records.size(); }
    std::size_t Capacity() const { return m_capacity; }
    std::size_t Unflushed() const;

    // The link's own log. Trace keeps the last traceLines lines; line breaks in a line become
    // blanks. Whether a call or a notification is traced at all is the link's choice (Traces*).
    void Trace(std::wstring line);
    // The kept lines in UTF-8, each ended by '\n'; "" when none.
    std::string TraceText() const;
    std::int16_t LogOpt() const { return static_cast<std::int16_t>(m_logOpt); }
    void SetLogOpt(std::int16_t options) { m_logOpt = static_cast<std::uint16_t>(options); }
    bool TracesCalls() const { return (m_logOpt & kTraceCalls) != 0; }
    bool TracesNotifications() const { return (m_logOpt & kTraceNotifications) != 0; }

private:
    std::int32_t Store(LogRecord r);
    std::wstring Time(std::uint64_t stamp, bool withDate) const;

    std::wstring m_controller;
    std::size_t m_capacity;
    std::deque<LogRecord> m_records;  // consecutive numbers, oldest first
    std::int32_t m_next = 1;
    std::int32_t m_flushedTo = 0;     // highest number written by the last flush
    std::optional<std::uint64_t> m_lastFlush;
    std::int32_t m_config = kKeepItems | kKeepEntries | kKeepOwn;

    std::size_t m_traceLimit;
    std::deque<std::wstring> m_trace;
    std::uint16_t m_logOpt = kTraceCalls;
};

}  // namespace vantel::link::sim
