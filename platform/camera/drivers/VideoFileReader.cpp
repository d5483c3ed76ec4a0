#include "platform/camera/drivers/VideoFileReader.h"

#include "platform/avi/FfmpegHandles.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace camera {
namespace {


// What tells a file replaced or rewritten under the same name from the one we opened.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};
  bool operator==(const FileIdentity& other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

bool Identify(const std::string& path, FileIdentity& identity, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = path + ": " + ErrnoText(errno);
    return false;
  }
  identity = {info.st_dev, info.st_ino, info.st_size, info.st_mtim};
  return true;
}

double RateOf(const AVStream& stream) {
  for (const AVRational rate : {stream.avg_frame_rate, stream.r_frame_rate}) {
    // Containers sometimes carry a time base here (90000/1); no camera runs that fast.
    if (rate.num > 0 && rate.den > 0) return std::clamp(av_q2d(rate), 1.0, 120.0);
  }
  return 25.0;
}

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

struct VideoFileReader::State {
  std::string path;
  FileIdentity identity;
  ffmpeg::InputPtr input;
  ffmpeg::CodecPtr decoder;
  ffmpeg::PacketPtr packet;
  ffmpeg::FramePtr picture;
  ffmpeg::ScalerPtr scaler;
  // What the scaler was made for; it is remade only when this changes.
  int fromWidth = 0, fromHeight = 0, fromFormat = -1, fullRange = -1;
  FrameFormat to{};
  int stream = -1;
  double rate = 25.0;
  bool draining = false;        // the demuxer is at the end; the decoder gives what it holds
  bool pictureThisPass = false;  // a whole pass without one means nothing decodes

  bool fail(const std::string& what, int code, std::string& error) const {
    error = path + ": " + what + ffmpeg::ErrorText(code);
    return false;
  }
  bool rewind(std::string& error);
  bool scale(const FrameFormat& format, std::uint8_t* out, std::string& error);
};

VideoFileReader::VideoFileReader() = default;
VideoFileReader::~VideoFileReader() = default;
VideoFileReader::VideoFileReader(VideoFileReader&&) noexcept = default;
VideoFileReader& VideoFileReader::operator=(VideoFileReader&&) noexcept = default;

bool VideoFileReader::open(const std::string& path, std::string& error) {
  auto state = std::make_unique<State>();
  state->path = path;
  if (!Identify(path, state->identity, error)) return false;

  AVFormatContext* input = nullptr;
  int result = avformat_open_input(&input, path.c_str(), nullptr, nullptr);
  if (result < 0) return state->fail("", result, error);  // FFmpeg freed `input`
  state->input.reset(input);
  if ((result = avformat_find_stream_info(input, nullptr)) < 0)
    return state->fail("", result, error);

  const AVCodec* codec = nullptr;
  result = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (result < 0) return state->fail("no video stream to decode: ", result, error);
  state->stream = result;
  const AVStream& stream = *input->streams[result];
  state->rate = RateOf(stream);

  state->decoder.reset(avcodec_alloc_context3(codec));
  state->packet.reset(av_packet_alloc());
  state->picture.reset(av_frame_alloc());
  if (!state->decoder || !state->packet || !state->picture)
    return state->fail("", AVERROR(ENOMEM), error);
  if ((result = avcodec_parameters_to_context(state->decoder.get(), stream.codecpar)) < 0)
    return state->fail("", result, error);
  // Frame threading would hold pictures back; one file at camera rates needs no more.
  state->decoder->thread_count = 1;
  if ((result = avcodec_open2(state->decoder.get(), codec, nullptr)) < 0)
    return state->fail("cannot open the decoder: ", result, error);
  if (state->decoder->width <= 0 || state->decoder->height <= 0)
    return state->fail("the video has no picture size: ", AVERROR_INVALIDDATA, error);

  state_ = std::move(state);
  return true;
}

void VideoFileReader::close() { state_.reset(); }
bool VideoFileReader::isOpen() const { return state_ != nullptr; }

FrameSize VideoFileReader::size() const {
  if (!state_) return {};
  return {state_->decoder->width, state_->decoder->height};
}

double VideoFileReader::framesPerSecond() const { return state_ ? state_->rate : 25.0; }

std::string VideoFileReader::codecName() const {
  if (!state_) return {};
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(state_->decoder->codec_id);
  if (descriptor == nullptr) return avcodec_get_name(state_->decoder->codec_id);
  std::string name = descriptor->name;
  if (descriptor->long_name != nullptr) name += std::string(" (") + descriptor->long_name + ")";
  return name;
}

bool VideoFileReader::State::rewind(std::string& error) {
  if (!pictureThisPass) return fail("holds no picture that decodes: ", AVERROR_INVALIDDATA, error);
  const AVStream& video = *input->streams[stream];
  const std::int64_t start = video.start_time != AV_NOPTS_VALUE ? video.start_time : 0;
  int result = av_seek_frame(input.get(), stream, start, AVSEEK_FLAG_BACKWARD);
  if (result < 0) result = avformat_seek_file(input.get(), -1, INT64_MIN, 0, 0, 0);
  if (result < 0) return fail("cannot go back to the start: ", result, error);
  avcodec_flush_buffers(decoder.get());
  draining = false;
  pictureThisPass = false;
  return true;
}

bool VideoFileReader::State::scale(const FrameFormat& format, std::uint8_t* out,
                                   std::string& error) {
  bool full = picture->color_range == AVCOL_RANGE_JPEG;
  const AVPixelFormat from = PlainFormat(static_cast<AVPixelFormat>(picture->format), full);
  if (!scaler || picture->width != fromWidth || picture->height != fromHeight ||
      from != fromFormat || static_cast<int>(full) != fullRange || !(format == to)) {
    scaler.reset(sws_getCachedContext(
        scaler.release(), picture->width, picture->height, from, format.width, format.height,
        format.bitCount == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24, SWS_BILINEAR, nullptr,
        nullptr, nullptr));
    if (!scaler) {
      const char* name = av_get_pix_fmt_name(from);
      error = path + ": cannot convert " + (name != nullptr ? name : "this") +
              " pictures of " + std::to_string(picture->width) + " x " +
              std::to_string(picture->height) + " to RGB";
      return false;
    }
    const int* coefficients = sws_getCoefficients(SWS_CS_DEFAULT);
    sws_setColorspaceDetails(scaler.get(), coefficients, full ? 1 : 0, coefficients, 1, 0,
                             1 << 16, 1 << 16);
    fromWidth = picture->width;
    fromHeight = picture->height;
    fromFormat = from;
    fullRange = full ? 1 : 0;
    to = format;
  }
  // Bottom-up: start at the last row and step backwards.
  const int stride = format.width * (format.bitCount / 8);
  std::uint8_t* rows[4] = {out + static_cast<std::size_t>(format.height - 1) * stride};
  int strides[4] = {-stride};
  if (sws_scale(scaler.get(), picture->data, picture->linesize, 0, picture->height, rows,
                strides) <= 0)
    return fail("cannot scale the picture: ", AVERROR(EINVAL), error);
  return true;
}

bool VideoFileReader::readFrame(const FrameFormat& format, std::uint8_t* out,
                                std::string& error) {
  if (!state_) {
    error = "No video file is open.";
    return false;
  }
  // A stat per picture is nothing next to decoding it, and notices a deleted or changed file
  // at once instead of at the end of a long video.
  FileIdentity now;
  if (!Identify(state_->path, now, error)) return false;
  if (!(now == state_->identity)) {
    VideoFileReader fresh;
    if (!fresh.open(state_->path, error)) return false;
    *this = std::move(fresh);
  }
  State& s = *state_;
  for (;;) {
    int result = avcodec_receive_frame(s.decoder.get(), s.picture.get());
    if (result == 0) {
      s.pictureThisPass = true;
      const bool scaled = s.scale(format, out, error);
      av_frame_unref(s.picture.get());
      return scaled;
    }
    if (result == AVERROR_EOF) {
      if (!s.rewind(error)) return false;
      continue;
    }
    // A damaged picture is skipped, as players do; a file of nothing but is caught by rewind().
    if (result == AVERROR_INVALIDDATA) result = AVERROR(EAGAIN);
    if (result != AVERROR(EAGAIN)) return s.fail("cannot decode: ", result, error);
    if (s.draining) {  // a decoder that neither gives nor ends: treat as the end
      if (!s.rewind(error)) return false;
      continue;
    }

    result = av_read_frame(s.input.get(), s.packet.get());
    if (result == AVERROR_EOF) {
      s.draining = true;
      avcodec_send_packet(s.decoder.get(), nullptr);  // flush: the decoder gives what it holds
      continue;
    }
    if (result < 0) return s.fail("cannot read: ", result, error);
    if (s.packet->stream_index == s.stream) result = avcodec_send_packet(s.decoder.get(), s.packet.get());
    av_packet_unref(s.packet.get());
    if (result < 0 && result != AVERROR_INVALIDDATA && result != AVERROR(EAGAIN))
      return s.fail("cannot decode: ", result, error);
  }
}

void PlayVideoFile(VideoFileReader& reader, const FrameFormat& format, FrameHandover& handover,
                   WorkerThread& thread) {
  using Clock = std::chrono::steady_clock;
  std::string error;
  try {
    auto due = Clock::now();
    while (!thread.stopRequested()) {
      if (!reader.readFrame(format, handover.beginFrame(format.bytes()), error)) {
        handover.fail(error);
        return;
      }
      if (!thread.sleepUntil(due)) return;
      handover.publish(format);
      const auto period = std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(1.0 / reader.framesPerSecond()));
      due += period;
      // Far behind (a slow machine, a heavy file): let the lost time go rather than rush.
      if (Clock::now() - due > 4 * period) due = Clock::now();
    }
  } catch (const std::exception& e) {
    handover.fail(std::string("The video file stopped: ") + e.what());
  }
}

}  // namespace camera
