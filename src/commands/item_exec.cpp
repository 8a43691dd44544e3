// "&FileManager" > "Item (&Domain)". The slots are the items' own, apart from those of the
// program commands, so an item job and a program job of the same kind can run together.
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

constexpr CommandRow kRows[] = {
    Item(32859, L"&FileManager/Item (&Domain)/&Select",       slot::ItemSelect,  Request<&P::ItemSelect, Text<1>, Text<2>, Unsigned<3>>, FixedResult<L"ItemSelect o.k.", &P::ItemSelectResult>),
    Item(32860, L"&FileManager/Item (&Domain)/&Run",          slot::ItemRun,     Request<&P::ItemRun, Text<1>, Text<2>, Unsigned<3>>,    FixedResult<L"ItemRun o.k.", &P::ItemRunResult>),
    Separator(L"&FileManager/Item (&Domain)"),
    Item(32861, L"&FileManager/Item (&Domain)/R&eset",        slot::ItemReset,   Request<&P::ItemReset, Text<1>>,                        FixedResult<L"ItemReset o.k.", &P::ItemResetResult>),
    Item(32907, L"&FileManager/Item (&Domain)/St&art",        slot::ItemStart,   Request<&P::ItemStart, Text<1>>,                        FixedResult<L"ItemStart o.k.", &P::ItemStartResult>),
    Item(32862, L"&FileManager/Item (&Domain)/S&top",         slot::ItemStop,    Request<&P::ItemStop, Text<1>>,                         FixedResult<L"ItemStop o.k.", &P::ItemStopResult>),
    Item(32863, L"&FileManager/Item (&Domain)/&Cancel",       slot::ItemCancel,  Request<&P::ItemCancel, Text<1>>,                       FixedResult<L"ItemCancel o.k.", &P::ItemCancelResult>),
    Separator(L"&FileManager/Item (&Domain)"),
    Item(32864, L"&FileManager/Item (&Domain)/&Analyse",      slot::ItemAnalyse, Request<&P::ItemAnalyse, Text<1>>,                      FixedResult<L"ItemAnalyse o.k.", &P::ItemAnalyseResult>),
    Item(32897, L"&FileManager/Item (&Domain)/Analyse &Mode", slot::AnalyseMode, Request<&P::AnalyseMode, Flag<1>>,                      FixedResult<L"AnalyseMode o.k.", &P::AnalyseModeResult>),
    Separator(L"&FileManager/Item (&Domain)"),
    Item(32909, L"&FileManager/Item (&Domain)/&Link",         slot::ItemLink,    Request<&P::ItemLink, Text<1>>,                         FixedResult<L"ItemLink o.k.", &P::ItemLinkResult>),
    Item(32910, L"&FileManager/Item (&Domain)/&Unlink",       slot::ItemUnlink,  Request<&P::ItemUnlink, Text<1>>,                       FixedResult<L"ItemUnlink o.k.", &P::ItemUnlinkResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> ItemExecRows() { return kRows; }

}  // namespace vantel
