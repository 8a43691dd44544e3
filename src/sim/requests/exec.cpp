// EditExec: the controller's command language, one command per call.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteExec(Job& job) {
    const std::int16_t h = job.handle;
    if (job.answer >= 0) {
        const std::wstring caption = job.answers[static_cast<std::size_t>(job.answer)];
        AddMessage(MsgKind::Info, kMsgExecAnswer, L"Answer " + std::to_wstring(job.answer) + L": " + caption, job.question);
        return Finish(h, 1);
    }
    const std::wstring line = Arg<CallId::EditExec, 0>(job);
    const auto parsed = ParseExec(line);
    if (!parsed) return FinishWithMessage(h, parsed.Why(), kMsgExecError, L"EditExec", MsgKind::Acknowledge);
    const ExecCommand& cmd = *parsed;
    const auto number = [&] { return cmd.numbers.empty() ? 0u : static_cast<std::uint32_t>(cmd.numbers[0]); };
    switch (cmd.verb) {
        case ExecVerb::Info: AddMessage(MsgKind::Info, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::State: AddMessage(MsgKind::State, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::Ack: AddMessage(MsgKind::Acknowledge, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::Wait: AddMessage(MsgKind::Wait, number(), cmd.text, L"EditExec"); break;
        case ExecVerb::Remove:
            if (!m_messages.Find(number())) {
                return FinishWithMessage(h, L"No message with handle " + Hex(number()), kMsgExecError, L"EditExec",
                                         MsgKind::Acknowledge);
            }
            RemoveMessage(number());
            break;
        case ExecVerb::Confirm: {
            const SimMessage* m = m_messages.Find(number());
            if (m == nullptr || !SimMessageBuffer::Confirmable(*m)) {
                return FinishWithMessage(h, L"No confirmable message with handle " + Hex(number()), kMsgExecError,
                                         L"EditExec", MsgKind::Acknowledge);
            }
            ConfirmMessage(number());
            break;
        }
        case ExecVerb::Dialog: AddMessage(MsgKind::Dialog, 0, cmd.text, L"EditExec", cmd.answers); break;
        case ExecVerb::Reply:
            if (!AnswerDialog(number(), cmd.numbers[1])) {
                return FinishWithMessage(h, L"No dialog with handle " + Hex(number()) + L" and that answer", kMsgExecError,
                                         L"EditExec", MsgKind::Acknowledge);
            }
            break;
        case ExecVerb::Ask: {
            Payload d;
            d.kind = Kind::SyncDialog;
            d.msg.handle = NextMessageHandle();
            d.msg.kind = MsgKind::Dialog;
            d.msg.text1 = cmd.text;
            d.msg.text2 = L"EditExec";
            d.msg.answers = cmd.answers;
            d.msg.stamp = Stamp();
            job.question = cmd.text;
            job.answers = cmd.answers;
            m_asking[h] = d.msg.handle;
            m_askJobs[h] = job;
            Deliver(h, ENotifyType::SyncAddDialog, std::move(d));
            return;  // the result follows the answer
        }
        case ExecVerb::SyncMsg: return FinishWithMessage(h, cmd.text, number(), L"EditExec", MsgKind::Info);
        case ExecVerb::Mouse: {
            // The operator moves the mouse: a reading, but only from a mouse that is on.
            if (m_mouse.Handle() == 0) {
                return FinishWithMessage(h, L"The 6D mouse is off: switch it on first ($MOUSE_ACT TRUE)", kMsgExecError,
                                         L"EditExec", MsgKind::Acknowledge);
            }
            std::array<std::int16_t, 6> values{};
            for (std::size_t i = 0; i < 6; ++i) values[i] = static_cast<std::int16_t>(cmd.numbers[i]);
            MouseReading(values);
            break;
        }
        case ExecVerb::KeySwitch: {
            static const wchar_t* modes[] = {L"#T1", L"#T2", L"#AUT", L"#EX"};
            const std::wstring mode = modes[cmd.numbers[0] - 1];
            if (m_vars.Show(L"$MODE_OP") == mode) KeySwitch();
            else Write(L"$MODE_OP", mode);
            break;
        }
        case ExecVerb::Key:
            if (m_keyMsg == 0) {
                return FinishWithMessage(h, L"No operator-key message: the link was initialised without one",
                                         kMsgExecError, L"EditExec", MsgKind::Acknowledge);
            }
            if (m_open && m_window != 0) m_posts.push_back({m_window, m_keyMsg, static_cast<WPARAM>(cmd.numbers[0]), 0});
            break;
        case ExecVerb::Progress: {
            Payload p;
            p.kind = Kind::Progress;
            p.values[0] = static_cast<std::int16_t>(cmd.numbers[0]);
            p.text = cmd.text;
            Deliver(h, ENotifyType::ProgressInfo, std::move(p));
            break;
        }
        case ExecVerb::Fail: return Finish(h, 0);
        case ExecVerb::Abort: PostRaw(h, ENotifyType::CommandAbort); return;
        case ExecVerb::Help: AddMessage(MsgKind::Info, kMsgExecHelp, ExecHelp(), L"EditExec"); break;
    }
    Finish(h, 1);
}

}  // namespace vantel::link::sim
