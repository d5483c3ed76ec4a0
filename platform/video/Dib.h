#pragma once

#include <cstddef>
#include <cstdint>

// Device-independent bitmap records and the frame shapes built on them: what the capture window
// delivers, the AVI writer takes and the AVI reader gives back. Laid out byte for byte as the
// published records, so that a size argument (40, 44) means what it says.
namespace video {

struct BitmapInfoHeader {
  std::uint32_t biSize = sizeof(BitmapInfoHeader);
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;  // positive: bottom-up rows
  std::uint16_t biPlanes = 1;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;  // 0: uncompressed RGB
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

struct RgbQuad {
  std::uint8_t rgbBlue = 0;
  std::uint8_t rgbGreen = 0;
  std::uint8_t rgbRed = 0;
  std::uint8_t rgbReserved = 0;
};

// A header and one colour entry: the 44-byte video format record.
struct BitmapInfo {
  BitmapInfoHeader bmiHeader;
  RgbQuad bmiColors[1];
};
inline constexpr std::uint32_t kVideoFormatBytes = 44;
static_assert(sizeof(BitmapInfo) == kVideoFormatBytes);

// Frames as they travel: bottom-up rows of 24-bit BGR or 32-bit BGRX pixels, without row
// padding.
struct FrameFormat {
  int width = 0;
  int height = 0;
  int bitCount = 24;  // 24 or 32

  std::size_t bytes() const {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
           static_cast<std::size_t>(bitCount / 8);
  }
  friend bool operator==(const FrameFormat&, const FrameFormat&) = default;
};

struct FrameSize {
  int width = 0;
  int height = 0;
  friend bool operator==(const FrameSize&, const FrameSize&) = default;
};

}  // namespace video
