// Refusals, change watches and what a change tells them.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::Refuse(std::int16_t h, CallId call, const std::wstring& why) {
    // The job fails (result 0); the reason goes to the log, where "Get &Entries" shows it.
    m_log.AddOwn(Stamp(), CallName(call), L"", kLogRefused, 2, why);
    Finish(h, 0);
}

void SimController::Watching(std::int16_t h, CallId call, Watch watch, const std::wstring& target, std::uint32_t mask,
                             std::int64_t flags) {
    Standing st;
    st.watch = watch;
    st.mask = mask;
    st.below = flags != 0;
    if (watch == Watch::Volume && target.empty()) {
        st.key.clear();  // every volume
    } else if (watch == Watch::Volume) {
        SimVolume* v = m_fs.Volume(target);
        if (v == nullptr) return Refuse(h, call, L"No volume " + target);
        st.key = v->name;
    } else {
        std::wstring full;
        const auto p = ParsePath(target);
        if (p && !target.empty() && m_fs.Find(*p) != nullptr) {
            st.key = p->Text();
        } else if (Module(target, full) != nullptr) {
            st.key = full;
        } else if (p && !target.empty() && m_fs.Volume(p->volume) != nullptr) {
            // An item may be watched before it exists.
            st.key = p->Text();
        } else {
            return Refuse(h, call, L"Bad name '" + target + L"'");
        }
    }
    m_standing[h] = st;
    FinishWith(h, {std::int64_t{0}});  // the watch stands
}

void SimController::PostChanges() {
    auto events = m_fs.TakeEvents();
    if (!events.empty()) SaveState();
    for (std::size_t i = 0; i < events.size(); ++i) {
        const SimFileSystem::Event ev = events[i];
        if (m_autoAnalyse && (ev.mask & (change::kWritten | change::kInserted | change::kDeleted | change::kChanged))) {
            // The analysis records its own event (kAnalysed), heard after this one.
            if (SimItem* item = m_fs.Find(ev.path); item != nullptr && item->IsText()) (void)Analyse(ev.path, *item);
            for (auto& more : m_fs.TakeEvents()) events.push_back(std::move(more));
        }
        for (const auto& [h, st] : m_standing) {
            std::uint32_t heard = 0;
            switch (st.watch) {
                case Watch::Volume: heard = st.key.empty() || ev.volume == st.key ? ~0u : 0; break;
                case Watch::Item: {
                    // A volume's root is "USER:/", a folder "USER:/R1".
                    const std::wstring below = st.key.ends_with(L'/') ? st.key : st.key + L"/";
                    if (ev.path == st.key || (st.below && ev.path.rfind(below, 0) == 0)) heard = change::kItemBits;
                    // Formatting a volume takes every item on it.
                    if (ev.path.empty() && st.key.rfind(ev.volume + L":", 0) == 0) heard = change::kFormatted;
                    break;
                }
                case Watch::Info: heard = ev.path == st.key ? change::kInfoBits : 0; break;
                case Watch::Code: heard = ev.path == st.key ? change::kCodeBits : 0; break;
                default: break;
            }
            const std::uint32_t bits = ev.mask & heard & (st.mask == 0 ? ~0u : st.mask);
            if (bits != 0) FinishWith(h, {std::int64_t{bits}});
        }
    }
}

}  // namespace vantel::link::sim
