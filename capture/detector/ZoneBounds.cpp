#include "capture/detector/ZoneBounds.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "capture/settings/CaptureSettings.h"

namespace watchpost {
namespace {

// Truncates toward zero into 32 bits; values past the range (stored fractions can be anything)
// saturate instead of being undefined, and NaN gives 0.
std::int32_t TruncToInt32(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lo = std::numeric_limits<std::int32_t>::min();
  constexpr double hi = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::clamp(std::trunc(value), lo, hi));
}

std::int32_t SaturateToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

ZoneBounds ComputeZoneBounds(const camera::BitmapInfoHeader& format,
                             const CaptureSettings& settings) {
  ZoneBounds b;
  b.bytesPerPixel = std::max<std::int32_t>(1, format.biBitCount / 8);
  b.rowStride = SaturateToInt32(std::int64_t{format.biWidth} * b.bytesPerPixel);

  const double height = format.biHeight;
  // Rows run bottom-up, so the zone's top edge gives the upper row bound.
  b.rowEnd = TruncToInt32(height - double{settings.ZoneTop} * height);
  b.rowStart = TruncToInt32((height + 1) - double{settings.ZoneBottom} * height);

  const double stride = b.rowStride;
  b.byteStart = TruncToInt32(double{settings.ZoneLeft} * stride + 2.0 * b.bytesPerPixel);
  b.byteStart -= b.byteStart % b.bytesPerPixel;
  b.byteEnd = TruncToInt32(double{settings.ZoneRight} * stride);
  b.byteEnd -= b.byteEnd % b.bytesPerPixel;
  return b;
}

ClampedZone ClampZone(const ZoneBounds& bounds, std::size_t frameBytes) {
  ClampedZone z;
  z.rowStride = static_cast<std::uint32_t>(bounds.rowStride);
  z.rowStart = static_cast<std::uint32_t>(bounds.rowStart);
  z.rowEnd = static_cast<std::uint32_t>(bounds.rowEnd);
  z.byteStart = static_cast<std::uint32_t>(bounds.byteStart);
  z.byteEnd = static_cast<std::uint32_t>(bounds.byteEnd);
  if (z.rowStride == 0 || z.byteStart >= z.byteEnd || z.byteStart >= frameBytes) {
    z.rowEnd = z.rowStart;
    return z;
  }
  // Row j is visited only while its first byte, j * stride + byteStart, lies inside the frame.
  const std::uint64_t rowsInFrame = (frameBytes - z.byteStart + z.rowStride - 1) / z.rowStride;
  z.rowEnd = std::min(z.rowEnd, rowsInFrame);
  z.rowStart = std::min(z.rowStart, z.rowEnd);
  return z;
}

}  // namespace watchpost
