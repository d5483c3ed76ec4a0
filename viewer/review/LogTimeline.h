#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "viewer/document/EntryTable.h"

namespace casebook::review {

// Frames whose log times lie within this many seconds of the previous frame's are one burst.
inline constexpr std::int64_t kBurstGapSeconds = 10;
// Playing at recorded times, a gap longer than this is shortened to a card of kCardSeconds.
inline constexpr std::int64_t kLongGapSeconds = 5;
inline constexpr std::int64_t kCardSeconds = 1;

// Frames first .. first + count - 1, and the log times of the first and the last.
struct Burst {
  std::int32_t first = 0;
  std::int32_t count = 0;
  std::int64_t startSeconds = 0;
  std::int64_t endSeconds = 0;
};

// The local time of a frame line ("Frame# 12 Wed Dec 09 14:02:11 2026") as seconds of a civil
// clock (days since 1970-01-01 times 86400 plus the time of day, no time zone applied); nullopt
// for a line without a readable time.
std::optional<std::int64_t> FrameLineSeconds(const char* line);

// "14:02:11": the time of day of civil seconds.
std::string TimeOfDayText(std::int64_t seconds);

// The card's text for a gap of `seconds`: "- 3 h 12 min later -", "- 45 s later -".
std::string SkippedText(std::int64_t seconds);

// The recording's frames on the clock of their log lines: when each was taken, the bursts, and
// the clock of playback at recorded times. Built from the log alone, without a frame decoded.
class LogTimeline {
 public:
  // From the entries of a recording of `frames` frames, entry k being frame k's line. A frame
  // without a time (no line, or a line marked out of step) takes the time of the frame before
  // it, the first ones that of the first frame with a time.
  void Build(const EntryTable& entries, std::int32_t frames);
  void Clear();

  std::int32_t frameCount() const { return static_cast<std::int32_t>(seconds_.size()); }
  // At least one frame has a log time; without, there are no bursts and no recorded clock.
  bool hasTimes() const { return hasTimes_; }
  // Whole seconds of `frame` (clamped into the recording); 0 without times.
  std::int64_t secondsOf(std::int32_t frame) const;
  // Seconds from the first frame; frames sharing one second spread evenly over it.
  double recordedTimeOf(std::int32_t frame) const;
  // The recorded time with every gap longer than kLongGapSeconds shortened to kCardSeconds: the
  // clock of playback and export at recorded times.
  double playTimeOf(std::int32_t frame) const;
  // The seconds of log time skipped before `frame` when its gap was shortened, else 0.
  std::int64_t skippedBefore(std::int32_t frame) const;

  const std::vector<Burst>& bursts() const { return bursts_; }
  // The burst `frame` belongs to, an index into bursts(); -1 when there is none.
  int burstOf(std::int32_t frame) const;

 private:
  std::int32_t clamp(std::int32_t frame) const;

  std::vector<std::int64_t> seconds_;  // per frame
  std::vector<double> recorded_;       // per frame
  std::vector<double> play_;           // per frame
  std::vector<Burst> bursts_;
  bool hasTimes_ = false;
};

}  // namespace casebook::review
