// The simulated controller's state: its variables, its programs and its message buffer.
// Plain single-threaded classes; the simulated link owns one of each and guards them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "link/plexa_types.h"
#include "sim/outcome.h"

namespace vantel::link::sim {

// Longest name or value text the controller takes; longer input is refused, not cut.
inline constexpr std::size_t kMaxText = 256;

// ASCII upper case: names on the controller are case-blind.
std::wstring Upper(std::wstring_view s);

// ---------------------------------------------------------------------------------------
// Variables

enum class VarKind { Enum, Int, Bool, Text, ReadOnly };

class SimVariables {
public:
    struct Var {
        VarKind kind;
        std::wstring value;                 // the value text as ShowVar shows it
        std::vector<std::wstring> choices;  // Enum
        std::int32_t min = 0, max = 0;      // Int
    };

    // The controller's global variables with their start values.
    SimVariables();

    void Define(const std::wstring& name, Var var);

    // The value text, or nothing for an unknown name.
    std::optional<std::wstring> Show(std::wstring_view name) const;

    // Checks and writes a value from outside (the link's SetVar); false for an unknown
    // or read-only variable or a value it does not take. The stored text is canonical
    // (an enum's spelling, a number without leading blanks or zeros).
    bool Set(std::wstring_view name, std::wstring_view value);

    // Written by the controller itself (read-only variables too); unknown names are added.
    void Put(const std::wstring& name, std::wstring value);

    bool Exists(std::wstring_view name) const { return m_vars.count(Upper(name)) != 0; }
    std::int32_t Int(std::wstring_view name) const;

private:
    std::map<std::wstring, Var> m_vars;  // keyed by upper-case name
};

// A whole-text signed decimal number in [min, max]; nothing for anything else.
std::optional<std::int32_t> ParseInt(std::wstring_view text, std::int32_t min, std::int32_t max);

// ---------------------------------------------------------------------------------------
// Message buffer

// How a message behaves, in the link's EMessageType numbering.
enum class MsgKind : std::int32_t { Info = 0, State = 1, Acknowledge = 2, Wait = 3, Dialog = 4 };

struct SimMessage {
    std::uint32_t handle = 0;
    MsgKind kind = MsgKind::Info;
    std::uint32_t number = 0;
    std::wstring text1, text2, text3;
    std::vector<std::wstring> answers;  // dialogs only
    std::uint64_t stamp = 0;            // CFileTime ticks
};

// The notification type that announces a message added to the buffer.
ENotifyType AddNotificationType(MsgKind kind);

class SimMessageBuffer {
public:
    static constexpr std::size_t kCapacity = 200;

    // Adds a message; one without a handle gets the next of the buffer's own (never 0). When the buffer is full the
    // oldest message makes room; its handle is returned in dropped.
    const SimMessage& Add(SimMessage m, std::optional<std::uint32_t>& dropped);
    bool Remove(std::uint32_t handle);
    const SimMessage* Find(std::uint32_t handle) const;
    // Confirmable messages are info and acknowledge messages; nothing else is.
    static bool Confirmable(const SimMessage& m) { return m.kind == MsgKind::Info || m.kind == MsgKind::Acknowledge; }
    const std::vector<SimMessage>& All() const { return m_messages; }

private:
    std::vector<SimMessage> m_messages;
    std::uint32_t m_next = 0;
};

// ---------------------------------------------------------------------------------------
// Programs

// One line of a program: a text the progress report shows, and what the line does.
struct ProgramLine {
    std::wstring text;
    std::wstring point;                       // a move's target point, if any
    std::wstring question;                    // a dialog line asks this...
    std::vector<std::wstring> answers;        // ...offers these...
    std::vector<std::wstring> afterAnswer;    // ...and runs this line text after answer i
};

struct ProgramDef {
    std::wstring name;
    std::vector<ProgramLine> lines;
};

enum class ProgState { Free, Reset, Active, Stopped, Ended };
const wchar_t* StateText(ProgState s);

// The selected program and the interpreter's state machine. The link decides when a step
// happens; this class decides what a step does.
class SimProgram {
public:
    SimProgram();

    // Adds a program, or replaces the one of that name; false while that one runs.
    bool Define(ProgramDef def);
    Outcome Select(std::wstring_view name, std::wstring_view startLine);
    Outcome Start();
    Outcome Halt();  // stop key / stop with option: Active -> Stopped
    Outcome Reset();
    Outcome Cancel(bool force);

    // What one step did.
    struct Step {
        std::int16_t percent = 0;
        std::wstring text;
        std::wstring point;            // reached this point
        const ProgramLine* ask = nullptr;  // waits for an answer to this dialog line
        bool ended = false;
    };
    // Runs the current line; only while Active and not waiting.
    Step Advance();
    // The answer to the dialog the program waits for; false when out of range.
    bool Answer(int answer, std::wstring& followUp);

    ProgState State() const { return m_state; }
    bool Waiting() const { return m_waiting; }
    const std::wstring& Name() const { return m_selected ? m_selected->name : m_none; }
    int Line() const { return m_line + 1; }
    const std::deque<ProgramDef>& Catalogue() const { return m_programs; }
    // The line text after an answer runs as the next step, then the program goes on.
    bool HasFollowUp() const { return !m_followUp.empty(); }

private:
    std::deque<ProgramDef> m_programs;  // m_selected points into it
    const ProgramDef* m_selected = nullptr;
    ProgState m_state = ProgState::Free;
    std::size_t m_line = 0;
    bool m_waiting = false;
    std::wstring m_followUp;
    std::wstring m_none;
};

// The named points the programs move to, as "$POS_ACT" shows them.
std::optional<std::wstring> PointText(std::wstring_view point);

}  // namespace vantel::link::sim
