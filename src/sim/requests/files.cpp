// Files: list, down- and upload, copy, delete, attributes.
#include "sim/controller.h"
#include "sim/internal.h"

namespace vantel::link::sim {

void SimController::CompleteFiles(Job& job) {
    const std::int16_t h = job.handle;
    switch (job.call) {
        case CallId::Dir: {
            const auto p = ParsePath(Arg<CallId::Dir, 0>(job).empty() ? L"USER:/" : Arg<CallId::Dir, 0>(job));
            if (!p || m_fs.Find(*p) == nullptr) return Refuse(job, L"No folder '" + Arg<CallId::Dir, 0>(job) + L"'");
            return FinishWith(h, {ListDir(Arg<CallId::Dir, 0>(job), Arg<CallId::Dir, 1>(job))});
        }
        case CallId::DownLoad: {
            // Host file -> controller; option "N" keeps an existing item.
            std::vector<std::uint8_t> bytes;
            if (Outcome read = m_host.Read(Arg<CallId::DownLoad, 0>(job), bytes); !read)
                return Refuse(job, L"Host file '" + Arg<CallId::DownLoad, 0>(job) + L"': " + read.Why());
            std::wstring target = Arg<CallId::DownLoad, 1>(job);
            std::wstring base = Arg<CallId::DownLoad, 0>(job);
            base = base.substr(base.find_last_of(L"/\\") == std::wstring::npos ? 0 : base.find_last_of(L"/\\") + 1);
            if (target.empty()) target = L"USER:/" + base;
            else if (const SimItem* t = m_fs.Find(target); t != nullptr && t->type == ItemType::Folder) target += L"/" + base;
            if (Outcome o = m_fs.Write(target, bytes, !Contains(Arg<CallId::DownLoad, 2>(job), L'N'), Stamp()); !o) return Refuse(job, o.Why());
            return Finish(h, 1);
        }
        case CallId::UpLoad: {
            // Controller -> host file; option "N" keeps an existing host file.
            std::wstring full;
            const SimItem* item = m_fs.Find(Arg<CallId::UpLoad, 0>(job));
            if (item == nullptr) item = Module(Arg<CallId::UpLoad, 0>(job), full);
            if (item == nullptr || item->type == ItemType::Folder) return Refuse(job, L"No file '" + Arg<CallId::UpLoad, 0>(job) + L"'");
            std::wstring target = Arg<CallId::UpLoad, 1>(job);
            if (target.empty() || target.back() == L'/' || target.back() == L'\\') target += item->name;
            if (Outcome written = m_host.Write(target, ContentBytes(*item), !Contains(Arg<CallId::UpLoad, 2>(job), L'N')); !written)
                return Refuse(job, L"Host file '" + target + L"': " + written.Why());
            return Finish(h, 1);
        }
        case CallId::Copy:
            if (Outcome o = m_fs.Copy(Arg<CallId::Copy, 0>(job), Arg<CallId::Copy, 1>(job), !Contains(Arg<CallId::Copy, 2>(job), L'N'), Stamp()); !o) return Refuse(job, o.Why());
            return Finish(h, 1);
        case CallId::Delete: {
            // Option "R" takes a folder with everything in it.
            const auto p = ParsePath(Arg<CallId::Delete, 0>(job));
            if (p && !p->parts.empty()) {
                if (Outcome free = MayRemove(p->Text()); !free) return Refuse(job, free.Why());
            }
            if (Outcome o = m_fs.Destroy(Arg<CallId::Delete, 0>(job), Contains(Arg<CallId::Delete, 1>(job), L'R')); !o) return Refuse(job, o.Why());
            return Finish(h, 1);
        }
        case CallId::ChangeAccess:
        case CallId::ChangeUser:
        case CallId::ChangeComment: {
            const auto p = ParsePath(Arg<CallId::ChangeAccess, 0>(job));
            SimItem* item = p && !p->parts.empty() ? m_fs.Find(*p) : nullptr;
            if (item == nullptr) return Refuse(job, L"No item '" + Arg<CallId::ChangeAccess, 0>(job) + L"'");
            if (item->attributes & attr::kSystem) return Refuse(job, p->Text() + L" belongs to the controller");
            if (job.call == CallId::ChangeAccess) {
                const std::wstring access = Upper(Arg<CallId::ChangeAccess, 1>(job));
                if (access == L"R") item->attributes |= attr::kReadOnly;
                else if (access == L"RW" || access == L"W") item->attributes &= ~attr::kReadOnly;
                else return Refuse(job, L"Access is R or RW, not '" + Arg<CallId::ChangeAccess, 1>(job) + L"'");
            } else if (job.call == CallId::ChangeUser) {
                if (Arg<CallId::ChangeAccess, 1>(job).size() > kMaxUser) return Refuse(job, L"User name longer than 32 characters");
                item->user = Arg<CallId::ChangeAccess, 1>(job);
            } else {
                if (Arg<CallId::ChangeAccess, 1>(job).size() > kMaxText) return Refuse(job, L"Comment longer than 256 characters");
                item->comment = Arg<CallId::ChangeAccess, 1>(job);
            }
            m_fs.Touch(p->Text(), change::kProperties);
            return Finish(h, 1);
        }
        default: return Finish(h, 0);
    }
}

}  // namespace vantel::link::sim
