// The menu "&Editor" through the console, with the fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;
using Strings = link::StringArray;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

class Editor : public ::testing::Test, protected test::ConsoleRig {
protected:
    // The result of the newest request, which took the fake link's next handle.
    void PostLast() { Post(static_cast<std::int16_t>(link->nextHandle - 1), 0); }
    void Fields(std::wstring f1, std::wstring f2, std::wstring f3, std::wstring f4) {
        surface.SetField(1, std::move(f1));
        surface.SetField(2, std::move(f2));
        surface.SetField(3, std::move(f3));
        surface.SetField(4, std::move(f4));
    }
};

// n: a 16-bit number; t: the field's text; l: the field as a list.
struct EditorCommand {
    int id;
    CallId request;
    CallId result;
    int slot;
    const char* args;
    const wchar_t* shown;
};

const EditorCommand kFixed[] = {
    {32814, CallId::OCEditInsert, CallId::OCEditInsertResult, slot::OCEditInsert, "ntnt", L"OC Edit Insert o.k."},
    {32916, CallId::OCEditInsertBlock, CallId::OCEditInsertBlockResult, slot::OCEditInsertBlock, "ntnl",
     L"OC Edit Insert Block o.k."},
    {32815, CallId::OCEditChange, CallId::OCEditChangeResult, slot::OCEditChange, "ntnt", L"OC Edit Change o.k."},
    {32816, CallId::OCEditRedecl, CallId::OCEditRedeclResult, slot::OCEditRedecl, "ntt", L"OC Edit Redecl o.k."},
    {32817, CallId::OCEditDelete, CallId::OCEditDeleteResult, slot::OCEditDelete, "ntn", L"OC Edit Delete o.k."},
    {32825, CallId::OCEditDeleteBlock, CallId::OCEditDeleteBlockResult, slot::OCEditDeleteBlock, "ntnn",
     L"OC Edit Delete Block o.k."},
    {32740, CallId::EditOpen, CallId::EditOpenResult, slot::EditOpen, "nt", L"Edit Open o.k."},
    {32741, CallId::EditClose, CallId::EditCloseResult, slot::EditClose, "n", L"Edit Close o.k."},
    {32742, CallId::EditInsert, CallId::EditInsertResult, slot::EditInsert, "nt", L"Edit Insert o.k."},
    {32743, CallId::EditChange, CallId::EditChangeResult, slot::EditChange, "nt", L"Edit Change o.k."},
    {32744, CallId::EditRedecl, CallId::EditRedeclResult, slot::EditRedecl, "t", L"Edit Redecl o.k."},
    {32745, CallId::EditDelete, CallId::EditDeleteResult, slot::EditDelete, "n", L"Edit Delete o.k."},
    {32747, CallId::EditDescrMode, CallId::EditDescrModeResult, slot::EditDescrMode, "n", L"Edit Descr Mode o.k."},
    {32818, CallId::EditAnalyse, CallId::EditAnalyseResult, slot::EditAnalyse, "t", L"Edit Analyse o.k."},
};

// Field n holds a number with trailing text in numeric positions, so the test tells a
// number from a text, and each field's number is distinct, so it tells the fields apart.
TEST_F(Editor, EachCommandConvertsItsFieldsAndReportsItsText) {
    const std::wstring texts[] = {L"11 eins", L"22|zwei", L"-33x", L"4|4"};
    const std::int64_t numbers[] = {11, 22, -33, 4};
    const Strings lists[] = {{L"11 eins"}, {L"22", L"zwei"}, {L"-33x"}, {L"4", L"4"}};
    Fields(texts[0], texts[1], texts[2], texts[3]);
    std::int16_t h = 200;
    for (const EditorCommand& cmd : kFixed) {
        SCOPED_TRACE(cmd.shown);
        link->handles = {h};
        Menu(cmd.id);
        const auto sent = link->CallsTo(cmd.request);
        ASSERT_EQ(sent.size(), 1u);
        const std::string kinds = cmd.args;
        ASSERT_EQ(sent[0].args.size(), kinds.size());
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            SCOPED_TRACE(i);
            if (kinds[i] == 'n') {
                EXPECT_EQ(sent[0].Int(i), numbers[i]);
            } else if (kinds[i] == 't') {
                EXPECT_EQ(sent[0].Str(i), texts[i]);
            } else {
                EXPECT_EQ(std::get<Strings>(sent[0].args[i]), lists[i]);
            }
        }
        EXPECT_EQ(Slot(cmd.slot), h);
        Post(h, 0);
        ASSERT_EQ(link->Count(cmd.result), 1u);
        EXPECT_EQ(surface.boxes.back(), cmd.shown);
        EXPECT_EQ(Slot(cmd.slot), 0);
        ++h;
    }
    EXPECT_EQ(surface.boxes.size(), std::size(kFixed));
}

TEST_F(Editor, InsertBlockCutsFieldFourAtEveryBar) {
    const std::pair<std::wstring, Strings> cases[] = {
        {L"x|y|z", {L"x", L"y", L"z"}},
        {L"x|", {L"x"}},
        {L"|x", {L"", L"x"}},
        {L"x||y", {L"x", L"", L"y"}},
        {L"|", {L""}},
        {L"", {}},
        {L" a | b ", {L" a ", L" b "}},
    };
    for (const auto& [text, expected] : cases) {
        surface.SetField(4, text);
        Menu(32916);
        const auto& sent = link->calls.back();
        ASSERT_EQ(sent.id, CallId::OCEditInsertBlock);
        EXPECT_EQ(std::get<Strings>(sent.args.at(3)), expected) << "field 4: " << testing::PrintToString(text);
        EXPECT_EQ(console->Param(4), text);  // the parameter string itself is untouched
        PostLast();
    }
    EXPECT_EQ(surface.boxes.size(), std::size(cases));
}

TEST_F(Editor, PrintShowsItsOutStringAsTheWholeMessage) {
    surface.SetField(1, L"3");
    link->Answer(CallId::EditPrintResult, 1, {std::wstring(L"DEF MAIN()\r\n  PTP HOME\r\nEND %s %d")});
    link->Answer(CallId::EditPrintResult, 1, {std::wstring()});
    link->Answer(CallId::EditPrintResult, 0, {std::wstring(L"not shown")});
    for (int i = 0; i < 3; ++i) {
        Menu(32746);
        PostLast();
    }
    EXPECT_EQ(link->CallsTo(CallId::EditPrint).at(0).Int(0), 3);
    EXPECT_EQ(surface.boxes, (Boxes{L"DEF MAIN()\r\n  PTP HOME\r\nEND %s %d", L"", kFailure}));
    EXPECT_EQ(Slot(slot::EditPrint), 0);
}

TEST_F(Editor, NumbersAreReadAsTheCLibraryReadsThem) {
    const std::pair<std::wstring, std::int64_t> cases[] = {
        {L"12abc", 12}, {L" 7", 7}, {L"-32768", -32768}, {L"", 0}, {L"abc", 0}, {L"70000", 4464},
    };
    for (const auto& [text, expected] : cases) {
        surface.SetField(1, text);
        surface.SetField(3, text);
        surface.SetField(4, text);
        Menu(32825);  // "OC Delete &Block": numbers in fields 1, 3 and 4
        const auto& sent = link->calls.back();
        EXPECT_EQ(sent.Int(0), expected) << testing::PrintToString(text);
        EXPECT_EQ(sent.Int(2), expected);
        EXPECT_EQ(sent.Int(3), expected);
        PostLast();
    }
}

TEST_F(Editor, RedeclAndAnalysePassFieldOneWithItsBlanks) {
    surface.SetField(1, L"  DECL INT i = 1 \t");
    Menu(32744);
    Menu(32818);
    EXPECT_EQ(link->CallsTo(CallId::EditRedecl).at(0).Str(0), L"  DECL INT i = 1 \t");
    EXPECT_EQ(link->CallsTo(CallId::EditAnalyse).at(0).Str(0), L"  DECL INT i = 1 \t");
}

TEST_F(Editor, APendingCommandRefusesItselfButNotItsNeighbours) {
    surface.SetField(4, L"a|b");
    link->handles = {41, 42};
    Menu(32916);
    Menu(32916);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::OCEditInsertBlock), 1u);
    Menu(32814);
    EXPECT_EQ(surface.boxes.size(), 1u);
    EXPECT_EQ(Slot(slot::OCEditInsertBlock), 41);
    EXPECT_EQ(Slot(slot::OCEditInsert), 42);

    // A failed result frees its slot; a result of neither 0 nor 1 shows nothing.
    link->Answer(CallId::OCEditInsertBlockResult, 0);
    link->Answer(CallId::OCEditInsertResult, 3);
    Post(41, 0);
    Post(42, 0);
    EXPECT_EQ(surface.boxes, (Boxes{kBusy, kFailure}));
    EXPECT_EQ(Slot(slot::OCEditInsertBlock), 0);
    EXPECT_EQ(Slot(slot::OCEditInsert), 0);
}

}  // namespace
}  // namespace vantel
