// The menu "&Log" and the direct calls of "Diver&ses" > "&Log", through the console with
// the fake link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;
using Flags = link::BoolArray;
using Strings = link::StringArray;

const std::wstring kBusy = L"Auftrag steht noch aus";

class LogCommands : public ::testing::Test, protected test::ConsoleRig {};

TEST_F(LogCommands, AddItemBuildsItsListAndFixedValues) {
    const std::vector<std::pair<std::wstring, Strings>> cases = {
        {L"x|y|z", {L"x", L"y", L"z"}}, {L"", {}}, {L"|", {L""}}, {L"a||b|", {L"a", L"", L"b"}}};
    for (const auto& [text, list] : cases) {
        Fields({L"src", L"", L"-1", L"70000", L"t5", L"t6", L"t7", text, L"F?", L"9"});
        Menu(32917);
        const auto add = Last(CallId::LogAddItem);
        ASSERT_EQ(add.args.size(), 12u);
        EXPECT_EQ(add.Str(0), L"src");
        EXPECT_EQ(add.Str(1), L"");
        EXPECT_EQ(add.Int(2), -1);    // "%u" of -1, passed to a signed int
        EXPECT_EQ(add.Int(3), 4464);  // "%hd" of 70000, truncated to 16 bits
        EXPECT_EQ(add.Str(4), L"t5");
        EXPECT_EQ(add.Str(5), L"t6");
        EXPECT_EQ(add.Str(6), L"t7");
        EXPECT_EQ(std::get<Strings>(add.args.at(7)), list);
        EXPECT_EQ(std::get<Flags>(add.args.at(8)), Flags(list.size(), false));
        EXPECT_EQ(add.Str(9), L"F");
        EXPECT_EQ(add.Int(10), 0);
        EXPECT_EQ(add.Int(11), 0);
    }
}

TEST_F(LogCommands, AddEntryReadsSevenFields) {
    Fields({L"a", L"b", L"-1", L"-2", L"e", L"f", L"g", L"h|i", L"1", L"1"});
    Menu(32898);
    const auto add = Last(CallId::AddLogEntry);
    ASSERT_EQ(add.args.size(), 10u);
    EXPECT_EQ(add.Str(0), L"a");
    EXPECT_EQ(add.Str(1), L"b");
    EXPECT_EQ(add.Int(2), 4294967295);
    EXPECT_EQ(add.Int(3), -2);
    EXPECT_EQ(add.Str(4), L"e");
    EXPECT_EQ(add.Str(5), L"f");
    EXPECT_EQ(add.Str(6), L"g");
    EXPECT_EQ(add.Int(7), 0);
    EXPECT_EQ(add.Str(8), L"F");
    EXPECT_EQ(add.Int(9), 0);
}

TEST_F(LogCommands, NumbersReadAsUnsigned) {
    Fields({L"10", L"20"});
    Menu(32900);
    EXPECT_EQ(Last(CallId::GetLogEntries).Int(0), 10);
    EXPECT_EQ(Last(CallId::GetLogEntries).Int(1), 20);
    Fields({L"-1", L" 7x"});
    Menu(32900);
    Menu(32912);
    Menu(32918);
    EXPECT_EQ(Last(CallId::GetLogEntries).Int(0), 4294967295);
    EXPECT_EQ(Last(CallId::GetLogEntries).Int(1), 7);
    EXPECT_EQ(Last(CallId::LogSetConfig).Int(0), -1);
    EXPECT_EQ(Last(CallId::LogOCGetItem).Int(0), -1);
}

TEST_F(LogCommands, Results) {
    link->Answer(CallId::GetLogHeaderResult, 1, {Strings{L"first", L"second"}});
    RunWithResult(32901, 1);
    link->Answer(CallId::GetLogEntriesResult, 1, {Strings{}});
    RunWithResult(32900, 2);
    link->Answer(CallId::LogAddItemResult, 1, {-4});
    RunWithResult(32917, 3);
    link->Answer(CallId::LogOCGetItemResult, 1, {17, 116444736000000000, 5, L"s", L"t", 6, 7});
    RunWithResult(32918, 4);
    link->Answer(CallId::LogGetConfigResult, 1, {0x7FFFFFFF});
    RunWithResult(32911, 5);
    RunWithResult(32899, 6);
    RunWithResult(32912, 7);
    RunWithResult(32898, 8);
    EXPECT_EQ(surface.boxes, (Boxes{L"GetLogHeader:\nfirst\nsecond", L"GetLogEntries:\n", L"LogAddItem -4",
                                    L"LogGetItem 17", L"Log GetConfig 2147483647", L"FlushLog o.k.",
                                    L"Log SetConfig o.k.", L"AddLogEntry o.k."}));
    for (int s = slot::FlushLog; s <= slot::LogSetConfig; ++s) EXPECT_EQ(Slot(s), 0) << s;
}

TEST_F(LogCommands, DirectCallsNeedNoSlot) {
    // Every job slot busy: the direct calls go out all the same.
    console->Slots().block.fill(1);
    surface.SetField(1, L"/tmp/plexa.log");
    link->Answer(CallId::GetLogOpt, 3);
    link->Answer(CallId::GetLogOpt, 0x18000);  // only 16 bits are options
    Menu(32839);
    Menu(32839);
    Menu(32827);
    surface.SetField(1, L"-2");
    Menu(32840);
    EXPECT_EQ(surface.boxes, (Boxes{L"GetLogOpts 3", L"GetLogOpts -32768"}));
    EXPECT_EQ(Last(CallId::WriteLogFile).Str(0), L"/tmp/plexa.log");
    EXPECT_EQ(Last(CallId::SetLogOpt).Int(0), -2);
    EXPECT_EQ(link->calls.size(), 4u);
}

TEST_F(LogCommands, PendingCommandIsRefused) {
    link->handles = {5};
    Menu(32911);
    Menu(32911);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::LogGetConfig), 1u);
    Menu(32912);  // its neighbour has a slot of its own
    EXPECT_EQ(link->Count(CallId::LogSetConfig), 1u);
}

}  // namespace
}  // namespace vantel
