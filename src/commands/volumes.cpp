// "&FileManager": its direct commands and the submenu "&Volume".
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

using link::StringArray;

std::int16_t GetActiveModule(CConsole& c) { return c.Link().GetActiveModule(c.Param(1)); }
constexpr ResultFn GetActiveModuleText = ValueResult<L"GetActiveModule: %s", &link::CPlexa::GetActiveModuleResult>;

std::int16_t VolumeGetProp(CConsole& c) { return c.Link().VolumeGetProp(c.Param(1)); }
int VolumeGetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::wstring name;
    link::EVolumeType type{};
    std::int32_t a = 0, b = 0, d = 0;
    const int r = c.Link().VolumeGetPropResult(h, name, type, a, b, d);
    message = Format(L"VolumeGetProp: %s\n %ld %ld %ld %ld", name, static_cast<std::int32_t>(type), a, b, d);
    return r;
}

std::int16_t VolumeSetName(CConsole& c) { return c.Link().VolumeSetName(c.Param(1), c.Param(2)); }
constexpr ResultFn VolumeSetNameText = FixedResult<L"VolumeSetName o.k.", &link::CPlexa::VolumeSetNameResult>;

std::int16_t VolumeFormat(CConsole& c) {
    return c.Link().VolumeFormat(c.Param(1), c.Param(2), FieldEquals(c.Param(3), L"1") ? 1 : 0);
}
constexpr ResultFn VolumeFormatText = FixedResult<L"VolumeFormat o.k.", &link::CPlexa::VolumeFormatResult>;

std::int16_t VolumeNameList(CConsole& c) { return c.Link().VolumeNameList(); }
int VolumeNameListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray names;
    const int r = c.Link().VolumeNameListResult(h, names);
    message = Format(L"VolumeNameList:\n%s", JoinLines(names));
    return r;
}

std::int16_t GetFullName(CConsole& c) { return c.Link().GetFullName(c.Param(1)); }
constexpr ResultFn GetFullNameText = ValueResult<L"GetFullName:\n%s", &link::CPlexa::GetFullNameResult>;

std::int16_t GetVDXName(CConsole& c) { return c.Link().GetVDXName(c.Param(1)); }
constexpr ResultFn GetVDXNameText = ValueResult<L"GetVDXName:\n%s", &link::CPlexa::GetVDXNameResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 9> kRows = {{
    // kind id     path                               slot                   busy   use    request          direct   result
    {I,    32843, L"&FileManager/Get&ActiveModule",  slot::GetActiveModule, true,  Clear, GetActiveModule, nullptr, GetActiveModuleText},
    {I,    32845, L"&FileManager/&Volume/Get&Prop",  slot::VolumeGetProp,   true,  Clear, VolumeGetProp,   nullptr, VolumeGetPropText},
    {I,    32846, L"&FileManager/&Volume/Set&Name",  slot::VolumeSetName,   true,  Clear, VolumeSetName,   nullptr, VolumeSetNameText},
    {Sep,  0,     L"&FileManager/&Volume",           kNoSlot,               false, Clear, nullptr,         nullptr, nullptr},
    {I,    32847, L"&FileManager/&Volume/&Format",   slot::VolumeFormat,    true,  Clear, VolumeFormat,    nullptr, VolumeFormatText},
    {I,    32848, L"&FileManager/&Volume/Name&List", slot::VolumeNameList,  true,  Clear, VolumeNameList,  nullptr, VolumeNameListText},
    {I,    32895, L"&FileManager/Get&FullName",      slot::GetFullName,     true,  Clear, GetFullName,     nullptr, GetFullNameText},
    {I,    32896, L"&FileManager/Get&VDXName",       slot::GetVDXName,      true,  Clear, GetVDXName,      nullptr, GetVDXNameText},
    {Sep,  0,     L"&FileManager",                   kNoSlot,               false, Clear, nullptr,         nullptr, nullptr},
}};

}  // namespace

std::span<const CommandRow> VolumeRows() { return kRows; }

}  // namespace vantel
