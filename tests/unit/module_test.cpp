// "&FileManager" > "Module&Code", "&ModuleInformation", "&Error" and "&Notify", through the
// console with the fake link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using link::DWordArray;
using Boxes = std::vector<std::wstring>;
using Strings = link::StringArray;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

class Modules : public ::testing::Test, protected test::ConsoleRig {};

// --- Module code -------------------------------------------------------------------------

TEST_F(Modules, CloseFlagIsZeroOnlyForAZero) {
    for (const auto& [text, flag] :
         std::vector<std::pair<std::wstring, int>>{{L"", 1}, {L"1", 1}, {L"0", 0}, {L"00", 1}, {L" 0", 1}}) {
        Fields({L"5", text, L"2"});
        Menu(32867);
        const auto close = Last(CallId::ModuleCodeClose);
        EXPECT_EQ(close.Int(1), flag) << "[" << std::string(text.begin(), text.end()) << "]";
        EXPECT_EQ(close.Int(0), 5);
        EXPECT_EQ(close.Int(2), 2);
    }
}

TEST_F(Modules, FindPassesItsConstantsAndTheFieldSevenFlag) {
    for (const auto& [text, flag] : std::vector<std::pair<std::wstring, int>>{
             {L"1", 1}, {L"2", 1}, {L"-1", 1}, {L"0", 0}, {L"", 0}, {L"x", 0}}) {
        Fields({L"3", L"WAIT FOR", L"1", L"2", L"4", L"5", text});
        Menu(32873);
        const auto find = Last(CallId::ModuleCodeFind);
        ASSERT_EQ(find.args.size(), 10u);
        EXPECT_EQ(find.Int(0), 3);
        EXPECT_EQ(find.Str(1), L"WAIT FOR");
        EXPECT_EQ(find.Int(2), 1);
        EXPECT_EQ(find.Int(3), 2);
        EXPECT_EQ(find.Int(4), 4);
        EXPECT_EQ(find.Int(5), 5);
        EXPECT_EQ(find.Int(6), 1);
        EXPECT_EQ(find.Int(7), 0);
        EXPECT_EQ(find.Int(8), flag) << "[" << std::string(text.begin(), text.end()) << "]";
        EXPECT_EQ(find.Int(9), 0);
    }
}

TEST_F(Modules, FindStructFlagAndOpenArguments) {
    for (const auto& [text, flag] :
         std::vector<std::pair<std::wstring, int>>{{L"1", 1}, {L" 1", 0}, {L"true", 0}, {L"", 0}}) {
        Fields({L"12abc", L" 7", L"-3", text});
        Menu(32874);
        const auto find = Last(CallId::ModuleCodeFindStruct);
        EXPECT_EQ(find.Int(0), 12);
        EXPECT_EQ(find.Int(1), 7);
        EXPECT_EQ(find.Int(2), -3);
        EXPECT_EQ(find.Int(3), flag);
    }

    Fields({L"/R1/A.SRC", L"-1", L"2 rw", L"user"});
    Menu(32866);
    const auto open = Last(CallId::ModuleCodeOpen);
    EXPECT_EQ(open.Str(0), L"/R1/A.SRC");
    EXPECT_EQ(open.Int(1), 4294967295);
    EXPECT_EQ(open.Int(2), 2);
    EXPECT_EQ(open.Str(3), L"2 rw");
    EXPECT_EQ(open.Str(4), L"user");
}

TEST_F(Modules, LineListsAreSplitAndJoined) {
    const std::vector<std::pair<std::wstring, Strings>> cases = {
        {L"A|B|", {L"A", L"B"}}, {L"|A", {L"", L"A"}}, {L"", {}}, {L" a | b", {L" a ", L" b"}}};
    for (const auto& [text, lines] : cases) {
        Fields({L"1", L"2", text, text});
        Menu(32869);
        Menu(32871);
        EXPECT_EQ(std::get<Strings>(Last(CallId::ModuleCodeInsertLines).args.at(2)), lines);
        EXPECT_EQ(std::get<Strings>(Last(CallId::ModuleCodeReplaceLines).args.at(3)), lines);
    }

    Fields({});
    link->Answer(CallId::ModuleCodeGetLinesResult, 1, {Strings{L"A", L"B"}});
    RunWithResult(32868, 1);
    link->Answer(CallId::ModuleCodeReplaceLinesResult, 1, {Strings{}});
    RunWithResult(32871, 2);
    link->Answer(CallId::ModuleCodeGetPropResult, 1, {-7, 3});
    RunWithResult(32865, 3);
    link->Answer(CallId::ModuleCodeFindResult, 1, {1, -2, 3, 4});
    RunWithResult(32873, 4);
    link->Answer(CallId::ModuleCodeFindStructResult, 1, {9, 2, L"LOOP 100%"});
    RunWithResult(32874, 5);
    link->Answer(CallId::ModuleCodeOpenResult, 1, {42});
    RunWithResult(32866, 6);
    EXPECT_EQ(surface.boxes, (Boxes{L"ModuleCodeGetLines\nA\nB", L"ModuleCodeReplaceLines\n", L"ModuleCodeGetProp -7 3",
                                    L"ModuleCodeFind 1 -2 3 4", L"ModuleCodeFindStruct 9 2 LOOP 100%",
                                    L"ModuleCodeOpen 42"}));
}

TEST_F(Modules, GetLinesTwiceIsRefused) {
    link->handles = {9};
    Menu(32868);
    Menu(32873);  // another module-code command is not blocked
    Menu(32868);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::ModuleCodeGetLines), 1u);
    EXPECT_EQ(Slot(slot::ModuleCodeGetLines), 9);
    EXPECT_NE(Slot(slot::ModuleCodeFind), 0);
}

// --- Module information and errors -------------------------------------------------------

TEST_F(Modules, InformationResultsAreFormatted) {
    link->Answer(CallId::ModuleInformationGetPropResult, 1,
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, -13, L"", L"", 14, 15});
    RunWithResult(32876, 1);
    link->Answer(CallId::ModuleInformationUserAttributesListResult, 1, {Strings{}, Strings{}});
    RunWithResult(32880, 2);
    link->Answer(CallId::ModuleInformationUserAttributesListResult, 1, {Strings{L"a", L"b"}, Strings{L"1"}});
    RunWithResult(32880, 3);
    link->Answer(CallId::ErrorListResult, 1,
                 {Strings{L"alpha", L"beta"}, DWordArray{1}, DWordArray{}, DWordArray{3}, Strings{L"gamma"}});
    RunWithResult(32883, 4);
    link->Answer(CallId::ErrorGetPropResult, 1, {L"E1", 1, -2, 3, L"text"});
    RunWithResult(32882, 5);
    link->Answer(CallId::ModuleInformationGetUserAttributeResult, 1, {L"value"});
    RunWithResult(32878, 6);
    link->Answer(CallId::ModuleDependenciesListResult, 1, {Strings{L"x"}});
    RunWithResult(32881, 7);
    EXPECT_EQ(surface.boxes,
              (Boxes{L"ModuleInformationGetProp\n1 2 3\n4 5\n6 7 8 9 10 11 12 -13\n\"\" \"\"\n14 15",
                     L"ModuleInformationUserAttributesList\n\n\n", L"ModuleInformationUserAttributesList\na\nb\n\n1",
                     L"ErrorList\nalpha\nbeta gamma", L"ErrorGetProp E1 1 -2 3 text",
                     L"ModuleInformationGetUserAttribute value", L"ModuleDependenciesList\nx"}));
    for (int s = slot::ErrorGetProp; s <= slot::ModuleDependenciesList; ++s) EXPECT_EQ(Slot(s), 0) << s;
}

TEST_F(Modules, InformationArguments) {
    for (const auto& [three, four, f3, f4] : std::vector<std::tuple<std::wstring, std::wstring, int, int>>{
             {L"1", L"0", 1, 0}, {L"yes", L"", 0, 0}, {L"0", L"1", 0, 1}}) {
        Fields({L"/R1/A", L"12abc", three, four, L"c", L""});
        Menu(32877);
        const auto set = Last(CallId::ModuleInformationSetProp);
        EXPECT_EQ(set.Str(0), L"/R1/A");
        EXPECT_EQ(set.Int(1), 12);
        EXPECT_EQ(set.Int(2), f3);
        EXPECT_EQ(set.Int(3), f4);
        EXPECT_EQ(set.Str(4), L"c");
        EXPECT_EQ(set.Str(5), L"");
    }
    Fields({L"E", L"-5"});
    Menu(32882);
    EXPECT_EQ(Last(CallId::ErrorGetProp).Int(1), -5);
}

// --- Change notifications ----------------------------------------------------------------

TEST_F(Modules, NotificationsStayRegistered) {
    Fields({L"/R1", L"-1", L"-1"});
    link->handles = {50};
    Menu(32884);
    const auto call = Last(CallId::NotifyVolume);
    EXPECT_EQ(call.Int(1), 4294967295);
    EXPECT_EQ(call.Int(2), -1);

    link->Answer(CallId::NotifyVolumeResult, 1, {255});
    link->Answer(CallId::NotifyVolumeResult, 1, {255});
    link->Answer(CallId::NotifyVolumeResult, 0);
    Post(50, 0);
    Post(50, 0);
    EXPECT_EQ(Slot(slot::NotifyVolume), 50);
    Post(50, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"NotifyVolume: ff", L"NotifyVolume: ff", kFailure}));
    EXPECT_EQ(Slot(slot::NotifyVolume), 50);
    Menu(32884);
    EXPECT_EQ(surface.boxes.back(), kBusy);
    EXPECT_EQ(link->Count(CallId::NotifyVolume), 1u);

    // Only an abort (or a synchronous message) naming the handle frees it.
    Post(50, 2);
    EXPECT_EQ(Slot(slot::NotifyVolume), 0);
}

TEST_F(Modules, EveryNotificationHasItsOwnSlotAndPrefix) {
    link->handles = {61, 62, 63};
    Menu(32885);
    Menu(32886);
    Menu(32887);
    Menu(32885);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::NotifyItem), 1u);
    link->Answer(CallId::NotifyItemResult, 1, {0xABCDEF01});
    link->Answer(CallId::NotifyModuleInformationResult, 1, {0});
    link->Answer(CallId::NotifyModuleCodeResult, 1, {16});
    Post(61, 0);
    Post(62, 0);
    Post(63, 0);
    EXPECT_EQ(surface.boxes,
              (Boxes{kBusy, L"NotifyItem: abcdef01", L"NotifyModuleInformation: 0", L"NotifyModuleCode: 10"}));
    EXPECT_EQ(Slot(slot::NotifyItem), 61);
    EXPECT_EQ(Slot(slot::NotifyModuleInformation), 62);
    EXPECT_EQ(Slot(slot::NotifyModuleCode), 63);
}

}  // namespace
}  // namespace vantel
