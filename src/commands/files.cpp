// The menu "&Datei": controller files. Every field goes to the link as typed.
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"

namespace vantel {
namespace {

std::int16_t DirRequest(CConsole& c) { return c.Link().Dir(c.Param(1), c.Param(2)); }
std::int16_t DownLoadRequest(CConsole& c) { return c.Link().DownLoad(c.Param(1), c.Param(2), c.Param(3)); }
std::int16_t UpLoadRequest(CConsole& c) { return c.Link().UpLoad(c.Param(1), c.Param(2), c.Param(3)); }
std::int16_t CopyRequest(CConsole& c) { return c.Link().Copy(c.Param(1), c.Param(2), c.Param(3)); }
std::int16_t DeleteRequest(CConsole& c) { return c.Link().Delete(c.Param(1), c.Param(2)); }
std::int16_t AccessRequest(CConsole& c) { return c.Link().ChangeAccess(c.Param(1), c.Param(2)); }
std::int16_t UserRequest(CConsole& c) { return c.Link().ChangeUser(c.Param(1), c.Param(2)); }
std::int16_t CommentRequest(CConsole& c) { return c.Link().ChangeComment(c.Param(1), c.Param(2)); }

// The listing is shown as the controller formats it.
int DirText(CConsole& c, std::int16_t h, std::wstring& m) { return c.Link().DirResult(h, m); }
constexpr ResultFn DownLoadDone = FixedResult<L"DownLoad o.k.", &link::CPlexa::DownLoadResult>;
constexpr ResultFn UpLoadDone = FixedResult<L"UpLoad o.k.", &link::CPlexa::UpLoadResult>;
constexpr ResultFn CopyDone = FixedResult<L"Copy o.k.", &link::CPlexa::CopyResult>;
constexpr ResultFn DeleteDone = FixedResult<L"Delete o.k.", &link::CPlexa::DeleteResult>;
constexpr ResultFn AccessDone = FixedResult<L"ChangeAccess o.k.", &link::CPlexa::ChangeAccessResult>;
constexpr ResultFn UserDone = FixedResult<L"ChangeUser o.k.", &link::CPlexa::ChangeUserResult>;
constexpr ResultFn CommentDone = FixedResult<L"ChangeComment o.k.", &link::CPlexa::ChangeCommentResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 11> kRows = {{
    // kind id     path                  slot                 busy   use    request          direct   result
    {I,    32720, L"&Datei/D&ir",       slot::Dir,           true,  Clear, DirRequest,      nullptr, DirText},
    {Sep,  0,     L"&Datei",            kNoSlot,             false, Clear, nullptr,         nullptr, nullptr},
    {I,    32721, L"&Datei/&DownLoad",  slot::DownLoad,      true,  Clear, DownLoadRequest, nullptr, DownLoadDone},
    {I,    32722, L"&Datei/&UpLoad",    slot::UpLoad,        true,  Clear, UpLoadRequest,   nullptr, UpLoadDone},
    {Sep,  0,     L"&Datei",            kNoSlot,             false, Clear, nullptr,         nullptr, nullptr},
    {I,    32725, L"&Datei/&Copy",      slot::Copy,          true,  Clear, CopyRequest,     nullptr, CopyDone},
    {I,    32726, L"&Datei/D&elete",    slot::Delete,        true,  Clear, DeleteRequest,   nullptr, DeleteDone},
    {Sep,  0,     L"&Datei",            kNoSlot,             false, Clear, nullptr,         nullptr, nullptr},
    {I,    32828, L"&Datei/&Access",    slot::ChangeAccess,  true,  Clear, AccessRequest,   nullptr, AccessDone},
    {I,    32829, L"&Datei/&User",      slot::ChangeUser,    true,  Clear, UserRequest,     nullptr, UserDone},
    {I,    32830, L"&Datei/C&omment",   slot::ChangeComment, true,  Clear, CommentRequest,  nullptr, CommentDone},
}};

}  // namespace

std::span<const CommandRow> FileRows() { return kRows; }

}  // namespace vantel
