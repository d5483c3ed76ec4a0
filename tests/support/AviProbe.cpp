#include "tests/support/AviProbe.h"

#include "platform/video/Ffmpeg.h"

#include <memory>

namespace testing_support {
AviProbe ProbeAvi(const std::string& path) {
  AviProbe probe;
  AVFormatContext* raw = nullptr;
  if (int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); rc < 0) {
    probe.error = ffmpeg::ErrorText(rc);
    return probe;
  }
  ffmpeg::InputPtr format(raw);
  avformat_find_stream_info(format.get(), nullptr);
  const int index = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (index < 0) {
    probe.error = "no video stream";
    return probe;
  }
  AVStream* stream = format->streams[index];
  probe.opened = true;
  const AVRational rate =
      stream->avg_frame_rate.num != 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  probe.rateNum = rate.num;
  probe.rateDen = rate.den;
  probe.width = stream->codecpar->width;
  probe.height = stream->codecpar->height;
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) {
    probe.error = "no decoder";
    return probe;
  }
  probe.codec = codec->name;
  ffmpeg::CodecPtr decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), stream->codecpar);
  if (int rc = avcodec_open2(decoder.get(), codec, nullptr); rc < 0) {
    probe.error = ffmpeg::ErrorText(rc);
    return probe;
  }
  ffmpeg::FramePtr frame(av_frame_alloc());
  ffmpeg::PacketPtr packet(av_packet_alloc());
  ffmpeg::ScalerPtr scaler;
  const auto take = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
      scaler.reset(sws_getCachedContext(
          scaler.release(), frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
          frame->width, frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr));
      std::vector<std::uint8_t> bgr(static_cast<std::size_t>(frame->width) * frame->height * 3);
      std::uint8_t* planes[4] = {bgr.data(), nullptr, nullptr, nullptr};  // sws reads four
      int strides[4] = {frame->width * 3, 0, 0, 0};
      sws_scale(scaler.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
      probe.frames.push_back(std::move(bgr));
    }
  };
  while (av_read_frame(format.get(), packet.get()) >= 0) {
    if (packet->stream_index == index && avcodec_send_packet(decoder.get(), packet.get()) == 0) {
      take();
    }
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  take();
  return probe;
}

}  // namespace testing_support
