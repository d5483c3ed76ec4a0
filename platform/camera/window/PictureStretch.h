#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/video/Dib.h"

namespace camera {

// Stretches a bottom-up 24- or 32-bit frame onto a top-down picture of 32-bit 0xFFRRGGBB
// pixels of any size, the way the capture window shows it: each pixel of the picture takes the
// frame's pixel it falls on, with no smoothing. One pass over the picture, none over the
// frame's pixels that are not shown; the column map is made again only when a size changes.
class PictureStretch {
 public:
  void draw(const std::uint8_t* frame, const video::FrameFormat& format, std::uint8_t* picture,
            int width, int height, std::size_t bytesPerLine);

 private:
  std::vector<std::uint32_t> columns_;  // byte offset in a frame row of each picture column
  int frameWidth_ = 0;
  int pixelBytes_ = 0;
  int wordColumns_ = 0;  // the leading columns read as one word each
};

}  // namespace camera
