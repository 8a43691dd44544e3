// "Ini&t" and "Diver&ses" through the console, with the fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/messages.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

constexpr int kInit = 32810, kExit = 32811, kGetRobots = 32701;
constexpr int kAsyncAnswer = 32920, kConfirm = 32702, kAbort = 32806, kDisableStart = 32841;
constexpr int kIORestart = 32823, kIOBusInfo = 32824;
constexpr int kSetActive = 32903, kNotifyActive = 32904, kTandix = 32890, kTandixSetConfig = 32915;
constexpr int kShow = 32711, kAll = 1073;

class InitMisc : public ::testing::Test, protected test::ConsoleRig {
protected:
    // The first argument of the last call to id.
    std::int64_t LastFirstArg(CallId id) { return link->CallsTo(id).back().Int(0); }
};

TEST_F(InitMisc, DisableStartLiftsTheInhibitOnlyForAnExactPlus) {
    const std::pair<const wchar_t*, int> cases[] = {{L"+", 0}, {L"-", 1}, {L"+ ", 1}, {L" +", 1}, {L"", 1}};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [text, flag] = cases[i];
        surface.SetField(1, text);
        surface.SetField(2, L" Grund ");
        Menu(kDisableStart);
        const auto call = link->CallsTo(CallId::DisableStart).back();
        EXPECT_EQ(call.Int(0), flag) << "case " << i;
        EXPECT_EQ(call.Str(1), L" Grund ");
        Post(Slot(slot::DisableStart), 0);
    }
    EXPECT_EQ(surface.boxes, Boxes(5, L"DisableStart o.k."));
}

TEST_F(InitMisc, SetCommandsSendOneOnlyForAnExactOne) {
    const std::pair<const wchar_t*, int> cases[] = {{L"1", 1}, {L"01", 0}, {L" 1", 0}, {L"1 ", 0}, {L"true", 0}, {L"", 0}};
    for (const auto& [text, flag] : cases) {
        surface.SetField(1, text);
        Menu(kSetActive);
        Menu(kTandixSetConfig);
        EXPECT_EQ(LastFirstArg(CallId::SetActiveInterface), flag);
        EXPECT_EQ(LastFirstArg(CallId::TandixSetConfig), flag);
        Post(Slot(slot::SetActiveInterface), 0);
        Post(Slot(slot::TandixSetConfig), 0);
    }
    EXPECT_EQ(surface.boxes.front(), L"SetActiveInterface o.k.");
    EXPECT_EQ(surface.boxes.back(), L"Tandix SetConfig o.k.");
}

TEST_F(InitMisc, NumbersAreReadInTheirFormats) {
    surface.SetField(1, L"  fFfFfFfF");  // handles of controller messages are hexadecimal
    surface.SetField(2, L"-2x");
    Menu(kAsyncAnswer);
    const auto answer = link->CallsTo(CallId::AsyncAnswer).at(0);
    EXPECT_EQ(answer.Int(0), 0xFFFFFFFF);
    EXPECT_EQ(answer.Int(1), -2);

    surface.SetField(1, L"-7");
    Menu(kTandix);
    EXPECT_EQ(LastFirstArg(CallId::Tandix), -7);
    surface.SetField(1, L"70000");
    Menu(kConfirm);
    EXPECT_EQ(LastFirstArg(CallId::Confirm), 4464);  // truncated to 16 bits
}

TEST_F(InitMisc, ResultsWithAValueFormatIt) {
    link->handles = {5, 6};
    Menu(kIOBusInfo);
    Menu(kNotifyActive);
    link->Answer(CallId::IOBusInfoResult, 1, {std::int64_t{-1}});
    link->Answer(CallId::NotifyActiveInterfaceResult, 1, {std::int64_t{2}});
    link->Answer(CallId::NotifyActiveInterfaceResult, 0);
    link->Answer(CallId::NotifyActiveInterfaceResult, 1, {std::int64_t{3}});
    Post(5, 0);
    for (int i = 0; i < 3; ++i) Post(6, 0);
    EXPECT_EQ(surface.boxes, (Boxes{L"IO Bus Info -1", L"NotifyActiveInterface 2", kFailure, L"NotifyActiveInterface 3"}));
    EXPECT_EQ(Slot(slot::IOBusInfo), 0);
    EXPECT_EQ(Slot(slot::NotifyActiveInterface), 6);  // a subscription: still busy
    Menu(kNotifyActive);
    EXPECT_EQ(surface.boxes.back(), kBusy);
}

TEST_F(InitMisc, IORestartTwiceKeepsTheSecondJob) {
    surface.SetField(1, L"3");
    link->handles = {11, 12};
    Menu(kIORestart);
    Menu(kIORestart);
    EXPECT_EQ(link->Count(CallId::IORestart), 2u);
    EXPECT_EQ(Slot(slot::IORestart), 12);
    EXPECT_TRUE(surface.boxes.empty());

    Post(11, 0);  // the first job has no slot any more
    EXPECT_EQ(LastFirstArg(CallId::CmdAbort), 11);
    EXPECT_EQ(link->Count(CallId::IORestartResult), 0u);
    Post(12, 0);
    EXPECT_EQ(surface.boxes, (Boxes{kFailure, L"IO Restart o.k."}));
    EXPECT_EQ(Slot(slot::IORestart), 0);
}

TEST_F(InitMisc, ConfirmAndAllShareOneSlot) {
    surface.SetField(1, L"4");
    link->handles = {20, 21};
    Menu(kAll);
    EXPECT_EQ(LastFirstArg(CallId::Confirm), 0);
    Menu(kConfirm);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    Post(20, 0);
    EXPECT_EQ(surface.boxes.back(), L"Confirm o.k.");

    Menu(kConfirm);
    EXPECT_EQ(LastFirstArg(CallId::Confirm), 4);
    Menu(kAll);
    EXPECT_EQ(surface.boxes.back(), kBusy);
    EXPECT_EQ(link->Count(CallId::Confirm), 2u);
}

TEST_F(InitMisc, InitFreesEveryJobAndExitNone) {
    console->Start(55);
    link->handles = {30, 31};
    Menu(kShow);
    Menu(kNotifyActive);
    console->Slots().showTable[99] = 9;
    Menu(kExit);
    EXPECT_EQ(link->Count(CallId::Exit), 1u);
    Menu(kShow);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(Slot(slot::ShowVar), 30);

    Menu(kInit);
    const auto init = link->CallsTo(CallId::Init).back();
    EXPECT_EQ(init.Str(0), L"Vantel");
    EXPECT_EQ(init.Str(1), L"");
    EXPECT_EQ(init.Int(2), WM_PLEXA);
    EXPECT_EQ(init.Int(3), 55);
    EXPECT_EQ(init.Int(4), 0);
    EXPECT_EQ(init.Int(5), 0);
    const JobSlots idle;
    EXPECT_EQ(console->Slots().block, idle.block);
    EXPECT_EQ(console->Slots().showTable, idle.showTable);
    Menu(kShow);
    EXPECT_EQ(link->Count(CallId::ShowVar), 2u);
}

TEST_F(InitMisc, DirectCallsTouchNoSlot) {
    link->handles = {-300};
    Menu(kShow);
    surface.SetField(1, L"-300");
    Menu(kAbort);
    EXPECT_EQ(LastFirstArg(CallId::CmdAbort), -300);
    EXPECT_EQ(Slot(slot::ShowVar), -300);  // freed by the link's type-2 notification only
    EXPECT_TRUE(surface.boxes.empty());

    link->Answer(CallId::GetRobots, 1, {L"R1\nR2"});
    link->Answer(CallId::GetRobots, 0, {L"not shown"});
    Menu(kGetRobots);
    Menu(kGetRobots);
    EXPECT_EQ(surface.boxes, Boxes{L"R1\nR2"});
}

}  // namespace
}  // namespace vantel
