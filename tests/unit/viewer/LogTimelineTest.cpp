#include "viewer/review/LogTimeline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "tests/support/LocalTime.h"
#include "tests/support/TempFolder.h"
#include "viewer/document/EventLogReader.h"

namespace casebook::review {
namespace {

const std::uint32_t kStart =
    static_cast<std::uint32_t>(testing_support::LocalTime(2026, 12, 7, 23, 59, 50));

// Frame line `number` as Watchpost writes it, taken `offset` seconds after kStart.
std::string Line(int number, int offset) {
  char line[watchpost::kLineChars];
  const std::size_t n = watchpost::FormatFrameLine(number, kStart + offset, line);
  return std::string(line, n - 2);  // without the line end, as a slot holds it
}

// A table of one entry per frame, taken at the given offsets from kStart.
EntryTable Entries(const std::vector<int>& offsets) {
  EntryTable table;
  table.Reset(static_cast<std::int64_t>(offsets.size()));
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    const std::string line = Line(static_cast<int>(k + 1), offsets[k]);
    std::strncpy(table.Slot(static_cast<std::int64_t>(k)), line.c_str(),
                 EntryTable::kEntryChars - 1);
  }
  return table;
}

LogTimeline Timeline(const std::vector<int>& offsets) {
  LogTimeline timeline;
  timeline.Build(Entries(offsets), static_cast<std::int32_t>(offsets.size()));
  return timeline;
}

TEST(FrameLineSecondsTest, ReadsWhatWatchpostWritesAcrossMidnightAndTheYear) {
  const std::int64_t first = *FrameLineSeconds(Line(1, 0).c_str());
  for (const int offset : {1, 10, 11, 3600, 86400 * 25}) {
    SCOPED_TRACE(offset);
    const std::optional<std::int64_t> seconds = FrameLineSeconds(Line(2, offset).c_str());
    ASSERT_TRUE(seconds.has_value());
    EXPECT_EQ(*seconds - first, offset);
  }
  EXPECT_EQ(TimeOfDayText(first), "23:59:50");
  EXPECT_EQ(*FrameLineSeconds("Frame# 7 Thu Jan 01 00:00:07 1970"), 7);
  EXPECT_EQ(*FrameLineSeconds("Frame# 7 Sun Mar 01 00:00:00 2026") -
                *FrameLineSeconds("Frame# 7 Sat Feb 28 00:00:00 2026"),
            86400);
}

TEST(FrameLineSecondsTest, RefusesLinesWithoutATime) {
  for (const char* line :
       {"No Log Entry", "", "Frame# 3", "Frame# 3 Wed Dec 09 14 *LOG SUSPECT*",
        "Frame# 3 Wed Dez 09 14:02:11 2026", "Frame# 3 Wed Dec 09 25:02:11 2026",
        "Frame# 3 Wed Dec 09 14:02:11", "AutoRestart 0", "Frame# 3 (no local time)"}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(FrameLineSeconds(line).has_value());
  }
  EXPECT_FALSE(FrameLineSeconds(nullptr).has_value());
}

struct BurstCase {
  const char* name;
  std::vector<int> offsets;
  std::vector<std::pair<int, int>> bursts;  // first frame, frames
};

class BurstRuleTest : public testing::TestWithParam<BurstCase> {};

TEST_P(BurstRuleTest, SplitsWhereTheGapIsOverTenSeconds) {
  const LogTimeline timeline = Timeline(GetParam().offsets);
  std::vector<std::pair<int, int>> got;
  for (const Burst& burst : timeline.bursts()) got.emplace_back(burst.first, burst.count);
  EXPECT_EQ(got, GetParam().bursts);
  // Every frame belongs to the burst that holds it.
  for (std::int32_t f = 0; f < timeline.frameCount(); ++f) {
    const Burst& burst = timeline.bursts()[static_cast<std::size_t>(timeline.burstOf(f))];
    EXPECT_LE(burst.first, f);
    EXPECT_LT(f, burst.first + burst.count);
  }
}

INSTANTIATE_TEST_SUITE_P(Gaps, BurstRuleTest,
                         testing::Values(BurstCase{"OneFrame", {0}, {{0, 1}}},
                                         BurstCase{"GapOfExactlyTen", {0, 10, 20}, {{0, 3}}},
                                         BurstCase{"GapOfEleven", {0, 11, 12}, {{0, 1}, {1, 2}}},
                                         BurstCase{"SharedSeconds",
                                                   {0, 0, 0, 30, 30, 41, 52},
                                                   {{0, 3}, {3, 2}, {5, 1}, {6, 1}}},
                                         BurstCase{"ClockSetBack", {100, 50, 51}, {{0, 3}}}),
                         [](const testing::TestParamInfo<BurstCase>& info) {
                           return info.param.name;
                         });

TEST(LogTimelineTest, WithoutTimesThereIsNoBurstAndNoClock) {
  EntryTable none;
  none.Reset(4);  // every slot "No Log Entry"
  LogTimeline timeline;
  timeline.Build(none, 4);
  EXPECT_FALSE(timeline.hasTimes());
  EXPECT_TRUE(timeline.bursts().empty());
  EXPECT_EQ(timeline.burstOf(0), -1);
  EXPECT_EQ(timeline.playTimeOf(3), 0.0);

  timeline.Build(none, 0);
  EXPECT_EQ(timeline.frameCount(), 0);
  EXPECT_EQ(timeline.burstOf(0), -1);
  EXPECT_EQ(timeline.secondsOf(5), 0);
}

TEST(LogTimelineTest, FramesOfOneSecondSpreadEvenlyOverIt) {
  const LogTimeline timeline = Timeline({0, 0, 0, 0, 1, 3, 3});
  const std::vector<double> expected = {0.0, 0.25, 0.5, 0.75, 1.0, 3.0, 3.5};
  for (std::int32_t f = 0; f < timeline.frameCount(); ++f) {
    EXPECT_DOUBLE_EQ(timeline.recordedTimeOf(f), expected[static_cast<std::size_t>(f)]) << f;
    EXPECT_DOUBLE_EQ(timeline.playTimeOf(f), expected[static_cast<std::size_t>(f)]) << f;
    EXPECT_EQ(timeline.skippedBefore(f), 0) << f;
  }
}

TEST(LogTimelineTest, AGapOverFiveSecondsBecomesACardOfOneSecond) {
  // 5 s is played as it is; 6 s and three hours become a second each.
  const LogTimeline timeline = Timeline({0, 5, 11, 11, 11 + 3 * 3600 + 12 * 60});
  const std::vector<double> play = {0.0, 5.0, 6.0, 6.5, 7.5};
  const std::vector<std::int64_t> skipped = {0, 0, 6, 0, 3 * 3600 + 12 * 60};
  for (std::int32_t f = 0; f < timeline.frameCount(); ++f) {
    EXPECT_DOUBLE_EQ(timeline.playTimeOf(f), play[static_cast<std::size_t>(f)]) << f;
    EXPECT_EQ(timeline.skippedBefore(f), skipped[static_cast<std::size_t>(f)]) << f;
  }
  EXPECT_EQ(SkippedText(timeline.skippedBefore(4)), "- 3 h 12 min later -");
  EXPECT_EQ(SkippedText(6), "- 6 s later -");
  EXPECT_EQ(SkippedText(125), "- 2 min later -");
  EXPECT_EQ(SkippedText(2 * 86400 + 5 * 3600), "- 2 d 5 h later -");
}

TEST(LogTimelineTest, AClockSetBackNeverRunsPlaybackBackwards) {
  const LogTimeline timeline = Timeline({100, 50, 51});
  EXPECT_DOUBLE_EQ(timeline.playTimeOf(1), 1.0);
  EXPECT_DOUBLE_EQ(timeline.playTimeOf(2), 2.0);
  EXPECT_EQ(timeline.skippedBefore(1), 0);  // no card for a step back
}

TEST(LogTimelineTest, ALogShorterThanTheRecordingLeavesTheRestInTheLastBurst) {
  // A real log read the way the document reads it: three frame lines for a recording of six.
  testing_support::TempFolder folder;
  const std::string path = (folder / "short.log").string();
  {
    std::ofstream log(path, std::ios::binary);
    int number = 0;
    for (const int offset : {0, 1, 20}) log << Line(++number, offset) << "\r\n";
  }
  EntryTable entries;
  casebook::ReadEventLog(path, 6, entries, {});
  LogTimeline timeline;
  timeline.Build(entries, 6);
  ASSERT_TRUE(timeline.hasTimes());
  ASSERT_EQ(timeline.bursts().size(), 2u);
  EXPECT_EQ(timeline.bursts()[1].first, 2);
  EXPECT_EQ(timeline.bursts()[1].count, 4);
  EXPECT_EQ(timeline.secondsOf(5), timeline.secondsOf(2));
  EXPECT_EQ(timeline.bursts()[0].endSeconds - timeline.bursts()[0].startSeconds, 1);
}

}  // namespace
}  // namespace casebook::review
