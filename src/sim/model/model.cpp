#include "sim/model/model.h"

#include <algorithm>
#include <climits>

namespace vantel::link::sim {

std::wstring Upper(std::wstring_view s) {
    std::wstring out(s);
    for (auto& c : out) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }
    return out;
}

std::optional<std::int32_t> ParseInt(std::wstring_view text, std::int32_t min, std::int32_t max) {
    if (text.empty() || text.size() > 11) return std::nullopt;
    std::size_t i = 0;
    const bool negative = text[0] == L'-';
    if (negative || text[0] == L'+') ++i;
    if (i == text.size()) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return std::nullopt;
        v = v * 10 + (text[i] - L'0');
    }
    if (negative) v = -v;
    if (v < min || v > max) return std::nullopt;
    return static_cast<std::int32_t>(v);
}

// ---------------------------------------------------------------------------------------

namespace {

SimVariables::Var EnumVar(std::wstring value, std::vector<std::wstring> choices) {
    return {VarKind::Enum, std::move(value), std::move(choices)};
}
SimVariables::Var IntVar(std::int32_t value, std::int32_t min, std::int32_t max) {
    return {VarKind::Int, std::to_wstring(value), {}, min, max};
}
SimVariables::Var BoolVar(bool value) { return {VarKind::Bool, value ? L"TRUE" : L"FALSE", {}}; }
SimVariables::Var TextVar(std::wstring value) { return {VarKind::Text, std::move(value), {}}; }
SimVariables::Var ReadOnly(std::wstring value) { return {VarKind::ReadOnly, std::move(value), {}}; }

}  // namespace

SimVariables::SimVariables() {
    Define(L"$MODE_OP", EnumVar(L"#T1", {L"#T1", L"#T2", L"#AUT", L"#EX"}));
    Define(L"$OV_JOG", IntVar(10, 0, 100));
    Define(L"$OV_PRO", IntVar(100, 0, 100));
    Define(L"$MOUSE_ACT", BoolVar(false));
    Define(L"$TOOL_NO", IntVar(0, 0, 16));
    Define(L"$COUNTER", IntVar(0, INT32_MIN, INT32_MAX));
    Define(L"$NOTE", TextVar(L"\"\""));
    Define(L"$ROB_NAME", ReadOnly(L"\"ARM_1\""));
    Define(L"$PRO_STATE", ReadOnly(StateText(ProgState::Free)));
    Define(L"$PRO_NAME", ReadOnly(L"\"\""));
    Define(L"$PRO_LINE", ReadOnly(L"0"));
    Define(L"$POS_ACT", ReadOnly(*PointText(L"HOME")));
    Define(L"$ANSWER", ReadOnly(L"-1"));
    Define(L"$START_DISABLED", ReadOnly(L"FALSE"));
    Define(L"$MADA_OK", ReadOnly(L"FALSE"));
    Define(L"$VDX_OK", ReadOnly(L"FALSE"));
    Define(L"$ACCU", ReadOnly(L"#ON"));
    Define(L"$TANDIX", ReadOnly(L"#OFF"));
}

void SimVariables::Define(const std::wstring& name, Var var) { m_vars[Upper(name)] = std::move(var); }

std::optional<std::wstring> SimVariables::Show(std::wstring_view name) const {
    if (name.size() > kMaxText) return std::nullopt;
    const auto it = m_vars.find(Upper(name));
    if (it == m_vars.end()) return std::nullopt;
    return it->second.value;
}

bool SimVariables::Set(std::wstring_view name, std::wstring_view value) {
    if (name.size() > kMaxText || value.size() > kMaxText) return false;
    const auto it = m_vars.find(Upper(name));
    if (it == m_vars.end()) return false;
    Var& v = it->second;
    switch (v.kind) {
        case VarKind::ReadOnly: return false;
        case VarKind::Enum: {
            const std::wstring up = Upper(value);
            const auto c = std::find(v.choices.begin(), v.choices.end(), up);
            if (c == v.choices.end()) return false;
            v.value = *c;
            return true;
        }
        case VarKind::Int: {
            const auto n = ParseInt(value, v.min, v.max);
            if (!n) return false;
            v.value = std::to_wstring(*n);
            return true;
        }
        case VarKind::Bool: {
            const std::wstring up = Upper(value);
            if (up != L"TRUE" && up != L"FALSE") return false;
            v.value = up;
            return true;
        }
        case VarKind::Text:
            // A text value is written in double quotes, without quotes inside.
            if (value.size() < 2 || value.front() != L'"' || value.back() != L'"') return false;
            if (value.substr(1, value.size() - 2).find(L'"') != std::wstring_view::npos) return false;
            v.value = value;
            return true;
    }
    return false;
}

void SimVariables::Put(const std::wstring& name, std::wstring value) {
    const std::wstring key = Upper(name);
    auto it = m_vars.find(key);
    if (it == m_vars.end()) {
        m_vars[key] = ReadOnly(std::move(value));
    } else {
        it->second.value = std::move(value);
    }
}

std::int32_t SimVariables::Int(std::wstring_view name) const {
    const auto v = Show(name);
    if (!v) return 0;
    return ParseInt(*v, INT32_MIN, INT32_MAX).value_or(0);
}

// ---------------------------------------------------------------------------------------

ENotifyType AddNotificationType(MsgKind kind) {
    switch (kind) {
        case MsgKind::Info: return ENotifyType::AsyncAddInfo;
        case MsgKind::State: return ENotifyType::AsyncAddState;
        case MsgKind::Acknowledge: return ENotifyType::AsyncAddAcknowledge;
        case MsgKind::Wait: return ENotifyType::AsyncAddWait;
        case MsgKind::Dialog: return ENotifyType::AsyncAddDialog;
    }
    return ENotifyType::AsyncAddInfo;
}

const SimMessage& SimMessageBuffer::Add(SimMessage m, std::optional<std::uint32_t>& dropped) {
    dropped.reset();
    if (m_messages.size() >= kCapacity) {
        dropped = m_messages.front().handle;
        m_messages.erase(m_messages.begin());
    }
    if (m.handle == 0) {
        m_next = m_next == UINT32_MAX ? 1 : m_next + 1;
        m.handle = m_next;
    }
    m_messages.push_back(std::move(m));
    return m_messages.back();
}

bool SimMessageBuffer::Remove(std::uint32_t handle) {
    const auto it = std::find_if(m_messages.begin(), m_messages.end(), [&](const SimMessage& m) { return m.handle == handle; });
    if (it == m_messages.end()) return false;
    m_messages.erase(it);
    return true;
}

const SimMessage* SimMessageBuffer::Find(std::uint32_t handle) const {
    for (const auto& m : m_messages) {
        if (m.handle == handle) return &m;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------

std::optional<std::wstring> PointText(std::wstring_view point) {
    static const std::map<std::wstring, std::wstring, std::less<>> points = {
        {L"HOME", L"{X 450.0, Y 0.0, Z 900.0, A 0.0, B 90.0, C 0.0}"},
        {L"P1", L"{X 600.0, Y -200.0, Z 450.0, A 0.0, B 90.0, C 0.0}"},
        {L"P2", L"{X 600.0, Y 200.0, Z 450.0, A 0.0, B 90.0, C 0.0}"},
        {L"P3", L"{X 750.0, Y 0.0, Z 300.0, A 45.0, B 90.0, C 0.0}"},
        {L"BIN_A", L"{X 300.0, Y 500.0, Z 200.0, A 90.0, B 90.0, C 0.0}"},
        {L"BIN_B", L"{X 300.0, Y -500.0, Z 200.0, A -90.0, B 90.0, C 0.0}"},
    };
    const auto it = points.find(point);
    if (it == points.end()) return std::nullopt;
    return it->second;
}

const wchar_t* StateText(ProgState s) {
    switch (s) {
        case ProgState::Free: return L"#P_FREE";
        case ProgState::Reset: return L"#P_RESET";
        case ProgState::Active: return L"#P_ACTIVE";
        case ProgState::Stopped: return L"#P_STOP";
        case ProgState::Ended: return L"#P_END";
    }
    return L"#P_FREE";
}

namespace {

ProgramLine Move(std::wstring verb, std::wstring point) { return {verb + L" " + point, point, {}, {}, {}}; }
ProgramLine Plain(std::wstring text) { return {std::move(text), {}, {}, {}, {}}; }

}  // namespace

SimProgram::SimProgram() {
    m_programs.push_back({L"DEMO",
                          {Move(L"PTP", L"HOME"), Move(L"PTP", L"P1"), Move(L"LIN", L"P2"), Move(L"LIN", L"P3"),
                           Move(L"PTP", L"HOME"), Plain(L"END")}});
    m_programs.push_back({L"SORT_PARTS",
                          {Move(L"PTP", L"HOME"),
                           {L"DIALOG Part type?", {}, L"Which part lies in the gripper?", {L"Bolt", L"Nut", L"None"},
                            {L"PTP BIN_A", L"PTP BIN_B", L""}},
                           Move(L"PTP", L"HOME"), Plain(L"END")}});
    m_programs.push_back({L"WARMUP", {Plain(L"OV_PRO 50"), Move(L"PTP", L"P1"), Move(L"PTP", L"P2"), Move(L"PTP", L"P1"),
                                      Move(L"PTP", L"P2"), Move(L"PTP", L"HOME"), Plain(L"END")}});
}

bool SimProgram::Define(ProgramDef def) {
    const auto it = std::find_if(m_programs.begin(), m_programs.end(), [&](const ProgramDef& p) { return p.name == def.name; });
    if (it == m_programs.end()) {
        m_programs.push_back(std::move(def));
        return true;
    }
    if (m_selected == &*it && m_state == ProgState::Active) return false;
    if (m_selected == &*it) {
        // The new text replaces the selected one: start again from its first line.
        m_line = 0;
        m_waiting = false;
        m_followUp.clear();
        if (m_state != ProgState::Free) m_state = ProgState::Reset;
    }
    *it = std::move(def);
    return true;
}

Outcome SimProgram::Select(std::wstring_view name, std::wstring_view startLine) {
    if (m_state == ProgState::Active) return Outcome::Refused(L"Program " + Name() + L" is running: stop it first");
    if (name.size() > kMaxText || startLine.size() > kMaxText) return Outcome::Refused(L"Program name too long");
    std::wstring up = Upper(name);
    if (up.rfind(L"/R1/", 0) == 0) up.erase(0, 4);
    const auto it = std::find_if(m_programs.begin(), m_programs.end(), [&](const ProgramDef& p) { return p.name == up; });
    if (it == m_programs.end()) return Outcome::Refused(L"Program '" + std::wstring(name) + L"' not found");
    std::size_t line = 0;
    if (!startLine.empty()) {
        const auto n = ParseInt(startLine, 1, static_cast<std::int32_t>(it->lines.size()));
        if (!n) return Outcome::Refused(L"No line '" + std::wstring(startLine) + L"' in program " + it->name);
        line = static_cast<std::size_t>(*n - 1);
    }
    m_selected = &*it;
    m_state = ProgState::Reset;
    m_line = line;
    m_waiting = false;
    m_followUp.clear();
    return {};
}

Outcome SimProgram::Start() {
    switch (m_state) {
        case ProgState::Free: return Outcome::Refused(L"No program selected");
        case ProgState::Active: return {};  // already running: the key press changes nothing
        case ProgState::Ended: return Outcome::Refused(L"Program " + Name() + L" has ended: reset it first");
        case ProgState::Reset:
        case ProgState::Stopped: m_state = ProgState::Active; return {};
    }
    return {};
}

Outcome SimProgram::Halt() {
    if (m_state != ProgState::Active) return Outcome::Refused(L"No program running");
    m_state = ProgState::Stopped;
    if (m_waiting) {
        // The open question lapses with the stop and is asked again on the next start.
        m_waiting = false;
        --m_line;
    }
    return {};
}

Outcome SimProgram::Reset() {
    if (m_state == ProgState::Free) return Outcome::Refused(L"No program selected");
    if (m_state == ProgState::Active) return Outcome::Refused(L"Program " + Name() + L" is running: stop it first");
    m_state = ProgState::Reset;
    m_line = 0;
    m_waiting = false;
    m_followUp.clear();
    return {};
}

Outcome SimProgram::Cancel(bool force) {
    if (m_state == ProgState::Free) return Outcome::Refused(L"No program selected");
    if (m_state == ProgState::Active && !force) return Outcome::Refused(L"Program " + Name() + L" is running: stop it first");
    m_selected = nullptr;
    m_state = ProgState::Free;
    m_line = 0;
    m_waiting = false;
    m_followUp.clear();
    return {};
}

SimProgram::Step SimProgram::Advance() {
    Step step;
    if (m_state != ProgState::Active || m_waiting || !m_selected) return step;
    const auto& lines = m_selected->lines;
    if (!m_followUp.empty()) {
        step.text = m_followUp;
        const auto space = m_followUp.find(L' ');
        if (space != std::wstring::npos) step.point = m_followUp.substr(space + 1);
        m_followUp.clear();
    } else {
        const ProgramLine& line = lines[m_line];
        step.text = line.text;
        step.point = line.point;
        if (!line.answers.empty()) {
            step.ask = &line;
            m_waiting = true;
        }
        ++m_line;
    }
    step.percent = static_cast<std::int16_t>(m_line * 100 / lines.size());
    if (m_line >= lines.size() && !m_waiting && m_followUp.empty()) {
        m_state = ProgState::Ended;
        step.ended = true;
    }
    return step;
}

bool SimProgram::Answer(int answer, std::wstring& followUp) {
    if (!m_waiting || !m_selected || m_line == 0) return false;
    const ProgramLine& line = m_selected->lines[m_line - 1];
    if (answer < 0 || static_cast<std::size_t>(answer) >= line.answers.size()) return false;
    m_waiting = false;
    followUp = line.afterAnswer[static_cast<std::size_t>(answer)];
    if (followUp.empty()) {
        // The operator chose to end the program here.
        m_state = ProgState::Ended;
    } else {
        m_followUp = followUp;
    }
    return true;
}

}  // namespace vantel::link::sim
