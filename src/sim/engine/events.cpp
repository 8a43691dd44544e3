// The controller's own events: messages and dialogs, the key switch, the 6D mouse.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

std::uint32_t SimController::AddMessage(MsgKind kind, std::uint32_t number, std::wstring t1, std::wstring t2,
                                        std::vector<std::wstring> answers) {
    SimMessage m;
    m.handle = NextMessageHandle();
    m.kind = kind;
    m.number = number;
    m.text1 = std::move(t1);
    m.text2 = std::move(t2);
    m.answers = std::move(answers);
    m.stamp = Stamp();
    std::optional<std::uint32_t> dropped;
    const SimMessage& added = m_messages.Add(std::move(m), dropped);
    // The controller's own record of it, under the message's own time.
    m_log.AddOwn(added.stamp, added.text2, L"", added.number, static_cast<std::int16_t>(added.kind), added.text1);
    if (dropped) AnnounceRemoval(*dropped);
    Payload p;
    p.kind = kind == MsgKind::Dialog ? Kind::AsyncDialog : Kind::AsyncMsg;
    p.msg = added;
    const std::uint32_t handle = added.handle;
    Deliver(NextHandle(), AddNotificationType(kind), std::move(p));
    return handle;
}

void SimController::AnnounceRemoval(std::uint32_t handle) {
    Payload p;
    p.kind = Kind::SubMsg;
    p.msg.handle = handle;
    p.msg.stamp = Stamp();
    Deliver(NextHandle(), 20, std::move(p));
}

void SimController::RemoveMessage(std::uint32_t handle) {
    if (m_messages.Remove(handle)) AnnounceRemoval(handle);
}

void SimController::ConfirmMessage(std::uint32_t handle) {
    if (!m_messages.Remove(handle)) return;
    Payload p;
    p.kind = Kind::Confirm;
    p.msg.handle = handle;
    Deliver(NextHandle(), 50, std::move(p));
}

bool SimController::AnswerDialog(std::uint32_t handle, std::int64_t answer) {
    const SimMessage* m = m_messages.Find(handle);
    if (m == nullptr || m->kind != MsgKind::Dialog || answer < 0 || static_cast<std::size_t>(answer) >= m->answers.size())
        return false;
    m_messages.Remove(handle);
    Payload p;
    p.kind = Kind::Answer;
    p.msg.handle = handle;
    p.values[0] = static_cast<std::int16_t>(answer);
    Deliver(NextHandle(), 70, std::move(p));
    return true;
}

void SimController::KeySwitch() {
    static const std::map<std::wstring, std::int16_t> positions = {{L"#T1", 1}, {L"#T2", 2}, {L"#AUT", 3}, {L"#EX", 4}};
    const auto it = positions.find(m_vars.Show(L"$MODE_OP").value_or(L""));
    Payload p;
    p.kind = Kind::Key;
    p.values[0] = it == positions.end() ? 0 : it->second;
    Deliver(NextHandle(), 300, std::move(p));
}

void SimController::StartMouse() {
    if (m_mouseHandle == 0) {
        m_mouseHandle = NextHandle();
        if (m_mouseHandle == 0) return;
        m_live.insert(m_mouseHandle);
        m_nextMouse = m_now + m_cfg.mousePeriod;
        m_mouseUnread = 0;
        MouseReading({});  // at rest
    }
    SetState(L"$MOUSE_ACT", L"TRUE");
}

void SimController::StopMouse() {
    if (m_mouseHandle != 0) {
        m_live.erase(m_mouseHandle);
        // Readings already posted can still be fetched, each once, with the last reading.
        if (m_mouseUnread > 0) m_mouseLeft[m_mouseHandle] = {m_mouseReading, m_mouseUnread};
    }
    m_mouseHandle = 0;
    m_mouseUnread = 0;
    SetState(L"$MOUSE_ACT", L"FALSE");
}

void SimController::MouseReading(const std::array<std::int16_t, 6>& values) {
    if (m_mouseHandle == 0) return;
    m_mouseReading = values;
    if (!m_open || m_window == 0) return;  // nobody listens
    if (m_mouseUnread < UINT32_MAX) ++m_mouseUnread;
    PostRaw(m_mouseHandle, 200);
}

void SimController::WanderingReading() {
    // An operator's hand: small deflections that wander, never twice the same in a row.
    ++m_mouseCount;
    std::array<std::int16_t, 6> values{};
    for (int i = 0; i < 6; ++i) values[i] = static_cast<std::int16_t>((m_mouseCount * 7 + i * 13) % 41 - 20);
    MouseReading(values);
}

std::int32_t SimController::FetchMouse(std::int16_t h, std::span<const LinkArg> args) {
    std::array<std::int16_t, 6> values{};
    if (h != 0 && h == m_mouseHandle) {
        // The mouse is on: every fetch succeeds with the latest reading, however many came before.
        values = m_mouseReading;
        if (m_mouseUnread > 0) --m_mouseUnread;
    } else {
        const auto left = m_mouseLeft.find(h);
        if (left == m_mouseLeft.end()) return 0;
        values = left->second.reading;
        if (--left->second.unread == 0) m_mouseLeft.erase(left);
    }
    for (std::size_t i = 0; i < 6; ++i) SetOut(args, i + 1, ArgType::I16, values[i]);
    return 1;
}

}  // namespace vantel::link::sim
