// Module code: a module open under a handle, its lines read, changed, searched.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteModuleCode(Job& job) {
    const std::int16_t h = job.handle;

    if (job.call == CallId::ModuleCodeOpen) {
        // (module, flags, edit mode, -, -): flag 1 opens the data list; mode 2 opens to view,
        // anything else to edit. The two texts say who opens it; the simulator keeps nothing of them.
        std::wstring name = Arg<CallId::ModuleCodeOpen, 0>(job);
        if ((Arg<CallId::ModuleCodeOpen, 1>(job) & 1) && TypeForName(name) == ItemType::File) name += L".DAT";
        std::wstring full;
        SimItem* item = Module(name, full);
        if (item == nullptr || !item->IsText()) return Refuse(job, L"No module '" + Arg<CallId::ModuleCodeOpen, 0>(job) + L"'");
        const bool edit = Arg<CallId::ModuleCodeOpen, 2>(job) != 2;
        if (edit) {
            if (Outcome o = m_fs.Writable(*item, full); !o) return Refuse(job, o.Why());
        }
        if (edit && OpenForEdit(full)) return Refuse(job, full + L" is open for editing");
        if (m_code.size() >= kMaxOpenCode) return Refuse(job, L"Too many modules open");
        m_nextCode = m_nextCode >= INT32_MAX ? 1 : m_nextCode + 1;
        m_code[m_nextCode] = {full, edit, edit ? item->lines : std::vector<std::wstring>{}, 0, h};
        item->accessed = Stamp();
        m_fs.Touch(full, change::kOpened);
        return FinishWith(h, {std::int64_t{m_nextCode}});
    }

    // Every other call of the family starts with the module code handle.
    const std::int32_t handle =
        CommonArg<0, CallId::ModuleCodeGetProp, CallId::ModuleCodeClose, CallId::ModuleCodeGetLines, CallId::ModuleCodeInsertLines,
                  CallId::ModuleCodeDeleteLines, CallId::ModuleCodeReplaceLines, CallId::ModuleCodeRedeclare, CallId::ModuleCodeFind,
                  CallId::ModuleCodeFindStruct, CallId::ModuleCodeSelect, CallId::ModuleCodeSelectLine>(job);
    OpenCode* code = Code(handle);
    if (code == nullptr || m_code.find(handle)->first == m_editor) return Refuse(job, L"No module open under " + std::to_wstring(handle));
    SimItem* item = m_fs.Find(code->path);
    auto& lines = item->lines;
    const auto size = static_cast<std::int64_t>(lines.size());
    const auto editable = [&]() {
        if (code->edit) return true;
        Refuse(job, code->path + L" is open to view only");
        return false;
    };
    const auto range = [&](std::int64_t first, std::int64_t count) -> bool {
        if (first < 1 || first > size || count < 1 || first + count - 1 > size) {
            Refuse(job, L"No lines " + std::to_wstring(first) + L".." + std::to_wstring(first + count - 1) + L" in " + code->path);
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
            if (first > size + 1) return Refuse(job, L"No line " + std::to_wstring(first) + L" in " + code->path);
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
            if (!Redeclare(lines, Arg<CallId::ModuleCodeRedeclare, 1>(job), std::wstring_view(Arg<CallId::ModuleCodeRedeclare, 2>(job)))) return Refuse(job, L"Cannot redeclare " + code->path + L" as '" + Arg<CallId::ModuleCodeRedeclare, 1>(job) + L"'");
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
            if (Arg<CallId::ModuleCodeFindStruct, 2>(job) < 0 || Arg<CallId::ModuleCodeFindStruct, 2>(job) > 6) return Refuse(job, L"Structure kind is 0 to 6");
            const StructHit hit = FindStruct(lines, Arg<CallId::ModuleCodeFindStruct, 1>(job), static_cast<StructKind>(Arg<CallId::ModuleCodeFindStruct, 2>(job)), Arg<CallId::ModuleCodeFindStruct, 3>(job) == 1);
            return FinishWith(h, {std::int64_t{hit.line}, std::int64_t{static_cast<std::int32_t>(hit.kind)}, hit.text});
        }
        case CallId::ModuleCodeSelect:
            if (Arg<CallId::ModuleCodeSelect, 1>(job) < 0 || Arg<CallId::ModuleCodeSelect, 1>(job) > size) return Refuse(job, L"No line " + std::to_wstring(Arg<CallId::ModuleCodeSelect, 1>(job)) + L" in " + code->path);
            code->selected = Arg<CallId::ModuleCodeSelect, 1>(job);
            return Finish(h, 1);
        case CallId::ModuleCodeSelectLine: {
            // Selects the line if it still starts with the text given (blanks and case aside),
            // so that a line changed meanwhile is not taken by mistake.
            if (Arg<CallId::ModuleCodeSelectLine, 1>(job) < 1 || Arg<CallId::ModuleCodeSelectLine, 1>(job) > size) return Refuse(job, L"No line " + std::to_wstring(Arg<CallId::ModuleCodeSelectLine, 1>(job)) + L" in " + code->path);
            const std::wstring want = Upper(Trim(Arg<CallId::ModuleCodeSelectLine, 2>(job)));
            if (!Upper(Trim(lines[static_cast<std::size_t>(Arg<CallId::ModuleCodeSelectLine, 1>(job) - 1)])).starts_with(want))
                return Refuse(job, L"Line " + std::to_wstring(Arg<CallId::ModuleCodeSelectLine, 1>(job)) + L" does not start with '" + Arg<CallId::ModuleCodeSelectLine, 2>(job) + L"'");
            code->selected = Arg<CallId::ModuleCodeSelectLine, 1>(job);
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
