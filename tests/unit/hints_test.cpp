#include "commands/hints.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "batch/command_list.h"
#include "commands/catalogue.h"

namespace vantel {
namespace {

const CommandRow& Row(int id) {
    const CommandRow* row = FindCommand(id);
    if (row == nullptr) throw std::runtime_error("no command " + std::to_string(id));
    return *row;
}

// The status line's hint and the tooltip name every field and every value the command
// passes itself, a button's value as it is sent rather than as its caption reads.
TEST(Hints, NameEveryFieldAndEveryFixedValue) {
    const CommandRow& find = Row(32873);
    EXPECT_EQ(hint::Short(find), L"Find \u2014 1 handle \u00b7 2 text \u00b7 3 line \u00b7 4 column \u00b7 5 end line "
                                 L"\u00b7 6 end column \u00b7 7 match case (0/1)");
    EXPECT_NE(hint::Full(find).find(L"\nalways: forward = 1, whole word = 0, wrap = 0"), std::wstring::npos)
        << hint::Full(find);
    EXPECT_EQ(hint::FieldUse(find, 7), L"match case (%ld, not 0 \u2192 1)");
    EXPECT_EQ(hint::FieldUse(find, 8), L"");

    const CommandRow& autoButton = Row(1042);
    EXPECT_EQ(hint::Place(autoButton), L"$MODE_OP > #AUTO");
    EXPECT_EQ(hint::Short(autoButton), L"#AUTO \u2014 SetVar: variable = \"$MODE_OP\", value = \"#AUT\"");

    // One field feeding two arguments is named once with both.
    EXPECT_EQ(hint::Short(Row(32888)), L"Copy SrcMem \u2014 1 bytes + to \u00b7 2 flags");
    EXPECT_EQ(hint::Short(Row(32714)), L"SetInfo Off \u2014 does nothing");
}

TEST(CommandList, EveryCommandOnceWithItsFieldsAsTextAndJson) {
    std::ostringstream text, json;
    batch::WriteCommandList(text, Catalogue());
    batch::WriteCommandJson(json, Catalogue());
    const auto list = nlohmann::json::parse(json.str());

    std::set<int> ids;
    for (const CommandRow& row : Catalogue()) {
        if (row.kind == RowKind::Item || row.kind == RowKind::Button || row.kind == RowKind::Hidden) ids.insert(row.id);
    }
    std::set<int> listed;
    std::istringstream lines(text.str());
    std::string line;
    while (std::getline(lines, line)) listed.insert(std::stoi(line));
    EXPECT_EQ(listed, ids);
    ASSERT_EQ(list.size(), ids.size());

    for (const auto& entry : list) {
        for (const char* key : {"id", "kind", "path", "slot", "busy_check", "fields", "constants", "calls", "hint"}) {
            EXPECT_TRUE(entry.contains(key)) << entry["id"] << " lacks " << key;
        }
        if (entry["id"] == 32873) {
            EXPECT_EQ(entry["kind"], "item");
            EXPECT_EQ(entry["path"], "FileManager > ModuleCode > Find");
            ASSERT_EQ(entry["fields"].size(), 7u);
            EXPECT_EQ(entry["fields"][6], (nlohmann::json{{"field", 7}, {"argument", "match case"}, {"reader", "%ld, not 0 \u2192 1"}}));
            EXPECT_EQ(entry["constants"].size(), 3u);
            EXPECT_EQ(entry["busy_check"], true);
        }
        if (entry["id"] == 36864) {
            EXPECT_EQ(entry["kind"], "hidden");
            EXPECT_EQ(entry["path"], "hidden");
            EXPECT_EQ(entry["busy_check"], false);
        }
    }
    EXPECT_NE(text.str().find("\n32873 item FileManager > ModuleCode > Find | ModuleCodeFind | fields: 1 handle (%ld), "
                              "2 text (text), 3 line (%ld)"),
              std::string::npos);
}

}  // namespace
}  // namespace vantel
