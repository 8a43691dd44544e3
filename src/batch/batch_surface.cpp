#include "batch/batch_surface.h"

#include <chrono>
#include <string>
#include <thread>

#include "jobs/console.h"
#include "link/script_value.h"

namespace vantel {

void LineWriter::Line(std::string_view line) {
    std::lock_guard lock(m_mutex);
    m_out << line << '\n';
    m_out.flush();
}

FieldTexts BatchSurface::ReadFields() {
    FieldTexts texts;
    if (m_console == nullptr) return texts;
    for (int n = 1; n <= kFieldCount; ++n) texts[n - 1] = m_console->Field(n).text;
    return texts;
}

void BatchSurface::MessageBox(const std::wstring& text) { m_out.Line("box: " + link::EscapeText(text)); }

int BatchSurface::RunQuestion(const std::wstring& question, const AnswerCaptions& captions) {
    m_out.Line("question: " + link::EscapeText(question));
    m_out.Line("buttons: " + link::EscapeText(captions[0]) + "|" + link::EscapeText(captions[1]) + "|" +
               link::EscapeText(captions[2]));
    int code = kQuestionClosed;
    if (!m_answers.empty()) {
        code = m_answers.front();
        m_answers.pop_front();
    }
    // The answer that the end code stands for: the middle and right buttons send 1 and 2,
    // everything else 0.
    const int answer = AnswerOf(code);
    m_out.Line("answer: " + std::to_string(answer));
    return code;
}

void BatchSurface::Pause(unsigned ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace vantel
