// Item execution: a module runs as the selected program.
#include <functional>

#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

ProgramDef SimController::ProgramFrom(const std::wstring& name, const SimItem& module) const {
    ProgramDef def;
    def.name = name;
    for (const auto& raw : module.lines) {
        std::wstring line = raw.substr(0, raw.find(L';'));
        line = Trim(line);
        const std::wstring up = Upper(line);
        if (line.empty() || up.starts_with(L"DEF ") || up.starts_with(L"DEF(")) continue;
        ProgramLine pl;
        pl.text = line;
        const auto space = up.find(L' ');
        const std::wstring verb = up.substr(0, space);
        if ((verb == L"PTP" || verb == L"LIN") && space != std::wstring::npos) pl.point = Upper(Trim(line.substr(space + 1)));
        def.lines.push_back(std::move(pl));
    }
    if (def.lines.empty() || Upper(def.lines.back().text) != L"END") def.lines.push_back({L"END", {}, {}, {}, {}});
    return def;
}

std::wstring SimController::SelectedModule() const {
    // Only while the program item execution selected is still the one selected.
    if (m_program.State() == ProgState::Free || m_program.Name() != m_selectedName) return {};
    return m_selectedModule;
}

std::wstring SimController::ActiveModule() const {
    if (m_program.State() == ProgState::Free) return {};
    if (const std::wstring selected = SelectedModule(); !selected.empty()) return selected;
    return m_program.Name();
}

void SimController::CompleteItemExec(Job& job) {
    const std::int16_t h = job.handle;
    std::wstring target, full;
    SimItem* item = nullptr;
    if (job.call != CallId::AnalyseMode) {
        target = CommonArg<0, CallId::ItemSelect, CallId::ItemRun, CallId::ItemReset, CallId::ItemStart, CallId::ItemStop,
                           CallId::ItemCancel, CallId::ItemAnalyse, CallId::ItemLink, CallId::ItemUnlink>(job);
        item = FindItem(target, full);
    }
    const auto selectedOnly = [&]() -> bool {
        if (!target.empty() && (item == nullptr || full != SelectedModule())) {
            Refuse(job, L"'" + target + L"' is not the selected module");
            return false;
        }
        if (SelectedModule().empty()) {
            Refuse(job, L"No module selected");
            return false;
        }
        return true;
    };
    const auto delegate = [&](CallId call, std::vector<std::wstring> strings) {
        Job as = job;
        as.call = call;
        as.in.assign(strings.begin(), strings.end());
        CompleteProgram(as);
    };
    switch (job.call) {
        case CallId::AnalyseMode:
            m_autoAnalyse = Arg<CallId::AnalyseMode, 0>(job) != 0;
            return Finish(h, 1);
        case CallId::ItemAnalyse:
            if (item == nullptr || !item->IsText()) return Refuse(job, L"No module '" + target + L"'");
            if (Outcome clean = Analyse(full, *item); !clean) return Refuse(job, clean.Why());
            return Finish(h, 1);
        case CallId::ItemLink:
        case CallId::ItemUnlink: {
            if (item == nullptr || item->type != ItemType::Module) return Refuse(job, L"No module '" + target + L"'");
            if (job.call == CallId::ItemUnlink) {
                if (!(item->attributes & attr::kLinked)) return Refuse(job, full + L" is not linked");
                item->attributes &= ~attr::kLinked;
                m_fs.Touch(full, change::kAnalysed);
                return Finish(h, 1);
            }
            if (Outcome clean = Analyse(full, *item); !clean) return Refuse(job, clean.Why());
            // Every module it calls must exist.
            for (const auto& dep : Dependencies(item->lines)) {
                std::wstring depFull;
                if (Module(dep, depFull) == nullptr) {
                    m_errors[full].push_back({0, 0, 2100, L"module " + dep + L" not found"});
                    return Refuse(job, full + L" calls " + dep + L", which is not found");
                }
            }
            item->attributes |= attr::kLinked;
            m_fs.Touch(full, change::kAnalysed);
            return Finish(h, 1);
        }
        case CallId::ItemSelect:
        case CallId::ItemRun: {
            if (item == nullptr || item->type != ItemType::Module) return Refuse(job, L"No module '" + target + L"'");
            if (Outcome clean = Analyse(full, *item); !clean) return Refuse(job, clean.Why());
            if (m_program.State() == ProgState::Active) return Refuse(job, L"Program " + m_program.Name() + L" is running: stop it first");
            std::wstring name = DeclaredName(item->lines);
            if (name.empty()) name = Upper(item->name.substr(0, item->name.rfind(L'.')));
            m_program.Define(ProgramFrom(Upper(name), *item));
            if (!m_vars.Exists(Upper(name) + L":CYCLES")) m_vars.Put(Upper(name) + L":CYCLES", L"0");
            m_selectedModule = full;
            m_selectedName = Upper(name);
            return delegate(job.call == CallId::ItemRun ? CallId::Run : CallId::Select, {Upper(name), Arg<CallId::ItemSelect, 1>(job)});
        }
        case CallId::ItemStart:
            if (!selectedOnly()) return;
            return delegate(CallId::Start, {});
        case CallId::ItemStop:
            if (!selectedOnly()) return;
            if (m_program.State() != ProgState::Active) return Refuse(job, L"Program " + m_program.Name() + L" is not running");
            return delegate(CallId::StopSteu, {L""});
        case CallId::ItemCancel:
            if (!selectedOnly()) return;
            return delegate(CallId::CancelSteu, {L""});
        case CallId::ItemReset:
            if (!selectedOnly()) return;
            return delegate(CallId::Reset, {});
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
