#pragma once

#include <cstdint>
#include <string>

#include "viewer/review/LogTimeline.h"

namespace casebook::review {

// The first burst that starts after the frame on the screen; -1 when there is none.
int NextBurst(const LogTimeline& timeline, std::int32_t shown);
// The last burst that starts before the frame on the screen, so from inside a burst the start of
// that burst comes first; -1 when there is none.
int PreviousBurst(const LogTimeline& timeline, std::int32_t shown);

// The seconds of log time a burst covers, counted in whole seconds: a burst within one second
// lasts 1 s.
std::int64_t BurstSeconds(const Burst& burst);
// "45 s", "3 min 20 s", "2 h 5 min".
std::string DurationText(std::int64_t seconds);
// "42 frames", "1 frame".
std::string FramesText(std::int32_t frames);

// What the status bar says of burst `index`: "Burst 3 of 17, 14:02:11, 42 frames".
std::string BurstStatusText(const LogTimeline& timeline, int index);
// The burst list's row: its start, then "1 min 20 s, 42 frames" on a second line.
std::string BurstRowText(const Burst& burst);

}  // namespace casebook::review
