// "&FileManager" > "&Item".
#include <array>
#include <span>
#include <string_view>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

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

using link::StringArray;

std::uint32_t Unsigned(CConsole& c, int n) { return ScanField<std::uint32_t>(c.Param(n), L"%lu"); }
// "%ld" where the request declares an unsigned value: the bits pass unchanged.
std::uint32_t SignedAsUnsigned(CConsole& c, int n) {
    return static_cast<std::uint32_t>(ScanField<std::int32_t>(c.Param(n), L"%ld"));
}
std::int32_t OneFlag(CConsole& c, int n) { return FieldEquals(c.Param(n), L"1") ? 1 : 0; }

std::int16_t ItemGetProp(CConsole& c) { return c.Link().ItemGetProp(c.Param(1), Unsigned(c, 2)); }
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

std::int16_t ItemGetCRC(CConsole& c) { return c.Link().ItemGetCRC(c.Param(1), OneFlag(c, 2)); }
constexpr ResultFn ItemGetCRCText = ValueResult<L"ItemGetCRC %08lx", &link::CPlexa::ItemGetCRCResult>;

std::int16_t ItemSetName(CConsole& c) { return c.Link().ItemSetName(c.Param(1), c.Param(2)); }
constexpr ResultFn ItemSetNameText = FixedResult<L"ItemSetName o.k.", &link::CPlexa::ItemSetNameResult>;

std::int16_t ItemSetAttribute(CConsole& c) {
    return c.Link().ItemSetAttribute(c.Param(1), Unsigned(c, 2), Unsigned(c, 3));
}
constexpr ResultFn ItemSetAttributeText = FixedResult<L"ItemSetAttribute o.k.", &link::CPlexa::ItemSetAttributeResult>;

std::int16_t ItemNameList(CConsole& c) {
    return c.Link().ItemNameList(c.Param(1), SignedAsUnsigned(c, 2), OneFlag(c, 3));
}
int ItemNameListText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray names;
    const int r = c.Link().ItemNameListResult(h, names);
    message = Format(L"ItemNameList\n%s", JoinLines(names));
    return r;
}

std::int16_t ItemCreate(CConsole& c) {
    const auto type = static_cast<link::EItemType>(ScanField<std::int32_t>(c.Param(3), L"%ld"));
    const auto part = static_cast<link::EModulePart>(ScanField<std::int32_t>(c.Param(4), L"%ld"));
    return c.Link().ItemCreate(c.Param(1), c.Param(2), type, part, c.Param(5), SignedAsUnsigned(c, 6));
}
constexpr ResultFn ItemCreateText = FixedResult<L"ItemCreate o.k.", &link::CPlexa::ItemCreateResult>;

std::int16_t ItemDestroy(CConsole& c) { return c.Link().ItemDestroy(c.Param(1), SignedAsUnsigned(c, 2)); }
constexpr ResultFn ItemDestroyText = FixedResult<L"ItemDestroy o.k.", &link::CPlexa::ItemDestroyResult>;

std::int16_t ItemCopy(CConsole& c) { return c.Link().ItemCopy(c.Param(1), c.Param(2), Unsigned(c, 3)); }
constexpr ResultFn ItemCopyText = FixedResult<L"ItemCopy o.k.", &link::CPlexa::ItemCopyResult>;

// The block is built before the busy check, as the other conversions are; when the command
// is refused it is simply dropped.
std::int16_t ItemCopySrcMem(CConsole& c) {
    const std::uint32_t flags = Unsigned(c, 2);
    const link::ByteArray block = SourceBlock(c.Param(1));
    return c.Link().ItemCopySrcMem(block, c.Param(1), flags);
}
constexpr ResultFn ItemCopySrcMemText = FixedResult<L"ItemCopy SrcMem o.k.", &link::CPlexa::ItemCopyResult>;

std::int16_t ItemCopyDestMem(CConsole& c) { return c.Link().ItemCopyDestMem(c.Param(1), Unsigned(c, 2)); }
int ItemCopyDestMemText(CConsole& c, std::int16_t h, std::wstring& message) {
    link::ByteArray copy;  // fetched and dropped
    message = L"ItemCopy DestMem o.k.";
    return c.Link().ItemCopyDestMemResult(h, copy);
}

std::int16_t ItemMove(CConsole& c) { return c.Link().ItemMove(c.Param(1), c.Param(2), Unsigned(c, 3)); }
constexpr ResultFn ItemMoveText = FixedResult<L"ItemMove o.k.", &link::CPlexa::ItemMoveResult>;

std::int16_t ItemCompare(CConsole& c) { return c.Link().ItemCompare(c.Param(1), c.Param(2)); }
constexpr ResultFn ItemCompareText = ValueResult<L"ItemCompare %d", &link::CPlexa::ItemCompareResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 15> kRows = {{
    // kind id     path                                 slot                    busy   use    request           direct   result
    {I,    32849, L"&FileManager/&Item/Get&Prop",      slot::ItemGetProp,      true,  Clear, ItemGetProp,      nullptr, ItemGetPropText},
    {I,    32913, L"&FileManager/&Item/Get C&RC",      slot::ItemGetCRC,       true,  Clear, ItemGetCRC,       nullptr, ItemGetCRCText},
    {I,    32850, L"&FileManager/&Item/Set&Name",      slot::ItemSetName,      true,  Clear, ItemSetName,      nullptr, ItemSetNameText},
    {I,    32851, L"&FileManager/&Item/Set&Attribute", slot::ItemSetAttribute, true,  Clear, ItemSetAttribute, nullptr, ItemSetAttributeText},
    {I,    32852, L"&FileManager/&Item/Name&List",     slot::ItemNameList,     true,  Clear, ItemNameList,     nullptr, ItemNameListText},
    {Sep,  0,     L"&FileManager/&Item",               kNoSlot,                false, Clear, nullptr,          nullptr, nullptr},
    {I,    32853, L"&FileManager/&Item/&Create",       slot::ItemCreate,       true,  Clear, ItemCreate,       nullptr, ItemCreateText},
    {I,    32854, L"&FileManager/&Item/&Destroy",      slot::ItemDestroy,      true,  Clear, ItemDestroy,      nullptr, ItemDestroyText},
    {Sep,  0,     L"&FileManager/&Item",               kNoSlot,                false, Clear, nullptr,          nullptr, nullptr},
    {I,    32855, L"&FileManager/&Item/C&opy",         slot::ItemCopy,         true,  Clear, ItemCopy,         nullptr, ItemCopyText},
    {I,    32888, L"&FileManager/&Item/Copy &SrcMem",  slot::ItemCopySrcMem,   true,  Clear, ItemCopySrcMem,   nullptr, ItemCopySrcMemText},
    {I,    32889, L"&FileManager/&Item/Copy D&estMem", slot::ItemCopyDestMem,  true,  Clear, ItemCopyDestMem,  nullptr, ItemCopyDestMemText},
    {Sep,  0,     L"&FileManager/&Item",               kNoSlot,                false, Clear, nullptr,          nullptr, nullptr},
    {I,    32856, L"&FileManager/&Item/&Move",         slot::ItemMove,         true,  Clear, ItemMove,         nullptr, ItemMoveText},
    {I,    32857, L"&FileManager/&Item/Compar&e",      slot::ItemCompare,      true,  Clear, ItemCompare,      nullptr, ItemCompareText},
}};

}  // namespace

std::span<const CommandRow> ItemRows() { return kRows; }

}  // namespace vantel
