#include "platform/avi/AviWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/cpu.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "platform/base/Text.h"
#include "platform/base/UniqueFd.h"
#include "platform/video/Ffmpeg.h"
#include "platform/video/FrameFormat.h"
#include "platform/video/Refuse.h"

namespace avi {

using video::Refuse;

namespace {

constexpr const char* kRawCodec = "rawvideo";
// Big enough that a frame goes out in a few write(2) calls, small next to a frame store.
constexpr int kIoBufferBytes = 256 * 1024;
// Frames handed to an encoder in turn: mpegvideo encoders keep a reference to the last input,
// so reusing one frame would make av_frame_make_writable copy it every time.
constexpr int kFrameRing = 3;
// 2 x 3 slices: even work for two or three threads; files within 0.1 % of one slice's size.
constexpr int kFfv1Slices = 6;

struct Encoder {
  const char* codec;
  const char* displayName;
  bool hasQuality;
  AVPixelFormat pixelFormat;  // what the frames are converted to before encoding
};

// Formats chosen so that the lossless encoders really are lossless for BGR input.
constexpr Encoder kEncoders[] = {
    {"mjpeg", "Motion JPEG", true, AV_PIX_FMT_YUV420P},
    {"ffv1", "FFV1 (lossless)", false, AV_PIX_FMT_BGR0},
    {"mpeg4", "MPEG-4 Part 2", true, AV_PIX_FMT_YUV420P},
    {"huffyuv", "HuffYUV (lossless)", false, AV_PIX_FMT_RGB24},
    {"utvideo", "Ut Video (lossless)", false, AV_PIX_FMT_GBRP},
    {"libx264", "H.264", true, AV_PIX_FMT_YUV420P},
};

// The longest run of frames between two key frames: two seconds of playback, so that a player
// seeking anywhere decodes at most that much to get there.
constexpr int kKeyFrameSeconds = 2;

const Encoder* FindEncoder(const std::string& codec) {
  for (const Encoder& e : kEncoders) {
    if (codec == e.codec) return &e;
  }
  return nullptr;
}

bool Offers(const AVCodec* codec, AVPixelFormat format) {
  if (codec == nullptr || codec->pix_fmts == nullptr) return false;
  for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f) {
    if (*f == format) return true;
  }
  return false;
}

// Quality 1..100 onto x264's constant rate factor 51..18 (smaller is better), 75 at 28: the
// upper end of x264's own range, where a camera's noise is left out rather than kept.
int Crf(int quality) {
  const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  return q <= 75 ? 51 - ((q - 1) * 23 + 37) / 74 : 28 - ((q - 75) * 10 + 12) / 25;
}

// Quality 1..100 onto the mpegvideo quantiser 31..2 (smaller is better).
int QScale(int quality) {
  const int q = quality < 1 ? 1 : (quality > 100 ? 100 : quality);
  return 31 - ((q - 1) * 29 + 49) / 99;
}

struct FormatFree {
  void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct IoFree {
  void operator()(AVIOContext* c) const {
    av_freep(&c->buffer);  // avio may have replaced the buffer we gave it
    avio_context_free(&c);
  }
};

}  // namespace

struct AviWriter::State {
  std::string path;
  video::FrameFormat format;
  std::size_t frameBytes = 0;
  std::size_t rowBytes = 0;
  std::size_t dibRowBytes = 0;  // rowBytes rounded up to 4, as DIB rows are stored

  // In this order so that the muxer goes before the I/O it writes to, and that before the file.
  base::UniqueFd fd;
  std::unique_ptr<AVIOContext, IoFree> io;
  std::unique_ptr<AVFormatContext, FormatFree> muxer;
  ffmpeg::CodecPtr encoder;
  ffmpeg::ScalerPtr convert;
  ffmpeg::FramePtr frames[kFrameRing];
  int nextFrame = 0;
  ffmpeg::PacketPtr packet;
  ffmpeg::BufferPtr dibRows;  // only when rows need padding

  std::int64_t framesWritten = 0;
  std::int64_t packetsWritten = 0;
  std::int64_t committedEnd = 0;  // file offset just past the last complete frame
  std::string failure;            // set once writing failed; sticks until close

  bool setUpEncoder(const Encoder& choice, int quality, AVRational frameTime, std::string& error);
  bool createFile(std::uint64_t reserveBytes, std::string& error);
  bool regularFile = false;  // what createFile made is an ordinary file
  bool startMuxer(AVRational frameTime, bool raw, std::string& error);
  bool writeRaw(const std::uint8_t* frame, std::string& error);
  bool encode(const std::uint8_t* frame, std::string& error);
  bool drainEncoder(std::string& error);
  bool flushFrame(int result, std::string& error);
  bool finish(std::string& error);
  static int WriteToFd(void* opaque, std::uint8_t* data, int size);
  static std::int64_t SeekFd(void* opaque, std::int64_t offset, int whence);

  std::string failed(const std::string& what, int code) const {
    return what + " " + path + ": " + ffmpeg::ErrorText(code);
  }
  // Writing failed for good: the reason sticks and every later frame gets it too.
  bool fail(std::string why, std::string& error) {
    failure = std::move(why);
    return Refuse(error, failure);
  }
};

// Both callbacks work on the descriptor the State owns; the State does not move while open.
int AviWriter::State::WriteToFd(void* opaque, std::uint8_t* data, int size) {
  const int fd = static_cast<State*>(opaque)->fd.get();
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, data + done, static_cast<std::size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    if (n == 0) return AVERROR(EIO);  // a file that takes nothing would spin us forever
    done += static_cast<int>(n);
  }
  return size;
}

std::int64_t AviWriter::State::SeekFd(void* opaque, std::int64_t offset, int whence) {
  const int fd = static_cast<State*>(opaque)->fd.get();
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) {
    struct stat st {};
    return fstat(fd, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : AVERROR(errno);
  }
  const off_t at = lseek(fd, static_cast<off_t>(offset), whence);
  return at < 0 ? AVERROR(errno) : static_cast<std::int64_t>(at);
}

Compressor UncompressedDib() { return {kRawCodec, "Uncompressed DIB", false, 75}; }

std::vector<Compressor> AvailableCompressors() {
  std::vector<Compressor> list{UncompressedDib()};
  for (const Encoder& e : kEncoders) {
    if (Offers(avcodec_find_encoder_by_name(e.codec), e.pixelFormat)) {
      list.push_back({e.codec, e.displayName, e.hasQuality, 75});
    }
  }
  return list;
}

AviWriter::AviWriter() = default;

AviWriter::~AviWriter() {
  std::string ignored;  // nobody is left to tell
  close(ignored);
}

bool AviWriter::isOpen() const { return state_ != nullptr; }

std::int64_t AviWriter::framesWritten() const { return state_ ? state_->framesWritten : 0; }

bool AviWriter::open(const std::string& path, const video::BitmapInfoHeader& format,
                     std::uint32_t microSecPerFrame, const Compressor& compressor,
                     std::uint64_t reserveBytes, std::string& error) {
  // Refused rather than closed for the caller: a stray second open must not end a recording.
  if (state_) {
    return Refuse(error, "A recording is already open in " + state_->path + "; close it first.");
  }
  // Everything that can be refused is checked before the file is touched, so a refused open
  // leaves an existing file as it was.
  auto s = std::make_unique<State>();
  // The writer holds no frame of its own; its only bound is what a DIB's 32-bit size can say.
  if (!video::ParseVideoFormat(reinterpret_cast<const std::uint8_t*>(&format), sizeof format,
                               std::numeric_limits<std::uint32_t>::max(), s->format, error)) {
    return false;
  }
  if (microSecPerFrame == 0) {
    return Refuse(error, "A recording needs a frame time above 0 microseconds.");
  }
  const bool raw = compressor.codec == kRawCodec;
  const Encoder* choice = raw ? nullptr : FindEncoder(compressor.codec);
  if (!raw && choice == nullptr) {
    return Refuse(error, "The compressor \"" + compressor.codec + "\" is not offered.");
  }
  s->path = path;
  s->frameBytes = s->format.bytes();
  s->rowBytes = static_cast<std::size_t>(s->format.width) * (s->format.bitCount / 8);
  s->dibRowBytes = (s->rowBytes + 3) & ~std::size_t{3};

  // One tick of the stream is one frame: rate/scale = 1,000,000 / microSecPerFrame, reduced.
  AVRational frameTime{};
  av_reduce(&frameTime.num, &frameTime.den, microSecPerFrame, 1'000'000, INT_MAX);

  s->packet.reset(av_packet_alloc());
  if (!s->packet) return Refuse(error, s->failed("Could not set up", AVERROR(ENOMEM)));
  if (raw && s->dibRowBytes != s->rowBytes) {
    // Zeroed once: the padding is never written again.
    s->dibRows.reset(static_cast<std::uint8_t*>(av_mallocz(s->dibRowBytes * s->format.height)));
    if (!s->dibRows) return Refuse(error, s->failed("Could not set up", AVERROR(ENOMEM)));
  }
  if (!raw && !s->setUpEncoder(*choice, compressor.quality, frameTime, error)) return false;
  if (!s->createFile(reserveBytes, error) || !s->startMuxer(frameTime, raw, error)) {
    // A file without its headers is no recording: leave none behind. Only a regular file is
    // removed; a device such as /dev/full stays what it is.
    const bool created = s->regularFile;
    s.reset();
    if (created) ::unlink(path.c_str());
    return false;
  }
  state_ = std::move(s);
  return true;
}

bool AviWriter::State::setUpEncoder(const Encoder& choice, int quality, AVRational frameTime,
                                    std::string& error) {
  const AVCodec* codec = avcodec_find_encoder_by_name(choice.codec);
  if (!Offers(codec, choice.pixelFormat)) {
    return Refuse(error, std::string("The compressor \"") + choice.codec + "\" is not offered.");
  }
  encoder.reset(avcodec_alloc_context3(codec));
  if (!encoder) return Refuse(error, failed("Could not set up", AVERROR(ENOMEM)));
  encoder->width = format.width;
  encoder->height = format.height;
  const bool x264 = std::strcmp(choice.codec, "libx264") == 0;
  // 4:2:0 halves both sides: H.264 takes odd ones only with full chroma.
  const AVPixelFormat pixelFormat = x264 && (format.width % 2 != 0 || format.height % 2 != 0)
                                        ? AV_PIX_FMT_YUV444P
                                        : choice.pixelFormat;
  encoder->pix_fmt = pixelFormat;
  // MPEG-4 allows no time base denominator past 65535; the container keeps the exact rate.
  av_reduce(&encoder->time_base.num, &encoder->time_base.den, frameTime.num, frameTime.den, 65535);
  encoder->framerate = av_inv_q(encoder->time_base);
  // No frame threads and no B-frames: every frame in gives its packet out at once, so it is on
  // disk when writeFrame returns. Slice threads keep that promise.
  encoder->thread_count = 1;
  encoder->max_b_frames = 0;
  if (std::strcmp(choice.codec, "ffv1") == 0) {
    // On one thread FFV1 takes ~90 ms for a 1600 x 1024 frame here, past the shortest
    // interval. Version 3 codes slices apart, each with its own CRC; FFmpeg has decoded it
    // since 2013, so every player built on it does, and it stays lossless.
    encoder->level = 3;
    encoder->slices = kFfv1Slices;
    encoder->thread_type = FF_THREAD_SLICE;
    // One thread per core, the caller's included. FFmpeg's own pick is one more than that,
    // which only crowds a 2-core machine.
    encoder->thread_count = av_cpu_count();
  }
  if (std::strcmp(choice.codec, "mjpeg") == 0) encoder->color_range = AVCOL_RANGE_JPEG;
  if (x264) {
    // Zero latency: no look-ahead and slice threads rather than frame threads, so that each
    // frame's packet comes out of the call that took it in, as the other encoders' do.
    av_opt_set(encoder->priv_data, "preset", "veryfast", 0);
    av_opt_set(encoder->priv_data, "tune", "zerolatency", 0);
    av_opt_set_int(encoder->priv_data, "crf", Crf(quality), 0);
    // Key frames only where the group of pictures starts, each an IDR: a scene cut's I frame
    // would pass for a key frame in a file killed before its index, yet decode nothing after
    // a seek to it. Without look-ahead there is no macroblock tree, and the rate factor then
    // lowers the quantiser by some 6 for every frame, spending three times the bytes on the
    // camera's noise: qcomp=1 holds each frame's quantiser at the rate factor. A key frame is
    // coded no finer than the frames after it (ipratio=1): in a recording of still scenes the
    // key frames are most of the bytes.
    av_opt_set(encoder->priv_data, "x264-params", "scenecut=0:qcomp=1:ipratio=1", 0);
    encoder->thread_count = av_cpu_count();
    encoder->thread_type = FF_THREAD_SLICE;
    const std::int64_t frames = std::int64_t{kKeyFrameSeconds} * frameTime.den / frameTime.num;
    encoder->gop_size = static_cast<int>(std::clamp<std::int64_t>(frames, 1, 600));
  } else if (choice.hasQuality) {
    encoder->flags |= AV_CODEC_FLAG_QSCALE;
    encoder->global_quality = FF_QP2LAMBDA * QScale(quality);
  }
  int rc = avcodec_open2(encoder.get(), codec, nullptr);
  if (rc < 0) {
    return Refuse(error, std::string("The ") + choice.displayName + " compressor refused " +
                             std::to_string(format.width) + " x " + std::to_string(format.height) +
                             ": " + ffmpeg::ErrorText(rc));
  }

  // The range goes in before init: otherwise the fast BGR24 to 4:2:0 path is picked and writes
  // limited range into a stream that says full.
  convert.reset(sws_alloc_context());
  if (!convert) return Refuse(error, failed("Could not set up", AVERROR(ENOMEM)));
  SwsContext* sws = convert.get();
  av_opt_set_int(sws, "srcw", format.width, 0);
  av_opt_set_int(sws, "srch", format.height, 0);
  av_opt_set_int(sws, "src_format", format.bitCount == 32 ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_BGR24, 0);
  av_opt_set_int(sws, "dstw", format.width, 0);
  av_opt_set_int(sws, "dsth", format.height, 0);
  av_opt_set_int(sws, "dst_format", pixelFormat, 0);
  av_opt_set_int(sws, "dst_range", encoder->color_range == AVCOL_RANGE_JPEG ? 1 : 0, 0);
  av_opt_set_int(sws, "sws_flags", SWS_BICUBIC, 0);
  if ((rc = sws_init_context(sws, nullptr, nullptr)) < 0) {
    return Refuse(error, failed("Could not set up the picture conversion for", rc));
  }
  for (auto& frame : frames) {
    frame.reset(av_frame_alloc());
    if (!frame) return Refuse(error, failed("Could not set up", AVERROR(ENOMEM)));
    frame->format = pixelFormat;
    frame->width = format.width;
    frame->height = format.height;
    frame->color_range = encoder->color_range;
    if ((rc = av_frame_get_buffer(frame.get(), 0)) < 0) {
      return Refuse(error, failed("Could not set up", rc));
    }
  }
  return true;
}

bool AviWriter::State::createFile(std::uint64_t reserveBytes, std::string& error) {
  const int opened = ::open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, 0644);
  if (opened < 0) return Refuse(error, "Could not create " + path + ": " + base::ErrnoText(errno));
  fd.reset(opened);
  struct stat info {};
  regularFile = ::fstat(fd.get(), &info) == 0 && S_ISREG(info.st_mode);
  if (reserveBytes == 0) return true;
  int why = EFBIG;
  if (reserveBytes <= static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    if (fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(reserveBytes)) == 0) {
      return true;
    }
    why = errno;
  }
  // Reserving is only a help: where the file system (or the kind of file) has no such thing,
  // record without it. Running out of room is another matter.
  if (why == EOPNOTSUPP || why == ENOSYS || why == ENODEV) return true;
  return Refuse(error, "Could not reserve " + std::to_string(reserveBytes) + " bytes for " + path +
                           ": " + base::ErrnoText(why));
}

bool AviWriter::State::startMuxer(AVRational frameTime, bool raw, std::string& error) {
  ffmpeg::BufferPtr buffer(static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes)));
  if (!buffer) return Refuse(error, failed("Could not set up", AVERROR(ENOMEM)));
  io.reset(avio_alloc_context(buffer.get(), kIoBufferBytes, 1, this, nullptr, WriteToFd, SeekFd));
  if (!io) return Refuse(error, failed("Could not set up", AVERROR(ENOMEM)));
  buffer.release();  // the context owns it now

  AVFormatContext* made = nullptr;
  int rc = avformat_alloc_output_context2(&made, nullptr, "avi", nullptr);
  if (rc < 0) return Refuse(error, failed("Could not set up", rc));
  muxer.reset(made);
  muxer->pb = io.get();
  muxer->flags |= AVFMT_FLAG_CUSTOM_IO;

  AVStream* stream = avformat_new_stream(muxer.get(), nullptr);
  if (stream == nullptr) return Refuse(error, failed("Could not set up", AVERROR(ENOMEM)));
  stream->time_base = frameTime;
  stream->avg_frame_rate = av_inv_q(frameTime);
  AVCodecParameters* par = stream->codecpar;
  if (raw) {
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->codec_id = AV_CODEC_ID_RAWVIDEO;
    par->codec_tag = 0;  // BI_RGB
    // The X byte of 32-bit rows passes for alpha, which is how AVI readers take BI_RGB 32.
    par->format = format.bitCount == 32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_BGR24;
    par->bits_per_coded_sample = format.bitCount;
    par->width = format.width;
    par->height = format.height;
    // Our rows come bottom-up; with this the header says so (positive biHeight) and they are
    // stored as they come.
    if ((rc = av_opt_set_int(muxer->priv_data, "flipped_raw_rgb", 1, 0)) < 0) {
      return Refuse(error, failed("This FFmpeg cannot store bottom-up DIB rows in", rc));
    }
  } else if ((rc = avcodec_parameters_from_context(par, encoder.get())) < 0) {
    return Refuse(error, failed("Could not set up", rc));
  }

  rc = avformat_write_header(muxer.get(), nullptr);
  if (rc >= 0) {
    avio_flush(io.get());  // headers on disk now, so that a killed recording still opens
    rc = io->error;
  }
  if (rc < 0) return Refuse(error, failed("Could not write the headers of", rc));
  committedEnd = avio_tell(io.get());
  return true;
}

bool AviWriter::writeFrame(const std::uint8_t* frame, std::size_t bytes, std::string& error) {
  if (!state_) return Refuse(error, "No recording is open.");
  State& s = *state_;
  if (!s.failure.empty()) return Refuse(error, s.failure);
  if (frame == nullptr || bytes != s.frameBytes) {
    return Refuse(error,
                  "A frame of " + std::to_string(bytes) + " bytes does not fit the recording's " +
                      std::to_string(s.format.width) + " x " + std::to_string(s.format.height) +
                      " x " + std::to_string(s.format.bitCount) + " format (" +
                      std::to_string(s.frameBytes) + " bytes).");
  }
  const bool written = s.encoder ? s.encode(frame, error) : s.writeRaw(frame, error);
  if (written) ++s.framesWritten;
  return written;
}

bool AviWriter::State::writeRaw(const std::uint8_t* frame, std::string& error) {
  const std::uint8_t* data = frame;
  if (dibRows) {
    for (int row = 0; row < format.height; ++row) {
      std::memcpy(dibRows.get() + row * dibRowBytes, frame + row * rowBytes, rowBytes);
    }
    data = dibRows.get();
  }
  AVPacket& p = *packet;
  // Not reference counted: av_write_frame only reads it, so the frame goes out without a copy.
  p.data = const_cast<std::uint8_t*>(data);
  p.size = static_cast<int>(dibRowBytes * format.height);
  p.stream_index = 0;
  p.pts = p.dts = packetsWritten;
  p.duration = 1;
  p.flags = AV_PKT_FLAG_KEY;
  const int rc = av_write_frame(muxer.get(), &p);
  p.data = nullptr;
  p.size = 0;
  return flushFrame(rc, error);
}

bool AviWriter::State::encode(const std::uint8_t* frame, std::string& error) {
  // The next frame of the ring the encoder has let go of; allocating is the last resort.
  int pick = nextFrame;
  for (int i = 0; i < kFrameRing; ++i) {
    if (av_frame_is_writable(frames[(nextFrame + i) % kFrameRing].get())) {
      pick = (nextFrame + i) % kFrameRing;
      break;
    }
  }
  nextFrame = (pick + 1) % kFrameRing;
  AVFrame* picture = frames[pick].get();
  int rc = av_frame_make_writable(picture);
  if (rc < 0) return fail(failed("Could not compress a frame for", rc), error);
  // Start at the last row with a negative stride: the picture comes out top-down.
  // sws_scale reads four planes and strides, whatever the format.
  const std::uint8_t* rows[4] = {frame + (format.height - 1) * rowBytes, nullptr, nullptr, nullptr};
  const int strides[4] = {-static_cast<int>(rowBytes), 0, 0, 0};
  sws_scale(convert.get(), rows, strides, 0, format.height, picture->data, picture->linesize);
  picture->pts = framesWritten;
  picture->quality = encoder->global_quality;
  rc = avcodec_send_frame(encoder.get(), picture);
  if (rc < 0) return fail(failed("Could not compress a frame for", rc), error);
  return drainEncoder(error);
}

bool AviWriter::State::drainEncoder(std::string& error) {
  for (;;) {
    int rc = avcodec_receive_packet(encoder.get(), packet.get());
    if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
    if (rc < 0) return fail(failed("Could not compress a frame for", rc), error);
    packet->stream_index = 0;
    packet->pts = packet->dts = packetsWritten;  // one packet per frame, in order
    packet->duration = 1;
    rc = av_write_frame(muxer.get(), packet.get());
    av_packet_unref(packet.get());
    if (!flushFrame(rc, error)) return false;
  }
}

bool AviWriter::State::flushFrame(int result, std::string& error) {
  if (result >= 0) {
    avio_flush(io.get());
    result = io->error;  // a failed write(2) only shows here
  }
  if (result < 0) {
    return fail(
        failed("Could not write frame " + std::to_string(packetsWritten + 1) + " to", result),
        error);
  }
  ++packetsWritten;
  committedEnd = avio_tell(io.get());
  return true;
}

bool AviWriter::close(std::string& error) {
  // Closing with nothing open is no error: the session closes at every stop and at exit.
  if (!state_) return true;
  std::unique_ptr<State> s = std::move(state_);
  return s->finish(error);
}

bool AviWriter::State::finish(std::string& error) {
  if (failure.empty() && encoder) {
    const int rc = avcodec_send_frame(encoder.get(), nullptr);
    if (rc < 0) failure = failed("Could not finish", rc);
    if (rc >= 0) drainEncoder(error);
  }
  if (failure.empty()) {
    int rc = av_write_trailer(muxer.get());
    if (rc >= 0) {
      avio_flush(io.get());
      rc = io->error;
    }
    if (rc < 0) failure = failed("Could not finish", rc);
  }
  // Cut the file at the end of what is good: the finished file, or after a failure the last
  // complete frame, so that no half frame or half index follows. This also gives back what was
  // reserved past the end.
  off_t end = static_cast<off_t>(committedEnd);
  struct stat st {};
  if (fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode)) {
    if (failure.empty()) end = st.st_size;
    if (ftruncate(fd.get(), end) != 0 && failure.empty()) {
      failure = "Could not finish " + path + ": " + base::ErrnoText(errno);
    }
  }
  muxer.reset();
  io.reset();
  if (fd.closeNow() != 0 && failure.empty()) {
    failure = "Could not finish " + path + ": " + base::ErrnoText(errno);
  }
  return failure.empty() || Refuse(error, failure);
}

}  // namespace avi
