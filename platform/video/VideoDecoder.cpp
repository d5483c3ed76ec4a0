#include "platform/video/VideoDecoder.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/video/Ffmpeg.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace video {
namespace {

// swscale wants the range separately from the long-deprecated full-range "J" formats.
AVPixelFormat PlainFormat(AVPixelFormat format, bool& fullRange) {
  switch (format) {
    case AV_PIX_FMT_YUVJ420P: fullRange = true; return AV_PIX_FMT_YUV420P;
    case AV_PIX_FMT_YUVJ422P: fullRange = true; return AV_PIX_FMT_YUV422P;
    case AV_PIX_FMT_YUVJ444P: fullRange = true; return AV_PIX_FMT_YUV444P;
    case AV_PIX_FMT_YUVJ440P: fullRange = true; return AV_PIX_FMT_YUV440P;
    case AV_PIX_FMT_YUVJ411P: fullRange = true; return AV_PIX_FMT_YUV411P;
    default: return format;
  }
}

}  // namespace

std::string FfmpegVersionText() { return std::string("FFmpeg ") + av_version_info(); }

struct VideoDecoder::State {
  std::string path;
  ffmpeg::InputPtr input;
  ffmpeg::CodecPtr decoder;
  ffmpeg::PacketPtr packet;
  ffmpeg::PacketPtr held;  // read by readPacket(), until decodePacket() takes it
  ffmpeg::FramePtr picture;
  int stream = -1;
  bool draining = false;  // the demuxer is at the end; the decoder gives what it holds

  bool fail(const std::string& what, int code, std::string& error) const {
    error = path + ": " + what + ffmpeg::ErrorText(code);
    return false;
  }
};

VideoDecoder::VideoDecoder() = default;
VideoDecoder::~VideoDecoder() = default;
VideoDecoder::VideoDecoder(VideoDecoder&&) noexcept = default;
VideoDecoder& VideoDecoder::operator=(VideoDecoder&&) noexcept = default;

bool VideoDecoder::open(const std::string& path, std::string& error) {
  // Built aside, so that a failed open leaves an open file as it was.
  VideoDecoder fresh;
  if (!fresh.openInput(path, -1, error) || !fresh.openDecoder(error)) return false;
  *this = std::move(fresh);
  return true;
}

bool VideoDecoder::openInput(const std::string& path, int wanted, std::string& error) {
  auto state = std::make_unique<State>();
  state->path = path;
  AVFormatContext* input = nullptr;
  int result = avformat_open_input(&input, path.c_str(), nullptr, nullptr);
  if (result < 0) return state->fail("", result, error);  // FFmpeg freed `input`
  state->input.reset(input);
  if ((result = avformat_find_stream_info(input, nullptr)) < 0)
    return state->fail("", result, error);

  // Left to choose, FFmpeg passes over streams it has no decoder for; a stream asked for by
  // number is taken as it is, and a missing decoder is openDecoder's to report.
  const AVCodec* codec = nullptr;
  result =
      av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, wanted, -1, wanted < 0 ? &codec : nullptr, 0);
  if (result < 0) return state->fail("no video stream to decode: ", result, error);
  state->stream = result;
  state->packet.reset(av_packet_alloc());
  state->held.reset(av_packet_alloc());
  state->picture.reset(av_frame_alloc());
  if (!state->packet || !state->held || !state->picture)
    return state->fail("", AVERROR(ENOMEM), error);
  state_ = std::move(state);
  return true;
}

bool VideoDecoder::openDecoder(std::string& error) {
  if (!state_) {
    error = "No video file is open.";
    return false;
  }
  State& s = *state_;
  const AVStream& stream = *s.input->streams[s.stream];
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  if (codec == nullptr) {
    return s.fail(
        "no decoder for " + std::string(avcodec_get_name(stream.codecpar->codec_id)) + " video: ",
        AVERROR_DECODER_NOT_FOUND, error);
  }
  ffmpeg::CodecPtr decoder(avcodec_alloc_context3(codec));
  if (!decoder) return s.fail("", AVERROR(ENOMEM), error);
  int result = avcodec_parameters_to_context(decoder.get(), stream.codecpar);
  if (result < 0) return s.fail("", result, error);
  // Frame threading would hold pictures back; one picture at a time needs no more.
  decoder->thread_count = 1;
  if ((result = avcodec_open2(decoder.get(), codec, nullptr)) < 0)
    return s.fail("cannot open the decoder: ", result, error);
  if (decoder->width <= 0 || decoder->height <= 0)
    return s.fail("the video has no picture size: ", AVERROR_INVALIDDATA, error);
  s.decoder = std::move(decoder);
  return true;
}

void VideoDecoder::close() { state_.reset(); }
bool VideoDecoder::isOpen() const { return state_ != nullptr; }

VideoDecoder::State* VideoDecoder::decoding(std::string& error) {
  if (state_ && state_->decoder) return state_.get();
  error = "No video file is open.";
  return nullptr;
}

VideoDecoder::Result VideoDecoder::decodeNext(std::string& error) {
  State* open = decoding(error);
  if (open == nullptr) return Result::Failed;
  State& s = *open;
  av_frame_unref(s.picture.get());
  for (;;) {
    int result = avcodec_receive_frame(s.decoder.get(), s.picture.get());
    if (result == 0) return Result::Picture;
    if (result == AVERROR_EOF) return Result::End;
    // A damaged picture is skipped, as players do.
    if (result == AVERROR_INVALIDDATA) result = AVERROR(EAGAIN);
    if (result != AVERROR(EAGAIN)) {
      s.fail("cannot decode: ", result, error);
      return Result::Failed;
    }
    if (s.draining) return Result::End;  // a decoder that neither gives nor ends

    result = av_read_frame(s.input.get(), s.packet.get());
    if (result == AVERROR_EOF) {
      s.draining = true;
      avcodec_send_packet(s.decoder.get(), nullptr);  // flush: the decoder gives what it holds
      continue;
    }
    if (result < 0) {
      s.fail("cannot read: ", result, error);
      return Result::Failed;
    }
    if (s.packet->stream_index == s.stream)
      result = avcodec_send_packet(s.decoder.get(), s.packet.get());
    av_packet_unref(s.packet.get());
    if (result < 0 && result != AVERROR_INVALIDDATA && result != AVERROR(EAGAIN)) {
      s.fail("cannot decode: ", result, error);
      return Result::Failed;
    }
  }
}

const AVFrame& VideoDecoder::picture() const { return *state_->picture; }

bool VideoDecoder::intraOnly() const {
  if (!state_ || !state_->decoder) return false;
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(state_->decoder->codec_id);
  return descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_INTRA_ONLY) != 0;
}

VideoDecoder::Result VideoDecoder::readPacket(std::string& error) {
  State* open = decoding(error);
  if (open == nullptr) return Result::Failed;
  State& s = *open;
  av_packet_unref(s.held.get());
  for (;;) {
    const int result = av_read_frame(s.input.get(), s.held.get());
    if (result == AVERROR_EOF) return Result::End;
    if (result < 0) {
      s.fail("cannot read: ", result, error);
      return Result::Failed;
    }
    if (s.held->stream_index == s.stream && s.held->size > 0) return Result::Picture;
    av_packet_unref(s.held.get());
  }
}

bool VideoDecoder::packetIsKey() const {
  return state_ && (state_->held->flags & AV_PKT_FLAG_KEY) != 0;
}

VideoDecoder::Result VideoDecoder::decodePacket(std::string& error) {
  State* open = decoding(error);
  if (open == nullptr) return Result::Failed;
  State& s = *open;
  av_frame_unref(s.picture.get());
  if (s.held->size <= 0) return Result::End;
  int result = avcodec_send_packet(s.decoder.get(), s.held.get());
  av_packet_unref(s.held.get());
  if (result >= 0) result = avcodec_receive_frame(s.decoder.get(), s.picture.get());
  if (result == 0) return Result::Picture;
  // A damaged picture is skipped, as players do; so is one the decoder holds back.
  if (result == AVERROR_INVALIDDATA || result == AVERROR(EAGAIN)) return Result::End;
  s.fail("cannot decode: ", result, error);
  return Result::Failed;
}

bool VideoDecoder::seek(std::int64_t timestamp, std::string& error, bool anyFrame) {
  if (!state_) {
    error = "No video file is open.";
    return false;
  }
  State& s = *state_;
  int result = av_seek_frame(s.input.get(), s.stream, timestamp,
                             AVSEEK_FLAG_BACKWARD | (anyFrame ? AVSEEK_FLAG_ANY : 0));
  if (result < 0 && timestamp <= 0)
    result = avformat_seek_file(s.input.get(), -1, INT64_MIN, 0, 0, 0);
  if (result < 0) return s.fail("cannot seek: ", result, error);
  if (s.decoder) avcodec_flush_buffers(s.decoder.get());
  av_frame_unref(s.picture.get());
  av_packet_unref(s.held.get());
  s.draining = false;
  return true;
}

const std::string& VideoDecoder::path() const { return state_->path; }
AVFormatContext& VideoDecoder::input() const { return *state_->input; }
const AVStream& VideoDecoder::stream() const { return *state_->input->streams[state_->stream]; }
const AVCodecContext& VideoDecoder::codec() const { return *state_->decoder; }

FrameSize VideoDecoder::size() const {
  if (!state_ || !state_->decoder) return {};
  return {state_->decoder->width, state_->decoder->height};
}

std::string VideoDecoder::codecName() const {
  if (!state_ || !state_->decoder) return {};
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(state_->decoder->codec_id);
  if (descriptor == nullptr) return avcodec_get_name(state_->decoder->codec_id);
  std::string name = descriptor->name;
  if (descriptor->long_name != nullptr) name += std::string(" (") + descriptor->long_name + ")";
  return name;
}

// swscale writes whole blocks of this many pixels, past the end of a row of any other width.
constexpr int kScalerBlock = 16;

struct FrameConverter::State {
  ffmpeg::ScalerPtr scaler;
  // What the scaler was made for; it is remade only when this changes.
  int fromWidth = 0, fromHeight = 0, fromFormat = -1, fullRange = -1;
  FrameFormat to{};
  // Rows with room for the blocks, top row first, for frames whose rows have none.
  std::vector<std::uint8_t> spill;
};

FrameConverter::FrameConverter() : state_(std::make_unique<State>()) {}
FrameConverter::~FrameConverter() = default;
FrameConverter::FrameConverter(FrameConverter&&) noexcept = default;
FrameConverter& FrameConverter::operator=(FrameConverter&&) noexcept = default;

bool FrameConverter::convert(const AVFrame& picture, const FrameFormat& format, std::uint8_t* out,
                             std::string& error) {
  return convert(picture, format, out,
                 static_cast<std::size_t>(format.width) * (format.bitCount / 8), error);
}

bool FrameConverter::convert(const AVFrame& picture, const FrameFormat& format, std::uint8_t* out,
                             std::size_t rowBytes, std::string& error) {
  State& s = *state_;
  bool full = picture.color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat from = PlainFormat(static_cast<AVPixelFormat>(picture.format), full);
  if (!s.scaler || picture.width != s.fromWidth || picture.height != s.fromHeight ||
      from != s.fromFormat || static_cast<int>(full) != s.fullRange || !(format == s.to)) {
    s.scaler.reset(sws_getCachedContext(s.scaler.release(), picture.width, picture.height, from,
                                        format.width, format.height,
                                        format.bitCount == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24,
                                        SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!s.scaler) {
      const char* name = av_get_pix_fmt_name(from);
      error = std::string("cannot convert ") + (name != nullptr ? name : "this") + " pictures of " +
              std::to_string(picture.width) + " x " + std::to_string(picture.height) + " to RGB";
      return false;
    }
    const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(s.scaler.get(), coefficients, full ? 1 : 0, coefficients, 1, 0,
                             1 << 16, 1 << 16);
    s.fromWidth = picture.width;
    s.fromHeight = picture.height;
    s.fromFormat = from;
    s.fullRange = full ? 1 : 0;
    s.to = format;
  }
  // Bottom-up: start at the last row and step backwards.
  if (rowBytes < static_cast<std::size_t>(format.width) * (format.bitCount / 8) ||
      rowBytes > static_cast<std::size_t>(INT_MAX)) {
    error = "cannot convert to rows of " + std::to_string(rowBytes) + " bytes";
    return false;
  }
  // Written bottom-up, a row's overrun lands on the row above, already written, and the top
  // row's past the end of `out`: rows with no room for it go through the spill rows.
  const std::size_t pixelBytes = format.bitCount / 8;
  const std::size_t lineBytes = static_cast<std::size_t>(format.width) * pixelBytes;
  const std::size_t blockBytes =
      static_cast<std::size_t>((format.width + kScalerBlock - 1) / kScalerBlock) * kScalerBlock *
      pixelBytes;
  const bool spill = rowBytes < blockBytes;
  const std::size_t height = static_cast<std::size_t>(format.height);
  if (spill && s.spill.size() != blockBytes * height) s.spill.assign(blockBytes * height, 0);
  std::uint8_t* rows[4] = {spill ? s.spill.data() : out + (height - 1) * rowBytes};
  int strides[4] = {spill ? static_cast<int>(blockBytes) : -static_cast<int>(rowBytes)};
  if (sws_scale(s.scaler.get(), picture.data, picture.linesize, 0, picture.height, rows, strides) <=
      0) {
    error = "cannot scale the picture: " + ffmpeg::ErrorText(AVERROR(EINVAL));
    return false;
  }
  for (std::size_t y = 0; spill && y < height; ++y) {
    std::memcpy(out + (height - 1 - y) * rowBytes, s.spill.data() + y * blockBytes, lineBytes);
  }
  return true;
}

}  // namespace video
