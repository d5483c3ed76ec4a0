#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/UniqueFd.h"

namespace watchpost {

// Why one frame of a recording was taken, as things stood when it was sampled.
struct FrameReason {
  enum Kind : std::int32_t { Hit = 0, Before = 1 };
  std::int64_t timeMs = 0;  // sampled, milliseconds since 1970-01-01 00:00 UTC
  std::int32_t kind = Hit;
  std::int64_t changedBytes = 0;
  std::int32_t differential = 0;
  std::int32_t threshold = 0;
  std::int32_t zoneSet = 0;  // 0: the whole frame was compared
  float zoneLeft = 0, zoneRight = 0, zoneTop = 0, zoneBottom = 0;
  std::int32_t intervalMs = 0;
};

inline constexpr std::size_t kReasonRowChars = 256;
// The first line of every file of reasons.
inline constexpr char kReasonsHeader[] =
    "frame,time,kind,changed_bytes,differential,threshold,zone,interval_ms\r\n";

// One row: frame number, local time with milliseconds and UTC offset (ISO 8601), "hit" or
// "before", changed bytes, Differential, Threshold, "whole" or the four zone fractions (left
// right top bottom), interval in ms; ended by CR LF. Returns the bytes written to `into`.
std::size_t FormatReasonRow(std::int64_t frameNumber, const FrameReason& reason,
                            char (&into)[kReasonRowChars]);

// Writes a run's file of reasons as the run goes, as the event log is written: created with its
// header at the first frame, each row on its way to the disk once its frame is counted, so that a
// killed program leaves every row but perhaps the last. A run without frames leaves no file.
// After a failure nothing more is written during the run and it is reported once.
class ReasonsWriter {
 public:
  void beginRun(const std::string& path);
  // No file for this run (the reasons are not wanted).
  void skipRun();
  bool running() const { return running_; }
  const std::string& path() const { return path_; }
  std::int32_t rowsWritten() const { return rowsWritten_; }

  // Appends the rows of frames rowsWritten()+1 .. frameCount. False, with the file and the
  // platform's reason, when it fails for the first time in this run.
  bool appendRows(const FrameReason* reasons, std::int32_t frameCount, std::string& error);
  // Catches up and closes the file.
  bool finishRun(const FrameReason* reasons, std::int32_t frameCount, std::string& error);

 private:
  bool fail(const char* pattern, int errnoValue, std::string& error);

  std::string path_;
  base::UniqueFd file_;
  std::int32_t rowsWritten_ = 0;
  bool running_ = false;
  bool failed_ = false;
};

}  // namespace watchpost
