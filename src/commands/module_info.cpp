// "&FileManager" > "&ModuleInformation", "&Error" and "&Notify". The four "&Notify"
// commands are standing subscriptions: every result under their handle is shown, and the
// slot stays busy until a type-1 or type-2 notification or "&Init" frees it.
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

using link::DWordArray;
using link::StringArray;

std::int32_t Signed(CConsole& c, int n) { return ScanField<std::int32_t>(c.Param(n), L"%ld"); }
std::uint32_t Unsigned(CConsole& c, int n) { return ScanField<std::uint32_t>(c.Param(n), L"%lu"); }
std::int32_t OneFlag(CConsole& c, int n) { return FieldEquals(c.Param(n), L"1") ? 1 : 0; }

std::int16_t GetProp(CConsole& c) { return c.Link().ModuleInformationGetProp(c.Param(1), Unsigned(c, 2)); }
int GetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    link::ESourceType source{};
    std::array<std::int32_t, 4> n{};
    std::array<std::int32_t, 8> k{};
    std::wstring s1, s2;
    link::EItemState st1{}, st2{};
    const int r = c.Link().ModuleInformationGetPropResult(h, source, n[0], n[1], n[2], n[3], k[0], k[1], k[2], k[3],
                                                          k[4], k[5], k[6], k[7], s1, s2, st1, st2);
    message = Format(L"ModuleInformationGetProp\n%ld %ld %d\n%ld %ld\n%d %d %d %d %d %d %d %d\n\"%s\" \"%s\"\n%d %d",
                     static_cast<std::int32_t>(source), n[0], n[1], n[2], n[3], k[0], k[1], k[2], k[3], k[4], k[5],
                     k[6], k[7], s1, s2, static_cast<std::int32_t>(st1), static_cast<std::int32_t>(st2));
    return r;
}

std::int16_t SetProp(CConsole& c) {
    return c.Link().ModuleInformationSetProp(c.Param(1), Unsigned(c, 2), OneFlag(c, 3), OneFlag(c, 4), c.Param(5),
                                             c.Param(6));
}
constexpr ResultFn SetPropText = FixedResult<L"ModuleInformationSetProp o.k.", &link::CPlexa::ModuleInformationSetPropResult>;

std::int16_t GetUserAttribute(CConsole& c) {
    return c.Link().ModuleInformationGetUserAttribute(c.Param(1), c.Param(2));
}
constexpr ResultFn GetUserAttributeText = ValueResult<L"ModuleInformationGetUserAttribute %s", &link::CPlexa::ModuleInformationGetUserAttributeResult>;

std::int16_t SetUserAttribute(CConsole& c) {
    return c.Link().ModuleInformationSetUserAttribute(c.Param(1), c.Param(2), c.Param(3));
}
constexpr ResultFn SetUserAttributeText = FixedResult<L"ModuleInformationSetUserAttribute o.k.", &link::CPlexa::ModuleInformationSetUserAttributeResult>;

std::int16_t UserAttributesList(CConsole& c) { return c.Link().ModuleInformationUserAttributesList(c.Param(1)); }
int UserAttributesListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray names, values;
    const int r = c.Link().ModuleInformationUserAttributesListResult(h, names, values);
    message = Format(L"ModuleInformationUserAttributesList\n%s\n\n%s", JoinLines(names), JoinLines(values));
    return r;
}

std::int16_t DependenciesList(CConsole& c) { return c.Link().ModuleDependenciesList(c.Param(1)); }
int DependenciesListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray modules;
    const int r = c.Link().ModuleDependenciesListResult(h, modules);
    message = Format(L"ModuleDependenciesList\n%s", JoinLines(modules));
    return r;
}

std::int16_t ErrorGetProp(CConsole& c) { return c.Link().ErrorGetProp(c.Param(1), Signed(c, 2)); }
int ErrorGetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::wstring s1, s2;
    std::int32_t a = 0, b = 0, d = 0;
    const int r = c.Link().ErrorGetPropResult(h, s1, a, b, d, s2);
    message = Format(L"ErrorGetProp %s %ld %ld %ld %s", s1, a, b, d, s2);
    return r;
}

// The three number arrays are fetched and dropped.
std::int16_t ErrorList(CConsole& c) { return c.Link().ErrorList(c.Param(1)); }
int ErrorListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray first, second;
    DWordArray a, b, d;
    const int r = c.Link().ErrorListResult(h, first, a, b, d, second);
    message = Format(L"ErrorList\n%s %s", JoinLines(first), JoinLines(second));
    return r;
}

std::int16_t NotifyVolume(CConsole& c) { return c.Link().NotifyVolume(c.Param(1), Unsigned(c, 2), Signed(c, 3)); }
std::int16_t NotifyItem(CConsole& c) { return c.Link().NotifyItem(c.Param(1), Unsigned(c, 2), Signed(c, 3)); }
std::int16_t NotifyModuleInformation(CConsole& c) {
    return c.Link().NotifyModuleInformation(c.Param(1), Unsigned(c, 2), Signed(c, 3));
}
std::int16_t NotifyModuleCode(CConsole& c) {
    return c.Link().NotifyModuleCode(c.Param(1), Unsigned(c, 2), Signed(c, 3));
}

constexpr ResultFn NotifyVolumeText = ValueResult<L"NotifyVolume: %x", &link::CPlexa::NotifyVolumeResult>;
constexpr ResultFn NotifyItemText = ValueResult<L"NotifyItem: %x", &link::CPlexa::NotifyItemResult>;
constexpr ResultFn NotifyModuleInformationText = ValueResult<L"NotifyModuleInformation: %x", &link::CPlexa::NotifyModuleInformationResult>;
constexpr ResultFn NotifyModuleCodeText = ValueResult<L"NotifyModuleCode: %x", &link::CPlexa::NotifyModuleCodeResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;
constexpr auto Keep = SlotUse::Keep;

constexpr std::array<CommandRow, 14> kRows = {{
    // kind id     path                                                    slot                                       busy   use    request                  direct   result
    {I,    32876, L"&FileManager/&ModuleInformation/Get&Prop",            slot::ModuleInformationGetProp,            true,  Clear, GetProp,                 nullptr, GetPropText},
    {I,    32877, L"&FileManager/&ModuleInformation/&SetProp",            slot::ModuleInformationSetProp,            true,  Clear, SetProp,                 nullptr, SetPropText},
    {Sep,  0,     L"&FileManager/&ModuleInformation",                     kNoSlot,                                   false, Clear, nullptr,                 nullptr, nullptr},
    {I,    32878, L"&FileManager/&ModuleInformation/Get&UserAttribute",   slot::ModuleInformationGetUserAttribute,   true,  Clear, GetUserAttribute,        nullptr, GetUserAttributeText},
    {I,    32879, L"&FileManager/&ModuleInformation/SetUser&Attribute",   slot::ModuleInformationSetUserAttribute,   true,  Clear, SetUserAttribute,        nullptr, SetUserAttributeText},
    {I,    32880, L"&FileManager/&ModuleInformation/UserAttributes&List", slot::ModuleInformationUserAttributesList, true,  Clear, UserAttributesList,      nullptr, UserAttributesListText},
    {I,    32881, L"&FileManager/&ModuleInformation/&DependenciesList",   slot::ModuleDependenciesList,              true,  Clear, DependenciesList,        nullptr, DependenciesListText},
    {I,    32882, L"&FileManager/&Error/Get&Prop",                        slot::ErrorGetProp,                        true,  Clear, ErrorGetProp,            nullptr, ErrorGetPropText},
    {I,    32883, L"&FileManager/&Error/&List",                           slot::ErrorList,                           true,  Clear, ErrorList,               nullptr, ErrorListText},
    {Sep,  0,     L"&FileManager",                                        kNoSlot,                                   false, Clear, nullptr,                 nullptr, nullptr},
    {I,    32884, L"&FileManager/&Notify/&Volume",                        slot::NotifyVolume,                        true,  Keep,  NotifyVolume,            nullptr, NotifyVolumeText},
    {I,    32885, L"&FileManager/&Notify/&Item",                          slot::NotifyItem,                          true,  Keep,  NotifyItem,              nullptr, NotifyItemText},
    {I,    32886, L"&FileManager/&Notify/&ModuleInformation",             slot::NotifyModuleInformation,             true,  Keep,  NotifyModuleInformation, nullptr, NotifyModuleInformationText},
    {I,    32887, L"&FileManager/&Notify/Module&Code",                    slot::NotifyModuleCode,                    true,  Keep,  NotifyModuleCode,        nullptr, NotifyModuleCodeText},
}};

}  // namespace

std::span<const CommandRow> ModuleInfoRows() { return kRows; }

}  // namespace vantel
