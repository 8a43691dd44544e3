// Installation and motion: the robot's axes and position, moves and jogs.
#include <cstdlib>

#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

std::wstring SimController::PositionText() const {
    static const wchar_t* names[] = {L"X", L"Y", L"Z", L"A", L"B", L"C"};
    std::wstring t = L"{";
    for (std::size_t i = 0; i < 6; ++i) t += (i ? L", " : L"") + std::wstring(names[i]) + L" " + Number(m_pos[i]);
    return t + L"}";
}

std::wstring SimController::AxesText() const {
    std::wstring t = L"{";
    for (std::size_t i = 0; i < 6; ++i) t += (i ? L", A" : L"A") + std::to_wstring(i + 1) + L" " + Number(m_axes[i]);
    return t + L"}";
}

void SimController::CompleteMotion(Job& job) {
    const std::int16_t h = job.handle;
    const std::wstring mode = m_vars.Show(L"$MODE_OP").value_or(L"");
    switch (job.call) {
        case CallId::Move6D: StartMouse(); return Finish(h, 1);
        case CallId::Move6DOff: StopMouse(); return Finish(h, 1);
        case CallId::Install:
            m_install = true;
            SetState(L"$INSTALL", L"TRUE");
            return Finish(h, 1);
        case CallId::EndInstall:
            if (!m_install) return Refuse(job, L"Not installing");
            m_install = false;
            SetState(L"$INSTALL", L"FALSE");
            return Finish(h, 1);
        case CallId::Adjust: {
            // (axis, angle): sets the axis's angle; only while installing.
            if (!m_install) return Refuse(job, L"Adjusting needs the install mode: Install first");
            if (Arg<CallId::Adjust, 0>(job) < 1 || Arg<CallId::Adjust, 0>(job) > 6) return Refuse(job, L"Axis is 1 to 6");
            const std::wstring text = Trim(Arg<CallId::Adjust, 1>(job));
            wchar_t* end = nullptr;
            const double v = std::wcstod(text.c_str(), &end);
            if (text.empty() || *end != L'\0' || !std::isfinite(v) || std::abs(v) > 360) return Refuse(job, L"Angle is -360 to 360, not '" + Arg<CallId::Adjust, 1>(job) + L"'");
            m_axes[static_cast<std::size_t>(Arg<CallId::Adjust, 0>(job) - 1)] = v;
            SetState(L"$AXIS_ACT", AxesText());
            return Finish(h, 1);
        }
        case CallId::Move:
        case CallId::MoveOff: {
            // (axis, plus): an axis jogs in the test modes until Move Off.
            if (Arg<CallId::Move, 0>(job) < 1 || Arg<CallId::Move, 0>(job) > 6) return Refuse(job, L"Axis is 1 to 6");
            const int axis = static_cast<int>(Arg<CallId::Move, 0>(job)) * (Arg<CallId::Move, 1>(job) ? 1 : -1);
            if (job.call == CallId::MoveOff) {
                if (m_jogAxis == 0 || std::abs(m_jogAxis) != Arg<CallId::Move, 0>(job)) return Refuse(job, L"Axis " + std::to_wstring(Arg<CallId::Move, 0>(job)) + L" is not jogging");
                m_jogAxis = 0;
                return Finish(h, 1);
            }
            if (mode != L"#T1" && mode != L"#T2") return Refuse(job, L"Jogging needs operating mode #T1 or #T2");
            if (m_program.State() == ProgState::Active || m_motion) return Refuse(job, L"The robot is moving");
            m_jogAxis = axis;
            m_nextJog = m_now;
            StepMotion();  // the first step at once
            return Finish(h, 1);
        }
        case CallId::RobMovePTP:
        case CallId::RobMoveLIN:
        case CallId::RobMovePTP_REL:
        case CallId::RobMoveLIN_REL: {
            // A point name, or a frame "{X 10, Z -5}"; the relative moves add the frame to where
            // the robot is. Progress reports on the way; the result at the target.
            if (m_program.State() == ProgState::Active || m_motion || m_jogAxis != 0) return Refuse(job, L"The robot is moving");
            if (mode == L"#EX") return Refuse(job, L"Operating mode #EX: the external controller moves the robot");
            const bool relative = job.call == CallId::RobMovePTP_REL || job.call == CallId::RobMoveLIN_REL;
            std::array<std::optional<double>, 6> frame;
            std::wstring text = Arg<CallId::RobMovePTP, 0>(job);
            if (!relative) {
                if (const auto point = PointText(Upper(Trim(text)))) text = *point;
            }
            if (!ParseFrame(text, frame)) return Refuse(job, L"No point or frame '" + Arg<CallId::RobMovePTP, 0>(job) + L"'");
            Motion m;
            m.handle = h;
            m.verb = (job.call == CallId::RobMovePTP || job.call == CallId::RobMovePTP_REL ? L"PTP" : L"LIN") +
                     std::wstring(relative ? L"_REL " : L" ") + Trim(Arg<CallId::RobMovePTP, 0>(job));
            m.from = m_pos;
            for (std::size_t i = 0; i < 6; ++i) m.to[i] = relative ? m_pos[i] + frame[i].value_or(0) : frame[i].value_or(m_pos[i]);
            m.next = m_now + m_cfg.step;
            m_motion = std::move(m);
            m_live.insert(h);
            return;
        }
        default: return Finish(h, 0);
    }
}

void SimController::StepMotion() {
    if (m_jogAxis != 0 && !m_motion) {
        const std::size_t a = static_cast<std::size_t>(std::abs(m_jogAxis) - 1);
        const double step = kJogStep * std::max<std::int32_t>(1, m_vars.Int(L"$OV_JOG")) / 100.0;
        m_axes[a] = std::clamp(m_axes[a] + (m_jogAxis > 0 ? step : -step), -360.0, 360.0);
        SetState(L"$AXIS_ACT", AxesText());
        m_nextJog = m_now + m_cfg.step;
        return;
    }
    if (!m_motion) return;
    Motion& m = *m_motion;
    ++m.step;
    for (std::size_t i = 0; i < 6; ++i) m_pos[i] = m.from[i] + (m.to[i] - m.from[i]) * m.step / kMotionSteps;
    Payload p;
    p.kind = Kind::Progress;
    p.values[0] = static_cast<std::int16_t>(m.step * 100 / kMotionSteps);
    p.text = m.verb;
    Deliver(m.handle, ENotifyType::ProgressInfo, std::move(p));
    SetState(L"$POS_ACT", PositionText());
    if (m.step >= kMotionSteps) EndMotion(true);
    else m.next = m_now + m_cfg.step;
}

void SimController::EndMotion(bool reached) {
    if (!m_motion) return;
    const std::int16_t h = m_motion->handle;
    m_motion.reset();
    m_live.erase(h);
    if (reached) Finish(h, 1);
}

}  // namespace vantel::link::sim
