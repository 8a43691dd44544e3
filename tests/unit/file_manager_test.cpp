// "&FileManager": volumes and names, "&Item" and "Item (&Domain)", through the console with
// the fake link.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::ByteArray;
using link::CallId;
using Boxes = std::vector<std::wstring>;
using Strings = link::StringArray;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

class FileManager : public ::testing::Test, protected test::ConsoleRig {};

// --- Volumes and names -------------------------------------------------------------------

TEST_F(FileManager, VolumePropertiesAndNameLists) {
    link->Answer(CallId::VolumeGetPropResult, 1, {L"D", 2, 10, 20, 30});
    RunWithResult(32845, 4);
    link->Answer(CallId::VolumeNameListResult, 1, {Strings{L"A", L"B", L"C"}});
    RunWithResult(32848, 5);
    link->Answer(CallId::VolumeNameListResult, 1, {Strings{}});
    RunWithResult(32848, 6);
    link->Answer(CallId::ItemNameListResult, 1, {Strings{}});
    RunWithResult(32852, 7);
    link->Answer(CallId::ItemNameListResult, 1, {Strings{L"x", L""}});
    RunWithResult(32852, 8);
    EXPECT_EQ(surface.boxes, (Boxes{L"VolumeGetProp: D\n 2 10 20 30", L"VolumeNameList:\nA\nB\nC", L"VolumeNameList:\n",
                                    L"ItemNameList\n", L"ItemNameList\nx\n"}));
    EXPECT_EQ(Slot(slot::VolumeGetProp), 0);
    EXPECT_EQ(Slot(slot::VolumeNameList), 0);
    EXPECT_TRUE(Last(CallId::VolumeNameList).args.empty());
}

TEST_F(FileManager, NameQueriesPassFieldOneUnchanged) {
    for (const std::wstring text : {L"", L" /R1/X.SRC \u00e4"}) {
        surface.SetField(1, text);
        link->Answer(CallId::GetActiveModuleResult, 1, {L"/R1/" + text});
        link->Answer(CallId::GetFullNameResult, 1, {L"KRC:" + text});
        link->Answer(CallId::GetVDXNameResult, 1, {L"vdx"});
        RunWithResult(32843, 1);
        RunWithResult(32895, 2);
        RunWithResult(32896, 3);
        EXPECT_EQ(Last(CallId::GetActiveModule).Str(0), text);
        EXPECT_EQ(Last(CallId::GetFullName).Str(0), text);
        EXPECT_EQ(Last(CallId::GetVDXName).Str(0), text);
    }
    EXPECT_EQ(surface.boxes, (Boxes{L"GetActiveModule: /R1/", L"GetFullName:\nKRC:", L"GetVDXName:\nvdx",
                                    L"GetActiveModule: /R1/ /R1/X.SRC \u00e4", L"GetFullName:\nKRC: /R1/X.SRC \u00e4",
                                    L"GetVDXName:\nvdx"}));
}

TEST_F(FileManager, OneFlagsAreExactlyOne) {
    // "&Format" field 3, "Get C&RC" field 2, "Name&List" field 3, "Analyse &Mode" field 1.
    for (const auto& [text, flag] : std::vector<std::pair<std::wstring, int>>{
             {L"1", 1}, {L"0", 0}, {L"", 0}, {L"1 ", 0}, {L" 1", 0}, {L"01", 0}}) {
        for (int n = 1; n <= 3; ++n) surface.SetField(n, text);
        console->Slots().ClearAll();
        Menu(32847);
        Menu(32913);
        Menu(32852);
        Menu(32897);
        EXPECT_EQ(Last(CallId::VolumeFormat).Int(2), flag) << "[" << std::string(text.begin(), text.end()) << "]";
        EXPECT_EQ(Last(CallId::ItemGetCRC).Int(1), flag);
        EXPECT_EQ(Last(CallId::ItemNameList).Int(2), flag);
        EXPECT_EQ(Last(CallId::AnalyseMode).Int(0), flag);
    }
}

// --- Items -------------------------------------------------------------------------------

TEST_F(FileManager, SourceBlockFollowsTheNameEnding) {
    const std::string module("DEF TEST ( )\0END\0", 17);
    const std::string data("DEFDAT TEST\0ENDDAT\0", 19);
    const std::vector<std::pair<std::wstring, std::string>> cases = {
        {L"/R1/TEST.SRC", module}, {L"SRC", module}, {L"/R1/TEST.src", data}, {L"/R1/TEST.DAT", data},
        {L"", data},               {L"RC", data},    {L"TEST.SRC ", data},
    };
    for (const auto& [name, bytes] : cases) {
        surface.SetField(1, name);
        surface.SetField(2, L"4294967295");
        console->Slots().ClearAll();
        Menu(32888);
        const auto call = Last(CallId::ItemCopySrcMem);
        EXPECT_EQ(std::get<ByteArray>(call.args.at(0)), ByteArray(bytes.begin(), bytes.end()))
            << std::string(name.begin(), name.end());
        EXPECT_EQ(call.Str(1), name);
        EXPECT_EQ(call.Int(2), 4294967295);
    }
}

TEST_F(FileManager, ItemResultsAreFormatted) {
    link->Answer(CallId::ItemGetCRCResult, 1, {255});
    RunWithResult(32913, 1);
    link->Answer(CallId::ItemGetCRCResult, 1, {0xFFFFFFFF});
    RunWithResult(32913, 2);
    link->Answer(CallId::ItemGetPropResult, 1, {3, L"A", 255, 16, 1, 2, 3, 1});
    RunWithResult(32849, 3);
    link->Answer(CallId::ItemGetPropResult, 1, {-1, L"%s%d", 0xFFFFFFFF, 0, 0, 0, 0, -1});
    RunWithResult(32849, 4);
    link->Answer(CallId::ItemCompareResult, 1, {-1});
    RunWithResult(32857, 5);
    link->Answer(CallId::ItemCopyDestMemResult, 1, {ByteArray{1, 2, 255}});
    RunWithResult(32889, 6);
    EXPECT_EQ(surface.boxes, (Boxes{L"ItemGetCRC 000000ff", L"ItemGetCRC ffffffff", L"ItemGetProp 3 A ff 10 1",
                                    L"ItemGetProp -1 %s%d ffffffff 0 ffffffff", L"ItemCompare -1",
                                    L"ItemCopy DestMem o.k."}));
}

TEST_F(FileManager, ItemArgumentsAreConverted) {
    surface.fields = {L"/R1/A", L"/R1/B", L"2", L"0", L"text", L"-1", L"", L"", L"", L""};
    Menu(32853);  // "&Create"
    const auto create = Last(CallId::ItemCreate);
    EXPECT_EQ(create.Str(0), L"/R1/A");
    EXPECT_EQ(create.Str(1), L"/R1/B");
    EXPECT_EQ(create.Int(2), 2);
    EXPECT_EQ(create.Int(3), 0);
    EXPECT_EQ(create.Str(4), L"text");
    EXPECT_EQ(create.Int(5), 4294967295);  // "%ld" into an unsigned argument: the bits pass

    surface.fields = {L"/R1/A", L"12abc", L" 7", L"", L"", L"", L"", L"", L"", L""};
    Menu(32849);  // "Get&Prop"
    Menu(32851);  // "Set&Attribute"
    Menu(32855);  // "C&opy"
    Menu(32854);  // "&Destroy"
    EXPECT_EQ(Last(CallId::ItemGetProp).Int(1), 12);
    EXPECT_EQ(Last(CallId::ItemSetAttribute).Int(1), 12);
    EXPECT_EQ(Last(CallId::ItemSetAttribute).Int(2), 7);
    EXPECT_EQ(Last(CallId::ItemCopy).Str(1), L"12abc");
    EXPECT_EQ(Last(CallId::ItemCopy).Int(2), 7);
    EXPECT_EQ(Last(CallId::ItemDestroy).Int(1), 12);
}

TEST_F(FileManager, CopyCommandsHaveSlotsOfTheirOwn) {
    link->handles = {41, 42, 43};
    Menu(32889);  // "Copy D&estMem"
    Menu(32855);  // "C&opy"
    Menu(32888);  // "Copy &SrcMem"
    EXPECT_TRUE(surface.boxes.empty());
    Menu(32889);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::ItemCopyDestMem), 1u);
    EXPECT_EQ(Slot(slot::ItemCopyDestMem), 41);
    EXPECT_EQ(Slot(slot::ItemCopy), 42);
    EXPECT_EQ(Slot(slot::ItemCopySrcMem), 43);

    Post(43, 0);
    Post(42, 0);
    link->Answer(CallId::ItemCopyDestMemResult, 0);
    Post(41, 0);
    EXPECT_EQ(surface.boxes, (Boxes{kBusy, L"ItemCopy SrcMem o.k.", L"ItemCopy o.k.", kFailure}));
    EXPECT_EQ(link->Count(CallId::ItemCopyResult), 2u);
    EXPECT_EQ(Slot(slot::ItemCopyDestMem), 0);
    EXPECT_EQ(Slot(slot::ItemCopySrcMem), 0);
}

// Every command whose result is a fixed text fetches its own result and frees its slot.
TEST_F(FileManager, FixedTextResults) {
    const std::vector<std::tuple<int, CallId, int, std::wstring>> rows = {
        {32846, CallId::VolumeSetNameResult, slot::VolumeSetName, L"VolumeSetName o.k."},
        {32847, CallId::VolumeFormatResult, slot::VolumeFormat, L"VolumeFormat o.k."},
        {32850, CallId::ItemSetNameResult, slot::ItemSetName, L"ItemSetName o.k."},
        {32851, CallId::ItemSetAttributeResult, slot::ItemSetAttribute, L"ItemSetAttribute o.k."},
        {32853, CallId::ItemCreateResult, slot::ItemCreate, L"ItemCreate o.k."},
        {32854, CallId::ItemDestroyResult, slot::ItemDestroy, L"ItemDestroy o.k."},
        {32855, CallId::ItemCopyResult, slot::ItemCopy, L"ItemCopy o.k."},
        {32888, CallId::ItemCopyResult, slot::ItemCopySrcMem, L"ItemCopy SrcMem o.k."},
        {32889, CallId::ItemCopyDestMemResult, slot::ItemCopyDestMem, L"ItemCopy DestMem o.k."},
        {32856, CallId::ItemMoveResult, slot::ItemMove, L"ItemMove o.k."},
        {32859, CallId::ItemSelectResult, slot::ItemSelect, L"ItemSelect o.k."},
        {32860, CallId::ItemRunResult, slot::ItemRun, L"ItemRun o.k."},
        {32861, CallId::ItemResetResult, slot::ItemReset, L"ItemReset o.k."},
        {32907, CallId::ItemStartResult, slot::ItemStart, L"ItemStart o.k."},
        {32862, CallId::ItemStopResult, slot::ItemStop, L"ItemStop o.k."},
        {32863, CallId::ItemCancelResult, slot::ItemCancel, L"ItemCancel o.k."},
        {32864, CallId::ItemAnalyseResult, slot::ItemAnalyse, L"ItemAnalyse o.k."},
        {32897, CallId::AnalyseModeResult, slot::AnalyseMode, L"AnalyseMode o.k."},
        {32909, CallId::ItemLinkResult, slot::ItemLink, L"ItemLink o.k."},
        {32910, CallId::ItemUnlinkResult, slot::ItemUnlink, L"ItemUnlink o.k."},
    };
    std::int16_t h = 100;
    for (const auto& [id, result, s, text] : rows) {
        link->handles.push_back(++h);
        Menu(id);
        EXPECT_EQ(Slot(s), h) << id;
        const std::size_t fetched = link->Count(result);
        Post(h, 0);
        EXPECT_EQ(link->Count(result), fetched + 1) << id;
        EXPECT_EQ(link->calls.back().Int(0), h) << id;
        ASSERT_FALSE(surface.boxes.empty());
        EXPECT_EQ(surface.boxes.back(), text);
        EXPECT_EQ(Slot(s), 0) << id;
    }
}

// --- Item execution ----------------------------------------------------------------------

TEST_F(FileManager, ItemJobsAreIndependent) {
    surface.fields = {L"", L"", L"-1", L"", L"", L"", L"", L"", L"", L""};
    link->handles = {1, 2, 3, 4};
    Menu(32859);  // "&Select" with empty texts
    Menu(32907);  // "St&art"
    Menu(32862);  // "S&top" while "St&art" is pending
    Menu(32907);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(Last(CallId::ItemSelect).Str(0), L"");
    EXPECT_EQ(Last(CallId::ItemSelect).Str(1), L"");
    EXPECT_EQ(Last(CallId::ItemSelect).Int(2), 4294967295);
    EXPECT_EQ(link->Count(CallId::ItemStart), 1u);
    EXPECT_EQ(Slot(slot::ItemStop), 3);

    // A pending program job of the same kind does not block the item command.
    Slot(slot::Run) = 77;
    Menu(32860);
    EXPECT_EQ(Slot(slot::ItemRun), 4);
    EXPECT_EQ(Slot(slot::Run), 77);
}

}  // namespace
}  // namespace vantel
