// The menu "&Datei" through the console, with the fake link.
#include <gtest/gtest.h>

#include "fakes.h"
#include "jobs/slots.h"

namespace vantel {
namespace {

using link::CallId;
using Boxes = std::vector<std::wstring>;

const std::wstring kBusy = L"Auftrag steht noch aus";
const std::wstring kFailure = L"\u00c4tschi B\u00e4tsch:\r\nFehler!";

class Files : public ::testing::Test, protected test::ConsoleRig {};

struct FileCommand {
    int id;
    CallId request;
    CallId result;
    int slot;
    std::size_t fields;
    const wchar_t* shown;
};

// Every command but "D&ir" reports a fixed text.
const FileCommand kFixed[] = {
    {32721, CallId::DownLoad, CallId::DownLoadResult, slot::DownLoad, 3, L"DownLoad o.k."},
    {32722, CallId::UpLoad, CallId::UpLoadResult, slot::UpLoad, 3, L"UpLoad o.k."},
    {32725, CallId::Copy, CallId::CopyResult, slot::Copy, 3, L"Copy o.k."},
    {32726, CallId::Delete, CallId::DeleteResult, slot::Delete, 2, L"Delete o.k."},
    {32828, CallId::ChangeAccess, CallId::ChangeAccessResult, slot::ChangeAccess, 2, L"ChangeAccess o.k."},
    {32829, CallId::ChangeUser, CallId::ChangeUserResult, slot::ChangeUser, 2, L"ChangeUser o.k."},
    {32830, CallId::ChangeComment, CallId::ChangeCommentResult, slot::ChangeComment, 2, L"ChangeComment o.k."},
};

TEST_F(Files, EachCommandPassesItsFieldsInOrderAndReportsItsText) {
    surface.SetField(1, L" /R1/Prog.src ");
    surface.SetField(2, L"\u00c4nderung \U0001F600");
    surface.SetField(3, L"");
    surface.SetField(4, L"never read");
    std::int16_t h = 100;
    for (const FileCommand& cmd : kFixed) {
        SCOPED_TRACE(cmd.shown);
        link->handles = {h};
        Menu(cmd.id);
        const auto sent = link->CallsTo(cmd.request);
        ASSERT_EQ(sent.size(), 1u);
        ASSERT_EQ(sent[0].args.size(), cmd.fields);
        for (std::size_t i = 0; i < cmd.fields; ++i) EXPECT_EQ(sent[0].Str(i), console->Param(static_cast<int>(i) + 1));
        EXPECT_EQ(Slot(cmd.slot), h);

        Post(h, 0);
        ASSERT_EQ(link->Count(cmd.result), 1u);
        EXPECT_EQ(link->CallsTo(cmd.result)[0].Int(0), h);
        EXPECT_EQ(surface.boxes.back(), cmd.shown);
        EXPECT_EQ(Slot(cmd.slot), 0);
        ++h;
    }
    EXPECT_EQ(surface.boxes.size(), std::size(kFixed));
}

TEST_F(Files, DirShowsTheListingAsReturnedAndOnlyTheFailureWhenItFails) {
    surface.SetField(1, L"/R1");
    surface.SetField(2, L"*.SRC");
    const std::wstring listing = L"A.SRC\t12\r\nB.SRC  7\r\n\u00dcbung.SRC\r\n";
    link->handles = {5, 6};
    Menu(32720);
    EXPECT_EQ(link->calls.back().Str(0), L"/R1");
    EXPECT_EQ(link->calls.back().Str(1), L"*.SRC");
    link->Answer(CallId::DirResult, 1, {listing});
    Post(5, 0);
    EXPECT_EQ(surface.boxes, Boxes{listing});

    Menu(32720);
    link->Answer(CallId::DirResult, 0, {std::wstring(L"partial listing")});
    Post(6, 0);
    EXPECT_EQ(surface.boxes, (Boxes{listing, kFailure}));
    EXPECT_EQ(Slot(slot::Dir), 0);
}

TEST_F(Files, DownLoadIsBusyWhileUpLoadStarts) {
    link->handles = {11, 12};
    Menu(32721);
    Menu(32721);
    EXPECT_EQ(surface.boxes, Boxes{kBusy});
    EXPECT_EQ(link->Count(CallId::DownLoad), 1u);
    Menu(32722);
    EXPECT_EQ(surface.boxes.size(), 1u);
    EXPECT_EQ(Slot(slot::DownLoad), 11);
    EXPECT_EQ(Slot(slot::UpLoad), 12);

    // The upload's result frees only the upload.
    Post(12, 0);
    EXPECT_EQ(surface.boxes.back(), L"UpLoad o.k.");
    EXPECT_EQ(Slot(slot::DownLoad), 11);
    EXPECT_EQ(Slot(slot::UpLoad), 0);
}

TEST_F(Files, EmptyFieldsArePassedAsEmptyStrings) {
    Menu(32725);
    const auto copy = link->CallsTo(CallId::Copy).at(0);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(copy.Str(i), L"");
}

}  // namespace
}  // namespace vantel
