#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace casebook {

// Why one frame of a recording was taken, from the file of reasons beside it.
struct FrameReason {
  bool present = false;  // the file had a row for the frame
  bool before = false;   // kept from before the hit rather than a hit itself
  std::int64_t changedBytes = 0;
  std::int32_t differential = 0;
  std::int32_t threshold = 0;
  bool wholeFrame = true;  // otherwise the zone, fractions of the picture (top from the top)
  float zoneLeft = 0, zoneRight = 1, zoneTop = 0, zoneBottom = 1;
};

// A row longer than this is no row of ours and is skipped.
inline constexpr std::size_t kMaxReasonRowChars = 512;

// One row of the file: frame number, time, kind, changed bytes, Differential, Threshold, zone,
// interval. False for anything else (the header, a damaged or cut row); `frame` is from 1.
bool ParseReasonRow(std::string_view row, std::int64_t& frame, FrameReason& reason);

// "12,345 bytes changed (Threshold 200, Differential 40)", or "before the hit".
std::string ReasonText(const FrameReason& reason);

// The reasons of one recording, a slot per frame of its video.
class ReasonTable {
 public:
  // Reads `path` for a video of `frameCount` frames. False when there is no such file; rows that
  // do not parse, and rows of frames the video does not have, are skipped.
  bool Load(const std::string& path, std::int32_t frameCount);
  void Clear();
  bool loaded() const { return loaded_; }
  // The reason of frame `index` (from 0); null when the file said nothing of it.
  const FrameReason* At(std::int32_t index) const;
  std::int32_t rowsRead() const { return rowsRead_; }

 private:
  std::vector<FrameReason> reasons_;
  bool loaded_ = false;
  std::int32_t rowsRead_ = 0;
};

}  // namespace casebook
