// "&FileManager" > "&Item".
#include <span>
#include <string_view>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

link::ByteArray SourceBlock(std::wstring_view name) {
    // Exactly the bytes, terminators included: the controller gets a module or a data list
    // to match the name's ending, and nothing after it.
    static constexpr char kModule[] = "DEF TEST ( )\0END";  // 17 bytes with the final zero
    static constexpr char kData[] = "DEFDAT TEST\0ENDDAT";   // 19 bytes
    const std::wstring_view tail = name.size() > 3 ? name.substr(name.size() - 3) : name;
    const std::string_view block = tail == L"SRC" ? std::string_view(kModule, sizeof kModule)
                                                  : std::string_view(kData, sizeof kData);
    return link::ByteArray(block.begin(), block.end());
}
// The block for the item named in field N.
template <int N> struct SourceBlockOf : Reads<N, ReadAs::Derived> {
    static constexpr std::wstring_view kText = L"a module for a name ending in SRC, else a data list";
    static link::ByteArray Read(const CConsole& c) { return SourceBlock(c.Param(N)); }
};

int ItemGetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    link::EItemType type{};
    std::wstring name;
    std::uint32_t a = 0, b = 0;
    link::CFileTime t1, t2, t3;
    link::EEditMode mode{};
    const int r = c.Link().ItemGetPropResult(h, type, name, a, b, t1, t2, t3, mode);
    message = Format(L"ItemGetProp %ld %s %lx %lx %lx", static_cast<std::int32_t>(type), name, a, b,
                     static_cast<std::uint32_t>(mode));
    return r;
}

int ItemCopyDestMemText(CConsole& c, std::int16_t h, std::wstring& message) {
    link::ByteArray copy;  // fetched and dropped
    message = L"ItemCopy DestMem o.k.";
    return c.Link().ItemCopyDestMemResult(h, copy);
}

using ItemType = As<link::EItemType, Long<3>>;
using ModulePart = As<link::EModulePart, Long<4>>;

// "Copy &SrcMem": when the command is refused as busy, the block is simply not built.
constexpr CommandRow kRows[] = {
    Item(32849, L"&FileManager/&Item/Get&Prop",      slot::ItemGetProp,      Request<&P::ItemGetProp, Text<1>, Unsigned<2>>,                                       ItemGetPropText),
    Item(32913, L"&FileManager/&Item/Get C&RC",      slot::ItemGetCRC,       Request<&P::ItemGetCRC, Text<1>, Flag<2>>,                                            ValueResult<L"ItemGetCRC %08lx", &P::ItemGetCRCResult>),
    Item(32850, L"&FileManager/&Item/Set&Name",      slot::ItemSetName,      Request<&P::ItemSetName, Text<1>, Text<2>>,                                           FixedResult<L"ItemSetName o.k.", &P::ItemSetNameResult>),
    Item(32851, L"&FileManager/&Item/Set&Attribute", slot::ItemSetAttribute, Request<&P::ItemSetAttribute, Text<1>, Unsigned<2>, Unsigned<3>>,                     FixedResult<L"ItemSetAttribute o.k.", &P::ItemSetAttributeResult>),
    Item(32852, L"&FileManager/&Item/Name&List",     slot::ItemNameList,     Request<&P::ItemNameList, Text<1>, LongBits<2>, Flag<3>>,                             ValueResult<L"ItemNameList\n%s", &P::ItemNameListResult>),
    Separator(L"&FileManager/&Item"),
    Item(32853, L"&FileManager/&Item/&Create",       slot::ItemCreate,       Request<&P::ItemCreate, Text<1>, Text<2>, ItemType, ModulePart, Text<5>, LongBits<6>>, FixedResult<L"ItemCreate o.k.", &P::ItemCreateResult>),
    Item(32854, L"&FileManager/&Item/&Destroy",      slot::ItemDestroy,      Request<&P::ItemDestroy, Text<1>, LongBits<2>>,                                       FixedResult<L"ItemDestroy o.k.", &P::ItemDestroyResult>),
    Separator(L"&FileManager/&Item"),
    Item(32855, L"&FileManager/&Item/C&opy",         slot::ItemCopy,         Request<&P::ItemCopy, Text<1>, Text<2>, Unsigned<3>>,                                 FixedResult<L"ItemCopy o.k.", &P::ItemCopyResult>),
    Item(32888, L"&FileManager/&Item/Copy &SrcMem",  slot::ItemCopySrcMem,   Request<&P::ItemCopySrcMem, SourceBlockOf<1>, Text<1>, Unsigned<2>>,                 FixedResult<L"ItemCopy SrcMem o.k.", &P::ItemCopyResult>),
    Item(32889, L"&FileManager/&Item/Copy D&estMem", slot::ItemCopyDestMem,  Request<&P::ItemCopyDestMem, Text<1>, Unsigned<2>>,                                   ItemCopyDestMemText),
    Separator(L"&FileManager/&Item"),
    Item(32856, L"&FileManager/&Item/&Move",         slot::ItemMove,         Request<&P::ItemMove, Text<1>, Text<2>, Unsigned<3>>,                                 FixedResult<L"ItemMove o.k.", &P::ItemMoveResult>),
    Item(32857, L"&FileManager/&Item/Compar&e",      slot::ItemCompare,      Request<&P::ItemCompare, Text<1>, Text<2>>,                                           ValueResult<L"ItemCompare %d", &P::ItemCompareResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> ItemRows() { return kRows; }

}  // namespace vantel
