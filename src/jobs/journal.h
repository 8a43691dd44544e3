// The journal: every event the console sees, in order, as one entry each. The console
// publishes entries; observers (the journal window, the session's file, the status line)
// decide where they go. The console neither formats for a window nor knows about files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantel {

// The fixed list of kinds; their names are what the journal file and its readers use.
#define VANTEL_JOURNAL_KINDS(X)          \
    X(Start, "start")                    \
    X(Init, "init")                      \
    X(Exit, "exit")                      \
    X(Command, "command")                \
    X(Request, "request")                \
    X(Busy, "busy")                      \
    X(NotStarted, "not-started")         \
    X(Notification, "notification")      \
    X(Fetch, "fetch")                    \
    X(Box, "box")                        \
    X(Question, "question")              \
    X(Answer, "answer")                  \
    X(Direct, "direct")                  \
    X(Key, "key")                        \
    X(SlotFreed, "slot-freed")           \
    X(Diverted, "diverted")              \
    X(Close, "close")                    \
    X(Script, "script")                  \
    X(Link, "link")

enum class JournalKind : std::uint8_t {
#define VANTEL_KIND_ENUM(name, text) name,
    VANTEL_JOURNAL_KINDS(VANTEL_KIND_ENUM)
#undef VANTEL_KIND_ENUM
};

inline constexpr std::string_view kJournalKindNames[] = {
#define VANTEL_KIND_NAME(name, text) text,
    VANTEL_JOURNAL_KINDS(VANTEL_KIND_NAME)
#undef VANTEL_KIND_NAME
};
inline constexpr std::size_t kJournalKindCount = std::size(kJournalKindNames);

inline std::string_view KindName(JournalKind k) { return kJournalKindNames[static_cast<std::size_t>(k)]; }
// The kinds that put something in front of the user (or would have, see JournalEntry::shown).
inline bool ShowsSomething(JournalKind k) {
    return k == JournalKind::Box || k == JournalKind::Question || k == JournalKind::Busy ||
           k == JournalKind::Diverted;
}

// Slot numbers of the Show-variable table in an entry: kShowTableSlotBase + index.
inline constexpr int kShowTableSlotBase = 1000;

struct JournalEntry {
    std::uint64_t seq = 0;     // 1, 2, 3 ... in the order the console saw the events
    std::int64_t timeMs = 0;   // wall clock, milliseconds since the Unix epoch
    JournalKind kind = JournalKind::Command;

    int id = 0;                // the command the event belongs to; 0 when none
    // Its menu path without "&" ("Variablen/Show"), a panel button's group and caption; the
    // text lives as long as the process (InternPath), so entries share it.
    std::wstring_view path;
    std::optional<std::int16_t> handle;
    std::optional<int> slot;   // job slot 0-132, or kShowTableSlotBase + table index
    std::string call;          // a link call as "Name(arg, arg) -> ret", out-values as the call left them
    std::optional<std::int32_t> ret;
    std::optional<std::int64_t> latencyMs;  // since the request that started the job
    std::optional<std::int32_t> type;       // notification type (lParam of WM_PLEXA)
    std::optional<std::uint64_t> wParam;    // of a notification or operator key
    std::wstring text;         // what a box or question shows, or a note
    std::vector<std::wstring> params;   // a command's parameter strings, up to the last non-empty one
    std::vector<std::wstring> buttons;  // a question's three captions ("" where none)
    std::optional<int> answer;          // the answer a question sent (0-2)
    bool shown = true;         // box, question, busy: false when it went to the journal only

    // Roughly what the entry holds in memory, for the journal's byte bound.
    std::size_t Bytes() const;
    // The first line of text (or of the call when there is no text).
    std::wstring Summary() const;
};

class Journal {
public:
    using Observer = std::function<void(const JournalEntry&)>;

    struct Limits {
        std::size_t maxEntries = 100'000;
        std::size_t maxBytes = 64u << 20;
    };

    Journal() = default;
    explicit Journal(Limits limits) : m_limits(limits) {}
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Gives the entry its sequence number and time, keeps it, and passes it to every
    // observer. Past a bound the oldest entries are dropped from memory (observers have seen them).
    const JournalEntry& Add(JournalEntry entry);

    // Observers are called in the order they subscribed, on the thread that adds.
    int Subscribe(Observer observer);
    void Unsubscribe(int token);

    // The entries still in memory, oldest first; seq runs without gaps from FirstSeq().
    std::size_t Size() const { return m_entries.size(); }
    const JournalEntry& At(std::size_t i) const { return m_entries[i]; }
    std::uint64_t FirstSeq() const { return m_entries.empty() ? m_nextSeq : m_entries.front().seq; }
    std::uint64_t LastSeq() const { return m_nextSeq - 1; }
    // The entry with this sequence number, or null when it was dropped or never was.
    const JournalEntry* Find(std::uint64_t seq) const;
    std::uint64_t Dropped() const { return m_dropped; }
    std::size_t Bytes() const { return m_bytes; }
    const Limits& GetLimits() const { return m_limits; }

    // The wall clock in ms; tests set their own.
    std::function<std::int64_t()> clock;

private:
    Limits m_limits;
    std::deque<JournalEntry> m_entries;
    std::size_t m_bytes = 0;
    std::uint64_t m_nextSeq = 1;
    std::uint64_t m_dropped = 0;
    // A deque, so that an observer that subscribes another is not moved while it runs.
    std::deque<std::pair<int, Observer>> m_observers;
    int m_nextToken = 1;
};

// The menu path of a catalogue row as the journal shows it: the "&" marks removed ("&&" keeps one).
std::wstring PlainPath(std::wstring_view path);
// One copy of text for the whole process: the same text gives the same view, valid to the end.
std::wstring_view InternPath(std::wstring_view text);

}  // namespace vantel
