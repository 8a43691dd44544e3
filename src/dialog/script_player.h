// A vantel-batch script replayed in the main dialog, one line at a time from the event
// loop: the fields fill, the commands run and their boxes open as if the user typed.
#pragma once
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <wx/event.h>
#include <wx/timer.h>

#include "script/script.h"

namespace vantel {

class CVantelDlg;

class CScriptPlayer : public wxEvtHandler {
public:
    explicit CScriptPlayer(CVantelDlg& dlg);
    ~CScriptPlayer() override;

    // Reads the whole script first: false, with a message that names the line, for a line
    // that cannot be read, a command id no command has, or a line only vantel-batch's
    // scripted link understands. Nothing has run then.
    bool Load(const std::string& path, std::wstring& error);
    // Carries out the loaded lines from the event loop; onEnd is called once at the end.
    void Start();
    // Ends after the line being carried out now (a command whose box is open ends first).
    void Stop();
    bool Running() const { return m_running; }
    // The number (from 1) of the line being carried out, or the last one.
    int LineNumber() const { return m_index < m_lines.size() ? m_lines[m_index].number : 0; }

    // The end code a question dialog takes from an "answer" line, if one is queued.
    std::optional<int> TakeAnswer();

    // Called at the end; stopped: the user stopped it before its last line.
    std::function<void(bool stopped)> onEnd;
    // Called before each line is carried out, for the status line.
    std::function<void()> onStep;

    // Time between two lines, so the user can follow; a "wait" polls at kPollMs.
    static constexpr int kStepMs = 60;
    static constexpr int kPollMs = 10;

private:
    struct Line {
        int number;
        script::ScriptLine line;
    };
    void OnTimer(wxTimerEvent& e);
    bool Settled() const;
    void Carry(const script::ScriptLine& line);
    void Finish(bool stopped);

    CVantelDlg& m_dlg;
    wxTimer m_timer;
    std::vector<Line> m_lines;
    std::size_t m_index = 0;
    std::deque<int> m_answers;
    bool m_running = false;
    bool m_stopAsked = false;
    bool m_inLine = false;
    bool m_sleeping = false;
};

}  // namespace vantel
