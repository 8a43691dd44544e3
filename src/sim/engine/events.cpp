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
    // A dialog is a question to the session whose job raised it; the rest is for everyone.
    Deliver(NextHandle(), AddNotificationType(kind), std::move(p), kind == MsgKind::Dialog ? m_completing : kEveryone);
    return handle;
}

void SimController::AnnounceRemoval(std::uint32_t handle) {
    Payload p;
    p.kind = Kind::SubMsg;
    p.msg.handle = handle;
    p.msg.stamp = Stamp();
    Deliver(NextHandle(), ENotifyType::AsyncSubMessage, std::move(p), kEveryone);
}

void SimController::RemoveMessage(std::uint32_t handle) {
    if (m_messages.Remove(handle)) AnnounceRemoval(handle);
}

void SimController::ConfirmMessage(std::uint32_t handle) {
    if (!m_messages.Remove(handle)) return;
    Payload p;
    p.kind = Kind::Confirm;
    p.msg.handle = handle;
    Deliver(NextHandle(), ENotifyType::AsyncConfirm, std::move(p), kEveryone);
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
    Deliver(NextHandle(), ENotifyType::AsyncAnswer, std::move(p), kEveryone);
    return true;
}

void SimController::KeySwitch() {
    static const std::map<std::wstring, std::int16_t> positions = {{L"#T1", 1}, {L"#T2", 2}, {L"#AUT", 3}, {L"#EX", 4}};
    const auto it = positions.find(m_vars.Show(L"$MODE_OP").value_or(L""));
    Payload p;
    p.kind = Kind::Key;
    p.values[0] = it == positions.end() ? 0 : it->second;
    Deliver(NextHandle(), ENotifyType::KeySwitch, std::move(p), kEveryone);
}

void SimController::StartMouse() {
    if (m_mouse.Handle() == 0) {
        const std::int16_t h = NextHandle();
        if (h == 0) return;
        m_live.insert(h);
        m_mouse.SwitchOn(h);
        m_mouseJob = m_completing;
        m_mouse.next = m_now + m_cfg.mousePeriod;
        MouseReading({});  // at rest
    }
    SetState(L"$MOUSE_ACT", L"TRUE");
}

void SimController::StopMouse() {
    if (m_mouse.Handle() != 0) m_live.erase(m_mouse.Handle());
    m_mouse.SwitchOff();
    SetState(L"$MOUSE_ACT", L"FALSE");
}

void SimController::MouseReading(const std::array<std::int16_t, 6>& values) {
    if (m_mouse.Handle() == 0) return;
    m_mouse.Take(values);
    if (!m_open || m_window == 0) return;  // nobody listens
    m_mouse.Posted();
    PostRaw(m_mouse.Handle(), ENotifyType::Mouse6D, m_mouseJob);
}

void SimController::WanderingReading() { MouseReading(m_mouse.Wander()); }

std::int32_t SimController::FetchMouse(std::int16_t h, std::span<const LinkArg> args) {
    const auto values = m_mouse.Fetch(h);
    if (!values) return 0;
    for (std::size_t i = 0; i < 6; ++i) SetOut(args, i + 1, ArgType::I16, (*values)[i]);
    return 1;
}

}  // namespace vantel::link::sim
