// The review's logic on timelines built from frame lines: the strip's minutes and columns, burst
// navigation and its texts, and the pace of playing at recorded times.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "viewer/review/Activity.h"
#include "viewer/review/Bursts.h"
#include "viewer/review/RecordedPace.h"

namespace casebook::review {
namespace {

// A timeline of one frame per time of day ("14:02:11"), all on 9 December 2026.
LogTimeline At(const std::vector<std::string>& times) {
  EntryTable entries;
  entries.Reset(static_cast<std::int64_t>(times.size()));
  for (std::size_t k = 0; k < times.size(); ++k) {
    const std::string line =
        "Frame# " + std::to_string(k + 1) + " Wed Dec 09 " + times[k] + " 2026";
    std::strncpy(entries.Slot(static_cast<std::int64_t>(k)), line.c_str(),
                 EntryTable::kEntryChars - 1);
  }
  LogTimeline timeline;
  timeline.Build(entries, static_cast<std::int32_t>(times.size()));
  return timeline;
}

// Three bursts: four frames at 01:00, three just over three hours later, two a minute after.
const std::vector<std::string> kNight = {"01:00:00", "01:00:00", "01:00:01", "01:00:09", "04:12:00",
                                         "04:12:00", "04:12:02", "04:13:30", "04:13:31"};

TEST(MinuteBucketsTest, RunsOfFramesSharingAMinuteOfLogTime) {
  struct Row {
    std::vector<std::string> times;
    std::vector<std::pair<int, int>> buckets;  // first frame, frames
  } rows[] = {
      {kNight, {{0, 4}, {4, 3}, {7, 2}}},
      {{"10:00:59", "10:01:00"}, {{0, 1}, {1, 1}}},  // a minute ends at :59
      {{"10:01:00", "10:00:59"}, {{0, 1}, {1, 1}}},  // a clock set back: a minute of its own
      {{"10:00:00"}, {{0, 1}}},
      {{}, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.times.empty() ? "empty" : row.times.front());
    std::vector<std::pair<int, int>> got;
    for (const MinuteBucket& b : MinuteBuckets(At(row.times))) got.emplace_back(b.first, b.count);
    EXPECT_EQ(got, row.buckets);
  }
  EntryTable none;
  none.Reset(3);
  LogTimeline untimed;
  untimed.Build(none, 3);
  EXPECT_TRUE(MinuteBuckets(untimed).empty()) << "a log without times has no minutes";
}

TEST(StripColumnsTest, FramesMapToColumnsAsTheSliderMapsValues) {
  struct Row {
    std::int32_t frame, lastFrame;
    int span, column;
  } rows[] = {
      {0, 99, 200, 0},  {99, 99, 200, 200}, {50, 99, 200, 101},  // 101.01 rounds down
      {1, 2, 9, 5},                                              // 4.5 rounds up, as the style's
      {5, 10, 0, 0},                                             // no room
      {3, 0, 100, 0},                                            // one frame
      {-1, 10, 100, 0}, {12, 10, 100, 100},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.frame << " of " << r.lastFrame << " on " << r.span);
    EXPECT_EQ(StripColumnOf(r.frame, r.lastFrame, r.span), r.column);
  }
  // A click on the column a frame is drawn at goes to that frame, wherever frames are sparse.
  for (const auto& [lastFrame, span] :
       {std::pair{9, 200}, std::pair{199, 200}, std::pair{63999, 217}}) {
    for (std::int32_t frame = 0; frame <= lastFrame; frame += std::max(1, lastFrame / 37)) {
      const int column = StripColumnOf(frame, lastFrame, span);
      const std::int32_t back = StripFrameAt(column, lastFrame, span);
      // Denser than the columns: the frame back is one drawn at the same column.
      EXPECT_EQ(StripColumnOf(back, lastFrame, span), column) << frame << " of " << lastFrame;
      if (lastFrame <= span) {
        EXPECT_EQ(back, frame);
      }
    }
  }
}

TEST(StripColumnsTest, EachColumnShowsItsBusiestMinute) {
  const std::vector<MinuteBucket> buckets = {{0, 4, 0}, {4, 3, 1}, {7, 2, 2}};
  // Nine frames on 17 columns: two columns a frame, so every minute has columns of its own.
  std::vector<std::int32_t> wide(17, 0);
  for (int c = 0; c <= 6; ++c) wide[static_cast<std::size_t>(c)] = 4;
  for (int c = 8; c <= 12; ++c) wide[static_cast<std::size_t>(c)] = 3;  // frame 4 at 8, 6 at 12
  for (int c = 14; c <= 16; ++c) wide[static_cast<std::size_t>(c)] = 2;
  EXPECT_EQ(ColumnPeaks(buckets, 8, 16), wide);
  // On three columns the minutes share: the taller bar wins.
  EXPECT_EQ(ColumnPeaks(buckets, 8, 2), (std::vector<std::int32_t>{4, 4, 3}));
  EXPECT_EQ(ColumnPeaks({}, 8, 4), (std::vector<std::int32_t>(5, 0)));
}

TEST(BurstNavigationTest, NextAndPreviousFromTheFrameOnTheScreen) {
  const LogTimeline night = At(kNight);  // bursts start at 0, 4 and 7
  ASSERT_EQ(night.bursts().size(), 3u);
  struct Row {
    std::int32_t shown;
    int next, previous;
  } rows[] = {
      {0, 1, -1}, {1, 1, 0},  // inside a burst, Previous goes to its start first
      {3, 1, 0},  {4, 2, 0}, {5, 2, 1}, {7, -1, 1}, {8, -1, 2},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.shown);
    EXPECT_EQ(NextBurst(night, r.shown), r.next);
    EXPECT_EQ(PreviousBurst(night, r.shown), r.previous);
  }
  const LogTimeline none = At({});
  EXPECT_EQ(NextBurst(none, 0), -1);
  EXPECT_EQ(PreviousBurst(none, 0), -1);
}

TEST(BurstTextTest, StatusAndRowsNameTheBurst) {
  const LogTimeline night = At(kNight);
  EXPECT_EQ(BurstStatusText(night, 0), "Burst 1 of 3, 01:00:00, 4 frames");
  EXPECT_EQ(BurstStatusText(night, 2), "Burst 3 of 3, 04:13:30, 2 frames");
  EXPECT_EQ(BurstStatusText(At({"14:02:11"}), 0), "Burst 1 of 1, 14:02:11, 1 frame");
  EXPECT_EQ(BurstStatusText(night, 3), "");
  EXPECT_EQ(BurstStatusText(night, -1), "");
  EXPECT_EQ(BurstRowText(night.bursts()[0]), "01:00:00\n10 s, 4 frames");
  EXPECT_EQ(BurstRowText(night.bursts()[1]), "04:12:00\n3 s, 3 frames");

  const std::pair<std::int64_t, const char*> durations[] = {
      {0, "0 s"},          {1, "1 s"},    {59, "59 s"},        {60, "1 min"},
      {200, "3 min 20 s"}, {3600, "1 h"}, {7500, "2 h 5 min"}, {-4, "0 s"},
  };
  for (const auto& [seconds, text] : durations) EXPECT_EQ(DurationText(seconds), text) << seconds;
}

TEST(RecordedPaceTest, FramesStayAsLongAsTheirLogTimesSay) {
  // Four frames in one second, one a second later, one two seconds after that, then three hours.
  const LogTimeline t = At({"01:00:00", "01:00:00", "01:00:00", "01:00:00", "01:00:01", "01:00:03",
                            "04:12:03", "04:12:03"});
  const int holds[] = {250, 250, 250, 250, 2000, 1000, 500, 500};
  for (std::int32_t f = 0; f < t.frameCount(); ++f) {
    EXPECT_EQ(RecordedHoldMs(t, f), holds[f]) << f;
  }
  // Stepping into the frame after the long gap brings its card, which adds its second.
  const PlayStep card = RecordedStep(t, 5, 6);
  EXPECT_EQ(card.skipped, 3 * 3600 + 12 * 60);
  EXPECT_EQ(card.intervalMs, 1000 + 500);
  EXPECT_EQ(SkippedText(card.skipped), "- 3 h 12 min later -");
  // Landing there any other way brings none.
  for (const std::int32_t before : {6, 2, -1}) {
    const PlayStep jump = RecordedStep(t, before, 6);
    EXPECT_EQ(jump.skipped, 0) << before;
    EXPECT_EQ(jump.intervalMs, 500) << before;
  }
  EXPECT_EQ(RecordedStep(t, 0, 1).skipped, 0);
  // Starting: at once when the frame to come is the one on the screen.
  EXPECT_EQ(RecordedStartMs(t, 4, 4), 0);
  EXPECT_EQ(RecordedStartMs(t, 4, 5), 2000);
}

}  // namespace
}  // namespace casebook::review
