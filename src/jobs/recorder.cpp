#include "jobs/recorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/text.h"

namespace vantel {

Recorder::Recorder(std::function<bool()> idle, std::function<std::int64_t()> clock)
    : m_idle(std::move(idle)), m_clock(std::move(clock)) {}

void Recorder::Begin(const std::wstring& version, const std::wstring& date) {
    m_lines.push_back("# Recorded by Vantel " + ToUtf8(version) + " on " + ToUtf8(date));
    m_lines.push_back("# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0");
    m_afterAnswers = m_lines.size();
}

// Between two actions: the jobs had all ended, or the user acted while one still ran.
void Recorder::Gap() {
    if (!m_acted) return;
    if (m_idle()) {
        m_lines.push_back("wait");
    } else {
        const std::int64_t waited = std::clamp<std::int64_t>(m_clock() - m_lastActionMs, 0, kMaxSleepMs);
        m_lines.push_back("sleep " + std::to_string(waited));
    }
}

void Recorder::Observe(const JournalEntry& e) {
    switch (e.kind) {
        case JournalKind::Command: OnCommand(e); break;
        case JournalKind::Request:
            // Only the request of the command just recorded; others have no line to go before.
            if (m_acted && e.handle && *e.handle != 0 && e.id == m_command) m_jobLine[*e.handle] = m_commandLine;
            break;
        case JournalKind::Answer: OnAnswer(e); break;
        default: break;
    }
}

void Recorder::OnCommand(const JournalEntry& e) {
    if (e.id == 0) return;
    Gap();
    if (e.text != kNoFunction) {
        for (int n = 0; n < kFieldCount; ++n) {
            const std::wstring text = static_cast<std::size_t>(n) < e.params.size() ? e.params[n] : std::wstring();
            if (text == m_written[n]) continue;
            m_written[n] = text;
            m_lines.push_back("field " + std::to_string(n + 1) + " " + ToUtf8(text));
        }
    }
    m_command = e.id;
    m_commandLine = m_lines.size();
    m_lines.push_back("menu " + std::to_string(e.id));
    m_acted = true;
    m_lastActionMs = m_clock();
}

// A queued answer must be there before its question arrives: before the command whose job
// asks, but never before an answer to an earlier question. A question of a job that no line
// of this recording started gets its answer where the recording stands.
void Recorder::OnAnswer(const JournalEntry& e) {
    const bool closed = m_nextAnswerClosed;
    m_nextAnswerClosed = false;
    std::size_t at = m_lines.size();
    if (e.handle) {
        if (const auto it = m_jobLine.find(*e.handle); it != m_jobLine.end()) at = it->second;
    }
    at = std::max(at, m_afterAnswers);
    InsertAt(at, closed ? "answer close" : "answer " + std::to_string(e.answer.value_or(0)));
    m_afterAnswers = at + 1;
}

void Recorder::InsertAt(std::size_t index, std::string line) {
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(index), std::move(line));
    for (auto& [handle, line] : m_jobLine) {
        if (line >= index) ++line;
    }
    if (m_commandLine >= index && m_acted) ++m_commandLine;
}

std::string Recorder::Finish(bool closing) {
    Gap();
    if (closing) m_lines.push_back("close");
    m_acted = false;
    std::string text;
    for (const std::string& line : m_lines) text += line + "\n";
    return text;
}

bool WriteTextFile(const std::string& path, const std::string& text, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        error = path + ": " + std::strerror(written ? errno : writeErrno);
        return false;
    }
    return true;
}

}  // namespace vantel
