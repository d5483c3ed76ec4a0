#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/video/Dib.h"

namespace avi {

// What an AVI file says of itself in its own headers (the main header and the first stream's
// header), as the file library reports it.
struct AviFileInfo {
  std::uint32_t dwMaxBytesPerSec = 0;
  std::uint32_t dwFlags = 0;
  std::uint32_t dwCaps = 0;
  std::uint32_t dwStreams = 0;
  std::uint32_t dwSuggestedBufferSize = 0;
  std::uint32_t dwWidth = 0;
  std::uint32_t dwHeight = 0;
  std::uint32_t dwScale = 0;  // frames per second = dwRate / dwScale
  std::uint32_t dwRate = 0;
  std::uint32_t dwLength = 0;  // frames
  std::uint32_t dwEditCount = 0;
};

// Reads the frames of an AVI file's first stream by number, as packed bottom-up DIBs (the
// BITMAPINFOHEADER, then 24-bit BGR rows, bottom row first). Opening is done in the steps a
// viewer reports apart: the file, its stream 0, then the frame getter. All memory is taken when
// the frame getter opens; fetching a frame allocates nothing.
class AviReader {
 public:
  // Far above any camera's picture; a header that claims more is taken for damage.
  static constexpr std::size_t kDefaultMaxFrameBytes = std::size_t{256} << 20;

  // Streams whose DIB would take more than maxFrameBytes are refused at the frame getter.
  explicit AviReader(std::size_t maxFrameBytes = kDefaultMaxFrameBytes);
  ~AviReader();
  AviReader(const AviReader&) = delete;
  AviReader& operator=(const AviReader&) = delete;

  // The file: false (with the reason, naming the file) when it cannot be read or is no AVI.
  bool openFile(const std::string& path, std::string& error);
  // Its stream 0, the first video stream: false when it has none, or it is no video stream this
  // reader can take. Its frames are counted here.
  bool openStream(std::string& error);
  // The decoder for stream 0: false when there is none for its codec.
  bool openFrameGetter(std::string& error);

  // Frame `index` (from 0) as a packed DIB, valid until the next call or close; null with the
  // reason when it cannot be had (outside 0 .. streamLength() - 1, or undecodable).
  const video::BitmapInfoHeader* getFrame(std::int32_t index, std::string& error);

  // Frames in stream 0, once it is open: those whose data is wholly in the file, so for a file
  // cut short with no index the complete frames found (the header may say otherwise).
  std::int32_t streamLength() const;
  const AviFileInfo& fileInfo() const;

  // Closes everything; the reader can open another file afterwards.
  void close();
  bool isOpen() const;

 private:
  struct State;
  std::size_t maxFrameBytes_;
  std::unique_ptr<State> state_;
};

}  // namespace avi
