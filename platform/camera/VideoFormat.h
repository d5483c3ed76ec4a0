#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/camera/CaptureTypes.h"
#include "platform/camera/VideoDriver.h"

namespace camera {

// The largest frame the capture program can examine: what one of its frame stores holds.
inline constexpr std::size_t kMaxFrameBytes = 4'915'200;

// The 44-byte video format record of frames in `format`.
BitmapInfo ToBitmapInfo(const FrameFormat& format);

// Refuses what the capture window cannot deliver: other than 24 or 32 bits, an empty size, or
// a frame larger than kMaxFrameBytes, with a message a person can act on.
bool CheckFrameFormat(const FrameFormat& format, std::string& error);

// Reads a video format record (at least the 40-byte header) as the capture window can deliver
// it: uncompressed, bottom-up, 24 or 32 bits, no larger than kMaxFrameBytes. Anything else is
// refused with a message a person can act on.
bool ParseVideoFormat(const std::uint8_t* bytes, std::size_t size, FrameFormat& format,
                      std::string& error);

}  // namespace camera
