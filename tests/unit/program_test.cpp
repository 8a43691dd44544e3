// "&Programm" and the panel's "Programm" buttons through the console, with the fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;

const std::wstring kBusy = L"Auftrag steht noch aus";

constexpr int kRun = 32730, kStart = 32732, kStop = 32734, kCancel = 32736;
constexpr int kStopOption = 32797, kCancelOption = 32798, kExecute = 32842;
constexpr int kPanelStart = 1040, kPanelStartOff = 1070, kPanelStop = 1071, kPanelStopOff = 1072;

class Program : public ::testing::Test, protected test::ConsoleRig {};

TEST_F(Program, TheThreeStopsShareOneSlotAndOneResult) {
    surface.SetField(1, L"");
    link->handles = {3, 4, 5};
    Menu(kStop);
    Menu(kStopOption);
    Menu(kPanelStop);
    EXPECT_EQ(surface.boxes, (Boxes{kBusy, kBusy}));
    Post(3, 0);

    Menu(kStopOption);
    EXPECT_EQ(link->CallsTo(CallId::StopSteu).at(0).Str(0), L"");
    Menu(kStop);
    Menu(kPanelStop);
    EXPECT_EQ(link->Count(CallId::Stop), 1u);
    link->Answer(CallId::StopResult, 0);
    Post(4, 0);  // a failed stop frees the slot too

    Menu(kPanelStop);
    Menu(kStopOption);
    Post(5, 0);
    EXPECT_EQ(link->Count(CallId::Stop), 2u);
    EXPECT_EQ(link->Count(CallId::StopResult), 3u);
    EXPECT_EQ(surface.boxes.at(2), L"Stop o.k.");
    EXPECT_EQ(surface.boxes.back(), L"Stop o.k.");
    EXPECT_EQ(Slot(slot::Stop), 0);
}

TEST_F(Program, CancelWithOptionIsFetchedWithCancelResult) {
    surface.SetField(1, L" opt ");
    link->handles = {9, 10};
    Menu(kCancel);
    Menu(kCancelOption);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    Post(9, 0);
    Menu(kCancelOption);
    EXPECT_EQ(link->CallsTo(CallId::CancelSteu).at(0).Str(0), L" opt ");
    Post(10, 0);
    EXPECT_EQ(link->Count(CallId::CancelResult), 2u);
    EXPECT_EQ(surface.boxes.back(), L"Cancel o.k.");
}

TEST_F(Program, PanelButtonsRunTheMenuCommands) {
    link->handles = {21, 22, 23};
    Menu(kStart);
    Menu(kPanelStart);
    Menu(kPanelStartOff);
    Menu(32733);  // "Start &Off"
    Menu(kPanelStopOff);
    Menu(32735);  // "Stop O&ff"
    EXPECT_EQ(surface.boxes, (Boxes{kBusy, kBusy, kBusy}));
    Post(21, 0);
    Post(22, 0);
    Post(23, 0);
    EXPECT_EQ(link->Count(CallId::Start) + link->Count(CallId::StartOff) + link->Count(CallId::StopOff), 3u);
    EXPECT_EQ(surface.boxes, (Boxes{kBusy, kBusy, kBusy, L"Start o.k.", L"StartOff o.k.", L"StopOff o.k."}));
}

TEST_F(Program, FieldsGoToTheLinkAsTyped) {
    surface.SetField(1, L"  PROG 1 ");
    surface.SetField(2, L"");
    Menu(kRun);
    Menu(kExecute);
    EXPECT_EQ(link->CallsTo(CallId::Run).at(0).Str(0), L"  PROG 1 ");
    EXPECT_EQ(link->CallsTo(CallId::Run).at(0).Str(1), L"");
    EXPECT_EQ(link->CallsTo(CallId::EditExec).at(0).Str(0), L"  PROG 1 ");
}

}  // namespace
}  // namespace vantel
