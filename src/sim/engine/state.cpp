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
    std::string text, why;
    switch (folder.Read(m_fs.StateLimit(), text, why)) {
        case SimStateFolder::ReadResult::Missing: return;  // the first run: the samples, saved at the first change
        case SimStateFolder::ReadResult::Ok:
            if (m_fs.Load(text)) return;
            why = "not a saved file system";
            break;
        case SimStateFolder::ReadResult::Unusable: break;
    }
    // Never overwritten: kept aside for a look, or, where it cannot be moved, left alone and
    // nothing saved this run.
    const std::wstring state = FromUtf8(folder.File().string());
    std::string whyNot;
    const auto aside = folder.MoveAside(whyNot);
    if (aside.empty()) {
        m_stateOff = true;
        TellState(L"Saved file system unreadable and not moved aside: started with the samples, changes are not saved",
                  state + L": " + FromUtf8(why) + L"; " + FromUtf8(whyNot));
        return;
    }
    TellState(L"Saved file system unreadable: moved aside, started with the samples",
              state + L": " + FromUtf8(why) + L"; now " + FromUtf8(aside.string()));
}

void SimController::SaveState() {
    if (m_cfg.stateDir.empty() || m_stateOff) return;
    const std::string text = m_fs.Save();
    std::string why;
    bool saved = false;
    if (text.size() > m_fs.StateLimit()) {
        // The next start would refuse it.
        why = "larger than " + std::to_string(m_fs.StateLimit()) + " bytes";
    } else {
        saved = SimStateFolder(m_cfg.stateDir).Write(text, why);
    }
    if (saved) {
        m_stateFailing = false;
        return;
    }
    const std::wstring what = L"Cannot save the file system in " + m_cfg.stateDir.wstring();
    // Every failure in the log; standard error hears when saving starts to fail.
    if (m_stateFailing) {
        m_log.AddOwn(Stamp(), L"State", L"", kLogRefused, 2, what, FromUtf8(why));
    } else {
        TellState(what, FromUtf8(why));
    }
    m_stateFailing = true;
}

void SimController::Trace(CallId id, std::int32_t ret) {
    if (!m_log.TracesCalls()) return;
    m_log.Trace(CallName(id) + L" -> " + std::to_wstring(ret));
}

}  // namespace vantel::link::sim
