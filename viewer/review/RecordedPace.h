#pragma once

#include <cstdint>

#include "viewer/review/LogTimeline.h"

namespace casebook::review {

// Playing at recorded times, on the clock of LogTimeline::playTimeOf: each frame stays as long
// as its log time is before the next one's. A gap longer than kLongGapSeconds is no wait: the
// frame before it keeps only the rest of its own second, and the frame after it comes with a
// card of kCardSeconds telling how much time was skipped.

// Milliseconds `frame` stays on the screen before the next one, any card not counted.
int RecordedHoldMs(const LogTimeline& timeline, std::int32_t frame);

struct PlayStep {
  int intervalMs = 0;        // until the next frame
  std::int64_t skipped = 0;  // seconds the card over the frame shown tells of; 0 for no card
};

// The step after playback has shown `shown`, the frame on the screen before it being `before`.
// Only a step from the frame before brings a card: a jump to a burst, or the frame shown again
// when playing starts, does not.
PlayStep RecordedStep(const LogTimeline& timeline, std::int32_t before, std::int32_t shown);

// The first wait when playing starts with `shown` on the screen and `next` the frame to come:
// none when the frame to come is the one on the screen (after the slider or a jump), else the
// time the one on the screen has left.
int RecordedStartMs(const LogTimeline& timeline, std::int32_t shown, std::int32_t next);

}  // namespace casebook::review
