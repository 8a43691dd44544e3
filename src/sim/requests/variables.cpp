// Variables: show, set and info, globally or in a program's own data.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

std::optional<std::wstring> SimController::VarKey(const std::wstring& path, const std::wstring& name) const {
    if (name.empty() || name.size() > kMaxText || path.size() > kMaxText) return std::nullopt;
    std::wstring key = Upper(name);
    if (!path.empty()) {
        // A data path names a program whose own data the variable belongs to.
        std::wstring p = Upper(path);
        if (p.rfind(L"/R1/", 0) == 0) p.erase(0, 4);
        if (p.find(L':') != std::wstring::npos) return std::nullopt;
        key = p + L":" + key;
    }
    if (key.find(L':') != std::wstring::npos && path.empty()) return std::nullopt;
    if (!m_vars.Exists(key)) return std::nullopt;
    return key;
}

void SimController::CompleteVariable(Job& job) {
    const std::int16_t h = job.handle;
    std::optional<std::wstring> key;
    switch (job.call) {
        case CallId::ShowVar:
        case CallId::SetInfo:
        case CallId::SetVar: key = VarKey(L"", Arg<CallId::ShowVar, 0>(job)); break;
        case CallId::DPShowVar:
        case CallId::DPSetInfo:
        case CallId::DPSetVar: key = VarKey(Arg<CallId::DPShowVar, 0>(job), Arg<CallId::DPShowVar, 1>(job)); break;
        default: break;
    }
    if (!key) {
        Finish(h, 0);
        return;
    }
    switch (job.call) {
        case CallId::ShowVar:
        case CallId::DPShowVar: Finish(h, 1, *m_vars.Show(*key)); return;
        case CallId::SetVar:
        case CallId::DPSetVar: {
            // The write's own result comes before what the write sets off.
            const std::size_t mark = m_posts.size();
            const bool ok = Write(*key, job.call == CallId::SetVar ? Arg<CallId::SetVar, 1>(job) : Arg<CallId::DPSetVar, 2>(job));
            const std::size_t before = m_posts.size();
            Finish(h, ok ? 1 : 0);
            if (m_posts.size() > before) std::rotate(m_posts.begin() + static_cast<std::ptrdiff_t>(mark), m_posts.end() - 1, m_posts.end());
            return;
        }
        default:
            m_standing[h] = {Watch::Variable, *key};
            Finish(h, 1, *m_vars.Show(*key));
            return;
    }
}

bool SimController::Write(const std::wstring& key, const std::wstring& value) {
    const std::wstring before = m_vars.Show(key).value_or(L"");
    if (!m_vars.Set(key, value)) return false;
    if (*m_vars.Show(key) == before) return true;
    Changed(key);
    if (key == L"$MODE_OP") {
        KeySwitch();
        // A mode change stops a running program, as on any controller worth the name.
        if (m_program.State() == ProgState::Active) HaltProgram();
    } else if (key == L"$MOUSE_ACT") {
        if (*m_vars.Show(key) == L"TRUE") StartMouse();
        else StopMouse();
    } else if (key == L"$OV_PRO") {
        m_nextStep = m_now + StepPeriod();
    }
    return true;
}

void SimController::Changed(const std::wstring& key) {
    const std::wstring value = m_vars.Show(key).value_or(L"");
    for (const auto& [h, standing] : m_standing) {
        if (standing.watch == Watch::Variable && standing.key == key) Finish(h, 1, value);
    }
}

void SimController::SetState(const std::wstring& key, std::wstring value) {
    const std::wstring k = Upper(key);
    if (m_vars.Show(k) == value) return;
    m_vars.Put(k, std::move(value));
    Changed(k);
}

}  // namespace vantel::link::sim
