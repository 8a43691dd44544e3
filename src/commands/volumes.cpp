// "&FileManager": its direct commands and the submenu "&Volume".
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

int VolumeGetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::wstring name;
    link::EVolumeType type{};
    std::int32_t a = 0, b = 0, d = 0;
    const int r = c.Link().VolumeGetPropResult(h, name, type, a, b, d);
    message = Format(L"VolumeGetProp: %s\n %ld %ld %ld %ld", name, static_cast<std::int32_t>(type), a, b, d);
    return r;
}

constexpr CommandRow kRows[] = {
    Item(32843, L"&FileManager/Get&ActiveModule",  slot::GetActiveModule, Request<&P::GetActiveModule, Text<1>>,             ValueResult<L"GetActiveModule: %s", &P::GetActiveModuleResult>),
    Item(32845, L"&FileManager/&Volume/Get&Prop",  slot::VolumeGetProp,   Request<&P::VolumeGetProp, Text<1>>,               VolumeGetPropText),
    Item(32846, L"&FileManager/&Volume/Set&Name",  slot::VolumeSetName,   Request<&P::VolumeSetName, Text<1>, Text<2>>,      FixedResult<L"VolumeSetName o.k.", &P::VolumeSetNameResult>),
    Separator(L"&FileManager/&Volume"),
    Item(32847, L"&FileManager/&Volume/&Format",   slot::VolumeFormat,    Request<&P::VolumeFormat, Text<1>, Text<2>, Flag<3>>, FixedResult<L"VolumeFormat o.k.", &P::VolumeFormatResult>),
    Item(32848, L"&FileManager/&Volume/Name&List", slot::VolumeNameList,  Request<&P::VolumeNameList>,                       ValueResult<L"VolumeNameList:\n%s", &P::VolumeNameListResult>),
    Item(32895, L"&FileManager/Get&FullName",      slot::GetFullName,     Request<&P::GetFullName, Text<1>>,                 ValueResult<L"GetFullName:\n%s", &P::GetFullNameResult>),
    Item(32896, L"&FileManager/Get&VDXName",       slot::GetVDXName,      Request<&P::GetVDXName, Text<1>>,                  ValueResult<L"GetVDXName:\n%s", &P::GetVDXNameResult>),
    Separator(L"&FileManager"),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> VolumeRows() { return kRows; }

}  // namespace vantel
