// The menu "&Datei": controller files. Every field goes to the link as typed.
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

// The listing is shown as the controller formats it.
constexpr CommandRow kRows[] = {
    Item(32720, L"&Datei/D&ir",      slot::Dir,           Request<&P::Dir, Text<1>, Text<2>>,               TextResult<&P::DirResult>),
    Separator(L"&Datei"),
    Item(32721, L"&Datei/&DownLoad", slot::DownLoad,      Request<&P::DownLoad, Text<1>, Text<2>, Text<3>>, FixedResult<L"DownLoad o.k.", &P::DownLoadResult>),
    Item(32722, L"&Datei/&UpLoad",   slot::UpLoad,        Request<&P::UpLoad, Text<1>, Text<2>, Text<3>>,   FixedResult<L"UpLoad o.k.", &P::UpLoadResult>),
    Separator(L"&Datei"),
    Item(32725, L"&Datei/&Copy",     slot::Copy,          Request<&P::Copy, Text<1>, Text<2>, Text<3>>,     FixedResult<L"Copy o.k.", &P::CopyResult>),
    Item(32726, L"&Datei/D&elete",   slot::Delete,        Request<&P::Delete, Text<1>, Text<2>>,            FixedResult<L"Delete o.k.", &P::DeleteResult>),
    Separator(L"&Datei"),
    Item(32828, L"&Datei/&Access",   slot::ChangeAccess,  Request<&P::ChangeAccess, Text<1>, Text<2>>,      FixedResult<L"ChangeAccess o.k.", &P::ChangeAccessResult>),
    Item(32829, L"&Datei/&User",     slot::ChangeUser,    Request<&P::ChangeUser, Text<1>, Text<2>>,        FixedResult<L"ChangeUser o.k.", &P::ChangeUserResult>),
    Item(32830, L"&Datei/C&omment",  slot::ChangeComment, Request<&P::ChangeComment, Text<1>, Text<2>>,     FixedResult<L"ChangeComment o.k.", &P::ChangeCommentResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> FileRows() { return kRows; }

}  // namespace vantel
