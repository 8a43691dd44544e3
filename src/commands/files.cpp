// The menu "&Datei": controller files. Every field goes to the link as typed.
#include <array>
#include <span>

#include "commands/catalogue.h"
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
int DownLoadDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"DownLoad o.k."; return c.Link().DownLoadResult(h); }
int UpLoadDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"UpLoad o.k."; return c.Link().UpLoadResult(h); }
int CopyDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Copy o.k."; return c.Link().CopyResult(h); }
int DeleteDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"Delete o.k."; return c.Link().DeleteResult(h); }
int AccessDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ChangeAccess o.k."; return c.Link().ChangeAccessResult(h); }
int UserDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ChangeUser o.k."; return c.Link().ChangeUserResult(h); }
int CommentDone(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ChangeComment o.k."; return c.Link().ChangeCommentResult(h); }

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
