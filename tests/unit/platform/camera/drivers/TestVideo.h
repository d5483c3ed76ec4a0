#pragma once
// Small video files made on the spot for the file-replay tests: every picture has a red top
// half, to tell upright from upside down, and a grey bottom half whose level names the frame.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/VideoFileReader.h"
#include "platform/video/Ffmpeg.h"

namespace camera::videotest {

inline int GreyOfFrame(int frame) { return 20 + 20 * frame; }  // frames 0..10

struct TestVideo {
  int frames = 10;
  int framesPerSecond = 10;
  int width = 64;
  int height = 48;
  const char* codec = "ffv1";
};

// Writes `video` to `path` as an AVI; false with FFmpeg's reason.
inline bool WriteTestVideo(const std::string& path, const TestVideo& video, std::string& error) {
  const auto fail = [&error](const char* what, int code) {
    error = std::string(what) + ": " + ffmpeg::ErrorText(code);
    return false;
  };
  AVFormatContext* rawOutput = nullptr;
  int result = avformat_alloc_output_context2(&rawOutput, nullptr, "avi", path.c_str());
  if (result < 0) return fail("output", result);
  const auto closeOutput = [](AVFormatContext* output) {
    if (output->pb != nullptr) avio_closep(&output->pb);
    avformat_free_context(output);
  };
  std::unique_ptr<AVFormatContext, decltype(closeOutput)> output(rawOutput, closeOutput);

  const AVCodec* codec = avcodec_find_encoder_by_name(video.codec);
  if (codec == nullptr) return fail(video.codec, AVERROR_ENCODER_NOT_FOUND);
  ffmpeg::CodecPtr encoder(avcodec_alloc_context3(codec));
  ffmpeg::FramePtr picture(av_frame_alloc());
  ffmpeg::PacketPtr packet(av_packet_alloc());
  AVStream* stream = avformat_new_stream(output.get(), nullptr);
  if (!encoder || !picture || !packet || stream == nullptr) return fail("alloc", AVERROR(ENOMEM));

  const bool jpeg = std::string(video.codec) == "mjpeg";
  encoder->width = video.width;
  encoder->height = video.height;
  encoder->time_base = {1, video.framesPerSecond};
  encoder->framerate = {video.framesPerSecond, 1};
  encoder->pix_fmt = jpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
  if (output->oformat->flags & AVFMT_GLOBALHEADER) encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if ((result = avcodec_open2(encoder.get(), codec, nullptr)) < 0) return fail("encoder", result);
  if ((result = avcodec_parameters_from_context(stream->codecpar, encoder.get())) < 0)
    return fail("parameters", result);
  stream->time_base = encoder->time_base;
  if ((result = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
    return fail("open", result);
  if ((result = avformat_write_header(output.get(), nullptr)) < 0) return fail("header", result);

  picture->width = video.width;
  picture->height = video.height;
  picture->format = encoder->pix_fmt;
  if ((result = av_frame_get_buffer(picture.get(), 0)) < 0) return fail("frame", result);
  ffmpeg::ScalerPtr toYuv(sws_getContext(video.width, video.height, AV_PIX_FMT_RGB24, video.width,
                                         video.height, encoder->pix_fmt, SWS_POINT, nullptr,
                                         nullptr, nullptr));
  if (!toYuv) return fail("scaler", AVERROR(EINVAL));

  const auto drain = [&]() {
    while ((result = avcodec_receive_packet(encoder.get(), packet.get())) == 0) {
      av_packet_rescale_ts(packet.get(), encoder->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if ((result = av_interleaved_write_frame(output.get(), packet.get())) < 0) return false;
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF;
  };
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(video.width) * video.height * 3);
  for (int frame = 0; frame < video.frames; ++frame) {
    for (std::size_t i = 0; i < rgb.size(); ++i) {
      const bool top = i < rgb.size() / 2, red = i % 3 == 0;
      rgb[i] = static_cast<std::uint8_t>(top ? (red ? 255 : 0) : GreyOfFrame(frame));
    }
    if ((result = av_frame_make_writable(picture.get())) < 0) return fail("writable", result);
    const std::uint8_t* rows[4] = {rgb.data(), nullptr, nullptr, nullptr};
    const int strides[4] = {video.width * 3, 0, 0, 0};
    sws_scale(toYuv.get(), rows, strides, 0, video.height, picture->data, picture->linesize);
    picture->pts = frame;
    if ((result = avcodec_send_frame(encoder.get(), picture.get())) < 0)
      return fail("encode", result);
    if (!drain()) return fail("write", result);
  }
  if ((result = avcodec_send_frame(encoder.get(), nullptr)) < 0) return fail("flush", result);
  if (!drain()) return fail("write", result);
  if ((result = av_write_trailer(output.get())) < 0) return fail("trailer", result);
  return true;
}

// A private folder for the files of one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/corvane-drivers-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  bool ok() const { return !path_.empty(); }

 private:
  std::string path_;
};

struct Bgr {
  int b = 0, g = 0, r = 0;
};

// The pixel at column x, row y counted from the top of the picture, of a bottom-up frame.
inline Bgr PixelAt(const std::vector<std::uint8_t>& frame, const FrameFormat& format, int x,
                   int y) {
  const std::size_t pixelBytes = static_cast<std::size_t>(format.bitCount / 8);
  const std::size_t row = static_cast<std::size_t>(format.height - 1 - y);
  const std::uint8_t* pixel = &frame[(row * format.width + x) * pixelBytes];
  return {pixel[0], pixel[1], pixel[2]};
}

inline bool IsRed(const Bgr& pixel) { return pixel.r > 200 && pixel.g < 60 && pixel.b < 60; }

// Which frame of a test video this is, from its grey half; -1 when it is no such frame.
inline int FrameOfPicture(const std::vector<std::uint8_t>& frame, const FrameFormat& format) {
  if (!IsRed(PixelAt(frame, format, format.width / 2, format.height / 4))) return -1;
  const Bgr grey = PixelAt(frame, format, format.width / 2, format.height * 3 / 4);
  if (std::abs(grey.r - grey.g) > 8 || std::abs(grey.g - grey.b) > 8) return -1;
  const int number = (grey.g - GreyOfFrame(0) + 10) / 20;
  return std::abs(grey.g - GreyOfFrame(number)) <= 8 ? number : -1;
}

// Takes the newest frame as the capture window does, exchanging a buffer of its own for it, and
// copies it into `frame` for the checks.
inline FrameResult LatestInto(VideoDriver& driver, std::vector<std::uint8_t>& frame,
                              std::uint64_t& sequence, FrameFormat& format, std::string& error) {
  static FrameBuffer taken;
  const FrameResult result = driver.latestFrame(taken, sequence, format, error);
  if (result == FrameResult::NewFrame) frame.assign(taken.data(), taken.data() + taken.size);
  return result;
}

// Polls the driver until it has a frame newer than `sequence` or fails, for at most `seconds`.
inline FrameResult AwaitFrame(VideoDriver& driver, std::vector<std::uint8_t>& frame,
                              std::uint64_t& sequence, FrameFormat& format, std::string& error,
                              double seconds = 5.0) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    const FrameResult result = LatestInto(driver, frame, sequence, format, error);
    if (result != FrameResult::NoNewFrame || std::chrono::steady_clock::now() > deadline)
      return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace camera::videotest
