// Modules as the requests see them: found by name, open under a handle, in use, listed.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

Outcome SimController::MayRemove(const std::wstring& full) const {
    const auto within = [&](const std::wstring& path) { return path == full || path.rfind(full + L"/", 0) == 0; };
    for (const auto& [handle, code] : m_code) {
        if (within(code.path)) return Outcome::Refused(code.path + L" is open");
    }
    if (const std::wstring selected = SelectedModule(); !selected.empty() && within(selected))
        return Outcome::Refused(selected + L" is the selected program");
    return {};
}

SimItem* SimController::Module(const std::wstring& path, std::wstring& full) {
    const auto p = ParsePath(path);
    if (!p || path.empty()) return nullptr;
    if (SimItem* item = m_fs.Find(*p); item != nullptr && item->type != ItemType::Folder) {
        full = p->Text();
        return item;
    }
    if (!p->parts.empty()) {
        SimPath code = *p;
        code.parts.back() += L".SRC";
        if (SimItem* item = m_fs.Find(code)) {
            full = code.Text();
            return item;
        }
    }
    // A bare name finds the module wherever it is.
    if (path.find_first_of(L":/\\") == std::wstring::npos) {
        // "DEMO" means the code, "DEMO.DAT" the data list.
        const ItemType want = TypeForName(path) == ItemType::Data ? ItemType::Data : ItemType::Module;
        for (const auto& candidate : m_fs.Search(path)) {
            SimItem* item = m_fs.Find(candidate);
            if (item != nullptr && item->type == want) {
                full = candidate;
                return item;
            }
        }
    }
    return nullptr;
}

Outcome SimController::Analyse(const std::wstring& full, SimItem& item) {
    if (!item.IsText()) return Outcome::Refused(full + L" holds no code");
    auto errors = sim::Analyse(item.lines, item.type == ItemType::Data ? CodeKind::Data : CodeKind::Code);
    const bool clean = errors.empty();
    // The outcome as a user sees it: not analysed since the last edit, clean, or with errors.
    const int before = m_errors.count(full) ? 2 : item.analysedClean ? 1 : 0;
    if (clean) m_errors.erase(full);
    else m_errors[full] = std::move(errors);
    item.analysedClean = clean;
    if (!clean) item.attributes &= ~attr::kLinked;
    if (before != (clean ? 1 : 2)) m_fs.Touch(full, change::kAnalysed);
    if (clean) return {};
    const CodeError& first = m_errors[full].front();
    return Outcome::Refused(full + L": " + std::to_wstring(m_errors[full].size()) + L" error(s), first in line " +
                            std::to_wstring(first.line) + L": " + first.text);
}

SimController::OpenCode* SimController::Code(std::int64_t handle) {
    const auto it = m_code.find(static_cast<std::int32_t>(handle));
    if (it == m_code.end()) return nullptr;
    // A module destroyed or renamed while open closes with it.
    if (m_fs.Find(it->second.path) == nullptr) {
        m_code.erase(it);
        return nullptr;
    }
    return &it->second;
}

std::int32_t SimController::OpenMode(const std::wstring& full) const {
    std::int32_t mode = 0;
    for (const auto& [handle, code] : m_code) {
        if (code.path == full) mode = code.edit ? 1 : (mode == 1 ? 1 : 2);
    }
    return mode;
}

bool SimController::OpenForEdit(const std::wstring& full) const {
    return std::any_of(m_code.begin(), m_code.end(), [&](const auto& c) { return c.second.edit && c.second.path == full; });
}

bool SimController::EditLines(OpenCode& code, std::uint32_t mask) {
    SimItem* item = m_fs.Find(code.path);
    if (item == nullptr) return false;
    item->modified = item->accessed = Stamp();
    item->analysedClean = false;
    m_fs.Touch(code.path, mask);
    return true;
}

std::wstring SimController::ListDir(const std::wstring& path, const std::wstring& pattern) {
    const auto p = ParsePath(path.empty() ? L"USER:/" : path);
    if (!p) return {};
    const SimItem* folder = m_fs.Find(*p);
    if (folder == nullptr) return {};
    const SimVolume* volume = m_fs.Volume(p->volume);
    std::vector<const SimItem*> items;
    if (folder->type == ItemType::Folder) {
        for (const auto& [key, child] : folder->children) {
            if (pattern.empty() || Matches(child->name, pattern)) items.push_back(child.get());
        }
    } else {
        items.push_back(folder);
    }
    std::wstring out = L"Directory of " + p->Text() + L"\n";
    std::int64_t total = 0;
    for (const SimItem* item : items) {
        const std::int64_t size = ItemSize(*item);
        total += size;
        // Fields two blanks apart, no columns: the listing is read in a proportional font.
        const bool folderItem = item->type == ItemType::Folder;
        out += (folderItem ? item->name + L"/" : item->name) + L"  " +
               (folderItem ? std::wstring(L"folder") : std::to_wstring(size) + L" bytes") + L"  " + DateText(item->modified) +
               L"  " + ((item->attributes & (attr::kReadOnly | attr::kSystem)) ? L"R" : L"RW") + L"  " + item->user;
        if (!item->comment.empty()) out += L"  ; " + item->comment;
        out += L"\n";
    }
    out += std::to_wstring(items.size()) + L" item(s), " + std::to_wstring(total) + L" bytes, " +
           std::to_wstring(volume->capacity - m_fs.Used(*volume)) + L" bytes free";
    return out;
}

}  // namespace vantel::link::sim
