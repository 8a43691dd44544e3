// The file system kept between runs, and the link's own trace of its calls.
#include "sim/controller.h"
#include "sim/internal.h"
#include "sim/model/state_file.h"

namespace vantel::link::sim {

// Said in the controller's log and on standard error: the console may show neither window.
void SimController::TellState(const std::wstring& what, const std::wstring& detail) {
    m_log.AddOwn(Stamp(), L"State", L"", kLogRefused, 2, what, detail);
    std::fprintf(stderr, "%s: simulated controller: %s (%s)\n", program_invocation_short_name, ToUtf8(what).c_str(),
                 ToUtf8(detail).c_str());
}

void SimController::LoadState() {
    if (m_cfg.stateDir.empty()) return;
    SimStateFolder folder(m_cfg.stateDir);
    const auto read = folder.Read(m_fs.StateLimit());
    std::wstring why = read.Why();
    if (read) {
        if (!*read) return;  // the first run: the samples, saved at the first change
        if (m_fs.Load(**read)) return;
        why = L"not a saved file system";
    }
    // Never overwritten: kept aside for a look, or, where it cannot be moved, left alone and
    // nothing saved this run.
    const std::wstring state = FromUtf8(folder.File().string());
    const auto aside = folder.MoveAside();
    if (!aside) {
        m_stateOff = true;
        TellState(L"Saved file system unreadable and not moved aside: started with the samples, changes are not saved",
                  state + L": " + why + L"; " + aside.Why());
        return;
    }
    TellState(L"Saved file system unreadable: moved aside, started with the samples",
              state + L": " + why + L"; now " + FromUtf8(aside->string()));
}

void SimController::SaveState() {
    if (m_cfg.stateDir.empty() || m_stateOff) return;
    const std::string text = m_fs.Save();
    // The next start would refuse a larger one.
    const Outcome saved = text.size() > m_fs.StateLimit()
                              ? Outcome::Refused(L"larger than " + std::to_wstring(m_fs.StateLimit()) + L" bytes")
                              : SimStateFolder(m_cfg.stateDir).Write(text);
    if (saved) {
        m_stateFailing = false;
        return;
    }
    const std::wstring what = L"Cannot save the file system in " + m_cfg.stateDir.wstring();
    // Every failure in the log; standard error hears when saving starts to fail.
    if (m_stateFailing) {
        m_log.AddOwn(Stamp(), L"State", L"", kLogRefused, 2, what, saved.Why());
    } else {
        TellState(what, saved.Why());
    }
    m_stateFailing = true;
}

void SimController::Trace(CallId id, std::int32_t ret) {
    if (!m_log.TracesCalls()) return;
    m_log.Trace(CallName(id) + L" -> " + std::to_wstring(ret));
}

}  // namespace vantel::link::sim
