// The user's actions as a vantel-batch script: built from the console's journal entries,
// so every surface that drives the console can record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "jobs/journal.h"
#include "jobs/surface.h"

namespace vantel {

class Recorder {
public:
    // idle: true when no job is in flight and nothing waits to be dispatched. clock:
    // milliseconds on a clock that only goes forward.
    Recorder(std::function<bool()> idle, std::function<std::int64_t()> clock);

    // The comment that names the console's version and the date, and the settings that make
    // a replay against the simulated controller deterministic.
    void Begin(const std::wstring& version, const std::wstring& date);

    // Every journal entry, in order.
    void Observe(const JournalEntry& e);
    // The answer the console sends next comes from the question's close box, not a button.
    void QuestionClosed() { m_nextAnswerClosed = true; }

    // Ends the recording; with closing, the window closes (a "close" line). Returns the
    // whole script, UTF-8, one line per "\n".
    std::string Finish(bool closing);

    const std::vector<std::string>& Lines() const { return m_lines; }

    // What a "sleep" line waits at most: the user's pause before stopping a program halfway
    // matters, not how long he then looked at the screen.
    static constexpr std::int64_t kMaxSleepMs = 10'000;
    // The journal text of a command whose row has no behaviour: it read no fields.
    static constexpr std::wstring_view kNoFunction = L"ohne Funktion";

private:
    void Gap();
    void OnCommand(const JournalEntry& e);
    void OnAnswer(const JournalEntry& e);
    void InsertAt(std::size_t index, std::string line);

    std::function<bool()> m_idle;
    std::function<std::int64_t()> m_clock;
    std::vector<std::string> m_lines;
    FieldTexts m_written;  // each field as its last "field" line left it
    bool m_acted = false;
    std::int64_t m_lastActionMs = 0;
    int m_command = 0;                 // the id of the last "menu" line
    std::size_t m_commandLine = 0;     // and its index
    std::unordered_map<std::int16_t, std::size_t> m_jobLine;  // a job's handle -> its "menu" line
    std::size_t m_afterAnswers = 0;    // answers stay in the order their questions came
    bool m_nextAnswerClosed = false;
};

// Writes text to path, replacing what was there; false with the reason.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);

}  // namespace vantel
