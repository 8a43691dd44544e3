// "&FileManager" > "Item (&Domain)". The slots are the items' own, apart from those of the
// program commands, so an item job and a program job of the same kind can run together.
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

std::uint32_t Unsigned(CConsole& c, int n) { return ScanField<std::uint32_t>(c.Param(n), L"%lu"); }

std::int16_t ItemSelect(CConsole& c) { return c.Link().ItemSelect(c.Param(1), c.Param(2), Unsigned(c, 3)); }
std::int16_t ItemRun(CConsole& c) { return c.Link().ItemRun(c.Param(1), c.Param(2), Unsigned(c, 3)); }
std::int16_t ItemReset(CConsole& c) { return c.Link().ItemReset(c.Param(1)); }
std::int16_t ItemStart(CConsole& c) { return c.Link().ItemStart(c.Param(1)); }
std::int16_t ItemStop(CConsole& c) { return c.Link().ItemStop(c.Param(1)); }
std::int16_t ItemCancel(CConsole& c) { return c.Link().ItemCancel(c.Param(1)); }
std::int16_t ItemAnalyse(CConsole& c) { return c.Link().ItemAnalyse(c.Param(1)); }
std::int16_t AnalyseMode(CConsole& c) { return c.Link().AnalyseMode(FieldEquals(c.Param(1), L"1") ? 1 : 0); }
std::int16_t ItemLink(CConsole& c) { return c.Link().ItemLink(c.Param(1)); }
std::int16_t ItemUnlink(CConsole& c) { return c.Link().ItemUnlink(c.Param(1)); }

constexpr ResultFn ItemSelectText = FixedResult<L"ItemSelect o.k.", &link::CPlexa::ItemSelectResult>;
constexpr ResultFn ItemRunText = FixedResult<L"ItemRun o.k.", &link::CPlexa::ItemRunResult>;
constexpr ResultFn ItemResetText = FixedResult<L"ItemReset o.k.", &link::CPlexa::ItemResetResult>;
constexpr ResultFn ItemStartText = FixedResult<L"ItemStart o.k.", &link::CPlexa::ItemStartResult>;
constexpr ResultFn ItemStopText = FixedResult<L"ItemStop o.k.", &link::CPlexa::ItemStopResult>;
constexpr ResultFn ItemCancelText = FixedResult<L"ItemCancel o.k.", &link::CPlexa::ItemCancelResult>;
constexpr ResultFn ItemAnalyseText = FixedResult<L"ItemAnalyse o.k.", &link::CPlexa::ItemAnalyseResult>;
constexpr ResultFn AnalyseModeText = FixedResult<L"AnalyseMode o.k.", &link::CPlexa::AnalyseModeResult>;
constexpr ResultFn ItemLinkText = FixedResult<L"ItemLink o.k.", &link::CPlexa::ItemLinkResult>;
constexpr ResultFn ItemUnlinkText = FixedResult<L"ItemUnlink o.k.", &link::CPlexa::ItemUnlinkResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 13> kRows = {{
    // kind id     path                                          slot               busy   use    request      direct   result
    {I,    32859, L"&FileManager/Item (&Domain)/&Select",       slot::ItemSelect,  true,  Clear, ItemSelect,  nullptr, ItemSelectText},
    {I,    32860, L"&FileManager/Item (&Domain)/&Run",          slot::ItemRun,     true,  Clear, ItemRun,     nullptr, ItemRunText},
    {Sep,  0,     L"&FileManager/Item (&Domain)",               kNoSlot,           false, Clear, nullptr,     nullptr, nullptr},
    {I,    32861, L"&FileManager/Item (&Domain)/R&eset",        slot::ItemReset,   true,  Clear, ItemReset,   nullptr, ItemResetText},
    {I,    32907, L"&FileManager/Item (&Domain)/St&art",        slot::ItemStart,   true,  Clear, ItemStart,   nullptr, ItemStartText},
    {I,    32862, L"&FileManager/Item (&Domain)/S&top",         slot::ItemStop,    true,  Clear, ItemStop,    nullptr, ItemStopText},
    {I,    32863, L"&FileManager/Item (&Domain)/&Cancel",       slot::ItemCancel,  true,  Clear, ItemCancel,  nullptr, ItemCancelText},
    {Sep,  0,     L"&FileManager/Item (&Domain)",               kNoSlot,           false, Clear, nullptr,     nullptr, nullptr},
    {I,    32864, L"&FileManager/Item (&Domain)/&Analyse",      slot::ItemAnalyse, true,  Clear, ItemAnalyse, nullptr, ItemAnalyseText},
    {I,    32897, L"&FileManager/Item (&Domain)/Analyse &Mode", slot::AnalyseMode, true,  Clear, AnalyseMode, nullptr, AnalyseModeText},
    {Sep,  0,     L"&FileManager/Item (&Domain)",               kNoSlot,           false, Clear, nullptr,     nullptr, nullptr},
    {I,    32909, L"&FileManager/Item (&Domain)/&Link",         slot::ItemLink,    true,  Clear, ItemLink,    nullptr, ItemLinkText},
    {I,    32910, L"&FileManager/Item (&Domain)/&Unlink",       slot::ItemUnlink,  true,  Clear, ItemUnlink,  nullptr, ItemUnlinkText},
}};

}  // namespace

std::span<const CommandRow> ItemExecRows() { return kRows; }

}  // namespace vantel
