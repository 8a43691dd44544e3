// The scripted link's queues and the tracing wrapper, through CPlexa as the console calls them.
#include "script/scripted_link.h"

#include <gtest/gtest.h>

#include "link/trace_link.h"

namespace vantel::link {
namespace {

Number Num(std::int64_t v) {
    Number n;
    n.negative = v < 0;
    n.magnitude = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    return n;
}

std::vector<Value> Values(std::string_view text) {
    std::vector<Value> values;
    std::string error;
    EXPECT_TRUE(ParseValues(text, values, error)) << error;
    return values;
}

class ScriptedLinkTest : public ::testing::Test {
protected:
    ScriptedLinkTest() {
        auto scripted = std::make_unique<ScriptedLink>();
        m_scripted = scripted.get();
        m_plexa = std::make_unique<CPlexa>(
            MakeTraceLink(std::move(scripted), [this](std::string_view line) { m_trace.emplace_back(line); }));
    }

    void Queue(CallId call, std::int64_t ret, std::string_view values = "") {
        std::string error;
        ASSERT_TRUE(m_scripted->QueueResult(call, Num(ret), Values(values), error)) << error;
    }
    std::string Refusal(CallId call, std::int64_t ret, std::string_view values = "") {
        std::string error;
        EXPECT_FALSE(m_scripted->QueueResult(call, Num(ret), Values(values), error));
        return error;
    }

    ScriptedLink* m_scripted = nullptr;
    std::unique_ptr<CPlexa> m_plexa;
    std::vector<std::string> m_trace;
};

TEST_F(ScriptedLinkTest, RequestsTakeQueuedHandlesThenCount) {
    CPlexa& p = *m_plexa;
    EXPECT_EQ(p.ShowVar(L"a", L""), 1);
    m_scripted->QueueHandle(40);
    m_scripted->QueueHandle(-3);
    m_scripted->QueueHandle(0);
    EXPECT_EQ(p.SetInfo(L"a", L""), 40);
    EXPECT_EQ(p.ShowVar(L"a", L""), -3);
    EXPECT_EQ(p.ShowVar(L"a", L""), 0);
    // Only requests that no handle line answered advance the count.
    EXPECT_EQ(p.ShowVar(L"a", L""), 2);
    // A result line of the request itself comes first and leaves handles and count alone.
    m_scripted->QueueHandle(9);
    Queue(CallId::ShowVar, 0);
    EXPECT_EQ(p.ShowVar(L"a", L""), 0);
    EXPECT_EQ(p.ShowVar(L"a", L""), 9);
    EXPECT_EQ(p.SetInfo(L"a", L""), 3);
    // Non-requests never take a handle.
    m_scripted->QueueHandle(50);
    EXPECT_EQ(p.CmdAbort(3), 1);
    EXPECT_EQ(p.ShowVar(L"a", L""), 50);
}

TEST_F(ScriptedLinkTest, EachCallHasItsOwnResultQueue) {
    CPlexa& p = *m_plexa;
    Queue(CallId::ShowVarResult, 1, R"("first")");
    Queue(CallId::ShowVarResult, 0);
    Queue(CallId::SetInfoResult, 2, R"("info")");
    std::wstring text = L"left over";
    EXPECT_EQ(p.ShowVarResult(1, text), 1);
    EXPECT_EQ(text, L"first");
    EXPECT_EQ(p.SetInfoResult(1, text), 2);
    EXPECT_EQ(text, L"info");
    // A result line without values leaves the out-value empty, as does no line at all.
    text = L"left over";
    EXPECT_EQ(p.ShowVarResult(1, text), 0);
    EXPECT_EQ(text, L"");
    text = L"left over";
    EXPECT_EQ(p.ShowVarResult(1, text), 1);
    EXPECT_EQ(text, L"");
}

TEST_F(ScriptedLinkTest, ValuesFillOutValuesInDeclarationOrder) {
    Queue(CallId::GetSyncAddDialog, 1,
          R"(133444736000000000 0xFFFFFFFF 4 -1 "q\n1" "" "drei" ["p"] [true] ["Ja", "Nein", "Weiß nicht"])");
    CFileTime time(5);
    std::uint32_t handle = 9, number = 9;
    EMessageType type = eMsgInfo;
    std::wstring t1 = L"x", t2 = L"x", t3 = L"x";
    StringArray params, answers{L"old"};
    BoolArray paramFlags, answerFlags{true};
    EXPECT_EQ(m_plexa->GetSyncAddDialog(7, time, handle, type, number, t1, t2, t3, params, paramFlags, answers,
                                        answerFlags),
              1);
    EXPECT_EQ(time.GetTime(), 133444736000000000u);
    EXPECT_EQ(handle, 0xFFFFFFFFu);
    EXPECT_EQ(type, eMsgDialog);
    EXPECT_EQ(number, 4294967295u);
    EXPECT_EQ(t1, L"q\n1");
    EXPECT_EQ(t2, L"");
    EXPECT_EQ(t3, L"drei");
    EXPECT_EQ(params, StringArray{L"p"});
    EXPECT_EQ(paramFlags, BoolArray{true});
    EXPECT_EQ(answers, (StringArray{L"Ja", L"Nein", L"Weiß nicht"}));
    EXPECT_TRUE(answerFlags.empty());  // no value given: emptied

    ASSERT_EQ(m_trace.size(), 1u);
    EXPECT_EQ(m_trace[0],
              "call: GetSyncAddDialog(7, 133444736000000000, 4294967295, 4, 4294967295, \"q\\n1\", \"\", \"drei\", "
              "[\"p\"], [true], [\"Ja\", \"Nein\", \"Weiß nicht\"], []) -> 1");
}

TEST_F(ScriptedLinkTest, ValuesThatDoNotFitTheCallAreRefused) {
    EXPECT_EQ(Refusal(CallId::ShowVarResult, 1, "42"), "out-value 1 of ShowVarResult must be a string");
    EXPECT_EQ(Refusal(CallId::ShowVarResult, 1, R"("a" "b")"), "ShowVarResult has 1 out-value, 2 given");
    EXPECT_EQ(Refusal(CallId::CmdAbort, 1, "1"), "CmdAbort has 0 out-values, 1 given");
    EXPECT_EQ(Refusal(CallId::ShowVar, 70000), "ShowVar returns a 16-bit job handle");
    EXPECT_EQ(Refusal(CallId::ShowVarResult, 0x100000000), "ShowVarResult returns a 32-bit number");
    EXPECT_EQ(Refusal(CallId::PHGGet6DMouse, 1, "1 2 70000"), "out-value 3 of PHGGet6DMouse must be a 16-bit number");
    EXPECT_EQ(Refusal(CallId::GetSyncAddDialog, 1, "-1"),
              "out-value 1 of GetSyncAddDialog must be a time stamp (a number of ticks)");
    EXPECT_EQ(Refusal(CallId::GetSyncAddDialog, 1, R"(0 0 0 0 "" "" "" [1])"),
              "out-value 8 of GetSyncAddDialog must be an array of strings");
    EXPECT_EQ(Refusal(CallId::GetSyncAddDialog, 1, R"(0 0 0 0 "" "" "" [] ["x"])"),
              "out-value 9 of GetSyncAddDialog must be an array of true/false");
    EXPECT_EQ(Refusal(CallId::GetSyncAddDialog, 1, "0 -4294967296"),
              "out-value 2 of GetSyncAddDialog must be a 32-bit number");

    // A refused line queues nothing.
    std::wstring text = L"x";
    EXPECT_EQ(m_plexa->ShowVarResult(1, text), 1);
    EXPECT_EQ(text, L"");
    std::int16_t x = 1, y = 1, z = 1, a = 1, b = 1, c = 1;
    EXPECT_EQ(m_plexa->PHGGet6DMouse(1, x, y, z, a, b, c), 1);
    EXPECT_EQ(x, 0);
}

TEST_F(ScriptedLinkTest, TraceShowsInValuesAndSignedness) {
    CPlexa& p = *m_plexa;
    p.Init(L"Vantel", L"", 0xC000, 17, 223, 0xC001);
    Queue(CallId::PHGGet6DMouse, 2, "-1 0xFFFF 32767 -32768 0 1");
    std::int16_t x, y, z, a, b, c;
    p.PHGGet6DMouse(-2, x, y, z, a, b, c);
    p.SyncAnswer(3, 0xFFFFFFFF, -1);
    Queue(CallId::ShowVar, -1);
    p.ShowVar(L"tab\there \"quoted\" \\ Ä", L"");
    ASSERT_EQ(m_trace.size(), 4u);
    EXPECT_EQ(m_trace[0], "call: Init(\"Vantel\", \"\", 49152, 17, 223, 49153) -> 1");
    EXPECT_EQ(m_trace[1], "call: PHGGet6DMouse(-2, -1, -1, 32767, -32768, 0, 1) -> 2");
    EXPECT_EQ(m_trace[2], "call: SyncAnswer(3, 4294967295, -1) -> 1");
    EXPECT_EQ(m_trace[3], "call: ShowVar(\"tab\\there \\\"quoted\\\" \\\\ Ä\", \"\") -> -1");
}

TEST(TraceFormat, ByteAndWordArrays) {
    ByteArray bytes{0, 127, 255};
    DWordArray words{0, 4294967295u};
    ByteArray none;
    EXPECT_EQ(FormatArg(LinkArg{ArgType::ByteArray, true, &bytes}), "[0, 127, 255]");
    EXPECT_EQ(FormatArg(LinkArg{ArgType::DWordArray, false, &words}), "[0, 4294967295]");
    EXPECT_EQ(FormatArg(LinkArg{ArgType::ByteArray, false, &none}), "[]");
}

}  // namespace
}  // namespace vantel::link
