// "&Variablen" and the variable panel through the console, with the fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

constexpr int kDPShow = 32812, kDPSet = 32819, kSet = 32712, kSetInfo = 32713, kDPSetInfo = 32905, kSetInfoOff = 32714;

class Variables : public ::testing::Test, protected test::ConsoleRig {};

TEST_F(Variables, EveryValueButtonWritesItsValueThroughTheSetSlot) {
    struct Button {
        int id;
        const wchar_t* name;
        const wchar_t* value;
    };
    const Button buttons[] = {
        {1039, L"$MODE_OP", L"#EX"},    {1041, L"$MODE_OP", L"#T1"},    {1065, L"$MODE_OP", L"#T2"},
        {1042, L"$MODE_OP", L"#AUT"},   {1046, L"$MOUSE_ACT", L"TRUE"}, {1047, L"$MOUSE_ACT", L"FALSE"},
        {1052, L"$OV_JOG", L"1"},       {1053, L"$OV_JOG", L"10"},      {1054, L"$OV_JOG", L"20"},
        {1055, L"$OV_JOG", L"50"},      {1056, L"$OV_JOG", L"100"},     {1045, L"$OV_PRO", L"1"},
        {1048, L"$OV_PRO", L"10"},      {1049, L"$OV_PRO", L"20"},      {1050, L"$OV_PRO", L"50"},
        {1051, L"$OV_PRO", L"100"},
    };
    surface.SetField(1, L"field 1 is not read");
    for (const Button& b : buttons) {
        const int reads = surface.reads;
        Menu(b.id);
        EXPECT_EQ(surface.reads, reads + 1) << b.id;  // the fields are read all the same
        const auto call = link->calls.back();
        ASSERT_EQ(call.id, CallId::SetVar) << b.id;
        EXPECT_EQ(call.Str(0), b.name) << b.id;
        EXPECT_EQ(call.Str(1), b.value) << b.id;
        EXPECT_NE(Slot(slot::SetVar), 0) << b.id;
        Post(Slot(slot::SetVar), 0);
        EXPECT_EQ(Slot(slot::SetVar), 0) << b.id;
    }
    EXPECT_EQ(surface.boxes, Boxes(16, L"Set Var o.k."));
}

TEST_F(Variables, SetAndTheValueButtonsRefuseEachOther) {
    surface.SetField(1, L"$OV_PRO");
    surface.SetField(2, L"75");
    link->handles = {4, 5};
    Menu(1053);  // "10" under $OV_JOG
    Menu(1050);  // "50" under $OV_PRO
    Menu(kSet);
    EXPECT_EQ(surface.boxes, (Boxes{kBusy, kBusy}));
    Post(4, 0);

    Menu(kSet);
    const auto set = link->CallsTo(CallId::SetVar).back();
    EXPECT_EQ(set.Str(0), L"$OV_PRO");
    EXPECT_EQ(set.Str(1), L"75");
    Menu(1042);
    EXPECT_EQ(surface.boxes.back(), kBusy);
    EXPECT_EQ(link->Count(CallId::SetVar), 2u);
}

TEST_F(Variables, DataPathCommandsPassThreeFieldsAndShowTheTextAsReturned) {
    surface.SetField(1, L"a");
    surface.SetField(2, L" b ");
    surface.SetField(3, L"");
    link->handles = {7, 8};
    Menu(kDPShow);
    Menu(kDPSet);
    for (CallId id : {CallId::DPShowVar, CallId::DPSetVar}) {
        const auto call = link->CallsTo(id).at(0);
        EXPECT_EQ(call.Str(0), L"a");
        EXPECT_EQ(call.Str(1), L" b ");
        EXPECT_EQ(call.Str(2), L"");
    }
    link->Answer(CallId::DPShowVarResult, 1, {L" x = 1\r\n"});
    Post(7, 0);
    Post(8, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L" x = 1\r\n", L"DP Set Var o.k."}));
    EXPECT_EQ(Slot(slot::DPShowVar), 0);
    EXPECT_EQ(Slot(slot::DPSetVar), 0);
}

// Info jobs: every result shown, the slot freed only by a type-1 or type-2 notification or "&Init".
TEST_F(Variables, InfoJobsStayBusyUntilTheLinkEndsThem) {
    link->handles = {50, 60};
    Menu(kSetInfo);
    Menu(kDPSetInfo);
    EXPECT_EQ(link->CallsTo(CallId::DPSetInfo).size(), 1u);
    link->Answer(CallId::SetInfoResult, 1, {L"one"});
    link->Answer(CallId::SetInfoResult, 1, {L"two"});
    link->Answer(CallId::DPSetInfoResult, 0);
    link->Answer(CallId::DPSetInfoResult, 1, {L"dp"});
    Post(50, 0);
    Post(60, 0);
    Menu(kSetInfoOff);  // has no behaviour: the jobs run on
    Post(50, 0);
    Post(60, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"one", kFailure, L"two", L"dp"}));
    Menu(kSetInfo);
    Menu(kDPSetInfo);
    EXPECT_EQ(surface.boxes.back(), kBusy);
    EXPECT_EQ(link->Count(CallId::SetInfo) + link->Count(CallId::DPSetInfo), 2u);

    link->Answer(CallId::GetSyncAddMessage, 1);
    Post(50, 1);
    EXPECT_EQ(Slot(slot::SetInfo), 0);
    Post(60, 2);
    EXPECT_EQ(Slot(slot::DPSetInfo), 0);

    Menu(kSetInfo);
    EXPECT_NE(Slot(slot::SetInfo), 0);
    Menu(32810);  // "&Init"
    EXPECT_EQ(Slot(slot::SetInfo), 0);
}

}  // namespace
}  // namespace vantel
