// "&FileManager" > "&ModuleInformation", "&Error" and "&Notify". The four "&Notify"
// commands are standing subscriptions: every result under their handle is shown, and the
// slot stays busy until a type-1 or type-2 notification or "&Init" frees it.
#include <array>
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;
using link::DWordArray;
using link::StringArray;

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

int UserAttributesListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray names, values;
    const int r = c.Link().ModuleInformationUserAttributesListResult(h, names, values);
    message = Format(L"ModuleInformationUserAttributesList\n%s\n\n%s", JoinLines(names), JoinLines(values));
    return r;
}

int ErrorGetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::wstring s1, s2;
    std::int32_t a = 0, b = 0, d = 0;
    const int r = c.Link().ErrorGetPropResult(h, s1, a, b, d, s2);
    message = Format(L"ErrorGetProp %s %ld %ld %ld %s", s1, a, b, d, s2);
    return r;
}

// The three number arrays are fetched and dropped.
int ErrorListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray first, second;
    DWordArray a, b, d;
    const int r = c.Link().ErrorListResult(h, first, a, b, d, second);
    message = Format(L"ErrorList\n%s %s", JoinLines(first), JoinLines(second));
    return r;
}

constexpr CommandRow kRows[] = {
    Item(32876, L"&FileManager/&ModuleInformation/Get&Prop",            slot::ModuleInformationGetProp,            Request<&P::ModuleInformationGetProp, Text<1>, Unsigned<2>>,                                  GetPropText),
    Item(32877, L"&FileManager/&ModuleInformation/&SetProp",            slot::ModuleInformationSetProp,            Request<&P::ModuleInformationSetProp, Text<1>, Unsigned<2>, Flag<3>, Flag<4>, Text<5>, Text<6>>, FixedResult<L"ModuleInformationSetProp o.k.", &P::ModuleInformationSetPropResult>),
    Separator(L"&FileManager/&ModuleInformation"),
    Item(32878, L"&FileManager/&ModuleInformation/Get&UserAttribute",   slot::ModuleInformationGetUserAttribute,   Request<&P::ModuleInformationGetUserAttribute, Text<1>, Text<2>>,                        ValueResult<L"ModuleInformationGetUserAttribute %s", &P::ModuleInformationGetUserAttributeResult>),
    Item(32879, L"&FileManager/&ModuleInformation/SetUser&Attribute",   slot::ModuleInformationSetUserAttribute,   Request<&P::ModuleInformationSetUserAttribute, Text<1>, Text<2>, Text<3>>,               FixedResult<L"ModuleInformationSetUserAttribute o.k.", &P::ModuleInformationSetUserAttributeResult>),
    Item(32880, L"&FileManager/&ModuleInformation/UserAttributes&List", slot::ModuleInformationUserAttributesList, Request<&P::ModuleInformationUserAttributesList, Text<1>>,                                UserAttributesListText),
    Item(32881, L"&FileManager/&ModuleInformation/&DependenciesList",   slot::ModuleDependenciesList,              Request<&P::ModuleDependenciesList, Text<1>>,                                            ValueResult<L"ModuleDependenciesList\n%s", &P::ModuleDependenciesListResult>),
    Item(32882, L"&FileManager/&Error/Get&Prop",                        slot::ErrorGetProp,                        Request<&P::ErrorGetProp, Text<1>, Long<2>>,                                             ErrorGetPropText),
    Item(32883, L"&FileManager/&Error/&List",                           slot::ErrorList,                           Request<&P::ErrorList, Text<1>>,                                                         ErrorListText),
    Separator(L"&FileManager"),
    Item(32884, L"&FileManager/&Notify/&Volume",                        slot::NotifyVolume,                        Request<&P::NotifyVolume, Text<1>, Unsigned<2>, Long<3>>,                                ValueResult<L"NotifyVolume: %x", &P::NotifyVolumeResult>, kKeepSlot),
    Item(32885, L"&FileManager/&Notify/&Item",                          slot::NotifyItem,                          Request<&P::NotifyItem, Text<1>, Unsigned<2>, Long<3>>,                                  ValueResult<L"NotifyItem: %x", &P::NotifyItemResult>, kKeepSlot),
    Item(32886, L"&FileManager/&Notify/&ModuleInformation",             slot::NotifyModuleInformation,             Request<&P::NotifyModuleInformation, Text<1>, Unsigned<2>, Long<3>>,                     ValueResult<L"NotifyModuleInformation: %x", &P::NotifyModuleInformationResult>, kKeepSlot),
    Item(32887, L"&FileManager/&Notify/Module&Code",                    slot::NotifyModuleCode,                    Request<&P::NotifyModuleCode, Text<1>, Unsigned<2>, Long<3>>,                            ValueResult<L"NotifyModuleCode: %x", &P::NotifyModuleCodeResult>, kKeepSlot),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> ModuleInfoRows() { return kRows; }

}  // namespace vantel
