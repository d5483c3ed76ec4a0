#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/camera/CaptureTypes.h"

namespace watchpost {

struct CaptureSettings;

// The trigger zone in frame-buffer terms. Rows count from the first row in memory; the row and
// byte ends are exclusive. The passes read the bounds as unsigned values.
struct ZoneBounds {
  std::int32_t bytesPerPixel = 0;
  std::int32_t rowStride = 0;
  std::int32_t rowStart = 0;
  std::int32_t rowEnd = 0;
  std::int32_t byteStart = 0;
  std::int32_t byteEnd = 0;

  friend bool operator==(const ZoneBounds&, const ZoneBounds&) = default;
};

// Turns the zone fractions into bounds for frames of `format`. Rows are taken as unpadded; the
// left edge is moved two pixels right and both column bounds fall on pixel boundaries. Formats
// below 8 bits per pixel count as one byte per pixel.
ZoneBounds ComputeZoneBounds(const camera::BitmapInfoHeader& format,
                             const CaptureSettings& settings);

// The bounds as they may be used on a frame of `frameBytes` bytes: unsigned, with rows that start
// past the frame dropped. Every visited offset j * rowStride + k (rowStart <= j < rowEnd,
// byteStart <= k < byteEnd) is still checked against the frame size by whoever visits it; a
// zero stride or an empty column range leaves nothing to visit.
struct ClampedZone {
  std::uint64_t rowStride = 0;
  std::uint64_t rowStart = 0;
  std::uint64_t rowEnd = 0;
  std::uint64_t byteStart = 0;
  std::uint64_t byteEnd = 0;

  bool empty() const { return rowStart >= rowEnd || byteStart >= byteEnd; }
  // Row segments ascend and never overlap, so one forward pass can copy and compare at once.
  bool disjointRows() const { return empty() || byteEnd - byteStart <= rowStride; }
};
ClampedZone ClampZone(const ZoneBounds& bounds, std::size_t frameBytes);

}  // namespace watchpost
