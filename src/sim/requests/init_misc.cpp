// Initialisation and miscellaneous requests.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteMisc(Job& job) {
    const std::int16_t h = job.handle;
    switch (job.call) {
        case CallId::AsyncConfirm: {
            const SimMessage* m = m_messages.Find(Arg<CallId::AsyncConfirm, 0>(job));
            if (m == nullptr || !SimMessageBuffer::Confirmable(*m)) return Finish(h, 0);
            ConfirmMessage(m->handle);
            return Finish(h, 1);
        }
        case CallId::AsyncAnswer: return Finish(h, AnswerDialog(Arg<CallId::AsyncAnswer, 0>(job), Arg<CallId::AsyncAnswer, 1>(job)) ? 1 : 0);
        case CallId::Confirm: {
            // 0 confirms every confirmable message, another number those with that number.
            const std::int64_t number = Arg<CallId::Confirm, 0>(job);
            if (number < 0) return Finish(h, 0);
            std::vector<std::uint32_t> handles;
            for (const auto& m : m_messages.All()) {
                if (SimMessageBuffer::Confirmable(m) && (number == 0 || m.number == number)) handles.push_back(m.handle);
            }
            if (number != 0 && handles.empty()) return Finish(h, 0);
            for (const auto handle : handles) ConfirmMessage(handle);
            return Finish(h, 1);
        }
        case CallId::GetMessageBuffer:
            for (const auto& m : m_messages.All()) {
                Payload p;
                p.kind = m.kind == MsgKind::Dialog ? Kind::AsyncDialog : Kind::AsyncMsg;
                p.msg = m;
                Deliver(NextHandle(), AddNotificationType(m.kind), std::move(p), h);  // a replay for the one who asked
            }
            return Finish(h, 1);
        case CallId::DisableStart: {
            const std::int64_t flag = Arg<CallId::DisableStart, 0>(job);
            if ((flag != 0 && flag != 1) || Arg<CallId::DisableStart, 1>(job).size() > kMaxReason) return Finish(h, 0);
            m_startDisabled = flag == 1;
            if (m_startDisabled) {
                m_disableReason = Arg<CallId::DisableStart, 1>(job);
                if (m_disableMessage != 0) RemoveMessage(m_disableMessage);
                m_disableMessage = AddMessage(MsgKind::State, kMsgStartDisabled, L"Start disabled", m_disableReason);
            } else if (m_disableMessage != 0) {
                RemoveMessage(m_disableMessage);
                m_disableMessage = 0;
            }
            SetState(L"$START_DISABLED", m_startDisabled ? L"TRUE" : L"FALSE");
            return Finish(h, 1);
        }
        case CallId::EditMaDaOk: SetState(L"$MADA_OK", L"TRUE"); return Finish(h, 1);
        case CallId::VDXOk: SetState(L"$VDX_OK", L"TRUE"); return Finish(h, 1);
        case CallId::AkkuOff: SetState(L"$ACCU", L"#OFF"); return Finish(h, 1);
        case CallId::PowerOff:
            Finish(h, 1);
            if (m_program.State() == ProgState::Active) HaltProgram();
            StopMouse();
            m_powered = false;
            return;
        case CallId::IORestart: {
            const std::int64_t bus = Arg<CallId::IORestart, 0>(job);
            if (bus < 0 || bus > 4) return Finish(h, 0);
            m_busMask |= bus == 0 ? 0xF : 1 << (bus - 1);
            return Finish(h, 1);
        }
        case CallId::IOBusInfo: return Finish(h, 1, {}, m_busMask);
        case CallId::GetActiveInterface: return Finish(h, 1, {}, m_activeInterface);
        case CallId::SetActiveInterface: {
            const std::int64_t v = Arg<CallId::SetActiveInterface, 0>(job);
            if (v != 0 && v != 1) return Finish(h, 0);
            const bool changed = m_activeInterface != v;
            m_activeInterface = static_cast<std::int32_t>(v);
            Finish(h, 1);
            if (changed) {
                for (const auto& [sh, standing] : m_standing) {
                    if (standing.watch == Watch::Interface) Finish(sh, 1, {}, m_activeInterface);
                }
            }
            return;
        }
        case CallId::NotifyActiveInterface:
            m_standing[h] = {Watch::Interface, {}};
            return Finish(h, 1, {}, m_activeInterface);
        case CallId::Tandix: {
            const std::int64_t v = Arg<CallId::Tandix, 0>(job);
            if (v != eTandixOff && v != eTandixOn) return Finish(h, 0);
            if (v == eTandixOn && m_tandixConfig == 0) {
                return FinishWithMessage(h, L"Tandix is not configured: set its configuration first", kMsgRefused,
                                         L"Tandix", MsgKind::Acknowledge);
            }
            SetState(L"$TANDIX", v == eTandixOn ? L"#ON" : L"#OFF");
            return Finish(h, 1);
        }
        case CallId::TandixGetConfig: return Finish(h, 1, {}, m_tandixConfig);
        case CallId::TandixSetConfig: {
            const std::int64_t v = Arg<CallId::TandixSetConfig, 0>(job);
            if (v != 0 && v != 1) return Finish(h, 0);
            m_tandixConfig = static_cast<std::int32_t>(v);
            if (v == 0) SetState(L"$TANDIX", L"#OFF");
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
