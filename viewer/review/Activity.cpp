#include "viewer/review/Activity.h"

#include <algorithm>

namespace casebook::review {

std::vector<MinuteBucket> MinuteBuckets(const LogTimeline& timeline) {
  std::vector<MinuteBucket> buckets;
  if (!timeline.hasTimes()) return buckets;
  for (std::int32_t k = 0; k < timeline.frameCount(); ++k) {
    // Floor division: a clock before 1970 stays in its own minute.
    const std::int64_t seconds = timeline.secondsOf(k);
    const std::int64_t minute = (seconds >= 0 ? seconds : seconds - 59) / 60;
    if (buckets.empty() || buckets.back().minute != minute) buckets.push_back({k, 0, minute});
    ++buckets.back().count;
  }
  return buckets;
}

int StripColumnOf(std::int32_t frame, std::int32_t lastFrame, int span) {
  if (span <= 0 || lastFrame <= 0 || frame <= 0) return 0;
  if (frame >= lastFrame) return span;
  // Rounded to the nearest, as the style places the slider's handle.
  return static_cast<int>((2 * std::int64_t{frame} * span + lastFrame) /
                          (2 * std::int64_t{lastFrame}));
}

std::int32_t StripFrameAt(int column, std::int32_t lastFrame, int span) {
  if (span <= 0 || lastFrame <= 0 || column <= 0) return 0;
  if (column >= span) return lastFrame;
  return static_cast<std::int32_t>((2 * std::int64_t{column} * lastFrame + span) /
                                   (2 * std::int64_t{span}));
}

std::vector<std::int32_t> ColumnPeaks(const std::vector<MinuteBucket>& buckets,
                                      std::int32_t lastFrame, int span) {
  std::vector<std::int32_t> peaks(static_cast<std::size_t>(std::max(span, 0)) + 1, 0);
  for (const MinuteBucket& bucket : buckets) {
    if (bucket.count <= 0) continue;
    const int from = StripColumnOf(bucket.first, lastFrame, span);
    const int to = StripColumnOf(bucket.first + bucket.count - 1, lastFrame, span);
    for (int c = from; c <= to; ++c) {
      auto& peak = peaks[static_cast<std::size_t>(c)];
      peak = std::max(peak, bucket.count);
    }
  }
  return peaks;
}

}  // namespace casebook::review
