#include "platform/camera/window/PictureStretch.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little,
              "pixels are loaded as little-endian words");

namespace camera {

void PictureStretch::draw(const std::uint8_t* frame, const video::FrameFormat& format,
                          std::uint8_t* picture, int width, int height, std::size_t bytesPerLine) {
  const int pixelBytes = format.bitCount / 8;
  if (frame == nullptr || width <= 0 || height <= 0 || format.width <= 0 || format.height <= 0 ||
      (pixelBytes != 3 && pixelBytes != 4))
    return;
  if (columns_.size() != static_cast<std::size_t>(width) || frameWidth_ != format.width ||
      pixelBytes_ != pixelBytes) {
    columns_.resize(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x) {
      const auto column = static_cast<std::uint32_t>(std::int64_t{x} * format.width / width);
      columns_[static_cast<std::size_t>(x)] = column * static_cast<std::uint32_t>(pixelBytes);
    }
    frameWidth_ = format.width;
    pixelBytes_ = pixelBytes;
    // The columns whose pixel can be loaded as a word without reading past its row.
    const std::size_t line = static_cast<std::size_t>(format.width) * pixelBytes;
    wordColumns_ = 0;
    while (wordColumns_ < width && columns_[static_cast<std::size_t>(wordColumns_)] + 4 <= line)
      ++wordColumns_;
  }
  const std::size_t frameLine = static_cast<std::size_t>(format.width) * pixelBytes;
  for (int y = 0; y < height; ++y) {
    // The frame's last row in memory is the picture's top row.
    const auto row = static_cast<std::size_t>(std::int64_t{y} * format.height / height);
    const std::uint8_t* source = frame + (format.height - 1 - row) * frameLine;
    auto* target =
        reinterpret_cast<std::uint32_t*>(picture + static_cast<std::size_t>(y) * bytesPerLine);
    // One 4-byte load a pixel: B, G, R and a byte the alpha covers. The last columns read
    // their three bytes alone, since a fourth may lie past the frame's end.
    int x = 0;
    for (; x < wordColumns_; ++x) {
      std::uint32_t bgr;
      std::memcpy(&bgr, source + columns_[static_cast<std::size_t>(x)], sizeof bgr);
      target[x] = 0xFF000000u | bgr;
    }
    for (; x < width; ++x) {
      const std::uint8_t* pixel = source + columns_[static_cast<std::size_t>(x)];
      target[x] =
          0xFF000000u | std::uint32_t{pixel[2]} << 16 | std::uint32_t{pixel[1]} << 8 | pixel[0];
    }
  }
}

}  // namespace camera
