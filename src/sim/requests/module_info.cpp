// Module information, errors, dependencies and change notifications.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteModuleInfo(Job& job) {
    const std::int16_t h = job.handle;

    switch (job.call) {
        case CallId::NotifyVolume: return Watching(h, job.call, Watch::Volume, Arg<CallId::NotifyVolume, 0>(job), Arg<CallId::NotifyVolume, 1>(job), Arg<CallId::NotifyVolume, 2>(job));
        case CallId::NotifyItem: return Watching(h, job.call, Watch::Item, Arg<CallId::NotifyItem, 0>(job), Arg<CallId::NotifyItem, 1>(job), Arg<CallId::NotifyItem, 2>(job));
        case CallId::NotifyModuleInformation: return Watching(h, job.call, Watch::Info, Arg<CallId::NotifyModuleInformation, 0>(job), Arg<CallId::NotifyModuleInformation, 1>(job), Arg<CallId::NotifyModuleInformation, 2>(job));
        case CallId::NotifyModuleCode: return Watching(h, job.call, Watch::Code, Arg<CallId::NotifyModuleCode, 0>(job), Arg<CallId::NotifyModuleCode, 1>(job), Arg<CallId::NotifyModuleCode, 2>(job));
        case CallId::ErrorList: {
            // One module, or every module with errors when empty.
            StringArray modules, texts;
            DWordArray lineNos, columns, numbers;
            std::wstring full;
            if (!Arg<CallId::ErrorList, 0>(job).empty() && Module(Arg<CallId::ErrorList, 0>(job), full) == nullptr) return Refuse(job, L"No module '" + Arg<CallId::ErrorList, 0>(job) + L"'");
            for (const auto& [path, errors] : m_errors) {
                if (!full.empty() && path != full) continue;
                for (const auto& e : errors) {
                    modules.push_back(path);
                    lineNos.push_back(static_cast<std::uint32_t>(e.line));
                    columns.push_back(static_cast<std::uint32_t>(e.column));
                    numbers.push_back(static_cast<std::uint32_t>(e.number));
                    texts.push_back(L"line " + std::to_wstring(e.line) + L": " + e.text);
                }
            }
            return FinishWith(h, {modules, lineNos, columns, numbers, texts});
        }
        case CallId::ErrorGetProp: {
            // The n-th error (from 1) of a module -> module, line, column, number, text.
            std::wstring full;
            if (Module(Arg<CallId::ErrorGetProp, 0>(job), full) == nullptr) return Refuse(job, L"No module '" + Arg<CallId::ErrorGetProp, 0>(job) + L"'");
            const auto it = m_errors.find(full);
            if (it == m_errors.end() || Arg<CallId::ErrorGetProp, 1>(job) < 1 || Arg<CallId::ErrorGetProp, 1>(job) > static_cast<std::int64_t>(it->second.size()))
                return Refuse(job, L"No error " + std::to_wstring(Arg<CallId::ErrorGetProp, 1>(job)) + L" in " + full);
            const CodeError& e = it->second[static_cast<std::size_t>(Arg<CallId::ErrorGetProp, 1>(job) - 1)];
            return FinishWith(h, {full, std::int64_t{e.line}, std::int64_t{e.column}, std::int64_t{e.number}, e.text});
        }
        default: break;
    }

    // The rest name their module first.
    const std::wstring& name =
        CommonArg<0, CallId::ModuleInformationGetProp, CallId::ModuleInformationSetProp, CallId::ModuleInformationGetUserAttribute,
                  CallId::ModuleInformationSetUserAttribute, CallId::ModuleInformationUserAttributesList,
                  CallId::ModuleDependenciesList>(job);
    std::wstring full;
    SimItem* item = Module(name, full);
    if (item == nullptr) return Refuse(job, L"No module '" + name + L"'");
    switch (job.call) {
        case CallId::ModuleInformationGetProp: {
            // Source type 1: code with data list, 2: code alone, 3: data list, 0: other file.
            // Numbers: code lines, data lines, bytes, errors. Integers: read-only, hidden,
            // system, linked, open (1 edit, 2 view), selected, analysed clean, user attributes.
            // Texts: comment, user. States (code, data list): 0 missing, 1 not analysed, 2 clean, 3 errors.
            const std::wstring stem = full.substr(0, full.rfind(L'.'));
            SimItem* codeItem = item->type == ItemType::Module ? item : m_fs.Find(stem + L".SRC");
            SimItem* dataItem = item->type == ItemType::Data ? item : m_fs.Find(stem + L".DAT");
            if (item->type == ItemType::File) codeItem = dataItem = nullptr;
            const std::int64_t source = item->type == ItemType::File ? 0 : codeItem && dataItem ? 1 : codeItem ? 2 : 3;
            const auto state = [&](const SimItem* it, const std::wstring& path) -> std::int64_t {
                if (it == nullptr) return 0;
                if (m_errors.count(path)) return 3;
                return it->analysedClean ? 2 : 1;
            };
            const std::int64_t open = OpenMode(full);
            const auto errors = m_errors.count(full) ? static_cast<std::int64_t>(m_errors[full].size()) : 0;
            const auto a = item->attributes;
            return FinishWith(h, {source, codeItem ? static_cast<std::int64_t>(codeItem->lines.size()) : 0,
                                  dataItem ? static_cast<std::int64_t>(dataItem->lines.size()) : 0, ItemSize(*item), errors,
                                  std::int64_t{(a & attr::kReadOnly) != 0}, std::int64_t{(a & attr::kHidden) != 0},
                                  std::int64_t{(a & attr::kSystem) != 0}, std::int64_t{(a & attr::kLinked) != 0}, open,
                                  std::int64_t{full == SelectedModule()},
                                  std::int64_t{item->analysedClean},
                                  static_cast<std::int64_t>(item->userAttributes.size()), item->comment, item->user,
                                  state(codeItem, stem + L".SRC"), state(dataItem, stem + L".DAT")});
        }
        case CallId::ModuleInformationSetProp: {
            // (module, flags, read-only, hidden, comment, user).
            if (item->attributes & attr::kSystem) return Refuse(job, full + L" belongs to the controller");
            if (Arg<CallId::ModuleInformationSetProp, 4>(job).size() > kMaxText) return Refuse(job, L"Comment longer than 256 characters");
            if (Arg<CallId::ModuleInformationSetProp, 5>(job).size() > kMaxUser) return Refuse(job, L"User name longer than 32 characters");
            item->attributes = (item->attributes & ~(attr::kReadOnly | attr::kHidden)) | (Arg<CallId::ModuleInformationSetProp, 2>(job) ? attr::kReadOnly : 0) |
                               (Arg<CallId::ModuleInformationSetProp, 3>(job) ? attr::kHidden : 0);
            item->comment = Arg<CallId::ModuleInformationSetProp, 4>(job);
            item->user = Arg<CallId::ModuleInformationSetProp, 5>(job);
            m_fs.Touch(full, change::kProperties);
            return Finish(h, 1);
        }
        case CallId::ModuleInformationGetUserAttribute: {
            const auto it = item->userAttributes.find(Upper(Arg<CallId::ModuleInformationGetUserAttribute, 1>(job)));
            if (it == item->userAttributes.end()) return Refuse(job, full + L" has no user attribute '" + Arg<CallId::ModuleInformationGetUserAttribute, 1>(job) + L"'");
            return FinishWith(h, {it->second});
        }
        case CallId::ModuleInformationSetUserAttribute: {
            // An empty value removes the attribute.
            const std::wstring key = Upper(Arg<CallId::ModuleInformationSetUserAttribute, 1>(job));
            if (key.empty() || key.size() > 32) return Refuse(job, L"User attribute names have 1 to 32 characters");
            if (Arg<CallId::ModuleInformationSetUserAttribute, 2>(job).size() > kMaxText) return Refuse(job, L"User attribute value longer than 256 characters");
            if (item->attributes & attr::kSystem) return Refuse(job, full + L" belongs to the controller");
            if (Arg<CallId::ModuleInformationSetUserAttribute, 2>(job).empty()) {
                if (item->userAttributes.erase(key) == 0) return Refuse(job, full + L" has no user attribute '" + Arg<CallId::ModuleInformationSetUserAttribute, 1>(job) + L"'");
            } else {
                if (!item->userAttributes.count(key) && item->userAttributes.size() >= kMaxUserAttributes)
                    return Refuse(job, full + L" has 32 user attributes already");
                item->userAttributes[key] = Arg<CallId::ModuleInformationSetUserAttribute, 2>(job);
            }
            m_fs.Touch(full, change::kUserAttr);
            return Finish(h, 1);
        }
        case CallId::ModuleInformationUserAttributesList: {
            StringArray names, values;
            for (const auto& [k, v] : item->userAttributes) {
                names.push_back(k);
                values.push_back(v);
            }
            return FinishWith(h, {names, values});
        }
        case CallId::ModuleDependenciesList: {
            if (item->type != ItemType::Module) return Refuse(job, full + L" holds no code");
            StringArray deps;
            for (const auto& d : Dependencies(item->lines)) {
                std::wstring depFull;
                deps.push_back(Module(d, depFull) != nullptr ? depFull : d + L" (not found)");
            }
            return FinishWith(h, {deps});
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
