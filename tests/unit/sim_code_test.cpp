// The simulated controller's module language: analyser, search, blocks, dependencies.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "sim/model/module_language.h"

namespace vantel::link::sim {
namespace {

using Lines = std::vector<std::wstring>;
using Fault = std::tuple<int, int, int>;  // line, column, number

std::vector<Fault> Faults(const Lines& lines, CodeKind kind = CodeKind::Code) {
    std::vector<Fault> out;
    for (const auto& e : Analyse(lines, kind)) {
        EXPECT_FALSE(e.text.empty()) << e.number;
        out.emplace_back(e.line, e.column, e.number);
    }
    return out;
}

TEST(SimCode, CleanModulesAnalyseClean) {
    const Lines code{
        L"; sorts the parts",
        L"DEF Sort_Parts ( count, speed ) ; entry",
        L"",
        L"  $OV_PRO = 50",
        L"  ptp HOME",
        L"  LIN {X 10, Y 0}",
        L"  PTP_REL {Z 5}",
        L"  LIN_REL $POS_ACT",
        L"  WAIT SEC 0.5",
        L"  IF(count > 0)THEN",
        L"    PICK(count, (2))",
        L"  ELSE",
        L"    HALT",
        L"  ENDIF",
        L"  LOOP",
        L"    WHILE $IN_1 == FALSE",
        L"      wait sec 1",
        L"    EndWhile",
        L"    FOR i = 1 TO count",
        L"      n=n + 1",
        L"    ENDFOR",
        L"    RETURN",
        L"  ENDLOOP",
        L"END",
        L"; nothing but comments after the end",
    };
    EXPECT_EQ(Faults(code), std::vector<Fault>{});
    const Lines data{L"DEFDAT SORT_PARTS",     L"DECL INT COUNT = 3",    L"decl real Speed",
                     L"DECL BOOL DONE = FALSE", L"DECL CHAR C = 'A'",     L"DECL POS HOME = {X 0, Y 0}",
                     L"ENDDAT"};
    EXPECT_EQ(Faults(data, CodeKind::Data), std::vector<Fault>{});
    // What a new module is created from.
    EXPECT_EQ(Faults({L"DEF TEST ( )", L"END"}), std::vector<Fault>{});
    EXPECT_EQ(Faults({L"DEFDAT TEST", L"ENDDAT"}, CodeKind::Data), std::vector<Fault>{});
}

TEST(SimCode, EachFaultHasItsNumberAndColumn) {
    struct Case {
        Lines lines;
        Fault fault;
    };
    const std::vector<Case> code{
        {{L"  FOO", L"END"}, {1, 3, 2001}},
        {{L"DEF M()", L"PTP P1"}, {2, 7, 2002}},
        {{L"DEF M()", L"  JUMP P1", L"END"}, {2, 3, 2003}},
        {{L"DEF M()", L"$X", L"END"}, {2, 1, 2003}},
        {{L"DEF M()", L"ENDFOR", L"END"}, {2, 1, 2004}},
        {{L"DEF M()", L"  WHILE A", L"END"}, {2, 3, 2005}},
        {{L"DEF ( )", L"END"}, {1, 5, 2006}},
        {{L"DEF M(A,)", L"END"}, {1, 9, 2006}},
        {{L"DEF M(A)", L"PTP 3", L"END"}, {2, 5, 2006}},
        {{L"DEF M(A)", L"FOR IF = 1 TO 2", L"ENDFOR", L"END"}, {2, 5, 2006}},
        {{L"DEF M()", L"END", L"  PTP P1"}, {3, 3, 2007}},
        {{L"DEF M", L"END"}, {1, 6, 2008}},
        {{L"DEF M(A B)", L"END"}, {1, 9, 2009}},
        {{L"DEF M()", L"GO(1, (2) ; late", L"END"}, {2, 10, 2009}},
        {{L"DEF M()", L"  X =   ; nothing", L"END"}, {2, 6, 2010}},
        {{L"DEF M()", L"IF THEN", L"ENDIF", L"END"}, {2, 4, 2010}},
        {{L"DEF M()", L"FOR I = TO 3", L"ENDFOR", L"END"}, {2, 9, 2010}},
        {{L"DEF M()", L"FOR I = 1 TO", L"ENDFOR", L"END"}, {2, 13, 2010}},
        {{L"DEF M()", L"WHILE", L"ENDWHILE", L"END"}, {2, 6, 2010}},
        {{L"DEF M()", L"IF A ATHEN", L"ENDIF", L"END"}, {2, 11, 2011}},
        {{L"DEF M()", L"FOR I = 1 2", L"ENDFOR", L"END"}, {2, 12, 2012}},
        {{L"DEF M()", L"FOR I 1 TO 2", L"ENDFOR", L"END"}, {2, 7, 2013}},
        {{L"DEF M()", L"WAIT 2", L"END"}, {2, 6, 2014}},
        {{L"DEF M()", L"WAIT SEC x", L"END"}, {2, 10, 2015}},
        {{L"DEF M()", L"LIN {X 1", L"END"}, {2, 9, 2016}},
        {{L"DEF M()", L"HALT now", L"END"}, {2, 6, 2017}},
        {{L"DEF M()", L"PTP P1 P2", L"END"}, {2, 8, 2017}},
        {{L"DEF M()", L"WAIT SEC 1.5s", L"END"}, {2, 13, 2017}},
        {{L"DEF M()", L"DEF N()", L"END"}, {2, 1, 2022}},
        {{L"DEF M()", L"DECL INT A", L"END"}, {2, 1, 2022}},
        {{L"DEF M()", L"ELSE", L"END"}, {2, 1, 2022}},
    };
    for (const auto& c : code) EXPECT_EQ(Faults(c.lines), std::vector<Fault>{c.fault}) << c.lines[1];

    const std::vector<Case> data{
        {{L"DECL INT A", L"ENDDAT"}, {1, 1, 2018}},
        {{L"DEFDAT D", L"DECL INT A"}, {2, 11, 2019}},
        {{L"DEFDAT D", L"DECL LONG A", L"ENDDAT"}, {2, 6, 2020}},
        {{L"DEFDAT D", L"PTP P1", L"ENDDAT"}, {2, 1, 2021}},
        {{L"DEFDAT D", L"DECL INT", L"ENDDAT"}, {2, 9, 2006}},
        {{L"DEFDAT D", L"DECL INT A 3", L"ENDDAT"}, {2, 12, 2013}},
        {{L"DEFDAT D", L"DECL INT A =", L"ENDDAT"}, {2, 13, 2010}},
        {{L"DEFDAT D", L"DECL INT A", L"DECL REAL a", L"ENDDAT"}, {3, 11, 2023}},
        {{L"DEFDAT D", L"ENDDAT", L"DECL INT A"}, {3, 1, 2007}},
    };
    for (const auto& c : data) EXPECT_EQ(Faults(c.lines, CodeKind::Data), std::vector<Fault>{c.fault}) << c.lines[1];

    // Nothing at all, or a bare END without its header: one fault.
    EXPECT_EQ(Faults({L"; empty", L""}), std::vector<Fault>{Fault(1, 1, 2001)});
    EXPECT_EQ(Faults({}, CodeKind::Data), std::vector<Fault>{Fault(1, 1, 2018)});
    EXPECT_EQ(Faults({L"END"}), std::vector<Fault>{Fault(1, 1, 2001)});
}

TEST(SimCode, NestedBlocksAndMismatchesAreReportedInLineOrder) {
    const Lines lines{
        L"DEF M()",
        L"LOOP",
        L"  IF A THEN",
        L"    FOR I = 1 TO 2",  // closed by nothing: the ENDIF below ends the IF
        L"  ENDIF",
        L"  ELSE",  // the LOOP is innermost now
        L"ENDLOOP",
        L"ENDWHILE",
        L"IF B THEN",
        L"ELSE",
        L"ELSE",
        L"  LOOP",
        L"END",
        L"PTP P1",
    };
    EXPECT_EQ(Faults(lines), (std::vector<Fault>{{4, 5, 2005},
                                                 {6, 3, 2022},
                                                 {8, 1, 2004},
                                                 {9, 1, 2005},
                                                 {11, 1, 2022},
                                                 {12, 3, 2005},
                                                 {14, 1, 2007}}));
}

TEST(SimCode, LargeModulesAnalyseAndFaultsStopAtOneHundred) {
    Lines big{L"DEF BIG()"};
    for (int i = 0; i < 2500; ++i) {
        for (const wchar_t* s : {L"IF A THEN", L"  PTP P1", L"ELSE", L"ENDIF"}) big.emplace_back(s);
    }
    big.emplace_back(L"END");
    EXPECT_EQ(Faults(big), std::vector<Fault>{});

    // Open blocks found only at the END come first, in line order.
    Lines deep{L"DEF DEEP()"};
    for (int i = 0; i < 5000; ++i) deep.emplace_back(L"LOOP");
    for (int i = 0; i < 5000; ++i) deep.emplace_back(L"JUMP");
    deep.emplace_back(L"END");
    const auto faults = Faults(deep);
    ASSERT_EQ(faults.size(), kMaxCodeErrors);
    EXPECT_EQ(faults.front(), Fault(2, 1, 2005));
    EXPECT_EQ(faults.back(), Fault(101, 1, 2005));
}

TEST(SimCode, NameAndDependencies) {
    const Lines lines{
        L"; Main calls the others",
        L"  DEF Main ( a )",
        L"  pick(1)",
        L"  Place ( 2 )",
        L"  PICK(3)",
        L"  MAIN()",
        L"  WAIT (1)",
        L"  IF Check(1) THEN",
        L"  ENDIF",
        L"  X = Calc(2)",
        L"  $FN(2)",
        L"  ; Commented(3)",
        L"  Zeta() ; Other()",
        L"END",
    };
    EXPECT_EQ(DeclaredName(lines), L"Main");
    EXPECT_EQ(Dependencies(lines), (Lines{L"PICK", L"PLACE", L"ZETA"}));
    EXPECT_EQ(DeclaredName({L"DEFDAT D1 ; data"}), L"D1");
    EXPECT_EQ(DeclaredName({L"PTP P", L"DEF X()"}), L"");
    EXPECT_EQ(DeclaredName({L"DEF LOOP()"}), L"");
    EXPECT_EQ(DeclaredName({}), L"");
}

TEST(SimCode, FindHonoursDirectionWordCaseRangeAndWrap) {
    const Lines text{L"PTP HOME", L"ptp home_2 ; home", L"LIN $HOME", L"HOMEHOME"};
    const auto find = [&](std::wstring_view what, FindOptions o) { return Find(text, what, o); };

    EXPECT_EQ(find(L"home", {}), (FindHit{1, 5, 4, 6}));
    EXPECT_EQ(find(L"home", {.matchCase = true}), (FindHit{2, 5, 4, 2}));
    EXPECT_EQ(find(L"HOME", {.wholeWord = true}), (FindHit{1, 5, 4, 2}));
    EXPECT_EQ(find(L"HOME", {.line = 2, .wholeWord = true}), (FindHit{2, 14, 4, 1}));
    EXPECT_EQ(find(L"", {}), FindHit{});
    EXPECT_EQ(find(L"nowhere", {.wrap = true}), FindHit{});

    // From a position: forward takes hits starting there, backward hits ending there.
    EXPECT_EQ(find(L"home", {.line = 2, .column = 6}), (FindHit{2, 14, 4, 4}));
    EXPECT_EQ(find(L"home", {.line = 2, .column = 5}), (FindHit{2, 5, 4, 5}));
    EXPECT_EQ(find(L"home", {.forward = false}), (FindHit{4, 5, 4, 6}));
    EXPECT_EQ(find(L"home", {.line = 2, .column = 16, .forward = false}), (FindHit{2, 5, 4, 2}));
    EXPECT_EQ(find(L"home", {.line = 2, .column = 17, .forward = false}), (FindHit{2, 14, 4, 3}));
    EXPECT_EQ(find(L"home", {.line = 2, .forward = false}), (FindHit{2, 14, 4, 3}));

    // The end of the range: the hit must lie inside it.
    EXPECT_EQ(find(L"home", {.endLine = 2, .endColumn = 8}), (FindHit{1, 5, 4, 2}));
    EXPECT_EQ(find(L"home", {.line = 2, .endLine = 2, .endColumn = 7}), (FindHit{0, 0, 0, 0}));
    EXPECT_EQ(find(L"home", {.line = 3, .endLine = 2, .forward = false}), (FindHit{3, 6, 4, 3}));
    EXPECT_EQ(find(L"home", {.line = 4, .endLine = 4, .endColumn = 2, .forward = false}), (FindHit{4, 5, 4, 1}));

    // Wrap: once round from the other end, up to where the search began; no count for it.
    EXPECT_EQ(find(L"home", {.line = 4, .column = 6}), FindHit{});
    EXPECT_EQ(find(L"home", {.line = 4, .column = 6, .wrap = true}), (FindHit{1, 5, 4, 0}));
    EXPECT_EQ(find(L"home", {.line = 1, .column = 3, .forward = false, .wrap = true}), (FindHit{4, 5, 4, 0}));
    EXPECT_EQ(find(L"PTP", {.line = 1, .column = 2, .endLine = 1, .wrap = true}), (FindHit{1, 1, 3, 0}));
    EXPECT_EQ(find(L"LIN", {.line = 1, .column = 2, .endLine = 2, .wrap = true}), FindHit{});
}

TEST(SimCode, FindStructForwardAndEnclosing) {
    const Lines code{
        L"DEF M()",          L"  LOOP", L"    IF A THEN ; test", L"      PTP P1", L"    ENDIF", L"    FOR I = 1 TO 3",
        L"    ENDFOR",       L"  ENDLOOP", L"END", L"; after",
    };
    EXPECT_EQ(FindStruct(code, 1, StructKind::Any, false), (StructHit{1, StructKind::Def, L"DEF M()"}));
    EXPECT_EQ(FindStruct(code, 0, StructKind::Loop, false), (StructHit{2, StructKind::Loop, L"LOOP"}));
    EXPECT_EQ(FindStruct(code, 2, StructKind::If, false), (StructHit{3, StructKind::If, L"IF A THEN"}));
    EXPECT_EQ(FindStruct(code, 4, StructKind::Any, false).line, 6);
    EXPECT_EQ(FindStruct(code, 7, StructKind::Any, false), StructHit{});

    const auto enclosing = [&](std::int32_t line, StructKind kind) { return FindStruct(code, line, kind, true).line; };
    EXPECT_EQ(enclosing(4, StructKind::Any), 3);
    EXPECT_EQ(enclosing(3, StructKind::Any), 3);  // a block's first and last lines belong to it
    EXPECT_EQ(enclosing(5, StructKind::Any), 3);
    EXPECT_EQ(enclosing(6, StructKind::For), 6);
    EXPECT_EQ(enclosing(7, StructKind::Loop), 2);
    EXPECT_EQ(enclosing(8, StructKind::Any), 2);
    EXPECT_EQ(enclosing(9, StructKind::Any), 1);
    EXPECT_EQ(enclosing(4, StructKind::While), 0);
    EXPECT_EQ(enclosing(10, StructKind::Any), 0);
    EXPECT_EQ(FindStruct(code, 4, StructKind::Def, true), (StructHit{1, StructKind::Def, L"DEF M()"}));

    const Lines data{L"DEFDAT D", L"DECL INT A", L"ENDDAT"};
    EXPECT_EQ(FindStruct(data, 2, StructKind::Any, true).kind, StructKind::DefDat);
    const Lines open{L"DEF M()", L"LOOP", L"PTP P1"};  // runs on to the end of the text
    EXPECT_EQ(FindStruct(open, 3, StructKind::Any, true).line, 2);
    EXPECT_EQ(FindStruct(open, 99, StructKind::Any, true).line, 2);
}

TEST(SimCode, RedeclareRewritesTheHeaderOnly) {
    Lines lines{L"; head", L"  def Old ( a ) ; keep", L"END"};
    ASSERT_TRUE(Redeclare(lines, L"New"));
    EXPECT_EQ(lines[1], L"  def New ( a ) ; keep");
    ASSERT_TRUE(Redeclare(lines, L"", L" x,y  "));
    EXPECT_EQ(lines[1], L"  def New ( x, y ) ; keep");
    ASSERT_TRUE(Redeclare(lines, L"", L""));
    EXPECT_EQ(lines[1], L"  def New ( ) ; keep");
    EXPECT_EQ(Faults(lines), std::vector<Fault>{});
    EXPECT_EQ(DeclaredName(lines), L"New");

    const Lines before = lines;
    for (const auto& [name, params] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"1abc", L""}, {L"LOOP", L""}, {L"A-B", L""}, {L"", L"a b"}, {L"", L"a,"}, {L"", L"$a"}}) {
        EXPECT_FALSE(Redeclare(lines, name, params)) << name << L"|" << params;
    }
    EXPECT_EQ(lines, before);

    Lines data{L"DEFDAT D", L"ENDDAT"};
    EXPECT_FALSE(Redeclare(data, L"E", L"a"));
    ASSERT_TRUE(Redeclare(data, L"E", L""));
    EXPECT_EQ(data[0], L"DEFDAT E");

    Lines none{L"PTP P1", L"DEF X()"};
    EXPECT_FALSE(Redeclare(none, L"Y"));
    Lines empty;
    EXPECT_FALSE(Redeclare(empty, L"Y"));
    Lines nameless{L"DEF (a)", L"END"};
    EXPECT_FALSE(Redeclare(nameless, L""));
    ASSERT_TRUE(Redeclare(nameless, L"Named"));
    EXPECT_EQ(nameless[0], L"DEF Named(a)");
}

}  // namespace
}  // namespace vantel::link::sim
