#include "platform/video/FrameFormat.h"

#include <cstring>

namespace video {

BitmapInfo ToBitmapInfo(const FrameFormat& format) {
  BitmapInfo info{};
  info.bmiHeader.biWidth = format.width;
  info.bmiHeader.biHeight = format.height;
  info.bmiHeader.biBitCount = static_cast<std::uint16_t>(format.bitCount);
  info.bmiHeader.biSizeImage = static_cast<std::uint32_t>(format.bytes());
  return info;
}

bool CheckFrameFormat(const FrameFormat& format, std::size_t maxFrameBytes, std::string& error) {
  if (format.bitCount != 24 && format.bitCount != 32) {
    error = "Frames of " + std::to_string(format.bitCount) +
            " bits per pixel are not supported; choose 24 or 32 bits.";
    return false;
  }
  if (format.width <= 0 || format.height <= 0) {
    error = "The frame size " + std::to_string(format.width) + " x " +
            std::to_string(format.height) + " is empty.";
    return false;
  }
  // Width and height are each below 2^31, so the product fits 64 bits.
  if (static_cast<std::uint64_t>(format.width) * static_cast<std::uint64_t>(format.height) *
          static_cast<std::uint64_t>(format.bitCount / 8) >
      maxFrameBytes) {
    error = "A frame of " + std::to_string(format.width) + " x " + std::to_string(format.height) +
            " at " + std::to_string(format.bitCount) +
            " bits is larger than the largest frame this program can take (" +
            std::to_string(maxFrameBytes) + " bytes); choose a smaller size or fewer bits.";
    return false;
  }
  return true;
}

bool ParseVideoFormat(const std::uint8_t* bytes, std::size_t size, std::size_t maxFrameBytes,
                      FrameFormat& format, std::string& error) {
  BitmapInfoHeader header;
  if (bytes == nullptr || size < sizeof header) {
    error = "The video format record is too short (" + std::to_string(size) + " bytes).";
    return false;
  }
  std::memcpy(&header, bytes, sizeof header);
  if (header.biSize < sizeof header || header.biSize > size) {
    error = "The video format record has an invalid size field.";
    return false;
  }
  if (header.biCompression != 0) {
    error = "Only uncompressed RGB frames can be captured.";
    return false;
  }
  if (header.biHeight < 0) {
    error = "Top-down frames (negative height) are not supported; frames must be bottom-up.";
    return false;
  }
  const FrameFormat parsed{header.biWidth, header.biHeight, header.biBitCount};
  if (!CheckFrameFormat(parsed, maxFrameBytes, error)) return false;
  format = parsed;
  return true;
}

}  // namespace video
