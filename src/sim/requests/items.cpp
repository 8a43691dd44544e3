// The file manager's items: properties, names, attributes, lists, creation, copies.
#include <functional>

#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

SimItem* SimController::FindItem(const std::wstring& path, std::wstring& full) {
    if (const auto p = ParsePath(path); p && !path.empty()) {
        if (SimItem* item = m_fs.Find(*p)) {
            full = p->Text();
            return item;
        }
    }
    return Module(path, full);
}

void SimController::CompleteItems(Job& job) {
    const std::int16_t h = job.handle;
    const auto find = [&](const std::wstring& path, std::wstring& full) { return FindItem(path, full); };
    switch (job.call) {
        case CallId::ItemGetProp: {
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemGetProp, 0>(job), full);
            if (item == nullptr) return Refuse(job, L"No item '" + Arg<CallId::ItemGetProp, 0>(job) + L"'");
            const std::int64_t mode = OpenMode(full);
            return FinishWith(h, {std::int64_t{static_cast<std::int32_t>(item->type)}, full, std::int64_t{item->attributes},
                                  ItemSize(*item), Stamped{item->created}, Stamped{item->modified}, Stamped{item->accessed},
                                  mode});
        }
        case CallId::ItemGetCRC: {
            // Flag 1: for a module, code and data list together.
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemGetCRC, 0>(job), full);
            if (item == nullptr || item->type == ItemType::Folder) return Refuse(job, L"No file '" + Arg<CallId::ItemGetCRC, 0>(job) + L"'");
            std::vector<std::uint8_t> bytes = ContentBytes(*item);
            if (Arg<CallId::ItemGetCRC, 1>(job) == 1 && item->type == ItemType::Module) {
                if (const SimItem* data = m_fs.Find(full.substr(0, full.size() - 4) + L".DAT")) {
                    const auto more = ContentBytes(*data);
                    bytes.insert(bytes.end(), more.begin(), more.end());
                }
            }
            return FinishWith(h, {std::int64_t{Crc32(bytes)}});
        }
        case CallId::ItemSetName: {
            std::wstring full;
            if (find(Arg<CallId::ItemSetName, 0>(job), full) == nullptr) return Refuse(job, L"No item '" + Arg<CallId::ItemSetName, 0>(job) + L"'");
            if (Outcome free = MayRemove(full); !free) return Refuse(job, free.Why());
            if (Outcome o = m_fs.Rename(full, Arg<CallId::ItemSetName, 1>(job), Stamp()); !o) return Refuse(job, o.Why());
            return Finish(h, 1);
        }
        case CallId::ItemSetAttribute: {
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemSetAttribute, 0>(job), full);
            if (item == nullptr) return Refuse(job, L"No item '" + Arg<CallId::ItemSetAttribute, 0>(job) + L"'");
            const auto mask = Arg<CallId::ItemSetAttribute, 1>(job);
            if (item->attributes & attr::kSystem) return Refuse(job, full + L" belongs to the controller");
            if (mask & ~attr::kSettable) return Refuse(job, L"Attribute bits 0x4 and 0x8 are the controller's");
            item->attributes = (item->attributes & ~mask) | (Arg<CallId::ItemSetAttribute, 2>(job) & mask);
            m_fs.Touch(full, change::kProperties);
            return Finish(h, 1);
        }
        case CallId::ItemNameList: {
            // Type mask: bit 1 << type (0 = every type); flag 1 lists everything below, with
            // paths relative to the folder. Folders end with '/'.
            const auto p = ParsePath(Arg<CallId::ItemNameList, 0>(job).empty() ? L"USER:/" : Arg<CallId::ItemNameList, 0>(job));
            const SimItem* folder = p ? m_fs.Find(*p) : nullptr;
            if (folder == nullptr || folder->type != ItemType::Folder) return Refuse(job, L"No folder '" + Arg<CallId::ItemNameList, 0>(job) + L"'");
            const auto types = Arg<CallId::ItemNameList, 1>(job);
            StringArray names;
            const std::function<void(const SimItem&, const std::wstring&)> walk = [&](const SimItem& f, const std::wstring& prefix) {
                for (const auto& [key, child] : f.children) {
                    const std::wstring name = prefix + child->name + (child->type == ItemType::Folder ? L"/" : L"");
                    if (types == 0 || (types & (1u << static_cast<std::uint32_t>(child->type)))) names.push_back(name);
                    if (Arg<CallId::ItemNameList, 2>(job) == 1 && child->type == ItemType::Folder) walk(*child, name);
                }
            };
            walk(*folder, L"");
            return FinishWith(h, {names});
        }
        case CallId::ItemDestroy: {
            // A module name without extension takes both parts; flag 1 takes a full folder.
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemDestroy, 0>(job), full);
            if (item == nullptr) return Refuse(job, L"No item '" + Arg<CallId::ItemDestroy, 0>(job) + L"'");
            std::vector<std::wstring> doomed{full};
            if (TypeForName(Arg<CallId::ItemDestroy, 0>(job)) == ItemType::File && item->type == ItemType::Module) {
                const std::wstring data = full.substr(0, full.size() - 4) + L".DAT";
                if (m_fs.Find(data) != nullptr) doomed.push_back(data);
            }
            for (const auto& d : doomed) {
                if (Outcome free = MayRemove(d); !free) return Refuse(job, free.Why());
            }
            for (const auto& d : doomed) {
                if (Outcome o = m_fs.Destroy(d, (Arg<CallId::ItemDestroy, 1>(job) & 1) != 0); !o) return Refuse(job, o.Why());
                m_errors.erase(d);
            }
            return Finish(h, 1);
        }
        case CallId::ItemCopy:
        case CallId::ItemMove: {
            std::wstring full;
            if (find(Arg<CallId::ItemCopy, 0>(job), full) == nullptr) return Refuse(job, L"No item '" + Arg<CallId::ItemCopy, 0>(job) + L"'");
            const bool replace = (Arg<CallId::ItemCopy, 2>(job) & 1) != 0;
            if (job.call == CallId::ItemMove) {
                if (Outcome free = MayRemove(full); !free) return Refuse(job, free.Why());
            }
            const Outcome o = job.call == CallId::ItemCopy ? m_fs.Copy(full, Arg<CallId::ItemCopy, 1>(job), replace, Stamp())
                                                            : m_fs.Move(full, Arg<CallId::ItemCopy, 1>(job), replace, Stamp());
            if (!o) return Refuse(job, o.Why());
            return Finish(h, 1);
        }
        case CallId::ItemCopySrcMem:
            // The bytes as given; a module's lines end with a zero byte or a line feed.
            if (Outcome o = m_fs.Write(Arg<CallId::ItemCopySrcMem, 1>(job), Arg<CallId::ItemCopySrcMem, 0>(job), (Arg<CallId::ItemCopySrcMem, 2>(job) & 1) != 0, Stamp()); !o) return Refuse(job, o.Why());
            return Finish(h, 1);
        case CallId::ItemCopyDestMem: {
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemCopyDestMem, 0>(job), full);
            if (item == nullptr || item->type == ItemType::Folder) return Refuse(job, L"No file '" + Arg<CallId::ItemCopyDestMem, 0>(job) + L"'");
            item->accessed = Stamp();
            return FinishWith(h, {MemoryBytes(*item)});
        }
        case CallId::ItemCompare: {
            std::wstring fa, fb;
            const SimItem* a = find(Arg<CallId::ItemCompare, 0>(job), fa);
            const SimItem* b = find(Arg<CallId::ItemCompare, 1>(job), fb);
            if (a == nullptr || a->type == ItemType::Folder) return Refuse(job, L"No file '" + Arg<CallId::ItemCompare, 0>(job) + L"'");
            if (b == nullptr || b->type == ItemType::Folder) return Refuse(job, L"No file '" + Arg<CallId::ItemCompare, 1>(job) + L"'");
            const auto ba = ContentBytes(*a), bb = ContentBytes(*b);
            const std::int64_t order = ba == bb ? 0 : (std::lexicographical_compare(ba.begin(), ba.end(), bb.begin(), bb.end()) ? -1 : 1);
            return FinishWith(h, {order});
        }
        case CallId::ItemCreate: return CreateItem(job);
        default: return Finish(h, 0);
    }
}

void SimController::CreateItem(Job& job) {
    const std::int16_t h = job.handle;
    // (folder, name, type, part, comment, flags): a module (type 1) of part 0 gets code
    // and data list, part 1 code only, part 2 the data list only; flag 1 replaces.
    const auto type = static_cast<std::int32_t>(Arg<CallId::ItemCreate, 2>(job));
    const auto part = Arg<CallId::ItemCreate, 3>(job);
    if (type < 0 || type > 3) return Refuse(job, L"Item type is 0 (folder) to 3 (file)");
    if (part < 0 || part > 2) return Refuse(job, L"Module part is 0 (both), 1 (code) or 2 (data)");
    std::wstring name = Arg<CallId::ItemCreate, 1>(job);
    const bool replace = (Arg<CallId::ItemCreate, 5>(job) & 1) != 0;
    const std::wstring base = Arg<CallId::ItemCreate, 0>(job) + L"/" + name;
    const auto p = ParsePath(base);
    if (!p || p->parts.empty() || name.empty() || name.find_first_of(L"/\\:") != std::wstring::npos ||
        name.front() == L'.')
        return Refuse(job, L"Bad name '" + name + L"'");
    const std::wstring decl = Upper(p->parts.back());
    const auto make = [&](const std::wstring& path, ItemType t, std::vector<std::wstring> lines) -> Outcome {
        const auto target = ParsePath(path);
        if (!target) return Outcome::Refused(L"Bad name '" + path + L"'");
        if (Outcome room = m_fs.Room(*target, 64); !room) return room;
        auto made = m_fs.Create(path, t, Stamp(), replace);
        if (!made) return made.Result();
        SimItem* item = *made;
        item->lines = std::move(lines);
        item->comment = Arg<CallId::ItemCreate, 4>(job).substr(0, kMaxText);
        item->user = L"operator";
        item->analysedClean = t != ItemType::Folder && t != ItemType::File;
        return {};
    };
    Outcome ok;
    if (type == 1 || type == 2) {
        std::wstring stem = decl;
        if (const auto dot = stem.rfind(L'.'); dot != std::wstring::npos) stem.erase(dot);
        std::wstring path = base;
        if (const auto dot = Upper(name).rfind(L'.'); dot != std::wstring::npos && TypeForName(name) != ItemType::File)
            path = Arg<CallId::ItemCreate, 0>(job) + L"/" + name.substr(0, dot);
        const bool code = type == 1 && part != 2;
        const bool data = type == 2 || part != 1;
        // Both parts or neither: check the second before making the first.
        if (code && data && !replace) {
            for (const wchar_t* ext : {L".SRC", L".DAT"}) {
                if (m_fs.Find(path + ext) != nullptr) return Refuse(job, ParsePath(path + ext)->Text() + L" exists");
            }
        }
        if (code) ok = make(path + L".SRC", ItemType::Module, {L"DEF " + stem + L" ( )", L"END"});
        if (ok && data) ok = make(path + L".DAT", ItemType::Data, {L"DEFDAT " + stem, L"ENDDAT"});
    } else {
        ok = make(base, static_cast<ItemType>(type), {});
    }
    if (!ok) return Refuse(job, ok.Why());
    return Finish(h, 1);
}

}  // namespace vantel::link::sim
