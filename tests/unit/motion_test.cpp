// The menus "&Install" and "&Move" through the console, with the fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

constexpr int kMove = 32831;
constexpr int kMoveOff = 32832;
constexpr int kPtp = 32835;
constexpr int kLin = 32836;
constexpr int kPtpRel = 32837;
constexpr int kLinRel = 32838;

class Motion : public ::testing::Test, protected test::ConsoleRig {};

struct MotionCommand {
    int id;
    CallId request;
    CallId result;
    int slot;
    const wchar_t* shown;
};

const MotionCommand kCommands[] = {
    {32750, CallId::Install, CallId::InstallResult, slot::Install, L"Install o.k."},
    {32751, CallId::EndInstall, CallId::EndInstallResult, slot::EndInstall, L"End Install o.k."},
    {32752, CallId::Adjust, CallId::AdjustResult, slot::Adjust, L"Adjust o.k."},
    {kMove, CallId::Move, CallId::MoveResult, slot::Move, L"Move o.k."},
    {kMoveOff, CallId::MoveOff, CallId::MoveOffResult, slot::MoveOff, L"MoveOff o.k."},
    {32833, CallId::Move6D, CallId::Move6DResult, slot::Move6D, L"Move6D o.k."},
    {32834, CallId::Move6DOff, CallId::Move6DOffResult, slot::Move6DOff, L"Move6DOff o.k."},
    {kPtp, CallId::RobMovePTP, CallId::RobMoveResult, slot::RobMovePTP, L"Rob Move PTP o.k."},
    {kLin, CallId::RobMoveLIN, CallId::RobMoveResult, slot::RobMoveLIN, L"Rob Move LIN o.k."},
    {kPtpRel, CallId::RobMovePTP_REL, CallId::RobMoveResult, slot::RobMovePTP_REL, L"Rob Move PTP REL o.k."},
    {kLinRel, CallId::RobMoveLIN_REL, CallId::RobMoveResult, slot::RobMoveLIN_REL, L"Rob Move LIN REL o.k."},
};

TEST_F(Motion, EachCommandSendsItsArgumentsAndReportsItsText) {
    surface.SetField(1, L"5 Achsen");
    surface.SetField(2, L"+");
    std::int16_t h = 300;
    for (const MotionCommand& cmd : kCommands) {
        SCOPED_TRACE(cmd.shown);
        link->handles = {h};
        Menu(cmd.id);
        ASSERT_EQ(link->calls.back().id, cmd.request);
        EXPECT_EQ(Slot(cmd.slot), h);
        const std::size_t before = link->Count(cmd.result);
        Post(h, 0);
        EXPECT_EQ(link->Count(cmd.result), before + 1);
        EXPECT_EQ(link->calls.back().Int(0), h);
        EXPECT_EQ(surface.boxes.back(), cmd.shown);
        EXPECT_EQ(Slot(cmd.slot), 0);
        ++h;
    }
    EXPECT_EQ(surface.boxes.size(), std::size(kCommands));

    // Install, EndInstall, Move6D and Move6DOff take nothing from the fields.
    for (CallId none : {CallId::Install, CallId::EndInstall, CallId::Move6D, CallId::Move6DOff})
        EXPECT_TRUE(link->CallsTo(none).at(0).args.empty());
    const auto adjust = link->CallsTo(CallId::Adjust).at(0);
    EXPECT_EQ(adjust.Int(0), 5);
    EXPECT_EQ(adjust.Str(1), L"+");
    for (CallId robMove : {CallId::RobMovePTP, CallId::RobMoveLIN, CallId::RobMovePTP_REL, CallId::RobMoveLIN_REL})
        EXPECT_EQ(link->CallsTo(robMove).at(0).Str(0), L"5 Achsen");
}

TEST_F(Motion, OnlyAPlainPlusSetsThePlusFlag) {
    surface.SetField(1, L"3");
    const std::pair<std::wstring, std::int64_t> cases[] = {
        {L"+", 1}, {L"", 0}, {L"-", 0}, {L"+ ", 0}, {L" +", 0}, {L"++", 0}, {L"1", 0},
    };
    for (int id : {kMove, kMoveOff}) {
        const CallId request = id == kMove ? CallId::Move : CallId::MoveOff;
        for (const auto& [text, flag] : cases) {
            surface.SetField(2, text);
            Menu(id);
            const auto& sent = link->calls.back();
            ASSERT_EQ(sent.id, request);
            EXPECT_EQ(sent.Int(0), 3);
            EXPECT_EQ(sent.Int(1), flag) << "field 2: " << testing::PrintToString(text);
            Post(static_cast<std::int16_t>(link->nextHandle - 1), 0);
        }
    }
    EXPECT_EQ(surface.boxes.size(), 2 * std::size(cases));  // every result shown, nothing refused
}

// One result call serves four commands: the slot the handle sits in picks the message and
// is the only one freed.
TEST_F(Motion, TheFourRobotMovesHaveIndependentSlots) {
    link->handles = {61, 62, 63, 64, 65};
    Menu(kPtp);
    Menu(kLin);  // not blocked by the pending PTP
    Menu(kPtpRel);
    Menu(kLinRel);
    Menu(kPtp);  // but PTP itself is
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::RobMovePTP), 1u);

    Post(63, 0);
    EXPECT_EQ(surface.boxes.back(), L"Rob Move PTP REL o.k.");
    EXPECT_EQ(Slot(slot::RobMovePTP), 61);
    EXPECT_EQ(Slot(slot::RobMoveLIN), 62);
    EXPECT_EQ(Slot(slot::RobMovePTP_REL), 0);
    EXPECT_EQ(Slot(slot::RobMoveLIN_REL), 64);

    Menu(kPtpRel);  // free again
    EXPECT_EQ(Slot(slot::RobMovePTP_REL), 65);

    link->Answer(CallId::RobMoveResult, 0);
    Post(64, 0);
    EXPECT_EQ(surface.boxes.back(), kFailure);
    EXPECT_EQ(Slot(slot::RobMoveLIN_REL), 0);
    Post(62, 0);
    EXPECT_EQ(surface.boxes.back(), L"Rob Move LIN o.k.");
    Post(61, 0);
    EXPECT_EQ(surface.boxes.back(), L"Rob Move PTP o.k.");
    Post(65, 0);
    EXPECT_EQ(surface.boxes.back(), L"Rob Move PTP REL o.k.");
    for (int s : {slot::RobMovePTP, slot::RobMoveLIN, slot::RobMovePTP_REL, slot::RobMoveLIN_REL}) EXPECT_EQ(Slot(s), 0);
    EXPECT_EQ(link->Count(CallId::RobMoveResult), 5u);
    EXPECT_EQ(link->Count(CallId::CmdAbort), 0u);
}

}  // namespace
}  // namespace vantel
