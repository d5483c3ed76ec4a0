#include "capture/eventlog/EventLog.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "tests/support/LocalTime.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

using testing_support::LocalTime;

std::uint32_t At(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::uint32_t>(LocalTime(year, month, day, hour, minute, second));
}

// The settings of the example log: Playback 4 and a zone of the middle quarter.
CaptureSettings ExampleSettings() {
  CaptureSettings s;
  s.ZoneSet = 1;
  s.ZoneLeft = 0.25f;
  s.ZoneRight = 0.75f;
  s.ZoneTop = 0.25f;
  s.ZoneBottom = 0.75f;
  return s;
}

constexpr const char* kExampleLog =
    "Frame# 1 Mon Dec 07 06:31:15 2026\r\n"
    "Frame# 2 Mon Dec 07 06:31:16 2026\r\n"
    "AutoRestart 0\r\n"
    "Differential 40\r\n"
    "Threshold 200\r\n"
    "Interval 250\r\n"
    "Limit 2000\r\n"
    "Beep 1\r\n"
    "ScaleState 1\r\n"
    "SetPlayback 0\r\n"
    "PlaybackRate 4.000000\r\n"
    "ZoneSet 1\r\n"
    "ZoneLeft 0.250000\r\n"
    "ZoneRight 0.750000\r\n"
    "ZoneTop 0.250000\r\n"
    "ZoneBottom 0.750000\r\n";

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Writes past `bytes` fail (EFBIG) while it lives, as a full disk fails them; the limit can be
// moved to make room again or take it away.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);  // the write fails instead of ending the test
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  void set(rlim_t bytes) {
    const rlimit limit{bytes, saved_.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0) << std::strerror(errno);
  }
  void lift() { set(saved_.rlim_max); }

 private:
  rlimit saved_{};
  void (*previous_)(int) = SIG_DFL;
};

class EventLogFileTest : public ::testing::Test {
 protected:
  testing_support::TempFolder temp_{"eventlog"};
  const std::filesystem::path& folder_ = temp_.path();
};

TEST(EventLogTextTest, TheExampleRunByteForByte) {
  const std::uint32_t times[] = {At(2026, 12, 7, 6, 31, 15), At(2026, 12, 7, 6, 31, 16)};
  EXPECT_EQ(EventLogText(times, 2, ExampleSettings()), kExampleLog);
}

TEST(EventLogTextTest, TimeTextsAreTwentyFourCharactersWithAZeroPaddedDay) {
  const struct {
    std::uint32_t when;
    const char* text;
  } cases[] = {
      {At(2026, 12, 7, 6, 31, 15), "Mon Dec 07 06:31:15 2026"},
      {At(2001, 3, 5, 9, 7, 0), "Mon Mar 05 09:07:00 2001"},
      {At(2024, 2, 29, 23, 59, 59), "Thu Feb 29 23:59:59 2024"},
      {At(2030, 1, 1, 0, 0, 0), "Tue Jan 01 00:00:00 2030"},
  };
  for (const auto& c : cases) {
    char text[kTimeTextChars + 1];
    FormatTimeText(c.when, text);
    EXPECT_STREQ(text, c.text);
  }
}

TEST(EventLogTextTest, NoCaptureNoLogAndCapturesInOneSecondShareTheirTime) {
  const CaptureSettings settings;
  EXPECT_EQ(EventLogText(nullptr, 0, settings), "");
  const std::uint32_t second = At(2026, 12, 8, 8, 0, 1);
  const std::uint32_t times[] = {second, second, second};
  const std::string log = EventLogText(times, 3, settings);
  EXPECT_EQ(log.substr(0, 3 * 35),
            "Frame# 1 Tue Dec 08 08:00:01 2026\r\nFrame# 2 Tue Dec 08 08:00:01 2026\r\n"
            "Frame# 3 Tue Dec 08 08:00:01 2026\r\n");
}

TEST(EventLogTextTest, SettingsLinesKeepTheirFormsForAnyValue) {
  CaptureSettings s;
  s.Differential = -3;
  s.Threshold = 64000;
  s.SetPlayback = 1;
  s.Playback = 12.5f;
  s.ZoneLeft = 1.0f / 3.0f;
  const std::string lines = SettingsLines(s);
  for (const char* line : {"Differential -3\r\n", "Threshold 64000\r\n", "SetPlayback 1\r\n",
                           "PlaybackRate 12.500000\r\n", "ZoneLeft 0.333333\r\n"}) {
    EXPECT_NE(lines.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 14);
}

TEST_F(EventLogFileTest, WrittenAsTheRunGoesItEndsByteIdenticalToTheWholeLog) {
  const std::string path = (folder_ / "run.log").string();
  std::vector<std::uint32_t> times;
  for (int i = 0; i < 2000; ++i) times.push_back(At(2026, 12, 8, 8, 0, 0) + i / 3);
  const CaptureSettings settings = ExampleSettings();

  EventLogWriter writer;
  std::string error;
  writer.beginRun(path);
  ASSERT_TRUE(writer.appendFrames(times.data(), 0, error)) << error;
  EXPECT_FALSE(std::filesystem::exists(path)) << "no file before the first capture";
  // Captures counted one, several or none at a time, as frames arrive.
  for (std::int32_t count : {1, 1, 4, 4, 9, 1500}) {
    ASSERT_TRUE(writer.appendFrames(times.data(), count, error)) << error;
    const std::string whole = EventLogText(times.data(), count, settings);
    EXPECT_TRUE(ReadFile(path) == whole.substr(0, whole.size() - SettingsLines(settings).size()))
        << "the frame lines of " << count << " captures";
  }
  // A run that reached Limit: exactly Limit frame lines.
  ASSERT_TRUE(writer.finishRun(times.data(), 2000, settings, error)) << error;
  EXPECT_EQ(ReadFile(path), EventLogText(times.data(), 2000, settings));
  EXPECT_FALSE(writer.running());
}

TEST_F(EventLogFileTest, ARunWithoutCapturesLeavesNoFileAndKeepsAnOldOne) {
  EventLogWriter writer;
  std::string error;
  writer.beginRun((folder_ / "none.log").string());
  ASSERT_TRUE(writer.finishRun(nullptr, 0, CaptureSettings{}, error));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "none.log"));

  std::ofstream(folder_ / "old.log") << "earlier";
  writer.beginRun((folder_ / "old.log").string());
  ASSERT_TRUE(writer.finishRun(nullptr, 0, CaptureSettings{}, error));
  EXPECT_EQ(ReadFile(folder_ / "old.log"), "earlier");
}

TEST_F(EventLogFileTest, FailuresNameTheFileAndTheReasonOncePerRun) {
  const std::uint32_t times[] = {1, 2, 3};
  const CaptureSettings settings;
  const struct {
    const char* name;
    std::string path;
    int reason;
  } cases[] = {
      {"missing folder", (folder_ / "gone" / "a.log").string(), ENOENT},
      {"disk full", "/dev/full", ENOSPC},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EventLogWriter writer;
    std::string error;
    writer.beginRun(c.path);
    EXPECT_FALSE(writer.appendFrames(times, 1, error));
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_NE(error.find(base::ErrnoText(c.reason)), std::string::npos) << error;
    std::string again;
    EXPECT_TRUE(writer.appendFrames(times, 3, again)) << "told once per run";
    EXPECT_TRUE(writer.finishRun(times, 3, settings, again));
    EXPECT_TRUE(again.empty()) << again;
    // The next run tries afresh.
    writer.beginRun(c.path);
    EXPECT_FALSE(writer.appendFrames(times, 1, error));
  }
}

TEST_F(EventLogFileTest, AFailureThatPassesBeforeTheEndStillLeavesTheWholeLog) {
  const std::filesystem::path folder = folder_ / "later";
  const std::string path = (folder / "run.log").string();
  const std::uint32_t times[] = {10, 20, 30};
  const CaptureSettings settings = ExampleSettings();
  EventLogWriter writer;
  std::string error;
  writer.beginRun(path);
  EXPECT_FALSE(writer.appendFrames(times, 1, error)) << "no folder yet";
  std::filesystem::create_directory(folder);  // back before the run ends
  EXPECT_TRUE(writer.appendFrames(times, 2, error));
  EXPECT_FALSE(std::filesystem::exists(path)) << "nothing more is tried during the run";
  EXPECT_TRUE(writer.finishRun(times, 3, settings, error)) << error;
  EXPECT_EQ(ReadFile(path), EventLogText(times, 3, settings));
}

// A frame line that could not be written leaves the lines before it on disk; the end of the
// run tries the whole log again, and whatever that try meets, no line already there is lost.
TEST_F(EventLogFileTest, TheRetryAtTheEndNeverLosesTheLinesOnDisk) {
  const std::uint32_t times[] = {10, 20, 30, 40, 50};
  const CaptureSettings settings = ExampleSettings();
  const std::string threeLines = EventLogText(times, 3, settings).substr(0, 3 * 35);
  const struct {
    const char* what;
    rlim_t roomAtTheEnd;  // file size allowed when the run ends
    bool whole;           // the retry leaves the whole log
  } cases[] = {
      {"room again", RLIM_INFINITY, true},
      {"less room than the lines on disk", 50, false},
      {"as much room as when it failed", 3 * 35 + 10, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path path = folder_ / (std::string(c.what) + ".log");
    std::string error;
    EventLogWriter writer;
    writer.beginRun(path.string());
    {
      FileSizeLimit limit;
      ASSERT_TRUE(writer.appendFrames(times, 3, error)) << error;
      ASSERT_EQ(ReadFile(path), threeLines);
      limit.set(3 * 35 + 10);  // the disk fills: line 4 gets ten bytes
      EXPECT_FALSE(writer.appendFrames(times, 4, error));
      EXPECT_NE(error.find(base::ErrnoText(EFBIG)), std::string::npos) << error;
      const std::string onDisk = ReadFile(path);
      if (c.roomAtTheEnd == RLIM_INFINITY) {
        limit.lift();
      } else {
        limit.set(c.roomAtTheEnd);
      }
      writer.finishRun(times, 5, settings, error);
      const std::string after = ReadFile(path);
      if (c.whole) {
        EXPECT_EQ(after, EventLogText(times, 5, settings));
      } else {
        EXPECT_EQ(after, onDisk) << "the log stays as it was";
      }
      EXPECT_EQ(after.substr(0, threeLines.size()), threeLines);
    }
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".retry")) << "nothing left beside it";
  }
}

// A log path that is no plain file is written in place: it is never replaced by a file.
TEST_F(EventLogFileTest, TheRetryWritesADeviceInPlace) {
  const std::uint32_t times[] = {1, 2};
  EventLogWriter writer;
  std::string error;
  writer.beginRun("/dev/full");
  EXPECT_FALSE(writer.appendFrames(times, 1, error));
  writer.finishRun(times, 2, CaptureSettings{}, error);
  struct stat info {};
  ASSERT_EQ(::stat("/dev/full", &info), 0);
  EXPECT_TRUE(S_ISCHR(info.st_mode)) << "/dev/full is still the device";
  EXPECT_FALSE(std::filesystem::exists("/dev/full.retry"));
}

}  // namespace
}  // namespace watchpost
