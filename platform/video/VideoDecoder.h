#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/video/Dib.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVStream;

namespace video {

// The one demux/decode loop: opens a file's best video stream and decodes its pictures in
// order. File replay plays them as a camera; the AVI reader fetches frames by number. All
// memory is allocated at open; a damaged packet is skipped, as players do.
class VideoDecoder {
 public:
  enum class Result { Picture, End, Failed };

  VideoDecoder();
  ~VideoDecoder();
  VideoDecoder(VideoDecoder&&) noexcept;
  VideoDecoder& operator=(VideoDecoder&&) noexcept;

  // Failures name the file and give FFmpeg's reason.
  bool open(const std::string& path, std::string& error);
  void close();
  bool isOpen() const;

  // Decodes the next picture into picture(), valid until the next call. End once the decoder
  // has given everything the file holds.
  Result decodeNext(std::string& error);
  const AVFrame& picture() const;

  // Goes back to the key frame at or before `timestamp` (in the stream's time base) and empties
  // the decoder, so that decoding starts afresh there.
  bool seek(std::int64_t timestamp, std::string& error);

  const std::string& path() const;
  AVFormatContext& input() const;
  const AVStream& stream() const;
  const AVCodecContext& codec() const;
  FrameSize size() const;  // of the decoded pictures
  // "name (long name)" of the stream's codec.
  std::string codecName() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Converts decoded pictures into frames as they travel (bottom-up BGR or BGRX rows), scaled to
// the frame's size. The conversion is made again only when the picture or frame shape changes.
class FrameConverter {
 public:
  FrameConverter();
  ~FrameConverter();
  FrameConverter(FrameConverter&&) noexcept;
  FrameConverter& operator=(FrameConverter&&) noexcept;

  // Writes format.bytes() bytes to `out`.
  bool convert(const AVFrame& picture, const FrameFormat& format, std::uint8_t* out,
               std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// "FFmpeg <version>" of the libraries in use.
std::string FfmpegVersionText();

}  // namespace video
