// The simulated file system kept between runs: what Save writes, Load reads back whole, and
// anything else leaves the file system as it was.
#include <gtest/gtest.h>

#include "link/sim_files.h"

namespace vantel::link::sim {
namespace {

TEST(SimState, RoundTripKeepsEveryItemAndAttribute) {
    SimFileSystem fs(1000);
    ASSERT_TRUE(fs.Write(L"RAM:/ODD.BIN", std::vector<std::uint8_t>{0, '\n', 0xFF, '\t', '\\', 'x'}, false, 2000));
    ASSERT_NE(fs.Create(L"CARD:/A B", ItemType::Folder, 3000, false), nullptr);
    SimItem* module = fs.Find(L"USER:/R1/DEMO.SRC");
    ASSERT_NE(module, nullptr);
    module->comment = L"tab\there, line\nbreak, back\\slash, \u00e9\u20ac";
    module->userAttributes[L"OWNER"] = L"tester\t2";
    module->lines.push_back(L"; trailing\r");
    ASSERT_TRUE(fs.SetLabel(L"RAM", L"Scratch"));
    const std::string saved = fs.Save();

    SimFileSystem other(0);
    ASSERT_TRUE(other.Load(saved));
    EXPECT_EQ(other.Save(), saved);
    EXPECT_EQ(other.Find(L"RAM:/ODD.BIN")->bytes, (std::vector<std::uint8_t>{0, '\n', 0xFF, '\t', '\\', 'x'}));
    EXPECT_EQ(other.Find(L"USER:/R1/DEMO.SRC")->comment, module->comment);
    EXPECT_EQ(other.Find(L"USER:/R1/DEMO.SRC")->userAttributes.at(L"OWNER"), L"tester\t2");
    EXPECT_EQ(other.Volume(L"RAM")->label, L"Scratch");
    EXPECT_NE(other.Find(L"CARD:/A B"), nullptr);
}

TEST(SimState, DamagedTextChangesNothing) {
    SimFileSystem source(1000);
    ASSERT_TRUE(source.Destroy(L"USER:/README.TXT", false));
    const std::string saved = source.Save();
    const std::string pristine = SimFileSystem(1000).Save();
    // Every cut that does not end on an item boundary, and a few kinds of garbage.
    std::vector<std::string> damaged = {"", "VANTEL-FS 2\n", saved + "Z\tjunk\n", saved.substr(0, saved.size() - 1)};
    for (std::size_t cut = 12; cut < saved.size(); cut += 37) damaged.push_back(saved.substr(0, cut));
    std::string flipped = saved;
    flipped[flipped.find("\nI\t") + 1] = 'Q';
    damaged.push_back(flipped);
    for (const auto& text : damaged) {
        SimFileSystem fs(1000);
        if (fs.Load(text)) {
            // A cut that happens to fall between two records is a smaller, still whole state.
            EXPECT_EQ(fs.Save(), text) << text.size();
            continue;
        }
        EXPECT_EQ(fs.Save(), pristine) << "a refused load changed the file system, at " << text.size();
    }
}

}  // namespace
}  // namespace vantel::link::sim
