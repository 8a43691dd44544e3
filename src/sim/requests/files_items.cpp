// The simulated controller's files, editor, file manager, motion and log: the jobs that work
// on SimFileSystem, SimLog and the robot position.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

#include "sim/controller.h"
#include "sim/model/state_file.h"
#include "platform/text.h"

namespace vantel::link::sim {
namespace {

// Number of the log record that says why a file-manager job failed.
constexpr std::uint32_t kLogRefused = 1300;
constexpr std::uint32_t kMsgMotion = 1320;
constexpr std::size_t kMaxOpenCode = 32;
constexpr std::size_t kMaxUserAttributes = 32;
constexpr std::size_t kMaxUser = 32;
constexpr int kMotionSteps = 4;
constexpr double kJogStep = 1.0;  // degrees per jog step at $OV_JOG 100

std::wstring CallName(CallId id) {
    const auto n = kCallNames[static_cast<std::size_t>(id)];
    return std::wstring(n.begin(), n.end());
}

bool Contains(const std::wstring& option, wchar_t letter) { return Upper(option).find(letter) != std::wstring::npos; }

// '*' any run, '?' one character; case-blind.
bool Matches(std::wstring_view name, std::wstring_view pattern) {
    std::size_t n = 0, p = 0, star = std::wstring_view::npos, mark = 0;
    const auto eq = [](wchar_t a, wchar_t b) { return Upper(std::wstring_view(&a, 1)) == Upper(std::wstring_view(&b, 1)); };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || (pattern[p] != L'*' && eq(pattern[p], name[n])))) {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            star = p++;
            mark = n;
        } else if (star != std::wstring_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

std::wstring DateText(std::uint64_t ticks) {
    const std::time_t t = static_cast<std::time_t>((static_cast<std::int64_t>(ticks) - static_cast<std::int64_t>(CFileTime::kUnixEpochTicks)) / 10'000'000);
    std::tm tm{};
    localtime_r(&t, &tm);
    wchar_t buf[32];
    std::wcsftime(buf, 32, L"%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::wstring Trim(std::wstring_view s) {
    const auto b = s.find_first_not_of(L" \t");
    if (b == std::wstring_view::npos) return {};
    const auto e = s.find_last_not_of(L" \t");
    return std::wstring(s.substr(b, e - b + 1));
}

std::wstring Number(double v) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%.1f", std::abs(v) < 0.05 ? 0.0 : v);
    return buf;
}

// "{X 10, Y 20}" or "X 10 Y 20": the components named, in X Y Z A B C order; false for text
// that is neither a frame nor empty of components.
bool ParseFrame(std::wstring_view text, std::array<std::optional<double>, 6>& out) {
    static const std::wstring names = L"XYZABC";
    std::wstring t;
    for (wchar_t c : text) t += (c == L'{' || c == L'}' || c == L',') ? L' ' : c;
    std::size_t i = 0;
    bool any = false;
    while (true) {
        while (i < t.size() && t[i] == L' ') ++i;
        if (i >= t.size()) break;
        const auto axis = names.find(Upper(std::wstring_view(&t[i], 1))[0]);
        if (axis == std::wstring::npos || i + 1 >= t.size() || t[i + 1] != L' ') return false;
        i += 1;
        while (i < t.size() && t[i] == L' ') ++i;
        std::size_t j = i;
        while (j < t.size() && t[j] != L' ') ++j;
        const std::wstring num = t.substr(i, j - i);
        wchar_t* end = nullptr;
        const double v = std::wcstod(num.c_str(), &end);
        if (num.empty() || end == nullptr || *end != L'\0' || !std::isfinite(v) || std::abs(v) > 100000) return false;
        out[axis] = v;
        any = true;
        i = j;
    }
    return any;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Shared

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
            if (SimItem* item = m_fs.Find(ev.path); item != nullptr && item->IsText()) Analyse(ev.path, *item);
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

std::wstring SimController::InUse(const std::wstring& full) const {
    const auto within = [&](const std::wstring& path) { return path == full || path.rfind(full + L"/", 0) == 0; };
    for (const auto& [handle, code] : m_code) {
        if (within(code.path)) return code.path + L" is open";
    }
    if (const std::wstring selected = SelectedModule(); !selected.empty() && within(selected))
        return selected + L" is the selected program";
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

std::optional<std::wstring> SimController::Analyse(const std::wstring& full, SimItem& item) {
    if (!item.IsText()) return std::wstring(full + L" holds no code");
    auto errors = sim::Analyse(item.lines, item.type == ItemType::Data ? CodeKind::Data : CodeKind::Code);
    const bool clean = errors.empty();
    // The outcome as a user sees it: not analysed since the last edit, clean, or with errors.
    const int before = m_errors.count(full) ? 2 : item.analysedClean ? 1 : 0;
    if (clean) m_errors.erase(full);
    else m_errors[full] = std::move(errors);
    item.analysedClean = clean;
    if (!clean) item.attributes &= ~attr::kLinked;
    if (before != (clean ? 1 : 2)) m_fs.Touch(full, change::kAnalysed);
    if (clean) return std::nullopt;
    const CodeError& first = m_errors[full].front();
    return full + L": " + std::to_wstring(m_errors[full].size()) + L" error(s), first in line " + std::to_wstring(first.line) +
           L": " + first.text;
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

// ---------------------------------------------------------------------------------------
// "Datei": files

void SimController::CompleteFiles(Job& job) {
    const std::int16_t h = job.handle;
    const auto fail = [&](const std::wstring& why) { Refuse(h, job.call, why); };
    switch (job.call) {
        case CallId::Dir: {
            const auto p = ParsePath(Arg<CallId::Dir, 0>(job).empty() ? L"USER:/" : Arg<CallId::Dir, 0>(job));
            if (!p || m_fs.Find(*p) == nullptr) return fail(L"No folder '" + Arg<CallId::Dir, 0>(job) + L"'");
            return FinishWith(h, {ListDir(Arg<CallId::Dir, 0>(job), Arg<CallId::Dir, 1>(job))});
        }
        case CallId::DownLoad: {
            // Host file -> controller; option "N" keeps an existing item.
            std::vector<std::uint8_t> bytes;
            std::string why;
            if (!m_host.Read(Arg<CallId::DownLoad, 0>(job), bytes, why)) return fail(L"Host file '" + Arg<CallId::DownLoad, 0>(job) + L"': " + TextFromBytes(why));
            std::wstring target = Arg<CallId::DownLoad, 1>(job);
            std::wstring base = Arg<CallId::DownLoad, 0>(job);
            base = base.substr(base.find_last_of(L"/\\") == std::wstring::npos ? 0 : base.find_last_of(L"/\\") + 1);
            if (target.empty()) target = L"USER:/" + base;
            else if (const SimItem* t = m_fs.Find(target); t != nullptr && t->type == ItemType::Folder) target += L"/" + base;
            if (!m_fs.Write(target, bytes, !Contains(Arg<CallId::DownLoad, 2>(job), L'N'), Stamp())) return fail(m_fs.Why());
            return Finish(h, 1);
        }
        case CallId::UpLoad: {
            // Controller -> host file; option "N" keeps an existing host file.
            std::wstring full;
            const SimItem* item = m_fs.Find(Arg<CallId::UpLoad, 0>(job));
            if (item == nullptr) item = Module(Arg<CallId::UpLoad, 0>(job), full);
            if (item == nullptr || item->type == ItemType::Folder) return fail(L"No file '" + Arg<CallId::UpLoad, 0>(job) + L"'");
            std::wstring target = Arg<CallId::UpLoad, 1>(job);
            if (target.empty() || target.back() == L'/' || target.back() == L'\\') target += item->name;
            std::string why;
            if (!m_host.Write(target, ContentBytes(*item), !Contains(Arg<CallId::UpLoad, 2>(job), L'N'), why))
                return fail(L"Host file '" + target + L"': " + TextFromBytes(why));
            return Finish(h, 1);
        }
        case CallId::Copy:
            if (!m_fs.Copy(Arg<CallId::Copy, 0>(job), Arg<CallId::Copy, 1>(job), !Contains(Arg<CallId::Copy, 2>(job), L'N'), Stamp())) return fail(m_fs.Why());
            return Finish(h, 1);
        case CallId::Delete: {
            // Option "R" takes a folder with everything in it.
            const auto p = ParsePath(Arg<CallId::Delete, 0>(job));
            if (p && !p->parts.empty()) {
                if (const std::wstring busy = InUse(p->Text()); !busy.empty()) return fail(busy);
            }
            if (!m_fs.Destroy(Arg<CallId::Delete, 0>(job), Contains(Arg<CallId::Delete, 1>(job), L'R'))) return fail(m_fs.Why());
            return Finish(h, 1);
        }
        case CallId::ChangeAccess:
        case CallId::ChangeUser:
        case CallId::ChangeComment: {
            const auto p = ParsePath(Arg<CallId::ChangeAccess, 0>(job));
            SimItem* item = p && !p->parts.empty() ? m_fs.Find(*p) : nullptr;
            if (item == nullptr) return fail(L"No item '" + Arg<CallId::ChangeAccess, 0>(job) + L"'");
            if (item->attributes & attr::kSystem) return fail(p->Text() + L" belongs to the controller");
            if (job.call == CallId::ChangeAccess) {
                const std::wstring access = Upper(Arg<CallId::ChangeAccess, 1>(job));
                if (access == L"R") item->attributes |= attr::kReadOnly;
                else if (access == L"RW" || access == L"W") item->attributes &= ~attr::kReadOnly;
                else return fail(L"Access is R or RW, not '" + Arg<CallId::ChangeAccess, 1>(job) + L"'");
            } else if (job.call == CallId::ChangeUser) {
                if (Arg<CallId::ChangeAccess, 1>(job).size() > kMaxUser) return fail(L"User name longer than 32 characters");
                item->user = Arg<CallId::ChangeAccess, 1>(job);
            } else {
                if (Arg<CallId::ChangeAccess, 1>(job).size() > kMaxText) return fail(L"Comment longer than 256 characters");
                item->comment = Arg<CallId::ChangeAccess, 1>(job);
            }
            m_fs.Touch(p->Text(), change::kProperties);
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

// ---------------------------------------------------------------------------------------
// "Editor": the controller's editor and the one-shot OC edits

SimItem* SimController::EditableModule(const std::wstring& name, std::int64_t part, std::wstring& full, std::wstring& why) {
    // Part 0 is the code, 1 the data list.
    std::wstring path = name;
    if (part == 1 && TypeForName(path) == ItemType::File) path += L".DAT";
    SimItem* item = Module(path, full);
    if (item == nullptr || !item->IsText()) why = L"No module '" + name + L"'";
    else if (!m_fs.Writable(*item, full)) why = m_fs.Why();
    else if (OpenForEdit(full)) why = full + L" is open for editing";
    else return item;
    return nullptr;
}

void SimController::CompleteEditor(Job& job) {
    const std::int16_t h = job.handle;
    const auto fail = [&](const std::wstring& why) { Refuse(h, job.call, why); };
    const auto redeclare = [](std::vector<std::wstring>& lines, const std::wstring& text) {
        // "NAME ( params )", "( params )" or just the parameters.
        const auto open = text.find(L'(');
        if (open == std::wstring::npos) return Redeclare(lines, L"", std::wstring_view(text));
        const auto close = text.rfind(L')');
        if (close == std::wstring::npos || close < open) return false;
        const std::wstring name = Trim(std::wstring_view(text).substr(0, open));
        return Redeclare(lines, name, std::wstring_view(text).substr(open + 1, close - open - 1));
    };

    switch (job.call) {
        case CallId::OCEditInsert:
        case CallId::OCEditInsertBlock:
        case CallId::OCEditChange:
        case CallId::OCEditRedecl:
        case CallId::OCEditDelete:
        case CallId::OCEditDeleteBlock: {
            // The module is opened, edited and saved in one.
            std::wstring full, why;
            SimItem* item = EditableModule(Arg<CallId::OCEditInsert, 1>(job), Arg<CallId::OCEditInsert, 0>(job), full, why);
            if (item == nullptr) return fail(why);
            auto& lines = item->lines;
            const auto size = static_cast<std::int64_t>(lines.size());
            const std::int64_t line = job.call == CallId::OCEditRedecl ? 0 : Arg<CallId::OCEditInsert, 2>(job);
            std::uint32_t mask = change::kChanged;
            switch (job.call) {
                case CallId::OCEditInsert:
                case CallId::OCEditInsertBlock: {
                    if (line < 0 || line > size + 1) return fail(L"No line " + std::to_wstring(line) + L" in " + full);
                    const std::size_t at = line == 0 ? lines.size() : static_cast<std::size_t>(line - 1);
                    if (job.call == CallId::OCEditInsert) {
                        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), Arg<CallId::OCEditInsert, 3>(job));
                    } else {
                        const StringArray& block = Arg<CallId::OCEditInsertBlock, 3>(job);
                        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
                    }
                    mask = change::kInserted;
                    break;
                }
                case CallId::OCEditChange:
                    if (line < 1 || line > size) return fail(L"No line " + std::to_wstring(line) + L" in " + full);
                    lines[static_cast<std::size_t>(line - 1)] = Arg<CallId::OCEditChange, 3>(job);
                    break;
                case CallId::OCEditRedecl:
                    if (!redeclare(lines, Arg<CallId::OCEditRedecl, 2>(job))) return fail(L"Cannot redeclare " + full + L" as '" + Arg<CallId::OCEditRedecl, 2>(job) + L"'");
                    break;
                case CallId::OCEditDelete:
                case CallId::OCEditDeleteBlock: {
                    const std::int64_t count = job.call == CallId::OCEditDelete ? 1 : Arg<CallId::OCEditDeleteBlock, 3>(job);
                    if (line < 1 || count < 1 || line + count - 1 > size)
                        return fail(L"No lines " + std::to_wstring(line) + L".." + std::to_wstring(line + count - 1) + L" in " + full);
                    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line - 1),
                                lines.begin() + static_cast<std::ptrdiff_t>(line - 1 + count));
                    mask = change::kDeleted;
                    break;
                }
                default: break;
            }
            item->modified = item->accessed = Stamp();
            item->analysedClean = false;
            m_fs.Touch(full, mask);
            return Finish(h, 1);
        }
        case CallId::EditOpen: {
            if (m_editor != 0 && Code(m_editor) != nullptr) return fail(L"The editor holds " + m_code[m_editor].path + L": close it first");
            std::wstring full, why;
            SimItem* item = EditableModule(Arg<CallId::EditOpen, 1>(job), Arg<CallId::EditOpen, 0>(job), full, why);
            if (item == nullptr) return fail(why);
            if (m_code.size() >= kMaxOpenCode) return fail(L"Too many modules open");
            m_nextCode = m_nextCode >= INT32_MAX ? 1 : m_nextCode + 1;
            m_code[m_nextCode] = {full, true, item->lines, 0};
            m_editor = m_nextCode;
            m_descrMode = false;
            m_fs.Touch(full, change::kOpened);
            return Finish(h, 1);
        }
        default: break;
    }

    // The rest work on the module in the editor.
    OpenCode* code = m_editor != 0 ? Code(m_editor) : nullptr;
    if (code == nullptr && job.call != CallId::EditAnalyse) return fail(L"The editor holds no module: open one first");
    SimItem* item = code != nullptr ? m_fs.Find(code->path) : nullptr;
    const auto lineOf = [&](std::int64_t line) -> std::optional<std::size_t> {
        if (item == nullptr || line < 1 || line > static_cast<std::int64_t>(item->lines.size())) return std::nullopt;
        return static_cast<std::size_t>(line - 1);
    };
    switch (job.call) {
        case CallId::EditClose: {
            // 0 keeps the changes; any other number throws them away.
            if (Arg<CallId::EditClose, 0>(job) != 0 && item->lines != code->original) {
                item->lines = code->original;
                EditLines(*code, change::kWritten);
            }
            m_fs.Touch(code->path, change::kOpened);
            m_code.erase(m_editor);
            m_editor = 0;
            return Finish(h, 1);
        }
        case CallId::EditInsert: {
            // Before the line given; 0 or one past the end appends.
            const std::int64_t line = Arg<CallId::EditInsert, 0>(job);
            if (line < 0 || line > static_cast<std::int64_t>(item->lines.size()) + 1) return fail(L"No line " + std::to_wstring(line));
            const std::size_t at = line == 0 ? item->lines.size() : static_cast<std::size_t>(line - 1);
            item->lines.insert(item->lines.begin() + static_cast<std::ptrdiff_t>(at), Arg<CallId::EditInsert, 1>(job));
            EditLines(*code, change::kInserted);
            return Finish(h, 1);
        }
        case CallId::EditChange: {
            const auto at = lineOf(Arg<CallId::EditChange, 0>(job));
            if (!at) return fail(L"No line " + std::to_wstring(Arg<CallId::EditChange, 0>(job)));
            item->lines[*at] = Arg<CallId::EditChange, 1>(job);
            EditLines(*code, change::kChanged);
            return Finish(h, 1);
        }
        case CallId::EditDelete: {
            const auto at = lineOf(Arg<CallId::EditDelete, 0>(job));
            if (!at) return fail(L"No line " + std::to_wstring(Arg<CallId::EditDelete, 0>(job)));
            item->lines.erase(item->lines.begin() + static_cast<std::ptrdiff_t>(*at));
            EditLines(*code, change::kDeleted);
            return Finish(h, 1);
        }
        case CallId::EditRedecl:
            if (!redeclare(item->lines, Arg<CallId::EditRedecl, 0>(job))) return fail(L"Cannot redeclare as '" + Arg<CallId::EditRedecl, 0>(job) + L"'");
            EditLines(*code, change::kChanged);
            return Finish(h, 1);
        case CallId::EditPrint: {
            // 0 prints the whole module; in description mode only the declaration, block
            // heads and comments.
            if (Arg<CallId::EditPrint, 0>(job) != 0) {
                const auto at = lineOf(Arg<CallId::EditPrint, 0>(job));
                if (!at) return fail(L"No line " + std::to_wstring(Arg<CallId::EditPrint, 0>(job)));
                return FinishWith(h, {item->lines[*at]});
            }
            std::wstring text;
            for (std::size_t i = 0; i < item->lines.size(); ++i) {
                const std::wstring& l = item->lines[i];
                if (m_descrMode) {
                    const std::wstring t = Upper(Trim(l));
                    const bool keep = t.starts_with(L";") || t.starts_with(L"DEF") || t.starts_with(L"END") || t.starts_with(L"IF ") ||
                                      t.starts_with(L"LOOP") || t.starts_with(L"FOR ") || t.starts_with(L"WHILE ");
                    if (!keep) continue;
                }
                if (!text.empty()) text += L"\n";
                text += std::to_wstring(i + 1) + L" " + l;
            }
            return FinishWith(h, {text});
        }
        case CallId::EditDescrMode:
            if (Arg<CallId::EditDescrMode, 0>(job) != 0 && Arg<CallId::EditDescrMode, 0>(job) != 1) return fail(L"Description mode is 0 or 1");
            m_descrMode = Arg<CallId::EditDescrMode, 0>(job) == 1;
            return Finish(h, 1);
        case CallId::EditAnalyse: {
            // A module name, or the editor's module when empty.
            std::wstring full;
            SimItem* target = Arg<CallId::EditAnalyse, 0>(job).empty() ? item : Module(Arg<CallId::EditAnalyse, 0>(job), full);
            if (Arg<CallId::EditAnalyse, 0>(job).empty() && code != nullptr) full = code->path;
            if (target == nullptr) return fail(Arg<CallId::EditAnalyse, 0>(job).empty() ? L"The editor holds no module" : L"No module '" + Arg<CallId::EditAnalyse, 0>(job) + L"'");
            if (auto why = Analyse(full, *target)) return fail(*why);
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

// ---------------------------------------------------------------------------------------
// "FileManager": volumes, names, items, item execution

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

void SimController::CompleteItems(Job& job) {
    const std::int16_t h = job.handle;
    const auto fail = [&](const std::wstring& why) { Refuse(h, job.call, why); };
    const auto find = [&](const std::wstring& path, std::wstring& full) -> SimItem* {
        if (const auto p = ParsePath(path); p && !path.empty()) {
            if (SimItem* item = m_fs.Find(*p)) {
                full = p->Text();
                return item;
            }
        }
        return Module(path, full);
    };

    switch (job.call) {
        case CallId::GetActiveModule:
            if (!Arg<CallId::GetActiveModule, 0>(job).empty() && Upper(Arg<CallId::GetActiveModule, 0>(job)) != L"ARM_1") return fail(L"No robot '" + Arg<CallId::GetActiveModule, 0>(job) + L"'");
            return FinishWith(h, {ActiveModule()});
        case CallId::VolumeGetProp: {
            const SimVolume* v = m_fs.Volume(Arg<CallId::VolumeGetProp, 0>(job));
            if (v == nullptr) return fail(L"No volume '" + Arg<CallId::VolumeGetProp, 0>(job) + L"'");
            const std::int64_t used = m_fs.Used(*v);
            return FinishWith(h, {v->label, std::int64_t{v->type}, v->capacity, used, v->capacity - used});
        }
        case CallId::VolumeSetName:
            if (!m_fs.SetLabel(Arg<CallId::VolumeSetName, 0>(job), Arg<CallId::VolumeSetName, 1>(job))) return fail(m_fs.Why());
            return Finish(h, 1);
        case CallId::VolumeFormat: {
            const SimVolume* v = m_fs.Volume(Arg<CallId::VolumeFormat, 0>(job));
            if (v == nullptr) return fail(L"No volume '" + Arg<CallId::VolumeFormat, 0>(job) + L"'");
            const std::wstring prefix = v->name + L":/";
            for (const auto& [ch, c] : m_code) {
                if (c.path.rfind(prefix, 0) == 0) return fail(c.path + L" is open");
            }
            if (SelectedModule().rfind(prefix, 0) == 0) return fail(SelectedModule() + L" is the selected program");
            // Both kinds of format clear the volume here; the flag (quick) only saves time on
            // a real controller.
            if (!m_fs.Format(Arg<CallId::VolumeFormat, 0>(job), Arg<CallId::VolumeFormat, 1>(job))) return fail(m_fs.Why());
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
            if (find(Arg<CallId::GetFullName, 0>(job), full) == nullptr) {
                const auto hits = m_fs.Search(Arg<CallId::GetFullName, 0>(job));
                if (hits.empty() || Arg<CallId::GetFullName, 0>(job).empty()) return fail(L"No item '" + Arg<CallId::GetFullName, 0>(job) + L"'");
                full = hits.front();
            }
            return FinishWith(h, {full});
        }
        case CallId::GetVDXName: return FinishWith(h, {std::wstring(L"CELL_07")});

        case CallId::ItemGetProp: {
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemGetProp, 0>(job), full);
            if (item == nullptr) return fail(L"No item '" + Arg<CallId::ItemGetProp, 0>(job) + L"'");
            const std::int64_t mode = OpenMode(full);
            return FinishWith(h, {std::int64_t{static_cast<std::int32_t>(item->type)}, full, std::int64_t{item->attributes},
                                  ItemSize(*item), Stamped{item->created}, Stamped{item->modified}, Stamped{item->accessed},
                                  mode});
        }
        case CallId::ItemGetCRC: {
            // Flag 1: for a module, code and data list together.
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemGetCRC, 0>(job), full);
            if (item == nullptr || item->type == ItemType::Folder) return fail(L"No file '" + Arg<CallId::ItemGetCRC, 0>(job) + L"'");
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
            if (find(Arg<CallId::ItemSetName, 0>(job), full) == nullptr) return fail(L"No item '" + Arg<CallId::ItemSetName, 0>(job) + L"'");
            if (const std::wstring busy = InUse(full); !busy.empty()) return fail(busy);
            if (!m_fs.Rename(full, Arg<CallId::ItemSetName, 1>(job), Stamp())) return fail(m_fs.Why());
            return Finish(h, 1);
        }
        case CallId::ItemSetAttribute: {
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemSetAttribute, 0>(job), full);
            if (item == nullptr) return fail(L"No item '" + Arg<CallId::ItemSetAttribute, 0>(job) + L"'");
            const auto mask = Arg<CallId::ItemSetAttribute, 1>(job);
            if (item->attributes & attr::kSystem) return fail(full + L" belongs to the controller");
            if (mask & ~attr::kSettable) return fail(L"Attribute bits 0x4 and 0x8 are the controller's");
            item->attributes = (item->attributes & ~mask) | (Arg<CallId::ItemSetAttribute, 2>(job) & mask);
            m_fs.Touch(full, change::kProperties);
            return Finish(h, 1);
        }
        case CallId::ItemNameList: {
            // Type mask: bit 1 << type (0 = every type); flag 1 lists everything below, with
            // paths relative to the folder. Folders end with '/'.
            const auto p = ParsePath(Arg<CallId::ItemNameList, 0>(job).empty() ? L"USER:/" : Arg<CallId::ItemNameList, 0>(job));
            const SimItem* folder = p ? m_fs.Find(*p) : nullptr;
            if (folder == nullptr || folder->type != ItemType::Folder) return fail(L"No folder '" + Arg<CallId::ItemNameList, 0>(job) + L"'");
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
        case CallId::ItemCreate: {
            // (folder, name, type, part, comment, flags): a module (type 1) of part 0 gets code
            // and data list, part 1 code only, part 2 the data list only; flag 1 replaces.
            const auto type = static_cast<std::int32_t>(Arg<CallId::ItemCreate, 2>(job));
            const auto part = Arg<CallId::ItemCreate, 3>(job);
            if (type < 0 || type > 3) return fail(L"Item type is 0 (folder) to 3 (file)");
            if (part < 0 || part > 2) return fail(L"Module part is 0 (both), 1 (code) or 2 (data)");
            std::wstring name = Arg<CallId::ItemCreate, 1>(job);
            const bool replace = (Arg<CallId::ItemCreate, 5>(job) & 1) != 0;
            const std::wstring base = Arg<CallId::ItemCreate, 0>(job) + L"/" + name;
            const auto p = ParsePath(base);
            if (!p || p->parts.empty() || name.empty() || name.find_first_of(L"/\\:") != std::wstring::npos ||
                name.front() == L'.')
                return fail(L"Bad name '" + name + L"'");
            const std::wstring decl = Upper(p->parts.back());
            const auto make = [&](const std::wstring& path, ItemType t, std::vector<std::wstring> lines) {
                const auto target = ParsePath(path);
                if (!target || !m_fs.Room(*target, 64)) return false;
                SimItem* item = m_fs.Create(path, t, Stamp(), replace);
                if (item == nullptr) return false;
                item->lines = std::move(lines);
                item->comment = Arg<CallId::ItemCreate, 4>(job).substr(0, kMaxText);
                item->user = L"operator";
                item->analysedClean = t != ItemType::Folder && t != ItemType::File;
                return true;
            };
            bool ok = true;
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
                        if (m_fs.Find(path + ext) != nullptr) return fail(ParsePath(path + ext)->Text() + L" exists");
                    }
                }
                if (code) ok = make(path + L".SRC", ItemType::Module, {L"DEF " + stem + L" ( )", L"END"});
                if (ok && data) ok = make(path + L".DAT", ItemType::Data, {L"DEFDAT " + stem, L"ENDDAT"});
            } else {
                ok = make(base, static_cast<ItemType>(type), {});
            }
            if (!ok) return fail(m_fs.Why());
            return Finish(h, 1);
        }
        case CallId::ItemDestroy: {
            // A module name without extension takes both parts; flag 1 takes a full folder.
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemDestroy, 0>(job), full);
            if (item == nullptr) return fail(L"No item '" + Arg<CallId::ItemDestroy, 0>(job) + L"'");
            std::vector<std::wstring> doomed{full};
            if (TypeForName(Arg<CallId::ItemDestroy, 0>(job)) == ItemType::File && item->type == ItemType::Module) {
                const std::wstring data = full.substr(0, full.size() - 4) + L".DAT";
                if (m_fs.Find(data) != nullptr) doomed.push_back(data);
            }
            for (const auto& d : doomed) {
                if (const std::wstring busy = InUse(d); !busy.empty()) return fail(busy);
            }
            for (const auto& d : doomed) {
                if (!m_fs.Destroy(d, (Arg<CallId::ItemDestroy, 1>(job) & 1) != 0)) return fail(m_fs.Why());
                m_errors.erase(d);
            }
            return Finish(h, 1);
        }
        case CallId::ItemCopy:
        case CallId::ItemMove: {
            std::wstring full;
            if (find(Arg<CallId::ItemCopy, 0>(job), full) == nullptr) return fail(L"No item '" + Arg<CallId::ItemCopy, 0>(job) + L"'");
            const bool replace = (Arg<CallId::ItemCopy, 2>(job) & 1) != 0;
            if (job.call == CallId::ItemMove) {
                if (const std::wstring busy = InUse(full); !busy.empty()) return fail(busy);
            }
            const bool ok = job.call == CallId::ItemCopy ? m_fs.Copy(full, Arg<CallId::ItemCopy, 1>(job), replace, Stamp()) : m_fs.Move(full, Arg<CallId::ItemCopy, 1>(job), replace, Stamp());
            if (!ok) return fail(m_fs.Why());
            return Finish(h, 1);
        }
        case CallId::ItemCopySrcMem:
            // The bytes as given; a module's lines end with a zero byte or a line feed.
            if (!m_fs.Write(Arg<CallId::ItemCopySrcMem, 1>(job), Arg<CallId::ItemCopySrcMem, 0>(job), (Arg<CallId::ItemCopySrcMem, 2>(job) & 1) != 0, Stamp())) return fail(m_fs.Why());
            return Finish(h, 1);
        case CallId::ItemCopyDestMem: {
            std::wstring full;
            SimItem* item = find(Arg<CallId::ItemCopyDestMem, 0>(job), full);
            if (item == nullptr || item->type == ItemType::Folder) return fail(L"No file '" + Arg<CallId::ItemCopyDestMem, 0>(job) + L"'");
            item->accessed = Stamp();
            return FinishWith(h, {MemoryBytes(*item)});
        }
        case CallId::ItemCompare: {
            std::wstring fa, fb;
            const SimItem* a = find(Arg<CallId::ItemCompare, 0>(job), fa);
            const SimItem* b = find(Arg<CallId::ItemCompare, 1>(job), fb);
            if (a == nullptr || a->type == ItemType::Folder) return fail(L"No file '" + Arg<CallId::ItemCompare, 0>(job) + L"'");
            if (b == nullptr || b->type == ItemType::Folder) return fail(L"No file '" + Arg<CallId::ItemCompare, 1>(job) + L"'");
            const auto ba = ContentBytes(*a), bb = ContentBytes(*b);
            const std::int64_t order = ba == bb ? 0 : (std::lexicographical_compare(ba.begin(), ba.end(), bb.begin(), bb.end()) ? -1 : 1);
            return FinishWith(h, {order});
        }
        default: break;
    }

    // Item execution: a module runs as the selected program.
    const std::wstring target = Arg<CallId::ItemCompare, 0>(job);
    std::wstring full;
    SimItem* item = job.call == CallId::AnalyseMode ? nullptr : find(target, full);
    const auto selectedOnly = [&]() -> bool {
        if (!target.empty() && (item == nullptr || full != SelectedModule())) {
            fail(L"'" + target + L"' is not the selected module");
            return false;
        }
        if (SelectedModule().empty()) {
            fail(L"No module selected");
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
            if (item == nullptr || !item->IsText()) return fail(L"No module '" + target + L"'");
            if (auto why = Analyse(full, *item)) return fail(*why);
            return Finish(h, 1);
        case CallId::ItemLink:
        case CallId::ItemUnlink: {
            if (item == nullptr || item->type != ItemType::Module) return fail(L"No module '" + target + L"'");
            if (job.call == CallId::ItemUnlink) {
                if (!(item->attributes & attr::kLinked)) return fail(full + L" is not linked");
                item->attributes &= ~attr::kLinked;
                m_fs.Touch(full, change::kAnalysed);
                return Finish(h, 1);
            }
            if (auto why = Analyse(full, *item)) return fail(*why);
            // Every module it calls must exist.
            for (const auto& dep : Dependencies(item->lines)) {
                std::wstring depFull;
                if (Module(dep, depFull) == nullptr) {
                    m_errors[full].push_back({0, 0, 2100, L"module " + dep + L" not found"});
                    return fail(full + L" calls " + dep + L", which is not found");
                }
            }
            item->attributes |= attr::kLinked;
            m_fs.Touch(full, change::kAnalysed);
            return Finish(h, 1);
        }
        case CallId::ItemSelect:
        case CallId::ItemRun: {
            if (item == nullptr || item->type != ItemType::Module) return fail(L"No module '" + target + L"'");
            if (auto why = Analyse(full, *item)) return fail(*why);
            if (m_program.State() == ProgState::Active) return fail(L"Program " + m_program.Name() + L" is running: stop it first");
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
            if (m_program.State() != ProgState::Active) return fail(L"Program " + m_program.Name() + L" is not running");
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

// ---------------------------------------------------------------------------------------
// "ModuleCode"

void SimController::CompleteModuleCode(Job& job) {
    const std::int16_t h = job.handle;
    const auto fail = [&](const std::wstring& why) { Refuse(h, job.call, why); };

    if (job.call == CallId::ModuleCodeOpen) {
        // (module, flags, edit mode, -, -): flag 1 opens the data list; mode 2 opens to view,
        // anything else to edit. The two texts say who opens it; the simulator keeps nothing of them.
        std::wstring name = Arg<CallId::ModuleCodeOpen, 0>(job);
        if ((Arg<CallId::ModuleCodeOpen, 1>(job) & 1) && TypeForName(name) == ItemType::File) name += L".DAT";
        std::wstring full;
        SimItem* item = Module(name, full);
        if (item == nullptr || !item->IsText()) return fail(L"No module '" + Arg<CallId::ModuleCodeOpen, 0>(job) + L"'");
        const bool edit = Arg<CallId::ModuleCodeOpen, 2>(job) != 2;
        if (edit && !m_fs.Writable(*item, full)) return fail(m_fs.Why());
        if (edit && OpenForEdit(full)) return fail(full + L" is open for editing");
        if (m_code.size() >= kMaxOpenCode) return fail(L"Too many modules open");
        m_nextCode = m_nextCode >= INT32_MAX ? 1 : m_nextCode + 1;
        m_code[m_nextCode] = {full, edit, edit ? item->lines : std::vector<std::wstring>{}, 0};
        item->accessed = Stamp();
        m_fs.Touch(full, change::kOpened);
        return FinishWith(h, {std::int64_t{m_nextCode}});
    }

    // Every other call of the family starts with the module code handle.
    const std::int32_t handle = Arg<CallId::ModuleCodeGetProp, 0>(job);
    OpenCode* code = Code(handle);
    if (code == nullptr || m_code.find(handle)->first == m_editor) return fail(L"No module open under " + std::to_wstring(handle));
    SimItem* item = m_fs.Find(code->path);
    auto& lines = item->lines;
    const auto size = static_cast<std::int64_t>(lines.size());
    const auto editable = [&]() {
        if (code->edit) return true;
        fail(code->path + L" is open to view only");
        return false;
    };
    const auto range = [&](std::int64_t first, std::int64_t count) -> bool {
        if (first < 1 || first > size || count < 1 || first + count - 1 > size) {
            fail(L"No lines " + std::to_wstring(first) + L".." + std::to_wstring(first + count - 1) + L" in " + code->path);
            return false;
        }
        return true;
    };
    const auto at = [&](std::int64_t line) { return lines.begin() + static_cast<std::ptrdiff_t>(line - 1); };

    switch (job.call) {
        case CallId::ModuleCodeGetProp:
            // Code type 1: code, 2: data list.
            return FinishWith(h, {size, std::int64_t{item->type == ItemType::Data ? 2 : 1}});
        case CallId::ModuleCodeClose: {
            // Save flag 0 throws the changes away.
            if (code->edit && Arg<CallId::ModuleCodeClose, 1>(job) == 0 && lines != code->original) {
                lines = code->original;
                EditLines(*code, change::kWritten);
            }
            m_fs.Touch(code->path, change::kOpened);
            m_code.erase(Arg<CallId::ModuleCodeClose, 0>(job));
            return Finish(h, 1);
        }
        case CallId::ModuleCodeGetLines: {
            // From the first line given (below 1: line 1), count lines (0 or less: to the end).
            const std::int64_t first = std::max<std::int64_t>(1, Arg<CallId::ModuleCodeGetLines, 1>(job));
            if (first > size + 1) return fail(L"No line " + std::to_wstring(first) + L" in " + code->path);
            const std::int64_t last = Arg<CallId::ModuleCodeGetLines, 2>(job) <= 0 ? size : std::min(size, first + Arg<CallId::ModuleCodeGetLines, 2>(job) - 1);
            StringArray out(at(first), at(last + 1));
            item->accessed = Stamp();
            return FinishWith(h, {std::move(out)});
        }
        case CallId::ModuleCodeInsertLines: {
            // Before the line given; 0 or past the end appends.
            if (!editable()) return;
            const StringArray& add = Arg<CallId::ModuleCodeInsertLines, 2>(job);
            const std::int64_t before = Arg<CallId::ModuleCodeInsertLines, 1>(job) < 1 || Arg<CallId::ModuleCodeInsertLines, 1>(job) > size ? size + 1 : Arg<CallId::ModuleCodeInsertLines, 1>(job);
            lines.insert(at(before), add.begin(), add.end());
            EditLines(*code, change::kInserted);
            return Finish(h, 1);
        }
        case CallId::ModuleCodeDeleteLines:
            if (!editable() || !range(Arg<CallId::ModuleCodeDeleteLines, 1>(job), Arg<CallId::ModuleCodeDeleteLines, 2>(job))) return;
            lines.erase(at(Arg<CallId::ModuleCodeDeleteLines, 1>(job)), at(Arg<CallId::ModuleCodeDeleteLines, 1>(job) + Arg<CallId::ModuleCodeDeleteLines, 2>(job)));
            EditLines(*code, change::kDeleted);
            return Finish(h, 1);
        case CallId::ModuleCodeReplaceLines: {
            // The lines replaced come back.
            if (!editable() || !range(Arg<CallId::ModuleCodeReplaceLines, 1>(job), Arg<CallId::ModuleCodeReplaceLines, 2>(job))) return;
            StringArray old(at(Arg<CallId::ModuleCodeReplaceLines, 1>(job)), at(Arg<CallId::ModuleCodeReplaceLines, 1>(job) + Arg<CallId::ModuleCodeReplaceLines, 2>(job)));
            const StringArray& add = Arg<CallId::ModuleCodeReplaceLines, 3>(job);
            lines.erase(at(Arg<CallId::ModuleCodeReplaceLines, 1>(job)), at(Arg<CallId::ModuleCodeReplaceLines, 1>(job) + Arg<CallId::ModuleCodeReplaceLines, 2>(job)));
            lines.insert(at(Arg<CallId::ModuleCodeReplaceLines, 1>(job)), add.begin(), add.end());
            EditLines(*code, change::kChanged);
            return FinishWith(h, {std::move(old)});
        }
        case CallId::ModuleCodeRedeclare:
            // (handle, name, parameters, -): an empty name keeps the name.
            if (!editable()) return;
            if (!Redeclare(lines, Arg<CallId::ModuleCodeRedeclare, 1>(job), std::wstring_view(Arg<CallId::ModuleCodeRedeclare, 2>(job)))) return fail(L"Cannot redeclare " + code->path + L" as '" + Arg<CallId::ModuleCodeRedeclare, 1>(job) + L"'");
            EditLines(*code, change::kChanged);
            return Finish(h, 1);
        case CallId::ModuleCodeFind: {
            // -> line, column, length, hits in the range; line 0: not found.
            constexpr CallId kFind = CallId::ModuleCodeFind;
            enum : std::size_t { kText = 1, kLine, kColumn, kEndLine, kEndColumn, kForward, kWholeWord, kMatchCase, kWrap };
            FindOptions o;
            o.line = Arg<kFind, kLine>(job);
            o.column = Arg<kFind, kColumn>(job);
            o.endLine = Arg<kFind, kEndLine>(job);
            o.endColumn = Arg<kFind, kEndColumn>(job);
            o.forward = Arg<kFind, kForward>(job) != 0;
            o.wholeWord = Arg<kFind, kWholeWord>(job) != 0;
            o.matchCase = Arg<kFind, kMatchCase>(job) != 0;
            o.wrap = Arg<kFind, kWrap>(job) != 0;
            const FindHit hit = Find(lines, Arg<kFind, kText>(job), o);
            return FinishWith(h, {std::int64_t{hit.line}, std::int64_t{hit.column}, std::int64_t{hit.length}, std::int64_t{hit.count}});
        }
        case CallId::ModuleCodeFindStruct: {
            // (handle, line, kind, enclosing) -> line, kind, text; line 0: none.
            if (Arg<CallId::ModuleCodeFindStruct, 2>(job) < 0 || Arg<CallId::ModuleCodeFindStruct, 2>(job) > 6) return fail(L"Structure kind is 0 to 6");
            const StructHit hit = FindStruct(lines, Arg<CallId::ModuleCodeFindStruct, 1>(job), static_cast<StructKind>(Arg<CallId::ModuleCodeFindStruct, 2>(job)), Arg<CallId::ModuleCodeFindStruct, 3>(job) == 1);
            return FinishWith(h, {std::int64_t{hit.line}, std::int64_t{static_cast<std::int32_t>(hit.kind)}, hit.text});
        }
        case CallId::ModuleCodeSelect:
            if (Arg<CallId::ModuleCodeSelect, 1>(job) < 0 || Arg<CallId::ModuleCodeSelect, 1>(job) > size) return fail(L"No line " + std::to_wstring(Arg<CallId::ModuleCodeSelect, 1>(job)) + L" in " + code->path);
            code->selected = Arg<CallId::ModuleCodeSelect, 1>(job);
            return Finish(h, 1);
        case CallId::ModuleCodeSelectLine: {
            // Selects the line if it still starts with the text given (blanks and case aside),
            // so that a line changed meanwhile is not taken by mistake.
            if (Arg<CallId::ModuleCodeSelectLine, 1>(job) < 1 || Arg<CallId::ModuleCodeSelectLine, 1>(job) > size) return fail(L"No line " + std::to_wstring(Arg<CallId::ModuleCodeSelectLine, 1>(job)) + L" in " + code->path);
            const std::wstring want = Upper(Trim(Arg<CallId::ModuleCodeSelectLine, 2>(job)));
            if (!Upper(Trim(lines[static_cast<std::size_t>(Arg<CallId::ModuleCodeSelectLine, 1>(job) - 1)])).starts_with(want))
                return fail(L"Line " + std::to_wstring(Arg<CallId::ModuleCodeSelectLine, 1>(job)) + L" does not start with '" + Arg<CallId::ModuleCodeSelectLine, 2>(job) + L"'");
            code->selected = Arg<CallId::ModuleCodeSelectLine, 1>(job);
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

// ---------------------------------------------------------------------------------------
// "ModuleInformation", "Error", "Notify"

void SimController::CompleteModuleInfo(Job& job) {
    const std::int16_t h = job.handle;
    const auto fail = [&](const std::wstring& why) { Refuse(h, job.call, why); };

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
            if (!Arg<CallId::ErrorList, 0>(job).empty() && Module(Arg<CallId::ErrorList, 0>(job), full) == nullptr) return fail(L"No module '" + Arg<CallId::ErrorList, 0>(job) + L"'");
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
            if (Module(Arg<CallId::ErrorGetProp, 0>(job), full) == nullptr) return fail(L"No module '" + Arg<CallId::ErrorGetProp, 0>(job) + L"'");
            const auto it = m_errors.find(full);
            if (it == m_errors.end() || Arg<CallId::ErrorGetProp, 1>(job) < 1 || Arg<CallId::ErrorGetProp, 1>(job) > static_cast<std::int64_t>(it->second.size()))
                return fail(L"No error " + std::to_wstring(Arg<CallId::ErrorGetProp, 1>(job)) + L" in " + full);
            const CodeError& e = it->second[static_cast<std::size_t>(Arg<CallId::ErrorGetProp, 1>(job) - 1)];
            return FinishWith(h, {full, std::int64_t{e.line}, std::int64_t{e.column}, std::int64_t{e.number}, e.text});
        }
        default: break;
    }

    std::wstring full;
    SimItem* item = Module(Arg<CallId::ErrorGetProp, 0>(job), full);
    if (item == nullptr) return fail(L"No module '" + Arg<CallId::ErrorGetProp, 0>(job) + L"'");
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
            if (item->attributes & attr::kSystem) return fail(full + L" belongs to the controller");
            if (Arg<CallId::ModuleInformationSetProp, 4>(job).size() > kMaxText) return fail(L"Comment longer than 256 characters");
            if (Arg<CallId::ModuleInformationSetProp, 5>(job).size() > kMaxUser) return fail(L"User name longer than 32 characters");
            item->attributes = (item->attributes & ~(attr::kReadOnly | attr::kHidden)) | (Arg<CallId::ModuleInformationSetProp, 2>(job) ? attr::kReadOnly : 0) |
                               (Arg<CallId::ModuleInformationSetProp, 3>(job) ? attr::kHidden : 0);
            item->comment = Arg<CallId::ModuleInformationSetProp, 4>(job);
            item->user = Arg<CallId::ModuleInformationSetProp, 5>(job);
            m_fs.Touch(full, change::kProperties);
            return Finish(h, 1);
        }
        case CallId::ModuleInformationGetUserAttribute: {
            const auto it = item->userAttributes.find(Upper(Arg<CallId::ModuleInformationGetUserAttribute, 1>(job)));
            if (it == item->userAttributes.end()) return fail(full + L" has no user attribute '" + Arg<CallId::ModuleInformationGetUserAttribute, 1>(job) + L"'");
            return FinishWith(h, {it->second});
        }
        case CallId::ModuleInformationSetUserAttribute: {
            // An empty value removes the attribute.
            const std::wstring key = Upper(Arg<CallId::ModuleInformationSetUserAttribute, 1>(job));
            if (key.empty() || key.size() > 32) return fail(L"User attribute names have 1 to 32 characters");
            if (Arg<CallId::ModuleInformationSetUserAttribute, 2>(job).size() > kMaxText) return fail(L"User attribute value longer than 256 characters");
            if (item->attributes & attr::kSystem) return fail(full + L" belongs to the controller");
            if (Arg<CallId::ModuleInformationSetUserAttribute, 2>(job).empty()) {
                if (item->userAttributes.erase(key) == 0) return fail(full + L" has no user attribute '" + Arg<CallId::ModuleInformationSetUserAttribute, 1>(job) + L"'");
            } else {
                if (!item->userAttributes.count(key) && item->userAttributes.size() >= kMaxUserAttributes)
                    return fail(full + L" has 32 user attributes already");
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
            if (item->type != ItemType::Module) return fail(full + L" holds no code");
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

// ---------------------------------------------------------------------------------------
// "Install" and "Move"

std::wstring SimController::PositionText() const {
    static const wchar_t* names[] = {L"X", L"Y", L"Z", L"A", L"B", L"C"};
    std::wstring t = L"{";
    for (std::size_t i = 0; i < 6; ++i) t += (i ? L", " : L"") + std::wstring(names[i]) + L" " + Number(m_pos[i]);
    return t + L"}";
}

std::wstring SimController::AxesText() const {
    std::wstring t = L"{";
    for (std::size_t i = 0; i < 6; ++i) t += (i ? L", A" : L"A") + std::to_wstring(i + 1) + L" " + Number(m_axes[i]);
    return t + L"}";
}

void SimController::CompleteMotion(Job& job) {
    const std::int16_t h = job.handle;
    const auto fail = [&](const std::wstring& why) { Refuse(h, job.call, why); };
    const std::wstring mode = m_vars.Show(L"$MODE_OP").value_or(L"");
    switch (job.call) {
        case CallId::Move6D: StartMouse(); return Finish(h, 1);
        case CallId::Move6DOff: StopMouse(); return Finish(h, 1);
        case CallId::Install:
            m_install = true;
            SetState(L"$INSTALL", L"TRUE");
            return Finish(h, 1);
        case CallId::EndInstall:
            if (!m_install) return fail(L"Not installing");
            m_install = false;
            SetState(L"$INSTALL", L"FALSE");
            return Finish(h, 1);
        case CallId::Adjust: {
            // (axis, angle): sets the axis's angle; only while installing.
            if (!m_install) return fail(L"Adjusting needs the install mode: Install first");
            if (Arg<CallId::Adjust, 0>(job) < 1 || Arg<CallId::Adjust, 0>(job) > 6) return fail(L"Axis is 1 to 6");
            const std::wstring text = Trim(Arg<CallId::Adjust, 1>(job));
            wchar_t* end = nullptr;
            const double v = std::wcstod(text.c_str(), &end);
            if (text.empty() || *end != L'\0' || !std::isfinite(v) || std::abs(v) > 360) return fail(L"Angle is -360 to 360, not '" + Arg<CallId::Adjust, 1>(job) + L"'");
            m_axes[static_cast<std::size_t>(Arg<CallId::Adjust, 0>(job) - 1)] = v;
            SetState(L"$AXIS_ACT", AxesText());
            return Finish(h, 1);
        }
        case CallId::Move:
        case CallId::MoveOff: {
            // (axis, plus): an axis jogs in the test modes until Move Off.
            if (Arg<CallId::Move, 0>(job) < 1 || Arg<CallId::Move, 0>(job) > 6) return fail(L"Axis is 1 to 6");
            const int axis = static_cast<int>(Arg<CallId::Move, 0>(job)) * (Arg<CallId::Move, 1>(job) ? 1 : -1);
            if (job.call == CallId::MoveOff) {
                if (m_jogAxis == 0 || std::abs(m_jogAxis) != Arg<CallId::Move, 0>(job)) return fail(L"Axis " + std::to_wstring(Arg<CallId::Move, 0>(job)) + L" is not jogging");
                m_jogAxis = 0;
                return Finish(h, 1);
            }
            if (mode != L"#T1" && mode != L"#T2") return fail(L"Jogging needs operating mode #T1 or #T2");
            if (m_program.State() == ProgState::Active || m_motion) return fail(L"The robot is moving");
            m_jogAxis = axis;
            m_nextJog = m_now;
            StepMotion();  // the first step at once
            return Finish(h, 1);
        }
        case CallId::RobMovePTP:
        case CallId::RobMoveLIN:
        case CallId::RobMovePTP_REL:
        case CallId::RobMoveLIN_REL: {
            // A point name, or a frame "{X 10, Z -5}"; the relative moves add the frame to where
            // the robot is. Progress reports on the way; the result at the target.
            if (m_program.State() == ProgState::Active || m_motion || m_jogAxis != 0) return fail(L"The robot is moving");
            if (mode == L"#EX") return fail(L"Operating mode #EX: the external controller moves the robot");
            const bool relative = job.call == CallId::RobMovePTP_REL || job.call == CallId::RobMoveLIN_REL;
            std::array<std::optional<double>, 6> frame;
            std::wstring text = Arg<CallId::RobMovePTP, 0>(job);
            if (!relative) {
                if (const auto point = PointText(Upper(Trim(text)))) text = *point;
            }
            if (!ParseFrame(text, frame)) return fail(L"No point or frame '" + Arg<CallId::RobMovePTP, 0>(job) + L"'");
            Motion m;
            m.handle = h;
            m.verb = (job.call == CallId::RobMovePTP || job.call == CallId::RobMovePTP_REL ? L"PTP" : L"LIN") +
                     std::wstring(relative ? L"_REL " : L" ") + Trim(Arg<CallId::RobMovePTP, 0>(job));
            m.from = m_pos;
            for (std::size_t i = 0; i < 6; ++i) m.to[i] = relative ? m_pos[i] + frame[i].value_or(0) : frame[i].value_or(m_pos[i]);
            m.next = m_now + m_cfg.step;
            m_motion = std::move(m);
            m_live.insert(h);
            return;
        }
        default: return Finish(h, 0);
    }
}

void SimController::StepMotion() {
    if (m_jogAxis != 0 && !m_motion) {
        const std::size_t a = static_cast<std::size_t>(std::abs(m_jogAxis) - 1);
        const double step = kJogStep * std::max<std::int32_t>(1, m_vars.Int(L"$OV_JOG")) / 100.0;
        m_axes[a] = std::clamp(m_axes[a] + (m_jogAxis > 0 ? step : -step), -360.0, 360.0);
        SetState(L"$AXIS_ACT", AxesText());
        m_nextJog = m_now + m_cfg.step;
        return;
    }
    if (!m_motion) return;
    Motion& m = *m_motion;
    ++m.step;
    for (std::size_t i = 0; i < 6; ++i) m_pos[i] = m.from[i] + (m.to[i] - m.from[i]) * m.step / kMotionSteps;
    Payload p;
    p.kind = Kind::Progress;
    p.values[0] = static_cast<std::int16_t>(m.step * 100 / kMotionSteps);
    p.text = m.verb;
    Deliver(m.handle, 400, std::move(p));
    SetState(L"$POS_ACT", PositionText());
    if (m.step >= kMotionSteps) EndMotion(true);
    else m.next = m_now + m_cfg.step;
}

void SimController::EndMotion(bool reached) {
    if (!m_motion) return;
    const std::int16_t h = m_motion->handle;
    m_motion.reset();
    m_live.erase(h);
    if (reached) Finish(h, 1);
}

// ---------------------------------------------------------------------------------------
// "Log"

void SimController::CompleteLog(Job& job) {
    const std::int16_t h = job.handle;
    switch (job.call) {
        case CallId::LogAddItem: {
            const StringArray& params = Arg<CallId::LogAddItem, 7>(job);
            const BoolArray& flags = Arg<CallId::LogAddItem, 8>(job);
            const std::int32_t number =
                m_log.AddItem(Stamp(), Arg<CallId::LogAddItem, 0>(job), Arg<CallId::LogAddItem, 1>(job), Arg<CallId::LogAddItem, 2>(job), Arg<CallId::LogAddItem, 3>(job), Arg<CallId::LogAddItem, 4>(job), Arg<CallId::LogAddItem, 5>(job),
                              Arg<CallId::LogAddItem, 6>(job), params, std::vector<bool>(flags.begin(), flags.end()), Arg<CallId::LogAddItem, 9>(job),
                              static_cast<std::int32_t>(Arg<CallId::LogAddItem, 10>(job)), static_cast<std::int32_t>(Arg<CallId::LogAddItem, 11>(job)));
            return FinishWith(h, {std::int64_t{number}});
        }
        case CallId::AddLogEntry:
            m_log.AddEntry(Stamp(), Arg<CallId::AddLogEntry, 0>(job), Arg<CallId::AddLogEntry, 1>(job), Arg<CallId::AddLogEntry, 2>(job), Arg<CallId::AddLogEntry, 3>(job), Arg<CallId::AddLogEntry, 4>(job), Arg<CallId::AddLogEntry, 5>(job), Arg<CallId::AddLogEntry, 6>(job),
                           Arg<CallId::AddLogEntry, 7>(job), Arg<CallId::AddLogEntry, 8>(job), static_cast<std::int32_t>(Arg<CallId::AddLogEntry, 9>(job)));
            return Finish(h, 1);
        case CallId::LogOCGetItem: {
            const LogRecord* r = m_log.Find(Arg<CallId::LogOCGetItem, 0>(job));
            if (r == nullptr) return Finish(h, 0);
            return FinishWith(h, {std::int64_t{r->number}, Stamped{r->stamp}, std::int64_t{static_cast<std::int32_t>(r->kind)},
                                  r->origin, r->module, std::int64_t{r->code}, std::int64_t{r->level}, r->text1, r->text2,
                                  r->text3, StringArray(r->params), BoolArray(r->flags.begin(), r->flags.end()), r->marker,
                                  std::int64_t{r->logClass}, std::int64_t{r->logType}});
        }
        case CallId::FlushLog: m_log.Flush(Stamp()); return Finish(h, 1);
        case CallId::GetLogHeader: return FinishWith(h, {StringArray(m_log.Header())});
        case CallId::LogGetConfig: return FinishWith(h, {std::int64_t{m_log.Config()}});
        case CallId::LogSetConfig: return Finish(h, m_log.SetConfig(Arg<CallId::LogSetConfig, 0>(job)) ? 1 : 0);
        case CallId::GetLogEntries: {
            const auto lines = m_log.Lines(Arg<CallId::GetLogEntries, 0>(job), Arg<CallId::GetLogEntries, 1>(job));
            if (!lines) return Finish(h, 0);
            return FinishWith(h, {StringArray(*lines)});
        }
        default: return Finish(h, 0);
    }
}

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
