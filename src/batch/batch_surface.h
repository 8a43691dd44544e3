// The console's window as text: vantel-batch's surface. Every message box and question
// becomes output lines; questions are answered from the script's "answer" lines.
#pragma once
#include <deque>
#include <mutex>
#include <ostream>
#include <string_view>

#include "jobs/surface.h"

namespace vantel {

class CConsole;

// Whole UTF-8 lines to a stream, one writer at a time, each flushed so that they keep
// their order with the error stream.
class LineWriter {
public:
    explicit LineWriter(std::ostream& out) : m_out(out) {}
    void Line(std::string_view line);

private:
    std::mutex m_mutex;
    std::ostream& m_out;
};

// The end code of a question dialog closed with its close box.
inline constexpr int kQuestionClosed = 2;

class BatchSurface final : public ISurface {
public:
    explicit BatchSurface(LineWriter& out) : m_out(out) {}

    // The console whose fields ReadFields reports.
    void Attach(CConsole& console) { m_console = &console; }

    // The next question dialog ends with this code (kAnswerLeft to kAnswerRight, or kQuestionClosed).
    void QueueAnswer(int endCode) { m_answers.push_back(endCode); }

    FieldTexts ReadFields() override;
    // "box: TEXT"; nobody needs to press OK.
    void MessageBox(const std::wstring& text) override;
    // "question: TEXT", "buttons: C0|C1|C2" and the answer that the end code sends,
    // "answer: K". Without a queued answer the dialog is closed with its close box.
    int RunQuestion(const std::wstring& question, const AnswerCaptions& captions) override;
    void Pause(unsigned ms) override;

private:
    LineWriter& m_out;
    CConsole* m_console = nullptr;
    std::deque<int> m_answers;
};

}  // namespace vantel
