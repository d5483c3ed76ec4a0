#include "viewer/document/EventLogReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "tests/support/LocalTime.h"
#include "tests/support/TempFolder.h"

namespace casebook {
namespace {

const std::uint32_t kStart =
    static_cast<std::uint32_t>(testing_support::LocalTime(2026, 12, 7, 6, 31, 15));

// Frame line `number` as Watchpost writes it, one second after the one before.
std::string Written(int number, int stampedAs = 0) {
  char line[watchpost::kLineChars];
  const std::size_t n =
      watchpost::FormatFrameLine(stampedAs != 0 ? stampedAs : number, kStart + number - 1, line);
  return std::string(line, n);
}
std::string Lines(int from, int to) {
  std::string text;
  for (int i = from; i <= to; ++i) text += Written(i);
  return text;
}
const std::string kSettings = watchpost::SettingsLines(watchpost::CaptureSettings{});
// What a slot holds: the line end arrives as LF.
std::string Shown(std::string line) {
  if (line.size() >= 2 && line.compare(line.size() - 2, 2, "\r\n") == 0) {
    line.erase(line.size() - 2, 1);
  }
  return line;
}
std::string Cut(const std::string& line) { return line.substr(0, 22) + " *LOG SUSPECT*"; }

class EventLogReaderTest : public ::testing::Test {
 protected:
  EventLogResult Read(const std::string& log, int frames) {
    std::ofstream(path_, std::ios::binary) << log;
    status_.clear();
    return ReadEventLog(path_, frames, table_,
                        [this](const std::string& s) { status_.push_back(s); });
  }
  std::string Status(int entries) const {
    return "Log File contains " + std::to_string(entries) + " entries";
  }

  testing_support::TempFolder temp_{"eventlog-reader"};
  const std::string path_ = (temp_ / "run.log").string();
  EntryTable table_;
  std::vector<std::string> status_;
};

TEST_F(EventLogReaderTest, TheCasesOfALogFile) {
  const std::string one = Written(1), two = Written(2), three = Written(3);
  const std::string x141 = "Frame# 1 " + std::string(141, 'x') + "\r\n";
  const std::string y96 = "Frame# 1 " + std::string(87, 'y') + "\r\n";
  const std::string y97 = "Frame# 1 " + std::string(88, 'y') + "\r\n";
  const struct {
    const char* name;
    std::string log;
    int frames, shown;
    bool suspect;
    std::vector<std::pair<int, std::string>> slots;
  } cases[] = {
      {"complete",
       Lines(1, 3) + kSettings,
       3,
       3,
       false,
       {{0, Shown(one)}, {2, Shown(three)}, {3, "AutoRestart 0\n"}, {4, "ZoneBottom 0.000000\n"}}},
      {"LF only",
       "Frame# 1 a\nFrame# 2 b\n",
       2,
       2,
       false,
       {{0, "Frame# 1 a\n"}, {1, "Frame# 2 b\n"}}},
      {"short", Lines(1, 3), 5, 3, true, {{2, Shown(three)}, {3, kNoLogEntry}, {4, kNoLogEntry}}},
      {"settings make up the count",
       Lines(1, 3) + kSettings,
       5,
       5,
       false,
       {{3, "AutoRestart 0\n"}, {4, "Differential 40\n"}}},
      {"empty", "", 2, 0, true, {{0, kNoLogEntry}, {1, kNoLogEntry}, {3, kNoLogEntry}}},
      {"a blank line",
       one + "\r\n" + two + three,
       3,
       3,
       false,
       {{1, Shown(two)}, {2, Shown(three)}}},
      {"two blank lines",
       one + "\r\n\r\n" + two + three,
       3,
       3,
       false,
       {{0, Shown(one)}, {1, "\n"}, {2, Cut(two)}, {3, Cut(three)}}},
      // Its re-read meets the end: that pass ends the reading, no further pass is counted.
      {"a trailing blank line", one + "\r\n", 2, 1, true, {{1, "\n"}}},
      {"wrong number",
       one + Written(2, 7) + three,
       3,
       3,
       false,
       {{0, Shown(one)}, {1, "Frame# 7 Mon Dec 07 06 *LOG SUSPECT*"}, {2, Shown(three)}}},
      {"wrong two-digit number",
       Lines(1, 11) + Written(12, 99),
       12,
       12,
       false,
       {{10, Shown(Written(11))}, {11, "Frame# 99 Mon Dec 07 0 *LOG SUSPECT*"}}},
      {"wrong but short", "Frame# 5\r\n", 1, 1, false, {{0, "Frame# 5\n"}}},
      {"one frame more", Lines(1, 3) + kSettings, 4, 4, false, {{3, "AutoRestart 0\n"}}},
      {"longer than 97",
       x141 + two + three,
       3,
       3,
       false,
       {{0, x141.substr(0, 97)}, {1, std::string(22, 'x') + " *LOG SUSPECT*"}, {2, Cut(two)}}},
      {"96 and CR LF in one read", y96 + two, 2, 2, false, {{0, Shown(y96)}, {1, Shown(two)}}},
      {"97: its LF is read over",
       y97 + two,
       2,
       2,
       false,
       {{0, y97.substr(0, 97)}, {1, Shown(two)}}},
      {"a lone CR stays", "Frame# 1 a\rb\r\n", 1, 1, false, {{0, "Frame# 1 a\rb\n"}}},
      {"no end at the end", "Frame# 1 a\r", 1, 1, false, {{0, "Frame# 1 a\r"}}},
      {"12 passes for 1", Written(1, 12), 1, 1, false, {{0, Shown(Written(1, 12))}}},
      {"100 passes for 10",
       Lines(1, 9) + Written(10, 100),
       10,
       10,
       false,
       {{9, Shown(Written(10, 100))}}},
      {"1 fails for 10",
       Lines(1, 9) + Written(10, 1),
       10,
       10,
       false,
       {{9, "Frame# 1 Mon Dec 07 06 *LOG SUSPECT*"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const EventLogResult result = Read(c.log, c.frames);
    EXPECT_TRUE(result.loaded);
    EXPECT_EQ(result.entriesShown, c.shown);
    EXPECT_EQ(result.entryCount, c.shown - 1);
    EXPECT_EQ(result.suspect, c.suspect);
    EXPECT_EQ(status_, (std::vector<std::string>{res::text::kProcessingLog, Status(c.shown)}));
    EXPECT_EQ(table_.SlotCount(), c.frames + 2);
    for (const auto& [k, text] : c.slots) EXPECT_EQ(table_.Entry(k), text) << "slot " << k;
  }
}

// Lines are counted: N = min(L, F), suspect exactly when L < F, and frames past L show nothing.
TEST_F(EventLogReaderTest, CountsOverLinesAndFrames) {
  for (int frames : {1, 2, 3, 7}) {
    for (int lines = 0; lines <= frames + 2; ++lines) {
      SCOPED_TRACE(std::to_string(lines) + " lines, " + std::to_string(frames) + " frames");
      const EventLogResult result = Read(Lines(1, lines), frames);
      EXPECT_EQ(result.entriesShown, std::min(lines, frames));
      EXPECT_EQ(result.suspect, lines < frames);
      for (int k = 0; k < frames; ++k) {
        EXPECT_EQ(table_.Entry(k), k < lines ? Shown(Written(k + 1)) : kNoLogEntry) << k;
      }
    }
  }
}

TEST_F(EventLogReaderTest, RoundTripThroughWatchpostsWriter) {
  std::vector<std::uint32_t> times;
  for (int i = 0; i < 64000; ++i) times.push_back(kStart + static_cast<std::uint32_t>(i));
  for (int count : {1, 9, 10, 100, 64000}) {
    SCOPED_TRACE(count);
    watchpost::EventLogWriter writer;
    std::string error;
    writer.beginRun(path_);
    ASSERT_TRUE(writer.finishRun(times.data(), count, watchpost::CaptureSettings{}, error))
        << error;
    for (int frames : {count, count + 1}) {
      const EventLogResult result = ReadEventLog(path_, frames, table_, nullptr);
      EXPECT_EQ(result.entriesShown, frames);
      EXPECT_FALSE(result.suspect);
      for (int k = 0; k < count; ++k) {
        ASSERT_EQ(table_.Entry(k), Shown(Written(k + 1))) << k;
      }
      EXPECT_STREQ(table_.Entry(count), "AutoRestart 0\n");
    }
  }
}

TEST_F(EventLogReaderTest, ALogThatCannotBeOpenedLeavesOnlyNoLogEntry) {
  ::mkfifo((temp_ / "fifo.log").c_str(), 0600);
  for (const std::string& path :
       {(temp_ / "missing.log").string(), temp_.path().string(), (temp_ / "fifo.log").string()}) {
    SCOPED_TRACE(path);
    Read(Lines(1, 4), 4);  // an earlier recording's lines
    status_.clear();
    const EventLogResult result =
        ReadEventLog(path, 3, table_, [this](const std::string& s) { status_.push_back(s); });
    EXPECT_FALSE(result.loaded);
    EXPECT_FALSE(result.suspect);
    EXPECT_EQ(result.entryCount, 0);
    EXPECT_EQ(status_, std::vector<std::string>{res::text::kUnableToOpenLog});
    ASSERT_EQ(table_.SlotCount(), 5);
    for (int k = -1; k <= 5; ++k) EXPECT_STREQ(table_.Entry(k), kNoLogEntry) << k;
  }
}

// Frames past the table's limit keep no line, but the count still covers them.
TEST_F(EventLogReaderTest, PastItsLimitTheTableKeepsCounting) {
  table_ = EntryTable(6);
  const EventLogResult result = Read(Lines(1, 10) + kSettings, 10);
  EXPECT_EQ(result.entriesShown, 10);
  EXPECT_FALSE(result.suspect);
  EXPECT_EQ(table_.SlotCount(), 6);
  EXPECT_EQ(table_.Entry(5), Shown(Written(6)));
  EXPECT_STREQ(table_.Entry(6), kNoLogEntry);
}

// A CR that ends the reader's first block of 64 KiB, and what follows it in the next.
TEST_F(EventLogReaderTest, LineEndsAcrossTheReadBlock) {
  // 675 lines of 97 with their LF, one of 51, then 9 characters: the CR is byte 65535, slot 676.
  std::string head;
  for (int i = 0; i < 675; ++i) head += std::string(96, 'a') + "\n";
  head += std::string(50, 'a') + "\nzzzzzzzzz";
  ASSERT_EQ(head.size(), 65535u);
  const std::pair<const char*, const char*> cases[] = {
      {"\r\n", "zzzzzzzzz\n"}, {"\rb\n", "zzzzzzzzz\rb\n"}, {"\r", "zzzzzzzzz\r"}};
  for (const auto& [tail, shown] : cases) {
    Read(head + tail, 1000);
    EXPECT_STREQ(table_.Entry(676), shown);
  }
}

}  // namespace
}  // namespace casebook
