#pragma once

#include <cstdint>
#include <vector>

#include "viewer/review/LogTimeline.h"

namespace casebook::review {

// Frames first .. first + count - 1, one after another, whose log times share one minute.
struct MinuteBucket {
  std::int32_t first = 0;
  std::int32_t count = 0;
  std::int64_t minute = 0;  // civil seconds / 60
};

// The recording's frames in runs of one minute of log time each; none without log times.
std::vector<MinuteBucket> MinuteBuckets(const LogTimeline& timeline);

// The activity strip lies under the slider and maps frames to columns as the slider maps
// values to its handle's place: `span` + 1 columns, frame 0 at column 0, `lastFrame` at `span`,
// the rest rounded to the nearest column.
int StripColumnOf(std::int32_t frame, std::int32_t lastFrame, int span);
// The frame a click on `column` goes to: the nearest, as the slider takes a click.
std::int32_t StripFrameAt(int column, std::int32_t lastFrame, int span);

// For each of the `span` + 1 columns, the frames of the busiest minute drawn there (0 where no
// frame falls): a minute's bar covers the columns of its first to its last frame.
std::vector<std::int32_t> ColumnPeaks(const std::vector<MinuteBucket>& buckets,
                                      std::int32_t lastFrame, int span);

}  // namespace casebook::review
