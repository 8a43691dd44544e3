// The simulated controller's file system on its own: paths, content bytes, CRC and the
// operations that move items around, with the events the change watches are made from.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "sim/model/files.h"
#include "platform/text.h"

namespace vantel::link::sim {
namespace {

constexpr std::uint64_t kStamp = 1000;

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::vector<std::wstring> Lines(std::string_view bytes, ItemType type = ItemType::Module) {
    SimItem item;
    item.type = type;
    SetContentBytes(item, Bytes(bytes));
    return item.lines;
}

using Events = std::vector<std::pair<std::wstring, std::uint32_t>>;

Events Taken(SimFileSystem& fs) {
    Events out;
    for (const auto& e : fs.TakeEvents()) out.emplace_back(e.path, e.mask);
    return out;
}

TEST(SimFilesPath, VolumesSeparatorsAndCaseGiveOneCanonicalName) {
    const auto p = ParsePath(L"user:/r1\\Demo.src");
    ASSERT_TRUE(p);
    EXPECT_EQ(p->volume, L"USER");
    EXPECT_EQ(p->parts, (std::vector<std::wstring>{L"r1", L"Demo.src"})) << "names keep their spelling";
    EXPECT_EQ(p->Text(), L"USER:/R1/DEMO.SRC");
    EXPECT_EQ(ParsePath(L"R1/DEMO.SRC")->Text(), L"USER:/R1/DEMO.SRC") << "no volume: USER";
    EXPECT_EQ(ParsePath(L"RAM://R1//./X")->Text(), L"RAM:/R1/X");
    EXPECT_EQ(ParsePath(L"card:")->Text(), L"CARD:/");
    EXPECT_TRUE(ParsePath(L"card:")->parts.empty());

    std::wstring deep = L"RAM:";
    for (int i = 0; i < 16; ++i) deep += L"/D";
    EXPECT_TRUE(ParsePath(deep));
    EXPECT_FALSE(ParsePath(deep + L"/D")) << "17 levels";
    for (const std::wstring& bad : std::vector<std::wstring>{
             L"..", L"USER:/R1/../R1", L"USER:\\..\\SYSTEM", L":/X", L"A/B:/C", L"USER:/A:B", L"USER:/A*", L"USER:/A?",
             L"USER:/A\tB", L"USER:/" + std::wstring(257, L'N'), L"USER:/" + std::wstring(1100, L'/')}) {
        EXPECT_FALSE(ParsePath(bad)) << bad.substr(0, 40);
    }
}

TEST(SimFilesBytes, TextItemsSplitAtNulLfAndCrLfAndKeepTheirLines) {
    EXPECT_EQ(Lines(std::string_view("DEF A ( )\0PTP P1\0END\0", 21)),
              (std::vector<std::wstring>{L"DEF A ( )", L"PTP P1", L"END"}));
    EXPECT_EQ(Lines("L1\r\nL2\nL3"), (std::vector<std::wstring>{L"L1", L"L2", L"L3"})) << "the last line needs no end";
    EXPECT_EQ(Lines("A\n\nB\n"), (std::vector<std::wstring>{L"A", L"", L"B"}));
    EXPECT_TRUE(Lines("").empty());

    SimItem item;
    item.type = ItemType::Data;
    SetContentBytes(item, Bytes("DEFDAT X\r\nENDDAT"));
    EXPECT_EQ(ContentBytes(item), Bytes("DEFDAT X\nENDDAT\n"));
    EXPECT_EQ(MemoryBytes(item), Bytes(std::string_view("DEFDAT X\0ENDDAT\0", 16)));
    EXPECT_EQ(ItemSize(item), 16);

    SimItem file;
    file.type = ItemType::File;
    const auto raw = Bytes(std::string_view("a\0\r\n\xFF", 5));
    SetContentBytes(file, raw);
    EXPECT_EQ(ContentBytes(file), raw) << "plain files keep every byte";
    EXPECT_EQ(MemoryBytes(file), raw);
}

TEST(SimFilesBytes, Utf8BothWaysAndOtherBytesAsLatin1) {
    const std::string utf8 = "f\xC3\xBCr \xE2\x9C\x93 \xF0\x9D\x84\x9E";
    EXPECT_EQ(Lines(utf8), (std::vector<std::wstring>{L"f\u00FCr \u2713 \U0001D11E"}));
    SimItem item;
    item.type = ItemType::Module;
    item.lines = {L"f\u00FCr \u2713 \U0001D11E"};
    EXPECT_EQ(ContentBytes(item), Bytes(utf8 + "\n"));

    EXPECT_EQ(Lines("caf\xE9"), (std::vector<std::wstring>{L"caf\u00E9"}));
    EXPECT_EQ(Lines("x\xE2\x82"), (std::vector<std::wstring>{L"x\u00E2\u0082"})) << "a sequence cut short";
    EXPECT_EQ(Lines("\xC3(\xBF"), (std::vector<std::wstring>{L"\u00C3(\u00BF"}));
    EXPECT_EQ(ToUtf8(TextFromBytes("caf\xE9")), "caf\xC3\xA9");
}

TEST(SimFilesBytes, OverlongSurrogateAndOutOfRangeSequencesAreNotUtf8) {
    // Read as UTF-8, "\xC0\x80" is a NUL that splits the line once the module is written out.
    EXPECT_EQ(Lines("A\xC0\x80|"), (std::vector<std::wstring>{L"A\u00C0\u0080|"}));
    EXPECT_EQ(TextFromBytes("\xC0\xAF"), L"\u00C0\u00AF");
    EXPECT_EQ(TextFromBytes("\xED\xA0\x80"), L"\u00ED\u00A0\u0080");
    EXPECT_EQ(TextFromBytes("\xF4\x90\x80\x80"), L"\u00F4\u0090\u0080\u0080");
    SimItem item;
    item.type = ItemType::Module;
    SetContentBytes(item, Bytes("A\xC0\x80|\n"));
    const auto before = item.lines;
    SetContentBytes(item, ContentBytes(item));
    EXPECT_EQ(item.lines, before) << "a round trip through the bytes keeps the lines";
}

TEST(SimFilesBytes, Crc32GivesTheStandardCheckValues) {
    EXPECT_EQ(Crc32(Bytes("123456789")), 0xCBF43926u);
    EXPECT_EQ(Crc32(Bytes("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
    EXPECT_EQ(Crc32({}), 0u);
}

TEST(SimFilesSystem, FindsTheSampleItemsByPathAndByName) {
    SimFileSystem fs(kStamp);
    ASSERT_NE(fs.Find(L"r1\\demo.src"), nullptr);
    EXPECT_EQ(fs.Find(L"r1\\demo.src")->lines.front(), L"DEF DEMO ( )");
    EXPECT_EQ(fs.Find(L"USER:/R1/DEMO.SRC/X"), nullptr) << "a module is no folder";
    EXPECT_EQ(fs.Search(L"demo"), (std::vector<std::wstring>{L"USER:/R1/DEMO.DAT", L"USER:/R1/DEMO.SRC"}));
    EXPECT_EQ(fs.Search(L"GRIP"), (std::vector<std::wstring>{L"USER:/R1/LIB/GRIP.SRC"}));
    EXPECT_EQ(fs.Search(L"lib"), (std::vector<std::wstring>{L"USER:/R1/LIB"}));
    EXPECT_TRUE(fs.Search(L"NOPE").empty());
    EXPECT_TRUE(fs.TakeEvents().empty());
}

TEST(SimFilesSystem, CreateWriteAndDestroyHonourReplaceFoldersAndProtection) {
    SimFileSystem fs(kStamp);
    ASSERT_TRUE(fs.Create(L"RAM:/F", ItemType::Folder, kStamp, false));
    ASSERT_TRUE(fs.Write(L"ram:/f/p.src", Bytes("DEF P ( )\nEND\n"), false, kStamp));
    EXPECT_EQ(fs.Find(L"RAM:/F/P.SRC")->type, ItemType::Module) << "typed by its extension";
    EXPECT_EQ(fs.Find(L"RAM:/F/P.SRC")->lines.size(), 2u);
    EXPECT_EQ(Taken(fs), (Events{{L"RAM:/F", change::kCreated}, {L"RAM:/F/P.SRC", change::kCreated}}));

    const Outcome exists = fs.Write(L"RAM:/F/P.SRC", Bytes("X"), false, kStamp);
    EXPECT_FALSE(exists);
    EXPECT_NE(exists.Why().find(L"exists"), std::wstring::npos);
    EXPECT_FALSE(fs.Create(L"RAM:/F/P.SRC", ItemType::Module, kStamp, false));
    EXPECT_FALSE(fs.Create(L"RAM:/F", ItemType::File, kStamp, true)) << "a folder is not replaced";
    EXPECT_FALSE(fs.Create(L"RAM:/NONE/X.TXT", ItemType::File, kStamp, false));
    EXPECT_FALSE(fs.Write(L"RAM:/F", Bytes("X"), true, kStamp));
    EXPECT_FALSE(fs.Destroy(L"RAM:/F", false)) << "not empty";
    EXPECT_FALSE(fs.Destroy(L"RAM:/", true));
    EXPECT_TRUE(Taken(fs).empty()) << "refusals change nothing";
    EXPECT_EQ(fs.Find(L"RAM:/F/P.SRC")->lines.size(), 2u);

    EXPECT_TRUE(fs.Write(L"RAM:/F/P.SRC", Bytes("DEF P ( )\nHALT\nEND\n"), true, kStamp));
    EXPECT_EQ(fs.Find(L"RAM:/F/P.SRC")->lines.size(), 3u);
    fs.Find(L"RAM:/F/P.SRC")->attributes = attr::kReadOnly;
    EXPECT_FALSE(fs.Write(L"RAM:/F/P.SRC", Bytes("X"), true, kStamp));
    EXPECT_FALSE(fs.Destroy(L"RAM:/F/P.SRC", false));
    EXPECT_FALSE(fs.Rename(L"RAM:/F/P.SRC", L"Q.SRC", kStamp));
    EXPECT_FALSE(fs.Destroy(L"SYSTEM:/CONFIG/CELL.INI", false));
    EXPECT_FALSE(fs.Destroy(L"SYSTEM:/CONFIG", true));
    EXPECT_FALSE(fs.Create(L"SYSTEM:/CONFIG/NEW.INI", ItemType::File, kStamp, false));
    EXPECT_EQ(Taken(fs), (Events{{L"RAM:/F/P.SRC", change::kWritten}}));
    EXPECT_TRUE(fs.Destroy(L"RAM:/F", true));
    EXPECT_EQ(fs.Find(L"RAM:/F"), nullptr);
    EXPECT_EQ(Taken(fs), (Events{{L"RAM:/F", change::kDestroyed}}));
}

TEST(SimFilesSystem, TheSystemVolumeTakesNoNewItems) {
    SimFileSystem fs(kStamp);
    EXPECT_FALSE(fs.Move(L"USER:/README.TXT", L"SYSTEM:/", false, kStamp));
    EXPECT_NE(fs.Find(L"USER:/README.TXT"), nullptr);
    EXPECT_FALSE(fs.Copy(L"USER:/R1/DEMO.SRC", L"SYSTEM:/", false, kStamp));
    EXPECT_FALSE(fs.Create(L"SYSTEM:/NEW.TXT", ItemType::File, kStamp, false));
    EXPECT_FALSE(fs.Write(L"SYSTEM:/NEW.SRC", Bytes("DEF NEW ( )\nEND\n"), true, kStamp));
    EXPECT_EQ(fs.Find(L"SYSTEM:/")->children.size(), 1u) << "only CONFIG";
}

TEST(SimFilesSystem, RenameStaysInTheFolderAndRefusesClashesAndBadNames) {
    SimFileSystem fs(kStamp);
    EXPECT_TRUE(fs.Rename(L"USER:/README.TXT", L"notes.txt", kStamp + 5));
    ASSERT_NE(fs.Find(L"USER:/NOTES.TXT"), nullptr);
    EXPECT_EQ(fs.Find(L"USER:/NOTES.TXT")->modified, kStamp + 5);
    EXPECT_EQ(Taken(fs), (Events{{L"USER:/README.TXT", change::kRenamed}, {L"USER:/NOTES.TXT", change::kRenamed}}));
    EXPECT_TRUE(fs.Rename(L"USER:/NOTES.TXT", L"Notes.TXT", kStamp)) << "only the spelling changes";
    EXPECT_EQ(fs.Find(L"USER:/NOTES.TXT")->name, L"Notes.TXT");
    EXPECT_TRUE(fs.Rename(L"USER:/R1", L"R2", kStamp)) << "a folder takes its content along";
    EXPECT_NE(fs.Find(L"USER:/R2/LIB/GRIP.SRC"), nullptr);
    fs.TakeEvents();
    for (const auto* bad : {L"", L"..", L"a/b", L"a:b", L"PICK.SRC", L"pick.src"}) {
        EXPECT_FALSE(fs.Rename(L"USER:/R2/DEMO.SRC", bad, kStamp)) << bad;
    }
    EXPECT_EQ(fs.Find(L"USER:/R2/PICK.SRC")->lines.front(), L"DEF PICK ( )") << "the clash was not overwritten";
    EXPECT_TRUE(Taken(fs).empty());
}

TEST(SimFilesSystem, CopyAndMoveIntoFoldersAcrossVolumesButNotIntoThemselves) {
    SimFileSystem fs(kStamp);
    EXPECT_TRUE(fs.Copy(L"USER:/R1/DEMO.SRC", L"RAM:/", false, kStamp));
    EXPECT_EQ(fs.Find(L"RAM:/DEMO.SRC")->lines, fs.Find(L"USER:/R1/DEMO.SRC")->lines);
    EXPECT_FALSE(fs.Copy(L"USER:/R1/DEMO.SRC", L"RAM:/DEMO.SRC", false, kStamp));
    EXPECT_TRUE(fs.Copy(L"USER:/R1/PICK.SRC", L"RAM:/DEMO.SRC", true, kStamp));
    EXPECT_EQ(fs.Find(L"RAM:/DEMO.SRC")->lines.front(), L"DEF PICK ( )");
    EXPECT_EQ(Taken(fs), (Events{{L"RAM:/DEMO.SRC", change::kCreated}, {L"RAM:/DEMO.SRC", change::kWritten}}));

    EXPECT_TRUE(fs.Copy(L"USER:/R1", L"CARD:/", false, kStamp));
    EXPECT_NE(fs.Find(L"CARD:/R1/LIB/GRIP.SRC"), nullptr);
    EXPECT_FALSE(fs.Copy(L"USER:/R1", L"USER:/R1/LIB", false, kStamp)) << "into itself";
    EXPECT_FALSE(fs.Copy(L"USER:/R1/DEMO.SRC", L"USER:/R1/DEMO.SRC", true, kStamp));
    EXPECT_TRUE(fs.Copy(L"SYSTEM:/CONFIG/CELL.INI", L"RAM:/", false, kStamp));
    EXPECT_EQ(fs.Find(L"RAM:/CELL.INI")->attributes, attr::kReadOnly) << "a copy is the user's, still read-only";
    fs.TakeEvents();

    EXPECT_TRUE(fs.Move(L"RAM:/DEMO.SRC", L"CARD:/R1/LIB", false, kStamp));
    EXPECT_EQ(fs.Find(L"RAM:/DEMO.SRC"), nullptr);
    EXPECT_EQ(fs.Find(L"CARD:/R1/LIB/DEMO.SRC")->lines.front(), L"DEF PICK ( )");
    EXPECT_EQ(Taken(fs), (Events{{L"RAM:/DEMO.SRC", change::kRenamed}, {L"CARD:/R1/LIB/DEMO.SRC", change::kRenamed}}));
    EXPECT_TRUE(fs.Move(L"CARD:/R1", L"RAM:/MOVED", false, kStamp));
    EXPECT_NE(fs.Find(L"RAM:/MOVED/LIB/DEMO.SRC"), nullptr);
    EXPECT_FALSE(fs.Move(L"RAM:/MOVED", L"RAM:/MOVED/LIB/SUB", false, kStamp)) << "into itself";
    EXPECT_NE(fs.Find(L"RAM:/MOVED/LIB/GRIP.SRC"), nullptr);
}

TEST(SimFilesSystem, ARefusedMoveLosesNothing) {
    SimFileSystem fs(kStamp);
    const auto demo = fs.Find(L"USER:/R1/DEMO.SRC")->lines;
    ASSERT_TRUE(fs.Copy(L"USER:/R1/PICK.SRC", L"RAM:/DEMO.SRC", false, kStamp));
    fs.Find(L"RAM:/DEMO.SRC")->attributes = attr::kReadOnly;
    ASSERT_TRUE(fs.Write(L"CARD:/FILL.BIN", std::vector<std::uint8_t>((32 << 20) - 10, 7), false, kStamp));
    fs.TakeEvents();
    EXPECT_FALSE(fs.Move(L"USER:/R1/DEMO.SRC", L"RAM:/", false, kStamp)) << "exists";
    EXPECT_FALSE(fs.Move(L"USER:/R1/DEMO.SRC", L"RAM:/", true, kStamp)) << "replaces a read-only item";
    EXPECT_FALSE(fs.Move(L"USER:/R1/DEMO.SRC", L"SYSTEM:/CONFIG", true, kStamp));
    EXPECT_FALSE(fs.Move(L"USER:/R1/DEMO.SRC", L"RAM:/NONE/DEMO.SRC", true, kStamp));
    EXPECT_FALSE(fs.Move(L"USER:/R1/DEMO.SRC", L"CARD:/", true, kStamp)) << "no room";
    EXPECT_FALSE(fs.Move(L"USER:/R1/LIB", L"RAM:/DEMO.SRC", true, kStamp)) << "a folder onto a module";
    EXPECT_FALSE(fs.Move(L"SYSTEM:/CONFIG/CELL.INI", L"RAM:/", true, kStamp));
    EXPECT_TRUE(fs.TakeEvents().empty());
    ASSERT_NE(fs.Find(L"USER:/R1/DEMO.SRC"), nullptr);
    EXPECT_EQ(fs.Find(L"USER:/R1/DEMO.SRC")->lines, demo);
    EXPECT_EQ(fs.Find(L"RAM:/DEMO.SRC")->lines.front(), L"DEF PICK ( )");
    EXPECT_NE(fs.Find(L"USER:/R1/LIB/GRIP.SRC"), nullptr);
    EXPECT_NE(fs.Find(L"SYSTEM:/CONFIG/CELL.INI"), nullptr);
}

TEST(SimFilesSystem, AVolumeTakesWhatFitsAndNoMore) {
    SimFileSystem fs(kStamp);
    SimVolume& ram = *fs.Volume(L"RAM");
    ASSERT_TRUE(fs.Write(L"RAM:/BIG.BIN", std::vector<std::uint8_t>(ram.capacity, 1), false, kStamp)) << "exactly full";
    const Outcome full = fs.Write(L"RAM:/ONE.BIN", Bytes("1"), false, kStamp);
    EXPECT_FALSE(full);
    EXPECT_NE(full.Why().find(L"full"), std::wstring::npos);
    EXPECT_FALSE(fs.Copy(L"USER:/README.TXT", L"RAM:/", false, kStamp));
    EXPECT_TRUE(fs.Write(L"RAM:/BIG.BIN", std::vector<std::uint8_t>(ram.capacity - 100, 1), true, kStamp))
        << "replacing counts only the difference";
    EXPECT_TRUE(fs.Write(L"RAM:/ONE.BIN", Bytes("1"), false, kStamp));
    EXPECT_TRUE(fs.Format(L"ram:", L"Fresh"));
    EXPECT_EQ(fs.Used(ram), 0);
    EXPECT_EQ(ram.label, L"Fresh");
    fs.TakeEvents();
    EXPECT_FALSE(fs.Format(L"SYSTEM", L""));
    EXPECT_FALSE(fs.Format(L"RAM", std::wstring(33, L'L')));
    EXPECT_FALSE(fs.SetLabel(L"NOVOL", L"x"));
    EXPECT_TRUE(fs.SetLabel(L"CARD:", L"Spare"));
    ASSERT_EQ(fs.TakeEvents().size(), 1u);
}

TEST(SimFilesSystem, AMoveThatReplacesCountsOnlyTheDifference) {
    SimFileSystem fs(kStamp);
    ASSERT_TRUE(fs.Copy(L"USER:/R1/DEMO.SRC", L"RAM:/", false, kStamp));
    ASSERT_TRUE(fs.Copy(L"USER:/R1/DEMO.SRC", L"CARD:/", false, kStamp));
    const SimVolume& card = *fs.Volume(L"CARD");
    ASSERT_TRUE(
        fs.Write(L"CARD:/FILL.BIN", std::vector<std::uint8_t>(card.capacity - fs.Used(card), 1), false, kStamp));
    EXPECT_TRUE(fs.Copy(L"RAM:/DEMO.SRC", L"CARD:/DEMO.SRC", true, kStamp));
    EXPECT_TRUE(fs.Move(L"RAM:/DEMO.SRC", L"CARD:/DEMO.SRC", true, kStamp)) << "the volume is as full after as before";
}

TEST(SimFilesSystem, AModuleWrittenFromLatin1BytesNeverOverfillsItsVolume) {
    // Each such byte takes two in the module's UTF-8 lines.
    SimFileSystem fs(kStamp);
    const SimVolume& ram = *fs.Volume(L"RAM");
    ASSERT_TRUE(fs.Write(L"RAM:/FILL.BIN", std::vector<std::uint8_t>(ram.capacity - 8, 1), false, kStamp));
    (void)fs.Write(L"RAM:/L.SRC", Bytes("\xE9\xE9\xE9\xE9\xE9\xE9\xE9\xE9"), false, kStamp);
    EXPECT_LE(fs.Used(ram), ram.capacity);
}

}  // namespace
}  // namespace vantel::link::sim
