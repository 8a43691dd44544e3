// The menu "&Editor": the OC editing family and the controller's program editor.
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

std::int16_t Num(const CConsole& c, int field) { return ScanField<std::int16_t>(c.Param(field), L"%hd"); }

std::int16_t OCInsertRequest(CConsole& c) {
    return c.Link().OCEditInsert(Num(c, 1), c.Param(2), Num(c, 3), c.Param(4));
}
std::int16_t OCInsertBlockRequest(CConsole& c) {
    link::StringArray lines;
    SplitList(c.Param(4), lines);
    return c.Link().OCEditInsertBlock(Num(c, 1), c.Param(2), Num(c, 3), lines);
}
std::int16_t OCChangeRequest(CConsole& c) {
    return c.Link().OCEditChange(Num(c, 1), c.Param(2), Num(c, 3), c.Param(4));
}
std::int16_t OCRedeclRequest(CConsole& c) { return c.Link().OCEditRedecl(Num(c, 1), c.Param(2), c.Param(3)); }
std::int16_t OCDeleteRequest(CConsole& c) { return c.Link().OCEditDelete(Num(c, 1), c.Param(2), Num(c, 3)); }
std::int16_t OCDeleteBlockRequest(CConsole& c) {
    return c.Link().OCEditDeleteBlock(Num(c, 1), c.Param(2), Num(c, 3), Num(c, 4));
}
std::int16_t OpenRequest(CConsole& c) { return c.Link().EditOpen(Num(c, 1), c.Param(2)); }
std::int16_t CloseRequest(CConsole& c) { return c.Link().EditClose(Num(c, 1)); }
std::int16_t InsertRequest(CConsole& c) { return c.Link().EditInsert(Num(c, 1), c.Param(2)); }
std::int16_t ChangeRequest(CConsole& c) { return c.Link().EditChange(Num(c, 1), c.Param(2)); }
std::int16_t RedeclRequest(CConsole& c) { return c.Link().EditRedecl(c.Param(1)); }
std::int16_t DeleteRequest(CConsole& c) { return c.Link().EditDelete(Num(c, 1)); }
std::int16_t PrintRequest(CConsole& c) { return c.Link().EditPrint(Num(c, 1)); }
std::int16_t DescrModeRequest(CConsole& c) { return c.Link().EditDescrMode(Num(c, 1)); }
std::int16_t AnalyseRequest(CConsole& c) { return c.Link().EditAnalyse(c.Param(1)); }

constexpr ResultFn OCInsertDone = FixedResult<L"OC Edit Insert o.k.", &link::CPlexa::OCEditInsertResult>;
constexpr ResultFn OCInsertBlockDone = FixedResult<L"OC Edit Insert Block o.k.", &link::CPlexa::OCEditInsertBlockResult>;
constexpr ResultFn OCChangeDone = FixedResult<L"OC Edit Change o.k.", &link::CPlexa::OCEditChangeResult>;
constexpr ResultFn OCRedeclDone = FixedResult<L"OC Edit Redecl o.k.", &link::CPlexa::OCEditRedeclResult>;
constexpr ResultFn OCDeleteDone = FixedResult<L"OC Edit Delete o.k.", &link::CPlexa::OCEditDeleteResult>;
constexpr ResultFn OCDeleteBlockDone = FixedResult<L"OC Edit Delete Block o.k.", &link::CPlexa::OCEditDeleteBlockResult>;
constexpr ResultFn OpenDone = FixedResult<L"Edit Open o.k.", &link::CPlexa::EditOpenResult>;
constexpr ResultFn CloseDone = FixedResult<L"Edit Close o.k.", &link::CPlexa::EditCloseResult>;
constexpr ResultFn InsertDone = FixedResult<L"Edit Insert o.k.", &link::CPlexa::EditInsertResult>;
constexpr ResultFn ChangeDone = FixedResult<L"Edit Change o.k.", &link::CPlexa::EditChangeResult>;
constexpr ResultFn RedeclDone = FixedResult<L"Edit Redecl o.k.", &link::CPlexa::EditRedeclResult>;
constexpr ResultFn DeleteDone = FixedResult<L"Edit Delete o.k.", &link::CPlexa::EditDeleteResult>;
// The printout is the whole message, even when it is empty.
int PrintText(CConsole& c, std::int16_t h, std::wstring& m) { return c.Link().EditPrintResult(h, m); }
constexpr ResultFn DescrModeDone = FixedResult<L"Edit Descr Mode o.k.", &link::CPlexa::EditDescrModeResult>;
constexpr ResultFn AnalyseDone = FixedResult<L"Edit Analyse o.k.", &link::CPlexa::EditAnalyseResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 20> kRows = {{
    // kind id     path                            slot                     busy   use    request               direct   result
    {I,    32814, L"&Editor/OC &Insert",          slot::OCEditInsert,      true,  Clear, OCInsertRequest,      nullptr, OCInsertDone},
    {I,    32916, L"&Editor/OC I&nsert Block",    slot::OCEditInsertBlock, true,  Clear, OCInsertBlockRequest, nullptr, OCInsertBlockDone},
    {I,    32815, L"&Editor/OC C&hange",          slot::OCEditChange,      true,  Clear, OCChangeRequest,      nullptr, OCChangeDone},
    {I,    32816, L"&Editor/OC &Redecl",          slot::OCEditRedecl,      true,  Clear, OCRedeclRequest,      nullptr, OCRedeclDone},
    {I,    32817, L"&Editor/OC &Delete",          slot::OCEditDelete,      true,  Clear, OCDeleteRequest,      nullptr, OCDeleteDone},
    {I,    32825, L"&Editor/OC Delete &Block",    slot::OCEditDeleteBlock, true,  Clear, OCDeleteBlockRequest, nullptr, OCDeleteBlockDone},
    {Sep,  0,     L"&Editor",                     kNoSlot,                 false, Clear, nullptr,              nullptr, nullptr},
    {I,    32740, L"&Editor/&Open",               slot::EditOpen,          true,  Clear, OpenRequest,          nullptr, OpenDone},
    {I,    32741, L"&Editor/&Close",              slot::EditClose,         true,  Clear, CloseRequest,         nullptr, CloseDone},
    {Sep,  0,     L"&Editor",                     kNoSlot,                 false, Clear, nullptr,              nullptr, nullptr},
    {I,    32742, L"&Editor/I&nsert",             slot::EditInsert,        true,  Clear, InsertRequest,        nullptr, InsertDone},
    {I,    32743, L"&Editor/Ch&ange",             slot::EditChange,        true,  Clear, ChangeRequest,        nullptr, ChangeDone},
    {I,    32744, L"&Editor/R&edecl",             slot::EditRedecl,        true,  Clear, RedeclRequest,        nullptr, RedeclDone},
    {I,    32745, L"&Editor/De&lete",             slot::EditDelete,        true,  Clear, DeleteRequest,        nullptr, DeleteDone},
    {Sep,  0,     L"&Editor",                     kNoSlot,                 false, Clear, nullptr,              nullptr, nullptr},
    {I,    32746, L"&Editor/&Print",              slot::EditPrint,         true,  Clear, PrintRequest,         nullptr, PrintText},
    {Sep,  0,     L"&Editor",                     kNoSlot,                 false, Clear, nullptr,              nullptr, nullptr},
    {I,    32747, L"&Editor/Descr &Mode",         slot::EditDescrMode,     true,  Clear, DescrModeRequest,     nullptr, DescrModeDone},
    {Sep,  0,     L"&Editor",                     kNoSlot,                 false, Clear, nullptr,              nullptr, nullptr},
    {I,    32818, L"&Editor/&Analyse",            slot::EditAnalyse,       true,  Clear, AnalyseRequest,       nullptr, AnalyseDone},
}};

}  // namespace

std::span<const CommandRow> EditorRows() { return kRows; }

}  // namespace vantel
