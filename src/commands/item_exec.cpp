// "&FileManager" > "Item (&Domain)". The slots are the items' own, apart from those of the
// program commands, so an item job and a program job of the same kind can run together.
#include <array>
#include <span>

#include "commands/catalogue.h"
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

int ItemSelectText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemSelect o.k."; return c.Link().ItemSelectResult(h); }
int ItemRunText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemRun o.k."; return c.Link().ItemRunResult(h); }
int ItemResetText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemReset o.k."; return c.Link().ItemResetResult(h); }
int ItemStartText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemStart o.k."; return c.Link().ItemStartResult(h); }
int ItemStopText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemStop o.k."; return c.Link().ItemStopResult(h); }
int ItemCancelText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemCancel o.k."; return c.Link().ItemCancelResult(h); }
int ItemAnalyseText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemAnalyse o.k."; return c.Link().ItemAnalyseResult(h); }
int AnalyseModeText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"AnalyseMode o.k."; return c.Link().AnalyseModeResult(h); }
int ItemLinkText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemLink o.k."; return c.Link().ItemLinkResult(h); }
int ItemUnlinkText(CConsole& c, std::int16_t h, std::wstring& m) { m = L"ItemUnlink o.k."; return c.Link().ItemUnlinkResult(h); }

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
