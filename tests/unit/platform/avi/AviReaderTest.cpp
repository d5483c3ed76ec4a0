#include "platform/avi/AviReader.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "platform/avi/AviWriter.h"
#include "platform/video/VideoDecoder.h"
#include "tests/support/TempFolder.h"

namespace avi {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
constexpr int kFrames = 24;
// Mean difference per byte allowed to lossy codecs: 4:2:0 blurs the pattern's sharp colour
// edges by about 8; a flipped or wrong frame is off by 50 and more.
constexpr double kLossy = 10;

// Seen from the top: red upper half, blue lower half, a green ramp across and a white square
// that moves with the frame, so that a flip, a swap or a wrong frame all show.
Bytes TopDown(int w, int h, int frame) {
  Bytes bgr(std::size_t(w) * h * 3);
  const int squareX = (frame * 3) % (w - 12);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &bgr[(std::size_t(y) * w + x) * 3];
      const bool square = x >= squareX && x < squareX + 12 && y >= h / 2 - 6 && y < h / 2 + 6;
      const bool top = y < h / 2;
      p[0] = square ? 255 : (top ? 30 : 200);
      p[1] = square ? 255 : static_cast<std::uint8_t>(x * 4);
      p[2] = square ? 255 : (top ? 200 : 30);
    }
  }
  return bgr;
}

// Rows `stride` apart, bottom row first or top row first, `bits` 24 or 32.
Bytes Rows(const Bytes& topDown, int w, int h, int bits, std::size_t stride, bool bottomUp) {
  Bytes out(stride * h, 0);
  for (int y = 0; y < h; ++y) {
    const int row = bottomUp ? h - 1 - y : y;
    for (int x = 0; x < w; ++x) {
      std::memcpy(&out[row * stride + x * (bits / 8)], &topDown[(std::size_t(y) * w + x) * 3], 3);
    }
  }
  return out;
}

// A DIB as the reader hands it out, back to top-down BGR.
Bytes FromDib(const video::BitmapInfoHeader* dib) {
  const int w = dib->biWidth, h = dib->biHeight;
  const std::size_t stride = (std::size_t(w) * 3 + 3) / 4 * 4;
  const auto* rows = reinterpret_cast<const std::uint8_t*>(dib) + sizeof *dib;
  Bytes out(std::size_t(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    std::memcpy(&out[std::size_t(y) * w * 3], rows + (h - 1 - y) * stride, w * 3);
  }
  return out;
}

double MeanDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

// One kind of AVI the reader must take: how it is made, and what reading it must give.
struct Kind {
  std::string name;
  int width = 0, height = 0;
  std::uint32_t rate = 0, scale = 0;  // as the stream header must say
  double tolerance = 0;               // mean difference per byte; 0 for lossless codecs
  // Writes kFrames pattern frames to `path`; "" when done, else why not; "skip: ..." when this
  // FFmpeg cannot make the kind.
  std::function<std::string(const std::string& path)> make;
};

// A recording as Watchpost makes it.
Kind Recorded(const Compressor& c, int bits, std::uint32_t microSec = 33367) {
  const bool lossy = c.codec == "mjpeg" || c.codec == "mpeg4" || c.codec == "libx264";
  // At four frames a second a key frame comes every eight: fetches out of order seek.
  const bool four = microSec == 250000;
  Kind k{"Watchpost_" + c.codec + "_" + std::to_string(bits) + (four ? "_4fps" : ""),
         63,
         47,
         four ? 4u : 1000000u,
         four ? 1u : microSec,
         lossy ? kLossy : 0.0,
         nullptr};
  k.make = [c, bits, microSec](const std::string& path) {
    video::BitmapInfoHeader format;
    format.biWidth = 63;
    format.biHeight = 47;
    format.biBitCount = static_cast<std::uint16_t>(bits);
    AviWriter writer;
    std::string error;
    if (!writer.open(path, format, microSec, c, 0, error)) return error;
    for (int i = 0; i < kFrames; ++i) {
      const Bytes frame = Rows(TopDown(63, 47, i), 63, 47, bits, 63 * bits / 8, true);
      if (!writer.writeFrame(frame.data(), frame.size(), error)) return error;
    }
    return writer.close(error) ? std::string() : error;
  };
  return k;
}

// An AVI from another program, made straight with libavformat and libavcodec at 29.97 frames
// a second. "rawvideo" stores the pattern as DIB rows, top-down or bottom-up; anything else is
// encoded with the named encoder, key frames 8 apart, and the last one too with `keyLast`.
std::string MakeWithFfmpeg(const std::string& path, const std::string& encoder, bool bottomUp,
                           int bFrames, int frames = kFrames, bool keyLast = false) {
  constexpr int w = 62, h = 46;
  const AVRational timeBase{1001, 30000};
  AVFormatContext* mux = nullptr;
  if (avformat_alloc_output_context2(&mux, nullptr, "avi", path.c_str()) < 0) return "no muxer";
  std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> muxOwner(mux,
                                                                        [](AVFormatContext* m) {
                                                                          if (m->pb != nullptr)
                                                                            avio_closep(&m->pb);
                                                                          avformat_free_context(m);
                                                                        });
  AVStream* st = avformat_new_stream(mux, nullptr);
  st->time_base = timeBase;
  AVCodecContext* enc = nullptr;
  std::unique_ptr<AVCodecContext*, void (*)(AVCodecContext**)> encOwner(&enc, avcodec_free_context);
  SwsContext* sws = nullptr;
  std::unique_ptr<SwsContext*, void (*)(SwsContext**)> swsOwner(
      &sws, [](SwsContext** s) { sws_freeContext(*s); });
  const bool raw = encoder == "rawvideo";
  if (raw) {
    st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    st->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
    st->codecpar->format = AV_PIX_FMT_BGR24;
    st->codecpar->bits_per_coded_sample = 24;
    st->codecpar->width = w;
    st->codecpar->height = h;
    // Without it the header has a negative height and the rows are stored top row first.
    av_opt_set_int(mux->priv_data, "flipped_raw_rgb", bottomUp ? 1 : 0, 0);
  } else {
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    if (codec == nullptr) return "skip: no " + encoder + " encoder in this FFmpeg";
    enc = avcodec_alloc_context3(codec);
    enc->width = w;
    enc->height = h;
    enc->time_base = timeBase;
    enc->framerate = av_inv_q(timeBase);
    enc->gop_size = 8;
    enc->max_b_frames = bFrames;
    enc->thread_count = 1;
    if (encoder == "mjpeg") {
      enc->pix_fmt = AV_PIX_FMT_YUVJ420P;
      enc->color_range = AVCOL_RANGE_JPEG;
    } else {
      enc->pix_fmt = encoder == "ffv1" ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_YUV420P;
    }
    if (encoder == "mjpeg" || encoder == "mpeg4") {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = FF_QP2LAMBDA * 3;
    }
    if (encoder == "libx264") av_opt_set(enc->priv_data, "crf", "18", 0);
    if (avcodec_open2(enc, codec, nullptr) < 0) return "cannot open " + encoder;
    avcodec_parameters_from_context(st->codecpar, enc);
    sws = sws_getContext(w, h, AV_PIX_FMT_BGR24, w, h, enc->pix_fmt, SWS_POINT, nullptr, nullptr,
                         nullptr);
  }
  if (avio_open(&mux->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) return "cannot create " + path;
  if (avformat_write_header(mux, nullptr) < 0) return "cannot write the header";

  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::string failure;
  auto drain = [&] {
    while (avcodec_receive_packet(enc, pkt) == 0) {
      av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
      pkt->stream_index = 0;
      if (av_interleaved_write_frame(mux, pkt) < 0) failure = "cannot write a packet";
    }
  };
  const std::size_t stride = (w * 3 + 3) / 4 * 4;
  for (int i = 0; i < frames && failure.empty(); ++i) {
    const Bytes picture = TopDown(w, h, i);
    if (raw) {
      Bytes rows = Rows(picture, w, h, 24, stride, bottomUp);
      av_new_packet(pkt, static_cast<int>(rows.size()));
      std::memcpy(pkt->data, rows.data(), rows.size());
      pkt->pts = pkt->dts = i;
      pkt->flags |= AV_PKT_FLAG_KEY;
      if (av_interleaved_write_frame(mux, pkt) < 0) failure = "cannot write a packet";
      continue;
    }
    frame->format = enc->pix_fmt;
    frame->width = w;
    frame->height = h;
    frame->color_range = enc->color_range;
    av_frame_get_buffer(frame, 0);
    const std::uint8_t* src[4] = {picture.data()};
    const int srcStride[4] = {w * 3};
    sws_scale(sws, src, srcStride, 0, h, frame->data, frame->linesize);
    frame->pts = i;
    if (keyLast && i == frames - 1) frame->pict_type = AV_PICTURE_TYPE_I;
    if (avcodec_send_frame(enc, frame) < 0) failure = "cannot encode";
    av_frame_unref(frame);
    drain();
  }
  if (!raw) {
    avcodec_send_frame(enc, nullptr);
    drain();
  }
  av_frame_free(&frame);
  av_packet_free(&pkt);
  if (av_write_trailer(mux) < 0) failure = "cannot write the trailer";
  return failure;
}

Kind Foreign(const std::string& name, const std::string& encoder, double tolerance,
             bool bottomUp = true, int bFrames = 0) {
  return {"Other_" + name, 62, 46, 30000, 1001, tolerance, [=](const std::string& path) {
            return MakeWithFfmpeg(path, encoder, bottomUp, bFrames);
          }};
}

std::vector<Kind> Kinds() {
  std::vector<Kind> kinds;
  for (const Compressor& c : AvailableCompressors()) kinds.push_back(Recorded(c, 24));
  kinds.push_back(Recorded(UncompressedDib(), 32));
  for (const Compressor& c : AvailableCompressors()) {
    if (c.codec == "libx264" || c.codec == "mpeg4") kinds.push_back(Recorded(c, 24, 250000));
  }
  kinds.push_back(Foreign("raw_bottom_up", "rawvideo", 0, true));
  kinds.push_back(Foreign("raw_top_down", "rawvideo", 0, false));
  kinds.push_back(Foreign("mjpeg", "mjpeg", kLossy));
  kinds.push_back(Foreign("mpeg4", "mpeg4", kLossy));
  kinds.push_back(Foreign("mpeg4_b_frames", "mpeg4", kLossy, true, 2));
  kinds.push_back(Foreign("ffv1", "ffv1", 0));
  kinds.push_back(Foreign("h264", "libx264", kLossy, true, 0));
  kinds.push_back(Foreign("h264_b_frames", "libx264", kLossy, true, 3));
  return kinds;
}

// How many frames a decoder of the file's stream holds back to put them in order.
int ReorderDelay(const std::string& path) {
  AVFormatContext* in = nullptr;
  if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return -1;
  avformat_find_stream_info(in, nullptr);
  const int delay = in->streams[0]->codecpar->video_delay;
  avformat_close_input(&in);
  return delay;
}

// Where each frame's chunk lies, as FFmpeg's index has it.
struct ChunkPlace {
  std::int64_t at = 0, end = 0;  // header offset; one past the data
};
std::vector<ChunkPlace> Chunks(const std::string& path) {
  std::vector<ChunkPlace> chunks;
  AVFormatContext* in = nullptr;
  if (avformat_open_input(&in, path.c_str(), nullptr, nullptr) < 0) return chunks;
  avformat_find_stream_info(in, nullptr);
  AVStream* st = in->streams[0];
  for (int i = 0; i < avformat_index_get_entries_count(st); ++i) {
    const AVIndexEntry* e = avformat_index_get_entry(st, i);
    chunks.push_back({e->pos, e->pos + 8 + e->size});
  }
  avformat_close_input(&in);
  return chunks;
}

void CopyCut(const std::string& from, const std::string& to, std::int64_t bytes) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::resize_file(to, static_cast<std::uintmax_t>(bytes));
}

struct Opened {
  AviReader reader;
  std::string error;
  bool ok = false;
  explicit Opened(const std::string& path) {
    ok = reader.openFile(path, error) && reader.openStream(error) && reader.openFrameGetter(error);
  }
};

class AviReaderContract : public ::testing::TestWithParam<Kind> {
 protected:
  void SetUp() override {
    av_log_set_level(AV_LOG_FATAL);  // cut files make the demuxer say so
    path = (folder / "kind.avi").string();
    const std::string made = GetParam().make(path);
    if (made.rfind("skip:", 0) == 0) GTEST_SKIP() << made;
    ASSERT_EQ(made, "");
  }

  // Frames 0 .. count-1 of `reader` in order, each what was written, within the kind's
  // tolerance.
  void ExpectFrames(AviReader& reader, int count) {
    const Kind& k = GetParam();
    ASSERT_EQ(reader.streamLength(), count);
    for (int i = 0; i < count; ++i) {
      std::string error;
      const video::BitmapInfoHeader* dib = reader.getFrame(i, error);
      ASSERT_NE(dib, nullptr) << "frame " << i << ": " << error;
      const double difference = MeanDifference(FromDib(dib), TopDown(k.width, k.height, i));
      if (k.tolerance == 0) {
        ASSERT_EQ(difference, 0) << "frame " << i;
      } else {
        ASSERT_LE(difference, k.tolerance) << "frame " << i;
        // Nearer its own frame than the neighbours: the right frame, not merely a similar one.
        if (i > 0) {
          EXPECT_LT(difference, MeanDifference(FromDib(dib), TopDown(k.width, k.height, i - 1)))
              << "frame " << i;
        }
      }
    }
  }

  testing_support::TempFolder folder{"avi-reader"};
  std::string path;
};

TEST_P(AviReaderContract, ReportsTheFilesOwnHeaders) {
  const Kind& k = GetParam();
  Opened o(path);
  ASSERT_TRUE(o.ok) << o.error;
  const AviFileInfo& info = o.reader.fileInfo();
  EXPECT_EQ(info.dwRate, k.rate);
  EXPECT_EQ(info.dwScale, k.scale);
  EXPECT_EQ(info.dwLength, std::uint32_t(kFrames));
  EXPECT_EQ(info.dwWidth, std::uint32_t(k.width));
  EXPECT_EQ(info.dwHeight, std::uint32_t(k.height));
  EXPECT_EQ(info.dwStreams, 1u);
  EXPECT_EQ(o.reader.streamLength(), kFrames);
}

TEST_P(AviReaderContract, EveryFrameIsWhatWasWrittenAsAPackedBottomUpDib) {
  const Kind& k = GetParam();
  Opened o(path);
  ASSERT_TRUE(o.ok) << o.error;
  ExpectFrames(o.reader, kFrames);
  std::string error;
  const video::BitmapInfoHeader* dib = o.reader.getFrame(3, error);
  ASSERT_NE(dib, nullptr) << error;
  EXPECT_EQ(dib->biSize, 40u);
  EXPECT_EQ(dib->biWidth, k.width);
  EXPECT_EQ(dib->biHeight, k.height);
  EXPECT_EQ(dib->biPlanes, 1);
  EXPECT_EQ(dib->biBitCount, 24);
  EXPECT_EQ(dib->biCompression, 0u);
  EXPECT_EQ(dib->biSizeImage, std::uint32_t((k.width * 3 + 3) / 4 * 4 * k.height));
}

TEST_P(AviReaderContract, FramesFetchedOutOfOrderEqualThoseFetchedInOrder) {
  Opened o(path);
  ASSERT_TRUE(o.ok) << o.error;
  std::vector<Bytes> inOrder;
  const video::BitmapInfoHeader* first = nullptr;
  std::string error;
  for (int i = 0; i < kFrames; ++i) {
    const video::BitmapInfoHeader* dib = o.reader.getFrame(i, error);
    ASSERT_NE(dib, nullptr) << error;
    if (first == nullptr) first = dib;
    inOrder.push_back(FromDib(dib));
  }
  Opened fresh(path);
  ASSERT_TRUE(fresh.ok) << fresh.error;
  const int k = 13;  // past a key frame, before the last
  for (int i : {k, 0, kFrames - 1, k - 1, 7, 8, 9, 2, 17, 16, 23, 22, 5, 5, 6}) {
    const video::BitmapInfoHeader* dib = fresh.reader.getFrame(i, error);
    ASSERT_NE(dib, nullptr) << "frame " << i << ": " << error;
    EXPECT_EQ(FromDib(dib), inOrder[i]) << "frame " << i;
    // Fetching allocates nothing: the one buffer made at open is handed out every time.
    EXPECT_EQ(o.reader.getFrame(i, error), first);
  }
}

TEST_P(AviReaderContract, FileCutShortGivesEveryCompleteFrame) {
  const std::vector<ChunkPlace> chunks = Chunks(path);
  ASSERT_EQ(chunks.size(), std::size_t(kFrames));
  // Where frames are stored out of the order they are shown, the last few stored before a cut
  // may be shown after frames stored past it: without an index those are not counted.
  const int delay = ReorderDelay(path);
  ASSERT_GE(delay, 0);
  // Cut mid-frame after 0, 1, half and all but one of the frames; just after a frame; and
  // where the index would begin, which leaves every frame and no index.
  struct Cut {
    std::int64_t bytes;
    int frames;
  };
  std::vector<Cut> cuts;
  for (int whole : {0, 1, kFrames / 2, kFrames - 1}) {
    const ChunkPlace& next = chunks[whole];
    cuts.push_back({next.at + 8 + (next.end - next.at - 8) / 2, whole});
    cuts.push_back({next.at + 3, whole});  // inside the chunk's own header
  }
  cuts.push_back({chunks[5].end, 6});
  cuts.push_back({chunks.back().end + (chunks.back().end & 1), kFrames});
  const std::string cut = (folder / "cut.avi").string();
  for (const Cut& c : cuts) {
    SCOPED_TRACE("cut at " + std::to_string(c.bytes) + " bytes");
    CopyCut(path, cut, c.bytes);
    Opened o(cut);
    ASSERT_TRUE(o.ok) << o.error;
    const int frames = std::max(0, c.frames - delay);
    ExpectFrames(o.reader, frames);
    std::string error;
    EXPECT_EQ(o.reader.getFrame(frames, error), nullptr);
    EXPECT_NE(error.find("outside"), std::string::npos) << error;
  }
}

std::string KindName(const ::testing::TestParamInfo<Kind>& info) { return info.param.name; }
INSTANTIATE_TEST_SUITE_P(EveryKind, AviReaderContract, ::testing::ValuesIn(Kinds()), KindName);

// A recording whose program was killed: no index, no sizes in the headers.
class AviReaderKilledTest : public ::testing::TestWithParam<Compressor> {};

TEST_P(AviReaderKilledTest, KilledRecordingOpensWithEveryFrameWritten) {
  testing_support::TempFolder folder("avi-killed");
  const std::string path = (folder / "killed.avi").string();
  const pid_t child = fork();
  ASSERT_GE(child, 0) << std::strerror(errno);
  if (child == 0) {
    video::BitmapInfoHeader format;
    format.biWidth = 63;
    format.biHeight = 47;
    format.biBitCount = 24;
    AviWriter writer;
    std::string error;
    if (!writer.open(path, format, 40000, GetParam(), 1 << 20, error)) _exit(2);
    for (int i = 0; i < 11; ++i) {
      const Bytes frame = Rows(TopDown(63, 47, i), 63, 47, 24, 63 * 3, true);
      if (!writer.writeFrame(frame.data(), frame.size(), error)) _exit(3);
    }
    raise(SIGKILL);
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "child status " << status;
  av_log_set_level(AV_LOG_FATAL);
  Opened o(path);
  ASSERT_TRUE(o.ok) << o.error;
  EXPECT_EQ(o.reader.fileInfo().dwRate, 25u);
  EXPECT_EQ(o.reader.fileInfo().dwScale, 1u);
  ASSERT_EQ(o.reader.streamLength(), 11);
  const bool lossy =
      GetParam().codec == "mjpeg" || GetParam().codec == "mpeg4" || GetParam().codec == "libx264";
  for (int i : {10, 0, 5, 4, 9}) {
    std::string error;
    const video::BitmapInfoHeader* dib = o.reader.getFrame(i, error);
    ASSERT_NE(dib, nullptr) << error;
    EXPECT_LE(MeanDifference(FromDib(dib), TopDown(63, 47, i)), lossy ? kLossy : 0.0) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryCompressor, AviReaderKilledTest,
                         ::testing::ValuesIn(AvailableCompressors()),
                         [](const auto& info) { return info.param.codec; });

// Each picture of the file as FFmpeg gives it, decoded straight through from the first packet
// to the flush, in the rows of the reader's DIBs.
std::vector<Bytes> DecodedStraight(const std::string& path) {
  std::vector<Bytes> pictures;
  video::VideoDecoder decoder;
  video::FrameConverter converter;
  std::string error;
  if (!decoder.open(path, error)) return pictures;
  const video::FrameSize size = decoder.size();
  const std::size_t line = std::size_t(size.width) * 3, stride = (line + 3) / 4 * 4;
  const std::size_t wide = line + 64;  // room for whatever swscale writes past a row
  Bytes rows(wide * size.height);
  while (decoder.decodeNext(error) == video::VideoDecoder::Result::Picture) {
    if (!converter.convert(decoder.picture(), {size.width, size.height, 24}, rows.data(), wide,
                           error)) {
      return {};
    }
    Bytes& dib = pictures.emplace_back(stride * size.height, 0);
    for (int y = 0; y < size.height; ++y) std::memcpy(&dib[y * stride], &rows[y * wide], line);
  }
  return pictures;
}

// Streams that show frames in another order than they store them, read by number in every
// order: frame j fetched right after frame i is FFmpeg's own j-th picture, for all i and j.
struct Reordered {
  const char* name;
  const char* encoder;
  int bFrames;
};
void PrintTo(const Reordered& r, std::ostream* out) { *out << r.name; }
class AviReaderSeekTest : public ::testing::TestWithParam<Reordered> {};

TEST_P(AviReaderSeekTest, EveryFrameAfterEveryOtherIsFfmpegsOwnPicture) {
  // Several groups of pictures; the last frame a key frame that B-frames stored after it
  // are shown before, so that the decoder holds it to the end of the file.
  constexpr int kLong = 60;
  av_log_set_level(AV_LOG_FATAL);
  testing_support::TempFolder folder("avi-seek");
  const std::string path = (folder / "reordered.avi").string();
  const std::string made =
      MakeWithFfmpeg(path, GetParam().encoder, true, GetParam().bFrames, kLong, true);
  if (made.rfind("skip:", 0) == 0) GTEST_SKIP() << made;
  ASSERT_EQ(made, "");
  ASSERT_GT(ReorderDelay(path), 0) << "the stream must reorder";
  const std::vector<Bytes> expected = DecodedStraight(path);
  ASSERT_EQ(expected.size(), std::size_t(kLong));
  for (int k = 1; k < kLong; ++k) ASSERT_NE(expected[k], expected[k - 1]) << "frame " << k;

  Opened o(path);
  ASSERT_TRUE(o.ok) << o.error;
  ASSERT_EQ(o.reader.streamLength(), kLong);
  int wrong = 0, at = -1;
  std::string firstWrong;
  const auto fetch = [&](int frame) {
    std::string error;
    const video::BitmapInfoHeader* dib = o.reader.getFrame(frame, error);
    const auto* rows = reinterpret_cast<const std::uint8_t*>(dib + 1);
    const bool right = dib != nullptr && Bytes(rows, rows + dib->biSizeImage) == expected[frame];
    if (!right && wrong++ == 0) {
      firstWrong = std::to_string(at) + " -> " + std::to_string(frame) + ": " +
                   (dib == nullptr ? error : "another picture");
    }
    at = frame;
  };
  for (int i = 0; i < kLong; ++i) {
    for (int j = 0; j < kLong; ++j) {
      fetch(i);
      fetch(j);
    }
  }
  EXPECT_EQ(wrong, 0) << "fetches wrong of " << 2 * kLong * kLong << ", the first " << firstWrong;
}

INSTANTIATE_TEST_SUITE_P(BFrames, AviReaderSeekTest,
                         ::testing::Values(Reordered{"mpeg4", "mpeg4", 2},
                                           Reordered{"h264", "libx264", 3}),
                         [](const auto& info) { return std::string(info.param.name); });

class AviReaderFileTest : public ::testing::Test {
 protected:
  void SetUp() override { av_log_set_level(AV_LOG_FATAL); }
  std::string file(const std::string& name) const { return (folder / name).string(); }
  std::string write(const std::string& name, const Bytes& bytes) const {
    std::ofstream(file(name), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file(name);
  }
  Bytes read(const std::string& path) const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  std::string recorded(const Compressor& c = UncompressedDib()) const {
    const std::string path = file("good-" + c.codec + ".avi");
    EXPECT_EQ(Recorded(c, 24).make(path), "");
    return path;
  }
  testing_support::TempFolder folder{"avi-reader-file"};
};

// An AVI of one 16-bit audio stream and nothing else.
std::string AudioOnly(const std::string& path) {
  AVFormatContext* mux = nullptr;
  avformat_alloc_output_context2(&mux, nullptr, "avi", path.c_str());
  AVStream* st = avformat_new_stream(mux, nullptr);
  st->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
  st->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
  st->codecpar->sample_rate = 8000;
  st->codecpar->ch_layout = AV_CHANNEL_LAYOUT_MONO;
  st->codecpar->bits_per_coded_sample = 16;
  st->codecpar->block_align = 2;
  std::string failure;
  if (avio_open(&mux->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 ||
      avformat_write_header(mux, nullptr) < 0) {
    failure = "cannot write";
  }
  AVPacket* pkt = av_packet_alloc();
  for (int i = 0; i < 4 && failure.empty(); ++i) {
    av_new_packet(pkt, 1600);
    std::memset(pkt->data, i, 1600);
    pkt->pts = pkt->dts = i * 800;
    if (av_write_frame(mux, pkt) < 0) failure = "cannot write a packet";
    av_packet_unref(pkt);
  }
  av_packet_free(&pkt);
  if (failure.empty()) av_write_trailer(mux);
  avio_closep(&mux->pb);
  avformat_free_context(mux);
  return failure;
}

TEST_F(AviReaderFileTest, EachFailureComesAtItsStepWithTheReason) {
  const Bytes good = read(recorded());
  // The first "LIST....hdrl" and the stream format's compression of an MJPEG recording.
  const auto find = [](const Bytes& b, const char* text) {
    const auto at = std::search(b.begin(), b.end(), text, text + std::strlen(text));
    return static_cast<std::size_t>(at - b.begin());
  };
  Bytes hdrlTooLong = good;
  hdrlTooLong[find(good, "hdrl") - 4] = 0xff;  // list size past the file's end
  hdrlTooLong[find(good, "hdrl") - 3] = 0xff;
  hdrlTooLong[find(good, "hdrl") - 2] = 0xff;
  Bytes avihShort = good;
  avihShort[find(good, "avih") + 4] = 12;
  Bytes wave = good;
  std::memcpy(&wave[8], "WAVE", 4);
  Bytes noDecoder = read(recorded({"mjpeg", "mjpeg", true, 75}));
  for (std::size_t at = find(noDecoder, "MJPG"); at < noDecoder.size();
       at = find(noDecoder, "MJPG")) {
    std::memcpy(&noDecoder[at], "ZQZQ", 4);
  }
  ASSERT_EQ(AudioOnly(file("audio.avi")), "");

  enum Step { File, Stream, Getter };
  const struct {
    const char* name;
    std::string path;
    Step failsAt;
    std::string reason;
  } cases[] = {
      {"missing", file("missing.avi"), File, std::strerror(ENOENT)},
      {"a folder", folder.path().string(), File, "no file"},
      {"zero length", write("empty.avi", {}), File, "empty"},
      {"garbage", write("garbage.avi", Bytes(5000, 0xa5)), File, "RIFF AVI"},
      {"a WAVE file", write("wave.avi", wave), File, "RIFF AVI"},
      {"header list past the end", write("hdrl.avi", hdrlTooLong), File, "header list"},
      {"short main header", write("avih.avi", avihShort), File, "too short"},
      {"only its first bytes", write("head.avi", Bytes(good.begin(), good.begin() + 11)), File,
       "too short"},
      {"cut in its header list", write("cut.avi", Bytes(good.begin(), good.begin() + 40)), File,
       "header list runs past"},
      {"no video stream", file("audio.avi"), Stream, "no video stream"},
      {"no decoder for its codec", write("zqzq.avi", noDecoder), Getter, "no decoder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AviReader reader;
    std::string error;
    bool ok = reader.openFile(c.path, error);
    EXPECT_EQ(ok, c.failsAt > File);
    if (ok) ok = reader.openStream(error);
    EXPECT_EQ(ok, c.failsAt > Stream);
    if (ok) ok = reader.openFrameGetter(error);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    if (c.failsAt > File) {
      EXPECT_NE(error.find(c.path), std::string::npos) << error;
    }
    EXPECT_EQ(reader.getFrame(0, error), nullptr);
  }
}

TEST_F(AviReaderFileTest, MisuseIsRefusedWithTheReason) {
  AviReader reader;
  std::string error;
  EXPECT_FALSE(reader.openStream(error));
  EXPECT_FALSE(reader.openFrameGetter(error));
  EXPECT_EQ(reader.getFrame(0, error), nullptr);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(reader.streamLength(), 0);
  EXPECT_FALSE(reader.isOpen());

  ASSERT_TRUE(reader.openFile(recorded(), error)) << error;
  EXPECT_TRUE(reader.isOpen());
  EXPECT_FALSE(reader.openFrameGetter(error)) << "the stream comes first";
  ASSERT_TRUE(reader.openStream(error)) << error;
  EXPECT_EQ(reader.getFrame(0, error), nullptr) << "no frame getter yet";
  ASSERT_TRUE(reader.openFrameGetter(error)) << error;
  for (int index : {-1, kFrames, 1 << 30}) {
    error.clear();
    EXPECT_EQ(reader.getFrame(index, error), nullptr);
    EXPECT_NE(error.find("outside 0 .. 23"), std::string::npos) << error;
  }
  EXPECT_NE(reader.getFrame(kFrames - 1, error), nullptr) << error;

  reader.close();
  EXPECT_FALSE(reader.isOpen());
  EXPECT_EQ(reader.getFrame(0, error), nullptr);
  EXPECT_EQ(reader.fileInfo().dwRate, 0u);
  // Reused for another file, which opens in full.
  const std::string other = file("other.avi");
  ASSERT_EQ(Foreign("raw", "rawvideo", 0).make(other), "");
  Opened again(other);
  ASSERT_TRUE(again.ok) << again.error;
  EXPECT_EQ(again.reader.fileInfo().dwRate, 30000u);
}

TEST_F(AviReaderFileTest, FramesLargerThanTheReaderTakesAreRefusedAtTheFrameGetter) {
  const std::string path = recorded();
  const std::size_t dibBytes = 192 * 47;  // rows padded from 189 to 192 bytes
  AviReader small(dibBytes - 1);
  std::string error;
  ASSERT_TRUE(small.openFile(path, error) && small.openStream(error)) << error;
  EXPECT_FALSE(small.openFrameGetter(error));
  EXPECT_NE(error.find("63 x 47"), std::string::npos) << error;
  AviReader exact(dibBytes);
  ASSERT_TRUE(exact.openFile(path, error) && exact.openStream(error)) << error;
  EXPECT_TRUE(exact.openFrameGetter(error)) << error;
}

}  // namespace
}  // namespace avi
