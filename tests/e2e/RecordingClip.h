#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/avi/AviWriter.h"
#include "platform/video/FrameFormat.h"

namespace testing_support {

// A clip where something moves in every frame: a bright band a sixteenth of the picture wide
// crossing a dull picture, 10 frames a second, so that a recording of it has a hit at every
// other sample.
inline std::string MakeMovingClip(const std::string& path, int frames = 20,
                                  const video::FrameFormat& format = {64, 48, 24}) {
  std::vector<std::uint8_t> frame(format.bytes());
  avi::AviWriter writer;
  std::string error;
  const video::BitmapInfo info = video::ToBitmapInfo(format);
  if (!writer.open(path, info.bmiHeader, 100000, avi::UncompressedDib(), 0, error)) return error;
  for (int i = 0; i < frames; ++i) {
    for (int y = 0; y < format.height; ++y) {
      for (int x = 0; x < format.width; ++x) {
        const bool band = (x * 16 / format.width) == (i % 16);
        std::uint8_t* pixel = &frame[(static_cast<std::size_t>(y) * format.width + x) * 3];
        pixel[0] = pixel[1] = pixel[2] = band ? 250 : 60;
      }
    }
    if (!writer.writeFrame(frame.data(), frame.size(), error)) return error;
  }
  writer.close(error);
  return error;
}

}  // namespace testing_support
