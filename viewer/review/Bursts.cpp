#include "viewer/review/Bursts.h"

#include <algorithm>

#include "platform/base/Text.h"
#include "resources/CasebookTexts.h"

namespace casebook::review {

int NextBurst(const LogTimeline& timeline, std::int32_t shown) {
  const auto& bursts = timeline.bursts();
  const auto after = std::upper_bound(bursts.begin(), bursts.end(), shown,
                                      [](std::int32_t f, const Burst& b) { return f < b.first; });
  return after == bursts.end() ? -1 : static_cast<int>(after - bursts.begin());
}

int PreviousBurst(const LogTimeline& timeline, std::int32_t shown) {
  const auto& bursts = timeline.bursts();
  const auto atOrAfter =
      std::lower_bound(bursts.begin(), bursts.end(), shown,
                       [](const Burst& b, std::int32_t f) { return b.first < f; });
  return static_cast<int>(atOrAfter - bursts.begin()) - 1;
}

std::int64_t BurstSeconds(const Burst& burst) {
  return std::max<std::int64_t>(burst.endSeconds - burst.startSeconds, 0) + 1;
}

std::string DurationText(std::int64_t seconds) {
  seconds = std::max<std::int64_t>(seconds, 0);
  std::string text;
  if (seconds < 60) {
    text = std::to_string(seconds);
    text += " s";
  } else if (seconds < 3600) {
    text = std::to_string(seconds / 60);
    text += " min";
    if (seconds % 60 != 0) {
      text += ' ';
      text += std::to_string(seconds % 60);
      text += " s";
    }
  } else {
    text = std::to_string(seconds / 3600);
    text += " h";
    if (seconds / 60 % 60 != 0) {
      text += ' ';
      text += std::to_string(seconds / 60 % 60);
      text += " min";
    }
  }
  return text;
}

std::string FramesText(std::int32_t frames) {
  return base::FillIn(frames == 1 ? res::text::kOneFrame : res::text::kFrames,
                      {std::to_string(frames)});
}

std::string BurstStatusText(const LogTimeline& timeline, int index) {
  const auto& bursts = timeline.bursts();
  if (index < 0 || index >= static_cast<int>(bursts.size())) return {};
  const Burst& burst = bursts[static_cast<std::size_t>(index)];
  return base::FillIn(res::text::kBurstStatus,
                      {std::to_string(index + 1), std::to_string(bursts.size()),
                       TimeOfDayText(burst.startSeconds), FramesText(burst.count)});
}

std::string BurstRowText(const Burst& burst) {
  std::string text = TimeOfDayText(burst.startSeconds);
  text += '\n';
  text += DurationText(BurstSeconds(burst));
  text += ", ";
  text += FramesText(burst.count);
  return text;
}

}  // namespace casebook::review
