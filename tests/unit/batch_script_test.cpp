#include "script/script.h"

#include <sstream>

#include <gtest/gtest.h>

#include "batch/runner.h"
#include "temp_stores.h"

namespace vantel::script {
namespace {

using batch::LinkKind;
using batch::Options;
using batch::Runner;

ScriptLine Read(std::string_view text) {
    ScriptLine line;
    std::string error;
    EXPECT_TRUE(ParseScriptLine(text, line, error)) << text << ": " << error;
    return line;
}

std::string Rejection(std::string_view text) {
    ScriptLine line;
    std::string error;
    EXPECT_FALSE(ParseScriptLine(text, line, error)) << text;
    return error;
}

TEST(BatchScript, FieldTextIsTheRestAfterOneBlank) {
    EXPECT_EQ(Read("field 1 abc").text, L"abc");
    EXPECT_EQ(Read("field 10  two  blanks ").text, L" two  blanks ");
    EXPECT_EQ(Read("field 2 # not a comment").text, L"# not a comment");
    EXPECT_EQ(Read("field 3 Ätschi 😀").text, L"Ätschi 😀");
    EXPECT_EQ(Read("field 3 a\\nb").text, L"a\\nb");  // verbatim: no escapes
    EXPECT_EQ(Read("field 4 ").text, L"");
    EXPECT_EQ(Read("field 4").text, L"");
    EXPECT_EQ(Read("field 5 crlf\r").text, L"crlf");
    EXPECT_EQ(Read("field 0x0A x").first, 10);
    for (const char* bad : {"field", "field 0 x", "field 11 x", "field one x", "field -1 x"}) Rejection(bad);
}

TEST(BatchScript, CommandsWithNumbers) {
    const ScriptLine pick = Read("pick 2 19");
    EXPECT_EQ(pick.verb, Verb::Pick);
    EXPECT_EQ(pick.first, 2);
    EXPECT_EQ(pick.second, 19);
    EXPECT_EQ(Read("menu 32711").first, 32711);
    const ScriptLine post = Read("post 0xFFFF -1");
    EXPECT_EQ(post.first, 0xFFFF);
    EXPECT_EQ(post.second, -1);
    EXPECT_EQ(Read("handle 0xFFFF").first, -1);
    EXPECT_EQ(Read("handle -32768").first, -32768);
    EXPECT_EQ(Read("answer 2").first, 2);
    EXPECT_EQ(Read("answer close").first, kAnswerClose);
    EXPECT_EQ(Read("  sleep 250  ").first, 250);
    EXPECT_EQ(Read("wait").verb, Verb::Wait);
    EXPECT_EQ(Read("close\r").verb, Verb::Close);

    for (const char* bad : {"pick 1", "pick 1 -1", "menu", "menu 0", "menu x", "post 1", "post 1 2 3", "answer 3",
                            "answer -1", "sleep -5", "handle 65536", "handle -32769", "wait now", "close 1",
                            "bofkey", "bofkey 1 2"}) {
        EXPECT_FALSE(Rejection(bad).empty()) << bad;
    }
}

TEST(BatchScript, CommentsBlanksAndUnknownWords) {
    EXPECT_EQ(Read("").verb, Verb::Nothing);
    EXPECT_EQ(Read(" \t").verb, Verb::Nothing);
    EXPECT_EQ(Read("# field 99").verb, Verb::Nothing);
    EXPECT_EQ(Read("#").verb, Verb::Nothing);
    EXPECT_EQ(Rejection("Field 1 x"), "unknown command \"Field\"");
    EXPECT_EQ(Rejection("fields 1 x"), "unknown command \"fields\"");
}

TEST(BatchScript, ResultLinesNameACallAndItsValues) {
    const ScriptLine line = Read(R"(result GetRobots 0x1 "a b" )");
    EXPECT_EQ(line.verb, Verb::Result);
    EXPECT_EQ(line.call, link::CallId::GetRobots);
    EXPECT_EQ(line.ret.Bits(), 1u);
    ASSERT_EQ(line.values.size(), 1u);
    EXPECT_EQ(std::get<std::wstring>(line.values[0]), L"a b");

    EXPECT_EQ(Rejection("result NoSuchCall 1"), "no link call named NoSuchCall");
    EXPECT_FALSE(Rejection("result GetRobots").empty());
    EXPECT_FALSE(Rejection("result GetRobots one").empty());
    // Columns count from the start of the line.
    EXPECT_EQ(Rejection(R"(result GetRobots 1 "a" nope)"), "not a value: nope at column 24");
}

// The store is what the dialog leaves for the next start.
TEST(BatchRunner, HistoriesTypedInOneRunAreThereInTheNext) {
    test::TempStores stores;
    std::ostringstream out;
    std::ostringstream err;
    {
        Runner run(Options{LinkKind::Script, false, {}, stores.UserStore()}, out);
        std::istringstream script("field 1 first\nfield 1 second\nfield 3 Ätschi\nclose\n");
        EXPECT_EQ(run.Run(script, err), 0);
    }
    {
        Runner run(Options{LinkKind::Script, false, {}, stores.UserStore()}, out);
        run.Open();
        EXPECT_EQ(run.Console().Field(1).items, (std::vector<std::wstring>{L"second", L"first"}));
        EXPECT_EQ(run.Console().Field(1).text, L"second");
        EXPECT_EQ(run.Console().Field(3).items, (std::vector<std::wstring>{L"Ätschi"}));
        EXPECT_TRUE(run.Console().Field(2).items.empty());
    }
    // Without "close" the dialog is never closed, so nothing is saved.
    {
        Runner run(Options{LinkKind::Script, false, {}, stores.UserStore()}, out);
        std::istringstream script("field 1 third\n");
        EXPECT_EQ(run.Run(script, err), 0);
    }
    Runner run(Options{LinkKind::Script, false, {}, stores.UserStore()}, out);
    run.Open();
    EXPECT_EQ(run.Console().Field(1).items.size(), 2u);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "");
}

}  // namespace
}  // namespace vantel::script
