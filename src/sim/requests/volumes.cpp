// The file manager's volumes and names.
#include <functional>

#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteVolumes(Job& job) {
    const std::int16_t h = job.handle;
    switch (job.call) {
        case CallId::GetActiveModule:
            if (!Arg<CallId::GetActiveModule, 0>(job).empty() && Upper(Arg<CallId::GetActiveModule, 0>(job)) != L"ARM_1") return Refuse(job, L"No robot '" + Arg<CallId::GetActiveModule, 0>(job) + L"'");
            return FinishWith(h, {ActiveModule()});
        case CallId::VolumeGetProp: {
            const SimVolume* v = m_fs.Volume(Arg<CallId::VolumeGetProp, 0>(job));
            if (v == nullptr) return Refuse(job, L"No volume '" + Arg<CallId::VolumeGetProp, 0>(job) + L"'");
            const std::int64_t used = m_fs.Used(*v);
            return FinishWith(h, {v->label, std::int64_t{v->type}, v->capacity, used, v->capacity - used});
        }
        case CallId::VolumeSetName:
            if (Outcome o = m_fs.SetLabel(Arg<CallId::VolumeSetName, 0>(job), Arg<CallId::VolumeSetName, 1>(job)); !o) return Refuse(job, o.Why());
            return Finish(h, 1);
        case CallId::VolumeFormat: {
            const SimVolume* v = m_fs.Volume(Arg<CallId::VolumeFormat, 0>(job));
            if (v == nullptr) return Refuse(job, L"No volume '" + Arg<CallId::VolumeFormat, 0>(job) + L"'");
            const std::wstring prefix = v->name + L":/";
            for (const auto& [ch, c] : m_code) {
                if (c.path.rfind(prefix, 0) == 0) return Refuse(job, c.path + L" is open");
            }
            if (SelectedModule().rfind(prefix, 0) == 0) return Refuse(job, SelectedModule() + L" is the selected program");
            // Both kinds of format clear the volume here; the flag (quick) only saves time on
            // a real controller.
            if (Outcome o = m_fs.Format(Arg<CallId::VolumeFormat, 0>(job), Arg<CallId::VolumeFormat, 1>(job)); !o) return Refuse(job, o.Why());
            for (auto it = m_errors.begin(); it != m_errors.end();) it = it->first.rfind(prefix, 0) == 0 ? m_errors.erase(it) : std::next(it);
            return Finish(h, 1);
        }
        case CallId::VolumeNameList: {
            StringArray names;
            for (const SimVolume* v : m_fs.Volumes()) names.push_back(v->name + L":");
            return FinishWith(h, {names});
        }
        case CallId::GetFullName: {
            std::wstring full;
            if (FindItem(Arg<CallId::GetFullName, 0>(job), full) == nullptr) {
                const auto hits = m_fs.Search(Arg<CallId::GetFullName, 0>(job));
                if (hits.empty() || Arg<CallId::GetFullName, 0>(job).empty()) return Refuse(job, L"No item '" + Arg<CallId::GetFullName, 0>(job) + L"'");
                full = hits.front();
            }
            return FinishWith(h, {full});
        }
        case CallId::GetVDXName: return FinishWith(h, {std::wstring(L"CELL_07")});
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
