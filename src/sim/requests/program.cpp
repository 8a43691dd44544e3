// Program control: select, run, start, stop, cancel, reset, and the program's steps.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::SyncProgramVars() {
    SetState(L"$PRO_STATE", StateText(m_program.State()));
    SetState(L"$PRO_NAME", Quoted(m_program.Name()));
    SetState(L"$PRO_LINE", std::to_wstring(m_program.State() == ProgState::Free ? 0 : m_program.Line()));
}

void SimController::ReleaseRun() {
    if (m_runHandle != 0) m_live.erase(m_runHandle);
    m_runHandle = 0;
    m_programDialog = 0;
}

void SimController::RemoveHaltMessage() {
    if (m_haltMessage != 0) RemoveMessage(m_haltMessage);
    m_haltMessage = 0;
}

void SimController::HaltProgram() {
    if (!m_program.Halt()) return;
    ReleaseRun();
    SyncProgramVars();
    RemoveHaltMessage();
    m_haltMessage = AddMessage(MsgKind::State, kMsgHalted,
                               L"Program " + m_program.Name() + L" stopped at line " + std::to_wstring(m_program.Line()),
                               L"Interpreter");
}

void SimController::EndProgram() {
    const std::wstring cycles = m_program.Name() + L":CYCLES";
    SetState(cycles, std::to_wstring(m_vars.Int(cycles) + 1));
    ReleaseRun();
    SyncProgramVars();
}

void SimController::StepProgram() {
    const SimProgram::Step step = m_program.Advance();
    Payload p;
    p.kind = Kind::Progress;
    p.values[0] = step.percent;
    p.text = step.text;
    Deliver(m_runHandle, ENotifyType::ProgressInfo, std::move(p));
    if (!step.point.empty()) {
        if (auto pos = PointText(step.point)) SetState(L"$POS_ACT", *pos);
    }
    if (step.ask != nullptr) {
        Payload d;
        d.kind = Kind::SyncDialog;
        d.msg.handle = NextMessageHandle();
        d.msg.kind = MsgKind::Dialog;
        d.msg.text1 = step.ask->question;
        d.msg.text2 = m_program.Name();
        d.msg.answers = step.ask->answers;
        d.msg.stamp = Stamp();
        m_programDialog = d.msg.handle;
        m_programAnswers = step.ask->answers;
        Deliver(m_runHandle, ENotifyType::SyncAddDialog, std::move(d));
    }
    if (step.ended) EndProgram();
    else SyncProgramVars();
}

Outcome SimController::MayStart() const {
    if (m_startDisabled) return Outcome::Refused(L"Start disabled: " + m_disableReason);
    const auto mode = m_vars.Show(L"$MODE_OP").value_or(L"");
    if (mode == L"#EX") return Outcome::Refused(L"Operating mode #EX: programs are started by the external controller");
    if (m_stopHeld) return Outcome::Refused(L"Stop key held");
    return {};
}

void SimController::CompleteProgram(Job& job) {
    const std::int16_t h = job.handle;
    const std::wstring origin(kCallNames[static_cast<std::size_t>(job.call)].begin(),
                              kCallNames[static_cast<std::size_t>(job.call)].end());
    const auto refuse = [&](const std::wstring& why) { FinishWithMessage(h, why, kMsgRefused, origin, MsgKind::Acknowledge); };
    const auto start = [&] {
        const bool wasActive = m_program.State() == ProgState::Active;
        Outcome started = MayStart();
        if (started) started = m_program.Start();
        if (!started) return refuse(started.Why());
        m_startHeld = true;
        if (!wasActive) {
            RemoveHaltMessage();
            ReleaseRun();
            m_runHandle = h;  // the program reports its progress under the job that started it
            m_nextStep = m_now + StepPeriod();
        }
        SyncProgramVars();
        Finish(h, 1);
    };
    switch (job.call) {
        case CallId::Select:
        case CallId::Run: {
            const Outcome selected = m_program.Select(CommonArg<0, CallId::Select, CallId::Run>(job), CommonArg<1, CallId::Select, CallId::Run>(job));
            if (!selected) return refuse(selected.Why());
            RemoveHaltMessage();
            ReleaseRun();
            SyncProgramVars();
            if (job.call == CallId::Run) return start();
            return Finish(h, 1);
        }
        case CallId::Start: return start();
        case CallId::StartOff: {
            m_startHeld = false;
            // In the test modes a program runs only while the start key is held.
            const auto mode = m_vars.Show(L"$MODE_OP").value_or(L"");
            if ((mode == L"#T1" || mode == L"#T2") && m_program.State() == ProgState::Active) HaltProgram();
            return Finish(h, 1);
        }
        case CallId::Stop:
            m_stopHeld = true;
            if (m_program.State() == ProgState::Active) HaltProgram();
            return Finish(h, 1);
        case CallId::StopOff: m_stopHeld = false; return Finish(h, 1);
        case CallId::StopSteu: {
            const std::wstring option = Upper(Arg<CallId::StopSteu, 0>(job));
            if (option != L"" && option != L"PROG" && option != L"ALL") return Finish(h, 0);
            if (m_program.State() == ProgState::Active) HaltProgram();
            return Finish(h, 1);
        }
        case CallId::Cancel:
        case CallId::CancelSteu: {
            bool force = false;
            if (job.call == CallId::CancelSteu) {
                const std::wstring option = Upper(Arg<CallId::CancelSteu, 0>(job));
                if (option != L"" && option != L"FORCE") return Finish(h, 0);
                force = option == L"FORCE";
            }
            const Outcome cancelled = m_program.Cancel(force);
            if (!cancelled) return refuse(cancelled.Why());
            RemoveHaltMessage();
            ReleaseRun();
            SyncProgramVars();
            return Finish(h, 1);
        }
        case CallId::Reset: {
            const Outcome reset = m_program.Reset();
            if (!reset) return refuse(reset.Why());
            RemoveHaltMessage();
            SyncProgramVars();
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
