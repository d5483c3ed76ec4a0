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
  // The two halves of open(), for a caller that reports them apart: the file and its video
  // stream `wanted` (the best one when -1), then the decoder for that stream. Until the decoder
  // is open there is nothing to decode, and size() and codec() are not to be asked.
  bool openInput(const std::string& path, int wanted, std::string& error);
  bool openDecoder(std::string& error);
  void close();
  bool isOpen() const;

  // Decodes the next picture into picture(), valid until the next call. End once the decoder
  // has given everything the file holds.
  Result decodeNext(std::string& error);
  const AVFrame& picture() const;

  // True for codecs whose every picture stands alone (Motion JPEG): such a stream can be read a
  // packet at a time and only the packets wanted decoded.
  bool intraOnly() const;
  // Reads the stream's next packet without decoding it: Picture when there is one, End at the
  // end of the file. Not to be mixed with decodeNext() between seeks.
  Result readPacket(std::string& error);
  bool packetIsKey() const;  // of the packet readPacket() read
  // Decodes the packet readPacket() read into picture(); End when it gives no picture (damaged,
  // or already decoded).
  Result decodePacket(std::string& error);

  // Goes back to the key frame at or before `timestamp` (in the stream's time base) and empties
  // the decoder, so that decoding starts afresh there. With `anyFrame`, to the indexed frame at
  // or before it whether key frame or not, for a caller that has picked where to start.
  bool seek(std::int64_t timestamp, std::string& error, bool anyFrame = false);

  const std::string& path() const;
  AVFormatContext& input() const;
  const AVStream& stream() const;
  const AVCodecContext& codec() const;
  FrameSize size() const;  // of the decoded pictures
  // "name (long name)" of the stream's codec.
  std::string codecName() const;

 private:
  struct State;
  // The state of a file whose decoder is open; null, with the reason, otherwise.
  State* decoding(std::string& error);
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
  // The same with rows `rowBytes` apart (at least a row's pixels), as DIBs pad them; the
  // padding is left as it was.
  bool convert(const AVFrame& picture, const FrameFormat& format, std::uint8_t* out,
               std::size_t rowBytes, std::string& error);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// "FFmpeg <version>" of the libraries in use.
std::string FfmpegVersionText();

}  // namespace video
