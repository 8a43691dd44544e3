// The simulated controller's log model: numbering, ranges, limits, configuration and the link's trace.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "sim/model/log.h"
#include "platform/filetime.h"

namespace vantel::link::sim {
namespace {

// 2024-03-05 14:03:09.047 UTC.
const std::uint64_t kStamp = Orvo_Time::CFileTime::FromUnixMillis(1709647389047).GetTime();

// Sets the local time zone for one test and puts the old one back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* tz) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneGuard() {
        if (m_old) setenv("TZ", m_old->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

std::int32_t Entry(SimLog& log, const std::wstring& text = L"t", std::uint64_t stamp = kStamp) {
    return log.AddEntry(stamp, L"Panel", L"Drive", 7, 1, text, L"", L"", 0, L"", 2);
}

std::vector<std::wstring> Numbers(const std::vector<std::wstring>& lines) {
    std::vector<std::wstring> n;
    for (const auto& l : lines) n.push_back(l.substr(0, l.find(L' ')));
    return n;
}

TEST(SimLog, NumbersAllKindsInOneSequenceAndReadsThemBack) {
    SimLog log(L"Cell 4");
    EXPECT_EQ(log.AddItem(kStamp, L"Panel", L"Drive", -2, 3, L"a", L"b", L"c", {L"p1", L"p2"}, {true, false}, L"m1",
                          5, 6),
              1);
    EXPECT_EQ(log.AddEntry(kStamp + 1, L"Host", L"Io", 4000000000U, -1, L"d", L"", L"f", 99, L"m2", 8), 2);
    EXPECT_EQ(log.AddOwn(kStamp + 2, L"Ctrl", L"Core", 12, 0, L"boot"), 3);

    const LogRecord* item = log.Find(1);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->kind, LogKind::Item);
    EXPECT_EQ(item->stamp, kStamp);
    EXPECT_EQ(item->origin, L"Panel");
    EXPECT_EQ(item->module, L"Drive");
    EXPECT_EQ(item->code, 0xFFFFFFFEU);  // the item's int code, same bits
    EXPECT_EQ(item->level, 3);
    EXPECT_EQ(item->text3, L"c");
    EXPECT_EQ(item->params, (std::vector<std::wstring>{L"p1", L"p2"}));
    EXPECT_EQ(item->flags, (std::vector<bool>{true, false}));
    EXPECT_EQ(item->marker, L"m1");
    EXPECT_EQ(item->logClass, 5);
    EXPECT_EQ(item->logType, 6);

    const LogRecord* entry = log.Find(2);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->kind, LogKind::Entry);
    EXPECT_EQ(entry->code, 4000000000U);
    EXPECT_EQ(entry->level, -1);
    EXPECT_EQ(entry->extra, 99);
    EXPECT_EQ(entry->marker, L"m2");
    EXPECT_EQ(entry->logClass, 8);

    ASSERT_NE(log.Find(3), nullptr);
    EXPECT_EQ(log.Find(3)->kind, LogKind::Controller);
    EXPECT_EQ(log.Find(3)->text1, L"boot");

    EXPECT_EQ(log.Find(0), nullptr);
    EXPECT_EQ(log.Find(4), nullptr);
    EXPECT_EQ(log.Find(-1), nullptr);
}

TEST(SimLog, FullLogDropsTheOldestAndForgetsItsNumber) {
    SimLog log(L"C", 3);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(Entry(log, L"r" + std::to_wstring(i)), i);
    EXPECT_EQ(log.Size(), 3U);
    EXPECT_EQ(log.Find(2), nullptr);
    ASSERT_NE(log.Find(3), nullptr);
    EXPECT_EQ(log.Find(3)->text1, L"r3");
    EXPECT_EQ(log.Find(5)->text1, L"r5");
    EXPECT_EQ(log.Header()[2], L"Numbers: 3 to 5");
    EXPECT_EQ(Numbers(*log.Lines(1, 4)), (std::vector<std::wstring>{L"3", L"4"}));

    SimLog tiny(L"C", 0);  // taken as 1
    Entry(tiny);
    EXPECT_EQ(Entry(tiny), 2);
    EXPECT_EQ(tiny.Size(), 1U);
}

TEST(SimLog, CutsTextsAndArrays) {
    SimLog log(L"C");
    const std::wstring longText(300, L'x');
    const std::vector<std::wstring> params(70, longText);
    const std::vector<bool> flags(70, true);
    log.AddItem(kStamp, longText, longText, 0, 0, longText, longText, longText, params, flags, longText, 0, 0);
    const LogRecord& r = *log.Find(1);
    for (const std::wstring* s : {&r.origin, &r.module, &r.text1, &r.text2, &r.text3, &r.marker}) {
        EXPECT_EQ(*s, std::wstring(kMaxLogText, L'x'));
    }
    ASSERT_EQ(r.params.size(), kMaxLogArray);
    EXPECT_EQ(r.params.back().size(), kMaxLogText);
    EXPECT_EQ(r.flags.size(), kMaxLogArray);

    log.AddEntry(kStamp, L"", L"", 0, 0, std::wstring(kMaxLogText, L'y'), L"", L"", 0, L"", 0);
    EXPECT_EQ(log.Find(2)->text1.size(), kMaxLogText);  // exactly at the limit: kept whole
}

TEST(SimLog, LinesOfARange) {
    SimLog log(L"C", 2000);
    for (int i = 0; i < 5; ++i) Entry(log);
    using V = std::vector<std::wstring>;
    EXPECT_EQ(Numbers(*log.Lines(2, 4)), (V{L"2", L"3", L"4"}));
    EXPECT_EQ(Numbers(*log.Lines(3, 3)), (V{L"3"}));
    EXPECT_EQ(Numbers(*log.Lines(0, 2)), (V{L"1", L"2"}));
    EXPECT_EQ(Numbers(*log.Lines(4, 100)), (V{L"4", L"5"}));
    EXPECT_EQ(log.Lines(6, 10), V{});
    const auto maxU = std::numeric_limits<std::uint32_t>::max();
    EXPECT_EQ(log.Lines(maxU, maxU), V{});
    EXPECT_EQ(log.Lines(4, 2), std::nullopt);
    EXPECT_EQ(SimLog(L"empty").Lines(0, maxU), V{});

    for (int i = 0; i < 1495; ++i) Entry(log);
    const auto all = *log.Lines(0, maxU);
    ASSERT_EQ(all.size(), kMaxLogLines);
    EXPECT_EQ(Numbers(all).front(), L"1");
    EXPECT_EQ(Numbers(all).back(), L"1000");
    EXPECT_EQ(Numbers(*log.Lines(1001, maxU)).back(), L"1500");
}

TEST(SimLog, LineFormatAndTimeZone) {
    ZoneGuard zone("<+02>-2");
    SimLog log(L"C");
    log.AddEntry(kStamp, L"Panel", L"Drive", 1234, 1, L"Over temperature", L"axis 3", L"", 0, L"", 2);
    log.AddEntry(kStamp, L"", L"", 0, -4, L"", L"b", L"line\nbreak", 0, L"", 0);
    log.AddEntry(kStamp, L"O", L"M", 1, 0, L"", L"", L"", 0, L"", 0);
    const auto lines = *log.Lines(1, 3);
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_EQ(lines[0], L"1 16:03:09'047 class 2 level 1 [Panel/Drive] 1234: Over temperature | axis 3");
    EXPECT_EQ(lines[1], L"2 16:03:09'047 class 0 level -4 [/] 0:  | b | line break");
    EXPECT_EQ(lines[2], L"3 16:03:09'047 class 0 level 0 [O/M] 1:");

    ASSERT_TRUE(log.SetConfig(log.Config() | SimLog::kUtc));
    EXPECT_EQ((*log.Lines(3, 3))[0], L"3 14:03:09'047 class 0 level 0 [O/M] 1:");

    // A millisecond before 1970 still counts its milliseconds forward.
    const std::uint64_t before = Orvo_Time::CFileTime::FromUnixMillis(-1).GetTime();
    Entry(log, L"t", before);
    EXPECT_EQ((*log.Lines(4, 4))[0].substr(0, 15), L"4 23:59:59'999 ");
}

TEST(SimLog, ConfigBitsDecideWhatIsKept) {
    SimLog log(L"C");
    EXPECT_EQ(log.Config(), 0x7);
    EXPECT_FALSE(log.SetConfig(0x10));
    EXPECT_FALSE(log.SetConfig(-1));
    EXPECT_FALSE(log.SetConfig(0x100000000LL));
    EXPECT_EQ(log.Config(), 0x7);

    ASSERT_TRUE(log.SetConfig(SimLog::kKeepEntries));
    EXPECT_EQ(log.AddItem(kStamp, L"", L"", 0, 0, L"", L"", L"", {}, {}, L"", 0, 0), 0);
    EXPECT_EQ(log.AddOwn(kStamp, L"", L"", 0, 0, L""), 0);
    EXPECT_EQ(Entry(log), 1);  // what was not kept took no number

    ASSERT_TRUE(log.SetConfig(SimLog::kKeepItems | SimLog::kKeepOwn));
    EXPECT_EQ(Entry(log), 0);
    EXPECT_EQ(log.AddOwn(kStamp, L"", L"", 0, 0, L""), 2);
    EXPECT_NE(log.Find(1), nullptr);  // clearing a bit keeps what is held
    EXPECT_EQ(log.Header()[3], L"Configuration: 0x00000005");
}

TEST(SimLog, HeaderShowsFlush) {
    ZoneGuard zone("UTC");
    SimLog log(L"Cell 4", 3);
    EXPECT_EQ(log.Header(), (std::vector<std::wstring>{L"Controller: Cell 4", L"Records: 0 of 3, 0 not flushed",
                                                       L"Numbers: none", L"Configuration: 0x00000007",
                                                       L"Last flush: never"}));
    Entry(log);
    Entry(log);
    EXPECT_EQ(log.Header()[1], L"Records: 2 of 3, 2 not flushed");

    log.Flush(kStamp);
    EXPECT_EQ(log.Unflushed(), 0U);
    EXPECT_EQ(log.Header()[1], L"Records: 2 of 3, 0 not flushed");
    EXPECT_EQ(log.Header()[4], L"Last flush: 2024-03-05 14:03:09'047");

    Entry(log);
    Entry(log);  // drops flushed record 1
    EXPECT_EQ(log.Unflushed(), 2U);
    for (int i = 0; i < 3; ++i) Entry(log);  // every flushed record gone
    EXPECT_EQ(log.Header()[1], L"Records: 3 of 3, 3 not flushed");
}

TEST(SimLog, TraceKeepsTheLastLinesAsUtf8) {
    SimLog log(L"C", 10, 3);
    EXPECT_EQ(log.TraceText(), "");
    log.Trace(L"dropped");
    log.Trace(L"Init(1)");
    log.Trace(L"Gr\u00fc\u00dfe \u20ac \U0001F600");
    log.Trace(L"two\r\nlines");
    EXPECT_EQ(log.TraceText(), "Init(1)\nGr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x98\x80\ntwo  lines\n");

    SimLog bad(L"C");
    bad.Trace(std::wstring(1, static_cast<wchar_t>(0xD800)) + static_cast<wchar_t>(0x110000));
    EXPECT_EQ(bad.TraceText(), "\xEF\xBF\xBD\xEF\xBF\xBD\n");
}

TEST(SimLog, LogOptionsKeepAllSixteenBits) {
    SimLog log(L"C");
    EXPECT_EQ(log.LogOpt(), SimLog::kTraceCalls);
    log.SetLogOpt(static_cast<std::int16_t>(0x8006));
    EXPECT_EQ(log.LogOpt(), static_cast<std::int16_t>(0x8006));
    EXPECT_FALSE(log.TracesCalls());
    EXPECT_TRUE(log.TracesNotifications());
}

}  // namespace
}  // namespace vantel::link::sim
