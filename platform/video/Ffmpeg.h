#pragma once

// Owners for the FFmpeg objects that reading and writing video share, and FFmpeg's own text for
// its error codes.
#include <cstdint>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

namespace ffmpeg {

struct CloseInput {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct FreeCodec {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FreeFrame {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct FreePacket {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FreeScaler {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};
// Memory from av_malloc.
struct FreeBuffer {
  void operator()(std::uint8_t* bytes) const { av_free(bytes); }
};

using InputPtr = std::unique_ptr<AVFormatContext, CloseInput>;
using CodecPtr = std::unique_ptr<AVCodecContext, FreeCodec>;
using FramePtr = std::unique_ptr<AVFrame, FreeFrame>;
using PacketPtr = std::unique_ptr<AVPacket, FreePacket>;
using ScalerPtr = std::unique_ptr<SwsContext, FreeScaler>;
using BufferPtr = std::unique_ptr<std::uint8_t, FreeBuffer>;

inline std::string ErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  if (av_strerror(code, text, sizeof text) < 0) return "FFmpeg error " + std::to_string(code);
  return text;
}

}  // namespace ffmpeg
