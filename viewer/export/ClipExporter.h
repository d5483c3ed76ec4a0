#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace casebook {
class EntryTable;
namespace review {
class LogTimeline;
}
}  // namespace casebook

namespace casebook::exporter {

// Frames first .. last of a recording, both included, counted from 0.
struct FrameRange {
  std::int32_t first = 0;
  std::int32_t last = -1;
  std::int32_t count() const { return last - first + 1; }
  friend bool operator==(const FrameRange&, const FrameRange&) = default;
};

enum class Scope { Whole, Burst, Marks };

// The frames a choice of the Export dialog stands for in a recording of `frames` frames: the
// whole of it, the burst of `position`, or the marks' range (a mark not set stands for the
// recording's start or end; marks set the wrong way round are taken in order). Nothing when the
// choice has no frames (no burst there, no mark set).
std::optional<FrameRange> RangeOf(Scope scope, std::int32_t frames,
                                  const review::LogTimeline& timeline, std::int32_t position,
                                  std::int32_t markIn, std::int32_t markOut);

// The text burned into a frame whose log line is `entry`: the line's time text
// ("Wed Dec 09 14:02:11 2026"), or kNoLogTime when the line has no readable time.
std::string BurnedText(const char* entry);
inline constexpr char kNoLogTime[] = "no log time";

// The first font file of the known places of DejaVu Sans Mono (fonts-dejavu-core) that exists;
// empty when none does.
std::string FindFontFile(const std::vector<std::string>& candidates = {});
std::vector<std::string> KnownFontFiles();

// The point size of the burned text for a picture of width x height: large enough to read at
// 160 x 120, and the longest time text fits across the picture.
int BurnedFontSize(int width, int height);

struct ExportRequest {
  std::string videoPath;   // the recording's AVI
  std::string outputPath;  // the MP4 to make; replaced only once the export has succeeded
  FrameRange range;
  // At recorded times the frames are timed by timeline->playTimeOf; otherwise at the
  // recording's own rate.
  bool recordedTimes = false;
  const EntryTable* entries = nullptr;            // the log lines the text comes from
  const review::LogTimeline* timeline = nullptr;  // needed for recorded times
  // Threads of the encoder and the filter graph; 0 lets FFmpeg choose.
  int threads = 0;
  // An encoder by FFmpeg name; empty for libx264 where this FFmpeg has it, else MPEG-4 part 2.
  std::string encoder;
  std::string fontFile;  // empty: FindFontFile()
};

struct ExportResult {
  bool ok = false;
  bool cancelled = false;
  std::string error;  // why it failed, with the platform's own reason
  std::int32_t framesWritten = 0;
  std::string encoder;  // the FFmpeg encoder used
};

// Told of every frame done; returns false to cancel the export.
using ExportProgress = std::function<bool(std::int32_t done, std::int32_t total)>;

// Writes the frames of the request to an MP4 (H.264 or MPEG-4 part 2, yuv420p) with each
// frame's log time burned into the picture by FFmpeg's drawtext. The file is made under a
// temporary name beside the target, read back and its frames counted, and only then renamed to
// the target: a cancelled or failed export leaves no file behind.
ExportResult ExportClip(const ExportRequest& request, const ExportProgress& progress = {});

// What an MP4 (or any file FFmpeg reads) holds in its first video stream, read back through
// libavformat: the number of frames (packets), their timestamps in seconds, and the picture
// size. False with the reason when the file cannot be read.
struct WrittenVideo {
  std::int32_t frames = 0;
  std::vector<double> seconds;  // presentation times, in file order
  int width = 0, height = 0;
  double frameRate = 0;  // the stream's average rate
  std::string codec;
};
bool ReadWrittenVideo(const std::string& path, WrittenVideo& into, std::string& error);

}  // namespace casebook::exporter
