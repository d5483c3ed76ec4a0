#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/video/Dib.h"

namespace avi {

// A video encoder a recording can use. The default, uncompressed DIB, is what a recording gets
// when nobody chose one.
struct Compressor {
  std::string codec;        // FFmpeg encoder name; "rawvideo" for uncompressed DIB
  std::string displayName;  // as the Compression dialog lists it
  bool hasQuality = false;  // takes a quality 1 (smallest) .. 100 (best)
  int quality = 75;
};

Compressor UncompressedDib();
// Uncompressed DIB first, then the encoders that suit AVI and this FFmpeg has: at least Motion
// JPEG, FFV1 and MPEG-4 part 2 where present.
std::vector<Compressor> AvailableCompressors();

// Writes an AVI of one video stream, one frame at a time, so that what was written survives the
// program being killed: headers go out first and every frame reaches the file before
// writeFrame returns. Frames are bottom-up unpadded 24-bit BGR or 32-bit BGRX rows and play
// upright in any player. All memory is allocated at open, none per frame. Failures come back
// as false with the platform's own reason (errno or FFmpeg text) in `error`.
class AviWriter {
 public:
  AviWriter();
  ~AviWriter();  // closes an open file
  AviWriter(const AviWriter&) = delete;
  AviWriter& operator=(const AviWriter&) = delete;

  // Creates (or replaces) `path` for frames of `format` played at 1,000,000 / microSecPerFrame
  // frames per second (250000 gives rate 4, scale 1). reserveBytes of disk are set aside up
  // front; what the recording leaves unused is given back at close. Refused while a recording
  // is open (that one carries on), and before the file is touched when the format, frame time
  // or compressor will not do.
  bool open(const std::string& path, const video::BitmapInfoHeader& format,
            std::uint32_t microSecPerFrame, const Compressor& compressor,
            std::uint64_t reserveBytes, std::string& error);
  // Appends one frame of exactly the open format's size. Once a write has failed, every later
  // frame is refused with the same reason; the frames before it stay readable.
  bool writeFrame(const std::uint8_t* frame, std::size_t bytes, std::string& error);
  // Writes the index and the header counts (OpenDML past 1 GiB) and closes the file. The file is
  // closed whatever happens; false when it could not be finished (after a failed write it is
  // cut back to its last complete frame). Nothing open: nothing to do, true.
  bool close(std::string& error);

  bool isOpen() const;
  std::int64_t framesWritten() const;  // of the open recording

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace avi
