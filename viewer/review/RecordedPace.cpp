#include "viewer/review/RecordedPace.h"

#include <algorithm>
#include <cmath>

namespace casebook::review {
namespace {

int Ms(double seconds) { return static_cast<int>(std::lround(std::max(seconds, 0.0) * 1000.0)); }

// What is left of the frame's own second once it is shown: frames sharing a second spread
// evenly over it, so the last of four keeps a quarter.
double RestOfItsSecond(const LogTimeline& timeline, std::int32_t frame) {
  const double endOfSecond =
      static_cast<double>(timeline.secondsOf(frame) - timeline.secondsOf(0) + 1);
  return endOfSecond - timeline.recordedTimeOf(frame);
}

}  // namespace

int RecordedHoldMs(const LogTimeline& timeline, std::int32_t frame) {
  const std::int32_t next = frame + 1;
  if (frame < 0 || next >= timeline.frameCount() || timeline.skippedBefore(next) > 0) {
    return Ms(RestOfItsSecond(timeline, frame));
  }
  return Ms(timeline.playTimeOf(next) - timeline.playTimeOf(frame));
}

PlayStep RecordedStep(const LogTimeline& timeline, std::int32_t before, std::int32_t shown) {
  PlayStep step;
  step.intervalMs = RecordedHoldMs(timeline, shown);
  if (shown == before + 1) step.skipped = timeline.skippedBefore(shown);
  if (step.skipped > 0) step.intervalMs += static_cast<int>(kCardSeconds * 1000);
  return step;
}

int RecordedStartMs(const LogTimeline& timeline, std::int32_t shown, std::int32_t next) {
  return next == shown ? 0 : RecordedHoldMs(timeline, shown);
}

}  // namespace casebook::review
