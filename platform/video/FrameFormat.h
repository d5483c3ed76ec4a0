#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/video/Dib.h"

namespace video {

// The 44-byte video format record of frames in `format`.
BitmapInfo ToBitmapInfo(const FrameFormat& format);

// Refuses frames other than 24 or 32 bits, of an empty size, or larger than `maxFrameBytes`
// (what the program can hold), with a message a person can act on.
bool CheckFrameFormat(const FrameFormat& format, std::size_t maxFrameBytes, std::string& error);

// Reads a video format record (at least the 40-byte header) of frames as they travel:
// uncompressed, bottom-up, 24 or 32 bits, no larger than `maxFrameBytes`. Anything else is
// refused with a message a person can act on.
bool ParseVideoFormat(const std::uint8_t* bytes, std::size_t size, std::size_t maxFrameBytes,
                      FrameFormat& format, std::string& error);

}  // namespace video
