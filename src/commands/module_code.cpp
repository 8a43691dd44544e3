// "&FileManager" > "Module&Code". Field 1 names the open module by its number in every
// command but "&Open", which returns that number.
#include <span>

#include "commands/rows.h"

namespace vantel {
namespace {

using namespace field;
using namespace row;

int GetPropText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t number = 0;
    link::ECodeType type{};
    const int r = c.Link().ModuleCodeGetPropResult(h, number, type);
    message = Format(L"ModuleCodeGetProp %ld %ld", number, static_cast<std::int32_t>(type));
    return r;
}

int FindText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t a = 0, b = 0, d = 0, e = 0;
    const int r = c.Link().ModuleCodeFindResult(h, a, b, d, e);
    message = Format(L"ModuleCodeFind %ld %ld %ld %ld", a, b, d, e);
    return r;
}

int FindStructText(CConsole& c, std::int16_t h, std::wstring& message) {
    std::int32_t number = 0;
    link::EStructKind kind{};
    std::wstring text;
    const int r = c.Link().ModuleCodeFindStructResult(h, number, kind, text);
    message = Format(L"ModuleCodeFindStruct %ld %ld %s", number, static_cast<std::int32_t>(kind), text);
    return r;
}

template <int N> using EditMode = As<link::EEditMode, Unsigned<N>>;

constexpr Sender Find = Request<&P::ModuleCodeFind, Long<1>, Text<2>, Long<3>, Long<4>, Long<5>, Long<6>, Fixed<1>,
                                   Fixed<0>, NonZero<Long<7>>, Fixed<0>>;

// "&Open": the fourth argument has no field of its own; it takes field 3's text, the edit
// mode as typed. "&Close" passes 0 only for a field 2 of exactly "0". "&Find": the seventh, eighth
// and tenth arguments are fixed; field 7 only switches the ninth.
constexpr CommandRow kRows[] = {
    Separator(L"&FileManager"),
    Item(32865, L"&FileManager/Module&Code/Get&Prop",      slot::ModuleCodeGetProp,      Request<&P::ModuleCodeGetProp, Long<1>>,                                      GetPropText),
    Separator(L"&FileManager/Module&Code"),
    Item(32866, L"&FileManager/Module&Code/&Open",         slot::ModuleCodeOpen,         Request<&P::ModuleCodeOpen, Text<1>, Unsigned<2>, EditMode<3>, Text<3>, Text<4>>, ValueResult<L"ModuleCodeOpen %ld", &P::ModuleCodeOpenResult>),
    Item(32867, L"&FileManager/Module&Code/&Close",        slot::ModuleCodeClose,        Request<&P::ModuleCodeClose, Long<1>, IsNot<2, L"0">, EditMode<3>>,           FixedResult<L"ModuleCodeClose o.k.", &P::ModuleCodeCloseResult>),
    Separator(L"&FileManager/Module&Code"),
    Item(32868, L"&FileManager/Module&Code/&GetLines",     slot::ModuleCodeGetLines,     Request<&P::ModuleCodeGetLines, Long<1>, Long<2>, Long<3>>,                   ValueResult<L"ModuleCodeGetLines\n%s", &P::ModuleCodeGetLinesResult>),
    Item(32869, L"&FileManager/Module&Code/&InsertLines",  slot::ModuleCodeInsertLines,  Request<&P::ModuleCodeInsertLines, Long<1>, Long<2>, List<3>>,                FixedResult<L"ModuleCodeInsertLines o.k.", &P::ModuleCodeInsertLinesResult>),
    Item(32870, L"&FileManager/Module&Code/&DeleteLines",  slot::ModuleCodeDeleteLines,  Request<&P::ModuleCodeDeleteLines, Long<1>, Long<2>, Long<3>>,                FixedResult<L"ModuleCodeDeleteLines o.k.", &P::ModuleCodeDeleteLinesResult>),
    Item(32871, L"&FileManager/Module&Code/&ReplaceLines", slot::ModuleCodeReplaceLines, Request<&P::ModuleCodeReplaceLines, Long<1>, Long<2>, Long<3>, List<4>>,       ValueResult<L"ModuleCodeReplaceLines\n%s", &P::ModuleCodeReplaceLinesResult>),
    Item(32872, L"&FileManager/Module&Code/R&edeclare",    slot::ModuleCodeRedeclare,    Request<&P::ModuleCodeRedeclare, Long<1>, Text<2>, Text<3>, Text<4>>,         FixedResult<L"ModuleCodeRedeclare o.k.", &P::ModuleCodeRedeclareResult>),
    Separator(L"&FileManager/Module&Code"),
    Item(32873, L"&FileManager/Module&Code/&Find",         slot::ModuleCodeFind,         Find,                                                                          FindText),
    Item(32874, L"&FileManager/Module&Code/Find&Struct",   slot::ModuleCodeFindStruct,   Request<&P::ModuleCodeFindStruct, Long<1>, Long<2>, As<link::EStructKind, Long<3>>, Flag<4>>, FindStructText),
    Separator(L"&FileManager/Module&Code"),
    Item(32906, L"&FileManager/Module&Code/Selec&t",       slot::ModuleCodeSelect,       Request<&P::ModuleCodeSelect, Long<1>, Long<2>>,                              FixedResult<L"ModuleCodeSelect o.k.", &P::ModuleCodeSelectResult>),
    Item(32875, L"&FileManager/Module&Code/Select&Line",   slot::ModuleCodeSelectLine,   Request<&P::ModuleCodeSelectLine, Long<1>, Long<2>, Text<3>>,                 FixedResult<L"ModuleCodeSelectLine o.k.", &P::ModuleCodeSelectLineResult>),
};
static_assert(WellFormed(kRows));

}  // namespace

std::span<const CommandRow> ModuleCodeRows() { return kRows; }

}  // namespace vantel
