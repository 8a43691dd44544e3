// The editor: open, change and close a module, in one request or over several.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

OutcomeOf<SimItem*> SimController::EditableModule(const std::wstring& name, std::int64_t part, std::wstring& full) {
    // Part 0 is the code, 1 the data list.
    std::wstring path = name;
    if (part == 1 && TypeForName(path) == ItemType::File) path += L".DAT";
    SimItem* item = Module(path, full);
    if (item == nullptr || !item->IsText()) return Outcome::Refused(L"No module '" + name + L"'");
    if (Outcome o = m_fs.Writable(*item, full); !o) return o;
    if (OpenForEdit(full)) return Outcome::Refused(full + L" is open for editing");
    return item;
}

void SimController::CompleteEditor(Job& job) {
    const std::int16_t h = job.handle;
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
            constexpr CallId kFirst = CallId::OCEditInsert;
            std::wstring full;
            const auto editable =
                EditableModule(CommonArg<1, kFirst, CallId::OCEditInsertBlock, CallId::OCEditChange, CallId::OCEditRedecl,
                                         CallId::OCEditDelete, CallId::OCEditDeleteBlock>(job),
                               CommonArg<0, kFirst, CallId::OCEditInsertBlock, CallId::OCEditChange, CallId::OCEditRedecl,
                                         CallId::OCEditDelete, CallId::OCEditDeleteBlock>(job),
                               full);
            if (!editable) return Refuse(job, editable.Why());
            SimItem* item = *editable;
            auto& lines = item->lines;
            const auto size = static_cast<std::int64_t>(lines.size());
            const std::int64_t line = job.call == CallId::OCEditRedecl ? 0 : Arg<CallId::OCEditInsert, 2>(job);
            std::uint32_t mask = change::kChanged;
            switch (job.call) {
                case CallId::OCEditInsert:
                case CallId::OCEditInsertBlock: {
                    if (line < 0 || line > size + 1) return Refuse(job, L"No line " + std::to_wstring(line) + L" in " + full);
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
                    if (line < 1 || line > size) return Refuse(job, L"No line " + std::to_wstring(line) + L" in " + full);
                    lines[static_cast<std::size_t>(line - 1)] = Arg<CallId::OCEditChange, 3>(job);
                    break;
                case CallId::OCEditRedecl:
                    if (!redeclare(lines, Arg<CallId::OCEditRedecl, 2>(job))) return Refuse(job, L"Cannot redeclare " + full + L" as '" + Arg<CallId::OCEditRedecl, 2>(job) + L"'");
                    break;
                case CallId::OCEditDelete:
                case CallId::OCEditDeleteBlock: {
                    const std::int64_t count = job.call == CallId::OCEditDelete ? 1 : Arg<CallId::OCEditDeleteBlock, 3>(job);
                    if (line < 1 || count < 1 || line + count - 1 > size)
                        return Refuse(job, L"No lines " + std::to_wstring(line) + L".." + std::to_wstring(line + count - 1) + L" in " + full);
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
            if (m_editor != 0 && Code(m_editor) != nullptr) return Refuse(job, L"The editor holds " + m_code[m_editor].path + L": close it first");
            std::wstring full;
            const auto editable = EditableModule(Arg<CallId::EditOpen, 1>(job), Arg<CallId::EditOpen, 0>(job), full);
            if (!editable) return Refuse(job, editable.Why());
            SimItem* item = *editable;
            if (m_code.size() >= kMaxOpenCode) return Refuse(job, L"Too many modules open");
            m_nextCode = m_nextCode >= INT32_MAX ? 1 : m_nextCode + 1;
            m_code[m_nextCode] = {full, true, item->lines, 0, h};
            m_editor = m_nextCode;
            m_descrMode = false;
            m_fs.Touch(full, change::kOpened);
            return Finish(h, 1);
        }
        default: break;
    }

    // The rest work on the module in the editor.
    OpenCode* code = m_editor != 0 ? Code(m_editor) : nullptr;
    if (code == nullptr && job.call != CallId::EditAnalyse) return Refuse(job, L"The editor holds no module: open one first");
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
            if (line < 0 || line > static_cast<std::int64_t>(item->lines.size()) + 1) return Refuse(job, L"No line " + std::to_wstring(line));
            const std::size_t at = line == 0 ? item->lines.size() : static_cast<std::size_t>(line - 1);
            item->lines.insert(item->lines.begin() + static_cast<std::ptrdiff_t>(at), Arg<CallId::EditInsert, 1>(job));
            EditLines(*code, change::kInserted);
            return Finish(h, 1);
        }
        case CallId::EditChange: {
            const auto at = lineOf(Arg<CallId::EditChange, 0>(job));
            if (!at) return Refuse(job, L"No line " + std::to_wstring(Arg<CallId::EditChange, 0>(job)));
            item->lines[*at] = Arg<CallId::EditChange, 1>(job);
            EditLines(*code, change::kChanged);
            return Finish(h, 1);
        }
        case CallId::EditDelete: {
            const auto at = lineOf(Arg<CallId::EditDelete, 0>(job));
            if (!at) return Refuse(job, L"No line " + std::to_wstring(Arg<CallId::EditDelete, 0>(job)));
            item->lines.erase(item->lines.begin() + static_cast<std::ptrdiff_t>(*at));
            EditLines(*code, change::kDeleted);
            return Finish(h, 1);
        }
        case CallId::EditRedecl:
            if (!redeclare(item->lines, Arg<CallId::EditRedecl, 0>(job))) return Refuse(job, L"Cannot redeclare as '" + Arg<CallId::EditRedecl, 0>(job) + L"'");
            EditLines(*code, change::kChanged);
            return Finish(h, 1);
        case CallId::EditPrint: {
            // 0 prints the whole module; in description mode only the declaration, block
            // heads and comments.
            if (Arg<CallId::EditPrint, 0>(job) != 0) {
                const auto at = lineOf(Arg<CallId::EditPrint, 0>(job));
                if (!at) return Refuse(job, L"No line " + std::to_wstring(Arg<CallId::EditPrint, 0>(job)));
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
            if (Arg<CallId::EditDescrMode, 0>(job) != 0 && Arg<CallId::EditDescrMode, 0>(job) != 1) return Refuse(job, L"Description mode is 0 or 1");
            m_descrMode = Arg<CallId::EditDescrMode, 0>(job) == 1;
            return Finish(h, 1);
        case CallId::EditAnalyse: {
            // A module name, or the editor's module when empty.
            std::wstring full;
            SimItem* target = Arg<CallId::EditAnalyse, 0>(job).empty() ? item : Module(Arg<CallId::EditAnalyse, 0>(job), full);
            if (Arg<CallId::EditAnalyse, 0>(job).empty() && code != nullptr) full = code->path;
            if (target == nullptr) return Refuse(job, Arg<CallId::EditAnalyse, 0>(job).empty() ? L"The editor holds no module" : L"No module '" + Arg<CallId::EditAnalyse, 0>(job) + L"'");
            if (Outcome clean = Analyse(full, *target); !clean) return Refuse(job, clean.Why());
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
