#include "sim/model/files.h"

#include <algorithm>

#include "sim/model/model.h"
#include "platform/text.h"

namespace vantel::link::sim {
namespace {

SimItem* AddSample(SimItem& folder, std::wstring name, ItemType type, std::vector<std::wstring> lines, std::uint64_t stamp,
                   std::uint32_t attributes = 0) {
    auto item = SimItem::Make(name, type, stamp);
    if (type == ItemType::File) {
        std::wstring text;
        for (const auto& l : lines) text += l + L"\n";
        const std::string utf8 = ToUtf8(text);
        item->bytes.assign(utf8.begin(), utf8.end());
    } else {
        item->lines = std::move(lines);
    }
    item->attributes = attributes;
    item->user = L"operator";
    SimItem* raw = item.get();
    folder.children[Upper(name)] = std::move(item);
    return raw;
}

SimItem* AddFolder(SimItem& parent, std::wstring name, std::uint64_t stamp) {
    auto item = SimItem::Make(name, ItemType::Folder, stamp);
    SimItem* raw = item.get();
    parent.children[Upper(name)] = std::move(item);
    return raw;
}

std::unique_ptr<SimItem> Clone(const SimItem& item) {
    auto copy = std::make_unique<SimItem>();
    copy->name = item.name;
    copy->type = item.type;
    copy->lines = item.lines;
    copy->bytes = item.bytes;
    copy->attributes = item.attributes & ~(attr::kSystem | attr::kLinked);
    copy->user = item.user;
    copy->comment = item.comment;
    copy->created = item.created;
    copy->modified = item.modified;
    copy->accessed = item.accessed;
    copy->userAttributes = item.userAttributes;
    for (const auto& [key, child] : item.children) copy->children[key] = Clone(*child);
    return copy;
}

}  // namespace

std::unique_ptr<SimItem> SimItem::Make(std::wstring name, ItemType type, std::uint64_t stamp) {
    auto item = std::make_unique<SimItem>();
    item->name = std::move(name);
    item->type = type;
    item->user = L"operator";
    item->created = item->modified = item->accessed = stamp;
    return item;
}

// ---------------------------------------------------------------------------------------
// The file system

SimFileSystem::SimFileSystem(std::uint64_t stamp) {
    const auto volume = [&](std::wstring name, std::wstring label, std::int32_t type, std::int64_t capacity) {
        auto v = std::make_unique<SimVolume>();
        v->name = std::move(name);
        v->label = std::move(label);
        v->type = type;
        v->capacity = capacity;
        v->root.type = ItemType::Folder;
        v->root.created = v->root.modified = v->root.accessed = stamp;
        m_volumes.push_back(std::move(v));
        return &m_volumes.back()->root;
    };
    SimItem* sys = volume(L"SYSTEM", L"Controller system", 1, 8 << 20);
    SimItem* user = volume(L"USER", L"Programs", 1, 64 << 20);
    volume(L"RAM", L"Memory disk", 2, 16 << 20);
    volume(L"CARD", L"Memory card", 3, 32 << 20);

    SimItem* config = AddFolder(*sys, L"CONFIG", stamp);
    config->attributes = attr::kSystem;
    AddSample(*config, L"CELL.INI", ItemType::File,
              {L"[cell]", L"name=CELL_07", L"robots=1", L"[arm_1]", L"axes=6", L"payload_kg=10"}, stamp,
              attr::kSystem | attr::kReadOnly);
    AddSample(*config, L"MACHINE.DAT", ItemType::Data,
              {L"DEFDAT MACHINE", L"DECL INT AXES = 6", L"DECL REAL CYCLE_TIME = 0.012", L"ENDDAT"}, stamp,
              attr::kSystem | attr::kReadOnly);

    SimItem* r1 = AddFolder(*user, L"R1", stamp);
    AddSample(*r1, L"DEMO.SRC", ItemType::Module,
              {L"DEF DEMO ( )", L"  PTP HOME", L"  PTP P1", L"  LIN P2", L"  LIN P3", L"  PTP HOME", L"END"}, stamp)
        ->comment = L"Moves through the four points";
    AddSample(*r1, L"DEMO.DAT", ItemType::Data, {L"DEFDAT DEMO", L"DECL INT CYCLES = 0", L"ENDDAT"}, stamp);
    AddSample(*r1, L"WARMUP.SRC", ItemType::Module,
              {L"DEF WARMUP ( )", L"  $OV_PRO = 50", L"  PTP P1", L"  PTP P2", L"  PTP P1", L"  PTP P2", L"  PTP HOME",
               L"END"},
              stamp)
        ->comment = L"Slow moves after a cold start";
    AddSample(*r1, L"PICK.SRC", ItemType::Module,
              {L"DEF PICK ( )", L"  ; fetch a part from bin A", L"  PTP HOME", L"  PTP BIN_A", L"  GRIP ( 1 )",
               L"  PTP HOME", L"END"},
              stamp)
        ->comment = L"Picks one part";
    SimItem* lib = AddFolder(*r1, L"LIB", stamp);
    AddSample(*lib, L"GRIP.SRC", ItemType::Module,
              {L"DEF GRIP ( CLOSE )", L"  IF CLOSE == 1 THEN", L"    $OUT_GRIP = TRUE", L"  ELSE", L"    $OUT_GRIP = FALSE",
               L"  ENDIF", L"  WAIT SEC 0.5", L"END"},
              stamp)
        ->comment = L"Opens or closes the gripper";
    AddSample(*user, L"README.TXT", ItemType::File,
              {L"Programs of robot 1 are in USER:/R1.", L"RAM: is cleared when the controller starts."}, stamp);
    for (SimItem* m : {r1, lib}) {
        for (auto& [key, child] : m->children) {
            if (child->type == ItemType::Module || child->type == ItemType::Data) child->analysedClean = true;
        }
    }
}

SimVolume* SimFileSystem::Volume(std::wstring_view name) {
    std::wstring up = Upper(name);
    if (!up.empty() && up.back() == L':') up.pop_back();
    for (auto& v : m_volumes) {
        if (v->name == up) return v.get();
    }
    return nullptr;
}

std::vector<const SimVolume*> SimFileSystem::Volumes() const {
    std::vector<const SimVolume*> out;
    for (const auto& v : m_volumes) out.push_back(v.get());
    return out;
}

std::int64_t SimFileSystem::Used(const SimVolume& v) const { return ItemSize(v.root); }

SimItem* SimFileSystem::Find(const SimPath& p) {
    SimVolume* v = Volume(p.volume);
    if (v == nullptr) return nullptr;
    SimItem* at = &v->root;
    for (const auto& part : p.parts) {
        if (at->type != ItemType::Folder) return nullptr;
        const auto it = at->children.find(Upper(part));
        if (it == at->children.end()) return nullptr;
        at = it->second.get();
    }
    return at;
}

SimItem* SimFileSystem::Find(std::wstring_view path) {
    const auto p = ParsePath(path);
    return p ? Find(*p) : nullptr;
}

SimItem* SimFileSystem::Parent(const SimPath& p) {
    if (p.parts.empty()) return nullptr;
    SimPath parent = p;
    parent.parts.pop_back();
    SimItem* folder = Find(parent);
    return folder != nullptr && folder->type == ItemType::Folder ? folder : nullptr;
}

Outcome SimFileSystem::Writable(const SimItem& item, std::wstring_view path) {
    if (item.attributes & attr::kSystem) return Fail(std::wstring(path) + L" belongs to the controller");
    if (item.attributes & attr::kReadOnly) return Fail(std::wstring(path) + L" is read-only");
    return {};
}

Outcome SimFileSystem::Room(const SimPath& p, std::int64_t delta) {
    const SimVolume* v = Volume(p.volume);
    if (v == nullptr) return Fail(L"No volume " + p.volume + L":");
    if (delta > 0 && Used(*v) + delta > v->capacity) return Fail(L"Volume " + v->name + L": is full");
    return {};
}

void SimFileSystem::Touch(const std::wstring& path, std::uint32_t mask) {
    const auto colon = path.find(L':');
    m_events.push_back({path.substr(0, colon), path, mask});
}

std::vector<SimFileSystem::Event> SimFileSystem::TakeEvents() {
    std::vector<Event> out;
    out.swap(m_events);
    return out;
}

OutcomeOf<SimItem*> SimFileSystem::Insert(const SimPath& p, std::unique_ptr<SimItem> item, bool replace) {
    SimItem* folder = Parent(p);
    if (folder == nullptr) {
        return Fail(L"No folder for " + p.Text());
    }
    if ((folder->attributes & attr::kSystem) || p.volume == L"SYSTEM") {
        return Fail(L"The folder of " + p.Text() + L" belongs to the controller");
    }
    const std::wstring key = Upper(p.parts.back());
    const auto existing = folder->children.find(key);
    if (existing != folder->children.end()) {
        if (!replace) {
            return Fail(p.Text() + L" exists");
        }
        if (existing->second->type == ItemType::Folder || item->type == ItemType::Folder) {
            return Fail(p.Text() + L" is a folder");
        }
        if (Outcome o = Writable(*existing->second, p.Text()); !o) return o;
    }
    item->name = p.parts.back();
    SimItem* raw = item.get();
    const bool replaced = existing != folder->children.end();
    folder->children[key] = std::move(item);
    Touch(p.Text(), replaced ? change::kWritten : change::kCreated);
    return raw;
}

std::unique_ptr<SimItem> SimFileSystem::Detach(const SimPath& p) {
    SimItem* folder = Parent(p);
    if (folder == nullptr) return nullptr;
    const auto it = folder->children.find(Upper(p.parts.back()));
    if (it == folder->children.end()) return nullptr;
    auto item = std::move(it->second);
    folder->children.erase(it);
    return item;
}

OutcomeOf<SimItem*> SimFileSystem::Create(std::wstring_view path, ItemType type, std::uint64_t stamp, bool replace) {
    const auto p = ParsePath(path);
    if (!p || p->parts.empty()) {
        return Fail(L"Bad name '" + std::wstring(path) + L"'");
    }
    return Insert(*p, SimItem::Make(p->parts.back(), type, stamp), replace);
}

Outcome SimFileSystem::Destroy(std::wstring_view path, bool recursive) {
    const auto p = ParsePath(path);
    if (!p || p->parts.empty()) return Fail(L"Bad name '" + std::wstring(path) + L"'");
    SimItem* item = Find(*p);
    if (item == nullptr) return Fail(p->Text() + L" not found");
    if (Outcome o = Writable(*item, p->Text()); !o) return o;
    if (item->type == ItemType::Folder && !item->children.empty() && !recursive)
        return Fail(L"Folder " + p->Text() + L" is not empty");
    Detach(*p);
    Touch(p->Text(), change::kDestroyed);
    return {};
}

Outcome SimFileSystem::Rename(std::wstring_view path, std::wstring_view newName, std::uint64_t stamp) {
    const auto p = ParsePath(path);
    if (!p || p->parts.empty()) return Fail(L"Bad name '" + std::wstring(path) + L"'");
    if (!ValidItemName(newName)) return Fail(L"Bad new name '" + std::wstring(newName) + L"'");
    SimItem* item = Find(*p);
    if (item == nullptr) return Fail(p->Text() + L" not found");
    if (Outcome o = Writable(*item, p->Text()); !o) return o;
    SimPath to = *p;
    to.parts.back() = std::wstring(newName);
    if (Upper(newName) != Upper(p->parts.back()) && Find(to) != nullptr) return Fail(to.Text() + L" exists");
    auto detached = Detach(*p);
    detached->name = std::wstring(newName);
    detached->modified = stamp;
    Touch(p->Text(), change::kRenamed);
    SimItem* folder = Parent(to);
    folder->children[Upper(newName)] = std::move(detached);
    Touch(to.Text(), change::kRenamed);
    return {};
}

Outcome SimFileSystem::Copy(std::wstring_view from, std::wstring_view to, bool replace, std::uint64_t stamp) {
    const auto src = ParsePath(from);
    auto dst = ParsePath(to);
    if (!src || src->parts.empty()) return Fail(L"Bad name '" + std::wstring(from) + L"'");
    if (!dst) return Fail(L"Bad name '" + std::wstring(to) + L"'");
    const SimItem* item = Find(*src);
    if (item == nullptr) return Fail(src->Text() + L" not found");
    // A folder as destination takes the item under its own name.
    if (const SimItem* target = Find(*dst); target != nullptr && target->type == ItemType::Folder) dst->parts.push_back(item->name);
    if (dst->parts.empty()) return Fail(L"Bad name '" + std::wstring(to) + L"'");
    if (src->Text() == dst->Text()) return Fail(L"Cannot copy " + src->Text() + L" onto itself");
    if (dst->Text().rfind(src->Text() + L"/", 0) == 0) return Fail(L"Cannot copy a folder into itself");
    std::int64_t delta = ItemSize(*item);
    if (const SimItem* old = Find(*dst)) delta -= ItemSize(*old);
    if (Outcome o = Room(*dst, delta); !o) return o;
    auto copy = Clone(*item);
    copy->created = copy->modified = copy->accessed = stamp;
    return Insert(*dst, std::move(copy), replace).Result();
}

Outcome SimFileSystem::Move(std::wstring_view from, std::wstring_view to, bool replace, std::uint64_t stamp) {
    const auto src = ParsePath(from);
    auto dst = ParsePath(to);
    if (!src || src->parts.empty()) return Fail(L"Bad name '" + std::wstring(from) + L"'");
    if (!dst) return Fail(L"Bad name '" + std::wstring(to) + L"'");
    SimItem* item = Find(*src);
    if (item == nullptr) return Fail(src->Text() + L" not found");
    if (Outcome o = Writable(*item, src->Text()); !o) return o;
    if (const SimItem* target = Find(*dst); target != nullptr && target->type == ItemType::Folder) dst->parts.push_back(item->name);
    if (dst->parts.empty()) return Fail(L"Bad name '" + std::wstring(to) + L"'");
    if (src->Text() == dst->Text()) return {};
    if (dst->Text().rfind(src->Text() + L"/", 0) == 0) return Fail(L"Cannot move a folder into itself");
    if (src->volume != dst->volume) {
        std::int64_t delta = ItemSize(*item);
        if (const SimItem* old = Find(*dst); old != nullptr && replace) delta -= ItemSize(*old);
        if (Outcome o = Room(*dst, delta); !o) return o;
    }
    const SimItem* folder = Parent(*dst);
    if (folder == nullptr) return Fail(L"No folder for " + dst->Text());
    if ((folder->attributes & attr::kSystem) || dst->volume == L"SYSTEM")
        return Fail(L"The folder of " + dst->Text() + L" belongs to the controller");
    if (const SimItem* old = Find(*dst)) {
        if (!replace) return Fail(dst->Text() + L" exists");
        if (old->type == ItemType::Folder || item->type == ItemType::Folder) return Fail(dst->Text() + L" is a folder");
        if (Outcome o = Writable(*old, dst->Text()); !o) return o;
    }
    // Everything that could refuse has been checked: the item cannot get lost between the two.
    auto detached = Detach(*src);
    detached->modified = stamp;
    (void)Insert(*dst, std::move(detached), true);
    m_events.pop_back();
    Touch(src->Text(), change::kRenamed);
    Touch(dst->Text(), change::kRenamed);
    return {};
}

Outcome SimFileSystem::Write(std::wstring_view path, std::span<const std::uint8_t> bytes, bool replace, std::uint64_t stamp) {
    const auto p = ParsePath(path);
    if (!p || p->parts.empty()) return Fail(L"Bad name '" + std::wstring(path) + L"'");
    SimItem* item = Find(*p);
    // Room for what the item will hold: a module's lines as UTF-8, not the bytes as given.
    SimItem sized;
    sized.type = item != nullptr ? item->type : TypeForName(p->parts.back());
    SetContentBytes(sized, bytes);
    std::int64_t delta = ItemSize(sized);
    if (item != nullptr) {
        if (item->type == ItemType::Folder) return Fail(p->Text() + L" is a folder");
        if (!replace) return Fail(p->Text() + L" exists");
        if (Outcome o = Writable(*item, p->Text()); !o) return o;
        delta -= ItemSize(*item);
    }
    if (Outcome o = Room(*p, delta); !o) return o;
    if (item == nullptr) {
        auto made = Insert(*p, SimItem::Make(p->parts.back(), TypeForName(p->parts.back()), stamp), false);
        if (!made) return made.Result();
        item = *made;
    } else {
        Touch(p->Text(), change::kWritten);
    }
    item->lines = std::move(sized.lines);
    item->bytes = std::move(sized.bytes);
    item->modified = item->accessed = stamp;
    item->analysedClean = false;
    return {};
}

Outcome SimFileSystem::Format(std::wstring_view volume, std::wstring_view label) {
    SimVolume* v = Volume(volume);
    if (v == nullptr) return Fail(L"No volume " + std::wstring(volume));
    if (v->name == L"SYSTEM") return Fail(L"Volume SYSTEM: belongs to the controller");
    if (label.size() > 32) return Fail(L"Volume label longer than 32 characters");
    v->root.children.clear();
    v->label = std::wstring(label);
    m_events.push_back({v->name, L"", change::kFormatted});
    return {};
}

Outcome SimFileSystem::SetLabel(std::wstring_view volume, std::wstring_view label) {
    SimVolume* v = Volume(volume);
    if (v == nullptr) return Fail(L"No volume " + std::wstring(volume));
    if (label.size() > 32) return Fail(L"Volume label longer than 32 characters");
    v->label = std::wstring(label);
    m_events.push_back({v->name, L"", change::kVolumeName});
    return {};
}

std::vector<std::wstring> SimFileSystem::Search(std::wstring_view name) const {
    std::vector<std::wstring> out;
    const std::wstring want = Upper(name);
    struct Walker {
        const std::wstring& want;
        std::vector<std::wstring>& out;
        void Walk(const SimItem& folder, const std::wstring& path) {
            for (const auto& [key, child] : folder.children) {
                const std::wstring full = path + L"/" + key;
                const auto dot = key.rfind(L'.');
                if (key == want || (child->type != ItemType::Folder && dot != std::wstring::npos && key.substr(0, dot) == want))
                    out.push_back(full);
                if (child->type == ItemType::Folder) Walk(*child, full);
            }
        }
    };
    for (const auto& v : m_volumes) Walker{want, out}.Walk(v->root, v->name + L":");
    return out;
}

}  // namespace vantel::link::sim
