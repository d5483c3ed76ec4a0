#include "capture/reasons/ReasonsLog.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

// Local time is read in the zone `tz` (a POSIX TZ) for as long as this lives.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* was = std::getenv("TZ")) previous_ = was;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (previous_) {
      setenv("TZ", previous_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

std::string Row(std::int64_t number, const FrameReason& reason) {
  char row[kReasonRowChars];
  const std::size_t n = FormatReasonRow(number, reason, row);
  return std::string(row, n);
}

FrameReason Reason(std::int64_t timeMs, std::int32_t kind, std::int64_t changed) {
  FrameReason r;
  r.timeMs = timeMs;
  r.kind = kind;
  r.changedBytes = changed;
  r.differential = 40;
  r.threshold = 200;
  r.intervalMs = 250;
  return r;
}

// 2026-12-07 06:31:15 UTC.
constexpr std::int64_t kDecember7 = 1796625075;

TEST(ReasonRowTest, EachFieldAsTheFileSaysIt) {
  struct Case {
    const char* name;
    const char* tz;
    FrameReason reason;
    std::string expected;
  };
  FrameReason zoned = Reason(kDecember7 * 1000 + 5, FrameReason::Before, 17);
  zoned.zoneSet = 1;
  zoned.zoneLeft = 0.25f;
  zoned.zoneRight = 0.75f;
  zoned.zoneTop = 0.125f;
  zoned.zoneBottom = 1.0f;
  FrameReason damaged = Reason(kDecember7 * 1000, FrameReason::Hit, 1);
  damaged.zoneSet = 1;
  damaged.zoneLeft = -3.4e38f;
  damaged.zoneRight = 3.4e38f;
  damaged.zoneTop = 3.4e38f;
  damaged.zoneBottom = -3.4e38f;
  damaged.differential = -2147483647 - 1;
  damaged.threshold = 2147483647;
  const std::vector<Case> cases = {
      {"UTC", "UTC0", Reason(kDecember7 * 1000 + 123, FrameReason::Hit, 12345),
       "7,2026-12-07T06:31:15.123+00:00,hit,12345,40,200,whole,250\r\n"},
      {"east, half hours", "IST-5:30", zoned,
       "7,2026-12-07T12:01:15.005+05:30,before,17,40,200,0.25 0.75 0.125 1,250\r\n"},
      {"west, a day back", "BRT+8", Reason(kDecember7 * 1000, FrameReason::Hit, 0),
       "7,2026-12-06T22:31:15.000-08:00,hit,0,40,200,whole,250\r\n"},
      {"before 1970", "UTC0", Reason(-1, FrameReason::Hit, 3),
       "7,1969-12-31T23:59:59.999+00:00,hit,3,40,200,whole,250\r\n"},
      {"damaged settings still make one whole row", "UTC0", damaged,
       "7,2026-12-07T06:31:15.000+00:00,hit,1,-2147483648,2147483647,-3.4e+38 3.4e+38 3.4e+38 "
       "-3.4e+38,250\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TimeZone zone(c.tz);
    EXPECT_EQ(Row(7, c.reason), c.expected);
  }
}

std::vector<std::string> Lines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class ReasonsWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 8; ++i) {
      reasons_[i] = Reason(kDecember7 * 1000 + i * 250, i < 2 ? FrameReason::Before : 0, i);
    }
  }
  std::string path(const char* name) const { return (folder_.path() / name).string(); }
  testing_support::TempFolder folder_{"reasons-writer"};
  FrameReason reasons_[8];
};

TEST_F(ReasonsWriterTest, AKilledProgramLeavesEveryRowWrittenSoFar) {
  const std::string file = path("killed.csv");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ReasonsWriter writer;
    std::string error;
    writer.beginRun(file);
    if (!writer.appendRows(reasons_, 3, error)) _exit(2);
    if (!writer.appendRows(reasons_, 5, error)) _exit(2);
    raise(SIGKILL);  // no close, no flush, nothing after this
    _exit(3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  const std::vector<std::string> lines = Lines(file);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0] + "\n", kReasonsHeader);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(lines[i] + "\n", Row(i, reasons_[i - 1])) << "row " << i;
  }
}

TEST_F(ReasonsWriterTest, ANewRunReplacesTheFileAndARunWithoutFramesLeavesNone) {
  ReasonsWriter writer;
  std::string error;
  writer.beginRun(path("same.csv"));
  ASSERT_TRUE(writer.appendRows(reasons_, 4, error)) << error;
  ASSERT_TRUE(writer.finishRun(reasons_, 6, error)) << error;
  EXPECT_EQ(Lines(path("same.csv")).size(), 7u) << "the rows still due are written at the end";

  writer.beginRun(path("same.csv"));
  ASSERT_TRUE(writer.finishRun(reasons_, 2, error)) << error;
  EXPECT_EQ(Lines(path("same.csv")).size(), 3u);

  writer.beginRun(path("none.csv"));
  ASSERT_TRUE(writer.finishRun(reasons_, 0, error));
  EXPECT_FALSE(std::filesystem::exists(path("none.csv")));

  writer.skipRun();
  ASSERT_TRUE(writer.appendRows(reasons_, 3, error));
  EXPECT_EQ(Lines(path("same.csv")).size(), 3u) << "a skipped run writes nothing anywhere";
}

TEST_F(ReasonsWriterTest, AFailureIsReportedOnceWithTheFileAndTheReason) {
  ReasonsWriter writer;
  std::string error;
  const std::string file = path("missing/folder.csv");
  writer.beginRun(file);
  EXPECT_FALSE(writer.appendRows(reasons_, 1, error));
  EXPECT_EQ(error, "Cannot create the reasons file " + file + ": No such file or directory");
  error.clear();
  EXPECT_TRUE(writer.appendRows(reasons_, 2, error));
  EXPECT_TRUE(writer.finishRun(reasons_, 3, error));
  EXPECT_EQ(error, "");

  if (std::filesystem::exists("/dev/full")) {
    writer.beginRun("/dev/full");
    EXPECT_FALSE(writer.appendRows(reasons_, 1, error));
    EXPECT_EQ(error, "Cannot write the reasons file /dev/full: No space left on device");
  }
}

}  // namespace
}  // namespace watchpost
