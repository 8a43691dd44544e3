// "&FileManager" > "Module&Code". Field 1 names the open module by its number in every
// command but "&Open", which returns that number.
#include <array>
#include <span>

#include "commands/catalogue.h"
#include "commands/result_rows.h"
#include "jobs/console.h"
#include "jobs/convert.h"

namespace vantel {
namespace {

using link::StringArray;

std::int32_t Signed(CConsole& c, int n) { return ScanField<std::int32_t>(c.Param(n), L"%ld"); }
std::uint32_t Unsigned(CConsole& c, int n) { return ScanField<std::uint32_t>(c.Param(n), L"%lu"); }
link::EEditMode EditMode(CConsole& c, int n) { return static_cast<link::EEditMode>(Unsigned(c, n)); }
StringArray List(CConsole& c, int n) {
    StringArray lines;
    SplitList(c.Param(n), lines);
    return lines;
}

std::int16_t GetProp(CConsole& c) { return c.Link().ModuleCodeGetProp(Signed(c, 1)); }
int GetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t number = 0;
    link::ECodeType type{};
    const int r = c.Link().ModuleCodeGetPropResult(h, number, type);
    message = Format(L"ModuleCodeGetProp %ld %ld", number, static_cast<std::int32_t>(type));
    return r;
}

// The fourth argument has no field of its own: it takes field 3's text, the edit mode as
// typed.
std::int16_t Open(CConsole& c) {
    return c.Link().ModuleCodeOpen(c.Param(1), Unsigned(c, 2), EditMode(c, 3), c.Param(3), c.Param(4));
}
constexpr ResultFn OpenText = ValueResult<L"ModuleCodeOpen %ld", &link::CPlexa::ModuleCodeOpenResult>;

std::int16_t Close(CConsole& c) {
    return c.Link().ModuleCodeClose(Signed(c, 1), FieldEquals(c.Param(2), L"0") ? 0 : 1, EditMode(c, 3));
}
constexpr ResultFn CloseText = FixedResult<L"ModuleCodeClose o.k.", &link::CPlexa::ModuleCodeCloseResult>;

std::int16_t GetLines(CConsole& c) { return c.Link().ModuleCodeGetLines(Signed(c, 1), Signed(c, 2), Signed(c, 3)); }
int GetLinesText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray lines;
    const int r = c.Link().ModuleCodeGetLinesResult(h, lines);
    message = Format(L"ModuleCodeGetLines\n%s", JoinLines(lines));
    return r;
}

std::int16_t InsertLines(CConsole& c) { return c.Link().ModuleCodeInsertLines(Signed(c, 1), Signed(c, 2), List(c, 3)); }
constexpr ResultFn InsertLinesText = FixedResult<L"ModuleCodeInsertLines o.k.", &link::CPlexa::ModuleCodeInsertLinesResult>;

std::int16_t DeleteLines(CConsole& c) {
    return c.Link().ModuleCodeDeleteLines(Signed(c, 1), Signed(c, 2), Signed(c, 3));
}
constexpr ResultFn DeleteLinesText = FixedResult<L"ModuleCodeDeleteLines o.k.", &link::CPlexa::ModuleCodeDeleteLinesResult>;

std::int16_t ReplaceLines(CConsole& c) {
    return c.Link().ModuleCodeReplaceLines(Signed(c, 1), Signed(c, 2), Signed(c, 3), List(c, 4));
}
int ReplaceLinesText(CConsole& c, std::int16_t h, std::wstring& message) {
    StringArray lines;
    const int r = c.Link().ModuleCodeReplaceLinesResult(h, lines);
    message = Format(L"ModuleCodeReplaceLines\n%s", JoinLines(lines));
    return r;
}

std::int16_t Redeclare(CConsole& c) {
    return c.Link().ModuleCodeRedeclare(Signed(c, 1), c.Param(2), c.Param(3), c.Param(4));
}
constexpr ResultFn RedeclareText = FixedResult<L"ModuleCodeRedeclare o.k.", &link::CPlexa::ModuleCodeRedeclareResult>;

// The seventh, eighth and tenth arguments are fixed; field 7 only switches the ninth.
std::int16_t Find(CConsole& c) {
    const std::int32_t flag = ScanField<std::int32_t>(c.Param(7), L"%d") != 0 ? 1 : 0;
    return c.Link().ModuleCodeFind(Signed(c, 1), c.Param(2), Signed(c, 3), Signed(c, 4), Signed(c, 5), Signed(c, 6),
                                   1, 0, flag, 0);
}
int FindText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t a = 0, b = 0, d = 0, e = 0;
    const int r = c.Link().ModuleCodeFindResult(h, a, b, d, e);
    message = Format(L"ModuleCodeFind %ld %ld %ld %ld", a, b, d, e);
    return r;
}

std::int16_t FindStruct(CConsole& c) {
    const auto kind = static_cast<link::EStructKind>(Signed(c, 3));
    return c.Link().ModuleCodeFindStruct(Signed(c, 1), Signed(c, 2), kind, FieldEquals(c.Param(4), L"1") ? 1 : 0);
}
int FindStructText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t number = 0;
    link::EStructKind kind{};
    std::wstring text;
    const int r = c.Link().ModuleCodeFindStructResult(h, number, kind, text);
    message = Format(L"ModuleCodeFindStruct %ld %ld %s", number, static_cast<std::int32_t>(kind), text);
    return r;
}

std::int16_t Select(CConsole& c) { return c.Link().ModuleCodeSelect(Signed(c, 1), Signed(c, 2)); }
constexpr ResultFn SelectText = FixedResult<L"ModuleCodeSelect o.k.", &link::CPlexa::ModuleCodeSelectResult>;

std::int16_t SelectLine(CConsole& c) { return c.Link().ModuleCodeSelectLine(Signed(c, 1), Signed(c, 2), c.Param(3)); }
constexpr ResultFn SelectLineText = FixedResult<L"ModuleCodeSelectLine o.k.", &link::CPlexa::ModuleCodeSelectLineResult>;

constexpr auto I = RowKind::Item;
constexpr auto Sep = RowKind::Separator;
constexpr auto Clear = SlotUse::Clear;

constexpr std::array<CommandRow, 17> kRows = {{
    // kind id     path                                       slot                          busy   use    request       direct   result
    {Sep,  0,     L"&FileManager",                           kNoSlot,                      false, Clear, nullptr,      nullptr, nullptr},
    {I,    32865, L"&FileManager/Module&Code/Get&Prop",      slot::ModuleCodeGetProp,      true,  Clear, GetProp,      nullptr, GetPropText},
    {Sep,  0,     L"&FileManager/Module&Code",               kNoSlot,                      false, Clear, nullptr,      nullptr, nullptr},
    {I,    32866, L"&FileManager/Module&Code/&Open",         slot::ModuleCodeOpen,         true,  Clear, Open,         nullptr, OpenText},
    {I,    32867, L"&FileManager/Module&Code/&Close",        slot::ModuleCodeClose,        true,  Clear, Close,        nullptr, CloseText},
    {Sep,  0,     L"&FileManager/Module&Code",               kNoSlot,                      false, Clear, nullptr,      nullptr, nullptr},
    {I,    32868, L"&FileManager/Module&Code/&GetLines",     slot::ModuleCodeGetLines,     true,  Clear, GetLines,     nullptr, GetLinesText},
    {I,    32869, L"&FileManager/Module&Code/&InsertLines",  slot::ModuleCodeInsertLines,  true,  Clear, InsertLines,  nullptr, InsertLinesText},
    {I,    32870, L"&FileManager/Module&Code/&DeleteLines",  slot::ModuleCodeDeleteLines,  true,  Clear, DeleteLines,  nullptr, DeleteLinesText},
    {I,    32871, L"&FileManager/Module&Code/&ReplaceLines", slot::ModuleCodeReplaceLines, true,  Clear, ReplaceLines, nullptr, ReplaceLinesText},
    {I,    32872, L"&FileManager/Module&Code/R&edeclare",    slot::ModuleCodeRedeclare,    true,  Clear, Redeclare,    nullptr, RedeclareText},
    {Sep,  0,     L"&FileManager/Module&Code",               kNoSlot,                      false, Clear, nullptr,      nullptr, nullptr},
    {I,    32873, L"&FileManager/Module&Code/&Find",         slot::ModuleCodeFind,         true,  Clear, Find,         nullptr, FindText},
    {I,    32874, L"&FileManager/Module&Code/Find&Struct",   slot::ModuleCodeFindStruct,   true,  Clear, FindStruct,   nullptr, FindStructText},
    {Sep,  0,     L"&FileManager/Module&Code",               kNoSlot,                      false, Clear, nullptr,      nullptr, nullptr},
    {I,    32906, L"&FileManager/Module&Code/Selec&t",       slot::ModuleCodeSelect,       true,  Clear, Select,       nullptr, SelectText},
    {I,    32875, L"&FileManager/Module&Code/Select&Line",   slot::ModuleCodeSelectLine,   true,  Clear, SelectLine,   nullptr, SelectLineText},
}};

}  // namespace

std::span<const CommandRow> ModuleCodeRows() { return kRows; }

}  // namespace vantel
