#include "viewer/export/ClipExporter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "tests/support/ExportClips.h"
#include "tests/support/TempFolder.h"
#include "viewer/document/EntryTable.h"
#include "viewer/document/EventLogReader.h"
#include "viewer/review/LogTimeline.h"

namespace casebook::exporter {
namespace {

namespace fs = std::filesystem;
using testing_support::ClipPixel;
using testing_support::DecodeFrames;
using testing_support::FolderNames;
using testing_support::MakeClipRecording;

// The recording's log read as the document reads it.
struct Log {
  EntryTable entries;
  review::LogTimeline timeline;
  Log(const fs::path& stem, int frames) {
    ReadEventLog(stem.string() + ".log", frames, entries, {});
    timeline.Build(entries, frames);
  }
};

std::string Line(int number, std::uint32_t seconds) {
  char line[watchpost::kLineChars];
  const std::size_t n = watchpost::FormatFrameLine(number, seconds, line);
  return std::string(line, n - 2);
}

TEST(ClipExporterText, TheTimeTextOfALineOrNoLogTime) {
  const std::string line = Line(12, testing_support::kExportFirstCapture);
  const std::string time = line.substr(std::strlen("Frame# 12 "));
  ASSERT_EQ(time.size(), 24u);
  std::string suspect = line;
  suspect.replace(kLogSuspectMarkAt, std::string::npos, " *LOG SUSPECT*");
  const struct {
    const char* entry;
    std::string burned;
  } rows[] = {
      {line.c_str(), time},
      {"No Log Entry", kNoLogTime},
      {suspect.c_str(), kNoLogTime},  // the time is half overwritten
      {"", kNoLogTime},
      {nullptr, kNoLogTime},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(BurnedText(row.entry), row.burned) << (row.entry ? row.entry : "(null)");
  }
}

TEST(ClipExporterText, TheFontSizeFitsTheLongestTimeAndStaysReadable) {
  for (const auto& [w, h] : {std::pair{160, 120}, {320, 240}, {640, 480}, {1600, 1200}}) {
    const int size = BurnedFontSize(w, h);
    EXPECT_GE(size, 10) << w << "x" << h;
    // A mono face's advance is 0.6 of its size: 24 characters and the box's borders fit.
    EXPECT_LE(24 * 0.6 * size + 6, w) << w << "x" << h;
  }
  EXPECT_GT(BurnedFontSize(640, 480), BurnedFontSize(160, 120));
}

TEST(ClipExporterText, TheFontIsTheFirstKnownFileThatExists) {
  testing_support::TempFolder temp("export-font");
  const std::string present = (temp / "Mono.ttf").string();
  std::ofstream(present) << "x";
  EXPECT_EQ(FindFontFile({(temp / "none.ttf").string(), present}), present);
  EXPECT_EQ(FindFontFile({(temp / "none.ttf").string(), temp.path().string()}), "")
      << "a folder is no font";
  EXPECT_FALSE(FindFontFile().empty()) << "fonts-dejavu-core is a dependency";
}

// The choices of the dialog: which frames each stands for.
TEST(ClipExporterRange, WholeBurstAndMarks) {
  EntryTable entries;
  entries.Reset(8);
  // Two bursts: frames 0-2, then 3-7 after a gap of 60 s.
  const int offsets[] = {0, 1, 2, 62, 63, 64, 64, 65};
  for (int k = 0; k < 8; ++k) {
    std::strncpy(entries.Slot(k),
                 Line(k + 1, testing_support::kExportFirstCapture + offsets[k]).c_str(),
                 EntryTable::kEntryChars - 1);
  }
  review::LogTimeline timeline;
  timeline.Build(entries, 8);
  review::LogTimeline noTimes;
  EntryTable none;
  none.Reset(8);
  noTimes.Build(none, 8);
  using R = std::optional<FrameRange>;
  const struct {
    Scope scope;
    const review::LogTimeline* timeline;
    int position, in, out;
    R expected;
  } rows[] = {
      {Scope::Whole, &timeline, 4, -1, -1, FrameRange{0, 7}},
      {Scope::Whole, &noTimes, 0, -1, -1, FrameRange{0, 7}},
      {Scope::Burst, &timeline, 1, -1, -1, FrameRange{0, 2}},
      {Scope::Burst, &timeline, 5, -1, -1, FrameRange{3, 7}},
      {Scope::Burst, &timeline, 99, -1, -1, FrameRange{3, 7}},  // clamped to the last frame
      {Scope::Burst, &noTimes, 2, -1, -1, std::nullopt},
      {Scope::Marks, &timeline, 0, 2, 5, FrameRange{2, 5}},
      {Scope::Marks, &timeline, 0, 5, 2, FrameRange{2, 5}},   // set the wrong way round
      {Scope::Marks, &timeline, 0, 3, -1, FrameRange{3, 7}},  // to the end
      {Scope::Marks, &timeline, 0, -1, 4, FrameRange{0, 4}},  // from the start
      {Scope::Marks, &timeline, 0, 4, 4, FrameRange{4, 4}},
      {Scope::Marks, &timeline, 0, -1, -1, std::nullopt},
      {Scope::Marks, &timeline, 0, 8, 20, std::nullopt},  // past the recording
  };
  for (const auto& row : rows) {
    EXPECT_EQ(RangeOf(row.scope, 8, *row.timeline, row.position, row.in, row.out), row.expected)
        << "scope " << static_cast<int>(row.scope) << " position " << row.position << " marks "
        << row.in << ", " << row.out;
  }
  EXPECT_EQ(RangeOf(Scope::Whole, 0, timeline, 0, -1, -1), std::nullopt);
}

class ClipExporterTest : public ::testing::Test {
 protected:
  static constexpr int kW = 160, kH = 120;
  ExportRequest Request(const fs::path& stem, const Log& log, FrameRange range) {
    ExportRequest request;
    request.videoPath = stem.string() + ".avi";
    request.outputPath = (temp_ / "out.mp4").string();
    request.range = range;
    request.entries = &log.entries;
    request.timeline = &log.timeline;
    request.threads = 1;
    return request;
  }
  // The rectangle the box is drawn in at 160 x 120, inside its edges, and a band of picture
  // well away from it.
  static constexpr int kBoxX0 = 4, kBoxX1 = 140, kBoxY0 = kH - 13, kBoxY1 = kH - 3;
  static constexpr int kFarY1 = kH - 40;

  testing_support::TempFolder temp_{"export"};
};

// The written file holds every frame at the recording's rate; each frame is the recording's
// picture but for the box of its time, which differs from the picture there.
TEST_F(ClipExporterTest, WritesEveryFrameWithItsTimeBurnedIn) {
  for (const char* encoder : {"libx264", "mpeg4"}) {
    SCOPED_TRACE(encoder);
    const fs::path stem = temp_ / "clip";
    // Frames 0 and 1 share a second, frame 2 is a second later.
    MakeClipRecording(stem, 12, kW, kH, 200000, {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    const Log log(stem, 12);
    ExportRequest request = Request(stem, log, {0, 11});
    request.encoder = encoder;
    std::vector<int> told;
    const ExportResult result = ExportClip(request, [&](std::int32_t done, std::int32_t total) {
      EXPECT_EQ(total, 12);
      told.push_back(done);
      return true;
    });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.encoder, encoder);
    EXPECT_EQ(result.framesWritten, 12);
    EXPECT_EQ(told.size(), 12u);
    EXPECT_EQ(told.back(), 12);
    EXPECT_EQ(FolderNames(temp_.path()),
              (std::vector<std::string>{"clip.avi", "clip.log", "out.mp4"}))
        << "the temporary file is gone";

    WrittenVideo written;
    std::string error;
    ASSERT_TRUE(ReadWrittenVideo(request.outputPath, written, error)) << error;
    EXPECT_EQ(written.frames, 12);
    EXPECT_EQ(written.width, kW);
    EXPECT_EQ(written.height, kH);
    EXPECT_NEAR(written.frameRate, 5.0, 1e-6);
    EXPECT_EQ(written.codec, std::string(encoder) == "libx264" ? "h264" : "mpeg4");
    ASSERT_EQ(written.seconds.size(), 12u);
    for (std::size_t k = 1; k < 12; ++k) {
      EXPECT_NEAR(written.seconds[k] - written.seconds[0], 0.2 * k, 1e-6) << k;
    }

    const testing_support::DecodedFrames frames = DecodeFrames(request.outputPath);
    ASSERT_EQ(frames.rgb.size(), 12u);
    for (std::size_t k = 0; k < 12; ++k) {
      const auto picture = [k](int x, int y) { return ClipPixel(static_cast<int>(k), x, y); };
      EXPECT_LT(frames.MeanDifference(k, 0, 0, kW, kFarY1, picture), 4.0) << "frame " << k;
      EXPECT_GT(frames.MeanDifference(k, kBoxX0, kBoxY0, kBoxX1, kBoxY1, picture), 40.0)
          << "frame " << k << ": no box";
    }
    // The text is each frame's own: the same second burns the same text, the next one another.
    const auto box = [&](std::size_t a, std::size_t b) {
      const auto other = [&](int x, int y) {
        const std::uint8_t* p = &frames.rgb[b][(static_cast<std::size_t>(y) * kW + x) * 3];
        return static_cast<int>(p[1]);
      };
      return frames.MeanDifference(a, kBoxX0, kBoxY0, kBoxX1, kBoxY1, other);
    };
    const double same = box(0, 1), next = box(1, 2);
    EXPECT_GT(next, same + 2.0) << "same second " << same << ", next second " << next;
    fs::remove(request.outputPath);
  }
}

// A range, and the clock of the log: the gaps are shortened as playback shortens them.
TEST_F(ClipExporterTest, ARangeAtRecordedTimesFollowsThePlayClock) {
  const fs::path stem = temp_ / "timed";
  const std::vector<std::uint32_t> seconds = {0, 0, 0, 1, 2, 40, 40, 41, 3600, 3601};
  MakeClipRecording(stem, 10, kW, kH, 250000, seconds);
  const Log log(stem, 10);
  ASSERT_TRUE(log.timeline.hasTimes());
  ExportRequest request = Request(stem, log, {1, 9});
  request.recordedTimes = true;
  const ExportResult result = ExportClip(request);
  ASSERT_TRUE(result.ok) << result.error;
  WrittenVideo written;
  std::string error;
  ASSERT_TRUE(ReadWrittenVideo(request.outputPath, written, error)) << error;
  ASSERT_EQ(written.frames, 9);
  for (int k = 1; k <= 9; ++k) {
    const double expected = log.timeline.playTimeOf(k) - log.timeline.playTimeOf(1);
    EXPECT_NEAR(written.seconds[static_cast<std::size_t>(k - 1)] - written.seconds[0], expected,
                1.0 / 30000)
        << "frame " << k;
  }
  // The hour between frames 7 and 8 is a second in the file, not an hour.
  EXPECT_LT(written.seconds.back() - written.seconds.front(), 10.0);
  // The first frame of the file is frame 1 of the recording.
  const testing_support::DecodedFrames frames = DecodeFrames(request.outputPath);
  ASSERT_EQ(frames.rgb.size(), 9u);
  EXPECT_LT(
      frames.MeanDifference(0, 0, 0, kW, kFarY1, [](int x, int y) { return ClipPixel(1, x, y); }),
      4.0);
  EXPECT_LT(
      frames.MeanDifference(8, 0, 0, kW, kFarY1, [](int x, int y) { return ClipPixel(9, x, y); }),
      4.0);
}

// Cancelled or failed, an export leaves nothing behind and an earlier file of the target's
// name as it was; a failure says why.
TEST_F(ClipExporterTest, CancelAndFailureLeaveNothingBehind) {
  const fs::path stem = temp_ / "clip";
  MakeClipRecording(stem, 10, kW, kH, 200000, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
  const Log log(stem, 10);
  const std::vector<std::string> before = {"clip.avi", "clip.log", "out.mp4"};
  std::ofstream(temp_ / "out.mp4") << "an earlier export";

  ExportRequest request = Request(stem, log, {0, 9});
  int calls = 0;
  ExportResult result =
      ExportClip(request, [&](std::int32_t, std::int32_t) { return ++calls < 4; });
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(calls, 4) << "no frame is written after Cancel";
  EXPECT_EQ(FolderNames(temp_.path()), before);
  std::ifstream earlier(temp_ / "out.mp4");
  std::string kept;
  std::getline(earlier, kept);
  EXPECT_EQ(kept, "an earlier export");

  const struct {
    std::string output;
    FrameRange range;
    std::string videoPath;
    const char* reason;
  } failures[] = {
      {(temp_ / "missing" / "out.mp4").string(), {0, 9}, "", "No such file or directory"},
      {"/proc/casebook-export.mp4", {0, 9}, "", "Cannot write in the folder"},
      {(temp_ / "out.mp4").string(), {0, 10}, "", "not in the recording"},
      {(temp_ / "out.mp4").string(), {-1, 3}, "", "not in the recording"},
      {(temp_ / "out.mp4").string(), {0, 9}, (temp_ / "none.avi").string(), "none.avi"},
      {(temp_ / "out.mp4").string(), {0, 9}, (stem.string() + ".log"), "clip.log"},
      // The clip never takes the place of the recording it comes from.
      {stem.string() + ".avi", {0, 9}, "", "the recording's own video"},
      {stem.string() + ".log", {0, 9}, "", "the recording's own log"},
  };
  for (const auto& failure : failures) {
    SCOPED_TRACE(failure.output + " " + failure.reason);
    ExportRequest bad = Request(stem, log, failure.range);
    bad.outputPath = failure.output;
    if (!failure.videoPath.empty()) bad.videoPath = failure.videoPath;
    result = ExportClip(bad);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.cancelled);
    EXPECT_NE(result.error.find(failure.reason), std::string::npos) << result.error;
    EXPECT_EQ(FolderNames(temp_.path()), before);
  }
  ExportRequest noFont = Request(stem, log, {0, 9});
  noFont.fontFile = (temp_ / "no-such-font.ttf").string();
  result = ExportClip(noFont);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("no-such-font.ttf"), std::string::npos) << result.error;
  EXPECT_EQ(FolderNames(temp_.path()), before);

  WrittenVideo written;
  std::string error;
  EXPECT_FALSE(ReadWrittenVideo((temp_ / "out.mp4").string(), written, error)) << "no video";
  EXPECT_NE(error.find("out.mp4"), std::string::npos) << error;
}

// Recorded times need a log with times.
TEST_F(ClipExporterTest, RecordedTimesWithoutALogAreRefused) {
  const fs::path stem = temp_ / "bare";
  MakeClipRecording(stem, 4, kW, kH, 200000, {});
  const Log log(stem, 4);
  ExportRequest request = Request(stem, log, {0, 3});
  request.recordedTimes = true;
  ExportResult result = ExportClip(request);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("no times"), std::string::npos) << result.error;
  // At the rate, the frames without lines say so in the picture.
  request.recordedTimes = false;
  result = ExportClip(request);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.framesWritten, 4);
}

}  // namespace
}  // namespace casebook::exporter
