// Arbitrary bytes into the video format parser. Whatever it accepts must be a frame the capture
// program can hold, and must come back the same through the record it would itself hand out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/video/FrameFormat.h"
#include "tests/support/FrameLimit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  video::FrameFormat format;
  std::string error;
  if (!video::ParseVideoFormat(data, size, testing_support::kMaxFrameBytes, format, error)) {
    if (error.empty()) std::abort();  // a refusal must say why
    return 0;
  }
  if (format.width <= 0 || format.height <= 0) std::abort();
  if (format.bitCount != 24 && format.bitCount != 32) std::abort();
  if (format.bytes() > testing_support::kMaxFrameBytes) std::abort();

  const video::BitmapInfo info = video::ToBitmapInfo(format);
  if (info.bmiHeader.biSizeImage != format.bytes()) std::abort();
  video::FrameFormat again;
  if (!video::ParseVideoFormat(reinterpret_cast<const std::uint8_t*>(&info), sizeof info,
                               testing_support::kMaxFrameBytes, again, error) ||
      !(again == format)) {
    std::abort();
  }
  return 0;
}
