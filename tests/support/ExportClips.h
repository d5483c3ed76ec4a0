// Recordings for the clip export, and the frames of an exported file decoded back to RGB, so
// that a test can compare what was burned in with the frame it came from.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/avi/AviWriter.h"
#include "platform/video/Ffmpeg.h"
#include "platform/video/FrameFormat.h"

namespace testing_support {

inline constexpr std::uint32_t kExportFirstCapture = 983'360'000;  // a Sunday in 2001

// Grey value of pixel (x, y) of frame k, counted top-down: a soft slope that a lossy codec
// keeps, a step brighter every frame.
inline std::uint8_t ClipPixel(int k, int x, int y) {
  return static_cast<std::uint8_t>(60 + (k * 9) % 90 + (x + y) % 64);
}

// NAME.avi of `frames` frames of width x height, 1,000,000 / usPerFrame frames a second, and,
// when `logSeconds` is not empty, NAME.log with frame k taken `logSeconds[k]` seconds after the
// first capture (as many frame lines as it has entries).
inline void MakeClipRecording(const std::filesystem::path& stem, int frames, int width, int height,
                              std::uint32_t usPerFrame,
                              const std::vector<std::uint32_t>& logSeconds) {
  avi::AviWriter writer;
  std::string error;
  const video::BitmapInfo info = video::ToBitmapInfo({width, height, 24});
  ASSERT_TRUE(writer.open(stem.string() + ".avi", info.bmiHeader, usPerFrame,
                          avi::UncompressedDib(), 0, error))
      << error;
  const int rowBytes = (width * 3 + 3) & ~3;
  std::vector<std::uint8_t> frame(static_cast<std::size_t>(rowBytes) * height);
  for (int k = 0; k < frames; ++k) {
    for (int y = 0; y < height; ++y) {
      // DIB rows are bottom-up.
      std::uint8_t* row = &frame[static_cast<std::size_t>(height - 1 - y) * rowBytes];
      for (int x = 0; x < width; ++x)
        row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = ClipPixel(k, x, y);
    }
    ASSERT_TRUE(writer.writeFrame(frame.data(), frame.size(), error)) << error;
  }
  ASSERT_TRUE(writer.close(error)) << error;
  if (logSeconds.empty()) return;
  std::vector<std::uint32_t> times;
  for (const std::uint32_t s : logSeconds) times.push_back(kExportFirstCapture + s);
  std::ofstream(stem.string() + ".log", std::ios::binary) << watchpost::EventLogText(
      times.data(), static_cast<std::int32_t>(times.size()), watchpost::CaptureSettings{});
}

// Every frame of the first video stream of `path`, as top-down RGB24.
struct DecodedFrames {
  int width = 0, height = 0;
  std::vector<std::vector<std::uint8_t>> rgb;
  // Mean of |a - b| over the pixels of rectangle (x0, y0) - (x1, y1), excluded, of frame k
  // against a grey picture given per pixel.
  template <class Grey>
  double MeanDifference(std::size_t k, int x0, int y0, int x1, int y1, Grey grey) const {
    double sum = 0;
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const std::uint8_t* p = &rgb[k][(static_cast<std::size_t>(y) * width + x) * 3];
        const int g = grey(x, y);
        sum += std::abs(p[0] - g) + std::abs(p[1] - g) + std::abs(p[2] - g);
        n += 3;
      }
    }
    return n == 0 ? 0 : sum / n;
  }
};

inline DecodedFrames DecodeFrames(const std::string& path) {
  DecodedFrames out;
  AVFormatContext* opened = nullptr;
  if (avformat_open_input(&opened, path.c_str(), nullptr, nullptr) < 0) {
    ADD_FAILURE() << "cannot open " << path;
    return out;
  }
  const ffmpeg::InputPtr input(opened);
  avformat_find_stream_info(input.get(), nullptr);
  const AVCodec* codec = nullptr;
  const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
  if (stream < 0 || codec == nullptr) {
    ADD_FAILURE() << "no video stream in " << path;
    return out;
  }
  ffmpeg::CodecPtr decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar);
  if (avcodec_open2(decoder.get(), codec, nullptr) < 0) {
    ADD_FAILURE() << "no decoder for " << path;
    return out;
  }
  out.width = decoder->width;
  out.height = decoder->height;
  ffmpeg::ScalerPtr scaler(sws_getContext(out.width, out.height, decoder->pix_fmt, out.width,
                                          out.height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr,
                                          nullptr, nullptr));
  const ffmpeg::PacketPtr packet(av_packet_alloc());
  const ffmpeg::FramePtr frame(av_frame_alloc());
  const auto receive = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) >= 0) {
      std::vector<std::uint8_t> rgb(static_cast<std::size_t>(out.width) * out.height * 3);
      std::uint8_t* planes[] = {rgb.data()};
      const int strides[] = {out.width * 3};
      sws_scale(scaler.get(), frame->data, frame->linesize, 0, out.height, planes, strides);
      out.rgb.push_back(std::move(rgb));
    }
  };
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == stream) {
      avcodec_send_packet(decoder.get(), packet.get());
      receive();
    }
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  receive();
  return out;
}

// The names in a folder, for "nothing was left behind".
inline std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testing_support
