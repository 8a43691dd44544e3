// The menu "&Editor": the OC editing family and the controller's program editor.
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

// The printout is the whole message, even when it is empty.
constexpr CommandRow kRows[] = {
    Item(32814, L"&Editor/OC &Insert",       slot::OCEditInsert,      Request<&P::OCEditInsert, Short<1>, Text<2>, Short<3>, Text<4>>,       FixedResult<L"OC Edit Insert o.k.", &P::OCEditInsertResult>),
    Item(32916, L"&Editor/OC I&nsert Block", slot::OCEditInsertBlock, Request<&P::OCEditInsertBlock, Short<1>, Text<2>, Short<3>, List<4>>,  FixedResult<L"OC Edit Insert Block o.k.", &P::OCEditInsertBlockResult>),
    Item(32815, L"&Editor/OC C&hange",       slot::OCEditChange,      Request<&P::OCEditChange, Short<1>, Text<2>, Short<3>, Text<4>>,       FixedResult<L"OC Edit Change o.k.", &P::OCEditChangeResult>),
    Item(32816, L"&Editor/OC &Redecl",       slot::OCEditRedecl,      Request<&P::OCEditRedecl, Short<1>, Text<2>, Text<3>>,                 FixedResult<L"OC Edit Redecl o.k.", &P::OCEditRedeclResult>),
    Item(32817, L"&Editor/OC &Delete",       slot::OCEditDelete,      Request<&P::OCEditDelete, Short<1>, Text<2>, Short<3>>,                FixedResult<L"OC Edit Delete o.k.", &P::OCEditDeleteResult>),
    Item(32825, L"&Editor/OC Delete &Block", slot::OCEditDeleteBlock, Request<&P::OCEditDeleteBlock, Short<1>, Text<2>, Short<3>, Short<4>>, FixedResult<L"OC Edit Delete Block o.k.", &P::OCEditDeleteBlockResult>),
    Separator(L"&Editor"),
    Item(32740, L"&Editor/&Open",            slot::EditOpen,          Request<&P::EditOpen, Short<1>, Text<2>>,                              FixedResult<L"Edit Open o.k.", &P::EditOpenResult>),
    Item(32741, L"&Editor/&Close",           slot::EditClose,         Request<&P::EditClose, Short<1>>,                                      FixedResult<L"Edit Close o.k.", &P::EditCloseResult>),
    Separator(L"&Editor"),
    Item(32742, L"&Editor/I&nsert",          slot::EditInsert,        Request<&P::EditInsert, Short<1>, Text<2>>,                            FixedResult<L"Edit Insert o.k.", &P::EditInsertResult>),
    Item(32743, L"&Editor/Ch&ange",          slot::EditChange,        Request<&P::EditChange, Short<1>, Text<2>>,                            FixedResult<L"Edit Change o.k.", &P::EditChangeResult>),
    Item(32744, L"&Editor/R&edecl",          slot::EditRedecl,        Request<&P::EditRedecl, Text<1>>,                                      FixedResult<L"Edit Redecl o.k.", &P::EditRedeclResult>),
    Item(32745, L"&Editor/De&lete",          slot::EditDelete,        Request<&P::EditDelete, Short<1>>,                                     FixedResult<L"Edit Delete o.k.", &P::EditDeleteResult>),
    Separator(L"&Editor"),
    Item(32746, L"&Editor/&Print",           slot::EditPrint,         Request<&P::EditPrint, Short<1>>,                                      TextResult<&P::EditPrintResult>),
    Separator(L"&Editor"),
    Item(32747, L"&Editor/Descr &Mode",      slot::EditDescrMode,     Request<&P::EditDescrMode, Short<1>>,                                  FixedResult<L"Edit Descr Mode o.k.", &P::EditDescrModeResult>),
    Separator(L"&Editor"),
    Item(32818, L"&Editor/&Analyse",         slot::EditAnalyse,       Request<&P::EditAnalyse, Text<1>>,                                     FixedResult<L"Edit Analyse o.k.", &P::EditAnalyseResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> EditorRows() { return kRows; }

}  // namespace vantel
