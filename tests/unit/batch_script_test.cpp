#include "script/script.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "batch/check.h"
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

// Headers are the comments before the first command; what follows it is the script's.
TEST(ScriptHeader, HeadersUpToTheFirstCommand) {
    std::istringstream in(
        "# recorded by hand\n"
        "# args: --trace --journal 'a b.jsonl'\n"
        "\n"
        "  #env: X=1 --unset=Y\r\n"
        "# env: Z=@WORKDIR@/z\n"
        "# status: 3\n"
        "# absent: out side.txt\n"
        "# args: --link script\n"
        "field 1 x\n"
        "# args: --registry late.db\n");
    ScriptHeader header;
    std::string first, error;
    int lines = 0;
    ASSERT_TRUE(ReadHeader(in, header, first, lines, error)) << error;
    EXPECT_EQ(header.args, (std::vector<std::string>{"--trace", "--journal", "a b.jsonl", "--link", "script"}));
    EXPECT_EQ(header.argLines, (std::vector<int>{2, 2, 2, 8, 8}));
    EXPECT_EQ(header.env, (std::vector<std::string>{"X=1", "--unset=Y", "Z=@WORKDIR@/z"}));
    EXPECT_EQ(header.status, 3);
    EXPECT_EQ(header.absent, (std::vector<std::string>{"out side.txt"}));
    EXPECT_EQ(first, "field 1 x");
    EXPECT_EQ(lines, 9);
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "# args: --registry late.db");

    const auto rejected = [](const char* text) {
        std::istringstream bad(text);
        ScriptHeader h;
        std::string f, why;
        int n = 0;
        EXPECT_FALSE(ReadHeader(bad, h, f, n, why)) << text;
        return why;
    };
    EXPECT_EQ(rejected("# ok\n# status: 256\n"), "line 2: # status: an exit status from 0 to 255");
    EXPECT_EQ(rejected("# status: 1 2\n"), "line 1: # status: an exit status from 0 to 255");
    EXPECT_EQ(rejected("# env: 1X=2\n"), "line 1: # env: NAME=VALUE or --unset=NAME, not \"1X=2\"");
    EXPECT_EQ(rejected("# env: --unset=A=1\n"), "line 1: # env: NAME=VALUE or --unset=NAME, not \"--unset=A=1\"");
    EXPECT_EQ(rejected("# args: --journal \"open\n"), "line 1: # args: a \" is not closed");
    EXPECT_EQ(rejected("# absent:\n"), "line 1: # absent: a path");
}

TEST(ScriptHeader, WordsSplitAsAShellDoes) {
    const auto split = [](std::string_view text) {
        std::vector<std::string> words;
        std::string error;
        EXPECT_TRUE(SplitWords(text, words, error)) << text << ": " << error;
        return words;
    };
    using Words = std::vector<std::string>;
    EXPECT_EQ(split("  a\tb  "), (Words{"a", "b"}));
    EXPECT_EQ(split(R"('x  y'"z \"q\" \n"w\ v)"), (Words{R"(x  yz "q" \nw v)"}));
    EXPECT_EQ(split(R"('' "")"), (Words{"", ""}));
    EXPECT_EQ(split(R"('it'\''s')"), (Words{"it's"}));
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(SplitWords("a 'b", words, error));
    EXPECT_FALSE(SplitWords("a\\", words, error));
    EXPECT_EQ(ExpandWorkdir("@WORKDIR@/a:@WORKDIR@", "/w"), "/w/a:/w");
    EXPECT_EQ(ExpandWorkdir("@WORKDIR", "/w"), "@WORKDIR");
}

// What a CI server reads must stay XML whatever a script printed.
TEST(BatchCheck, ReportTextIsAlwaysXml) {
    EXPECT_EQ(batch::XmlEscape("a<b>&\"c'"), "a&lt;b&gt;&amp;&quot;c&apos;");
    EXPECT_EQ(batch::XmlEscape("tab\tnl\ncr\r"), "tab\tnl\ncr\r");
    EXPECT_EQ(batch::XmlEscape("Ätschi 😀"), "Ätschi 😀");
    EXPECT_EQ(batch::XmlEscape(std::string("\x01|\x1b|\xff|\xc3|\xc0\x80|\xed\xa0\x80|\xef\xbf\xbf")),
              "\\x01|\\x1B|\\xFF|\\xC3|\\xC0\\x80|\\xED\\xA0\\x80|\\xEF\\xBF\\xBF");
}

TEST(BatchCheck, ScriptsAndGroupsOfAFolder) {
    test::TempStores folder;
    const std::filesystem::path dir = folder.Dir();
    for (const char* file : {"b.vbs", "a.2.vbs", "a.10.vbs", "a.1.vbs", "gap.1.vbs", "gap.3.vbs", "both.vbs",
                             "both.1.vbs", "v1.2.vbs", "x.out", "notes.txt"}) {
        std::ofstream(dir / file) << "wait\n";
    }
    for (int part = 3; part <= 9; ++part) std::ofstream(dir / ("a." + std::to_string(part) + ".vbs")) << "wait\n";
    std::vector<batch::Case> cases;
    std::string error;
    ASSERT_TRUE(batch::FindCases(dir.string(), cases, error)) << error;
    ASSERT_EQ(cases.size(), 5u);
    EXPECT_EQ(cases[0].name, "a");
    ASSERT_EQ(cases[0].scripts.size(), 10u);
    EXPECT_EQ(std::filesystem::path(cases[0].scripts[1]).filename(), "a.2.vbs");
    EXPECT_EQ(std::filesystem::path(cases[0].scripts[9]).filename(), "a.10.vbs");
    EXPECT_EQ(cases[0].expected, (dir / "a.out").string());
    EXPECT_EQ(cases[0].problem, "");
    EXPECT_EQ(cases[1].name, "b");
    EXPECT_EQ(cases[2].name, "both");
    EXPECT_NE(cases[2].problem, "");
    EXPECT_EQ(cases[3].name, "gap");
    EXPECT_NE(cases[3].problem, "");
    EXPECT_EQ(cases[4].name, "v1");  // a group of one part, numbered 2: a gap too
    EXPECT_NE(cases[4].problem, "");
    EXPECT_FALSE(batch::FindCases((dir / "none").string(), cases, error));
}

}  // namespace
}  // namespace vantel::script
