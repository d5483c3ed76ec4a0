#include "platform/avi/AviWriter.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "platform/camera/drivers/TestPatternDriver.h"

namespace avi {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

video::BitmapInfoHeader Header(int width, int height, int bits) {
  video::BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<std::uint16_t>(bits);
  return h;
}

// Seen from the top: a red upper half, a blue lower half, a green ramp across, and a white
// square that moves with the frame, so that a flip, a swap or a lost frame all show.
void Pixel(int x, int y, int w, int h, int frame, std::uint8_t* bgr) {
  const int squareX = (frame * 5) % (w - 12);
  const bool square = x >= squareX && x < squareX + 12 && y >= h / 2 - 6 && y < h / 2 + 6;
  const bool top = y < h / 2;
  bgr[0] = square ? 255 : (top ? 30 : 200);
  bgr[1] = square ? 255 : static_cast<std::uint8_t>(x * 2);
  bgr[2] = square ? 255 : (top ? 200 : 30);
}

// As the writer takes it: bottom-up, unpadded. As a decoder gives it back: top-down BGR.
Bytes Frame(int w, int h, int bits, int frame, bool asDecoded = false) {
  const int bpp = asDecoded ? 3 : bits / 8;
  Bytes bytes(static_cast<std::size_t>(w) * h * bpp, 0x5a);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Pixel(x, y, w, h, frame, &bytes[((asDecoded ? y : h - 1 - y) * w + x) * bpp]);
    }
  }
  return bytes;
}

double MeanDifference(const Bytes& a, const Bytes& b) {
  if (a.size() != b.size() || a.empty()) return 1e9;
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) sum += std::abs(int{a[i]} - int{b[i]});
  return sum / static_cast<double>(a.size());
}

struct Recording {
  bool opened = false;
  std::int64_t headerFrames = 0;
  AVRational rate{}, timeBase{};
  std::vector<int> packetBytes;
  std::vector<bool> packetKey;
  int decoderDelay = -1;                    // pictures the decoder held back to reorder them
  std::vector<std::uint64_t> packetStamps;  // the first 8 bytes of each packet
  Bytes firstPacket;
  std::vector<Bytes> pictures;  // top-down BGR
};

// Reads an AVI back the way an FFmpeg-based player would.
Recording Read(const std::string& path, bool decode = true) {
  av_log_set_level(AV_LOG_ERROR);  // the decoders' full-range formats make swscale chatty
  Recording r;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return r;
  r.opened = true;
  AVStream* st = input->streams[0];
  r.headerFrames = st->nb_frames;
  r.rate = st->avg_frame_rate;
  r.timeBase = st->time_base;
  AVCodecContext* dec = avcodec_alloc_context3(avcodec_find_decoder(st->codecpar->codec_id));
  avcodec_parameters_to_context(dec, st->codecpar);
  decode = decode && avcodec_open2(dec, nullptr, nullptr) >= 0;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* sws = nullptr;
  auto receive = [&] {
    while (avcodec_receive_frame(dec, frame) >= 0) {
      const int w = frame->width, h = frame->height;
      sws = sws_getCachedContext(sws, w, h, AVPixelFormat(frame->format), w, h, AV_PIX_FMT_BGR24,
                                 SWS_POINT, nullptr, nullptr, nullptr);
      std::uint8_t* dst[1] = {r.pictures.emplace_back(std::size_t(w) * h * 3).data()};
      const int stride[1] = {w * 3};
      sws_scale(sws, frame->data, frame->linesize, 0, h, dst, stride);
    }
  };
  while (av_read_frame(input, pkt) >= 0) {
    r.packetBytes.push_back(pkt->size);
    r.packetKey.push_back((pkt->flags & AV_PKT_FLAG_KEY) != 0);
    std::uint64_t& stamp = r.packetStamps.emplace_back();
    if (pkt->size > 0) std::memcpy(&stamp, pkt->data, std::min(pkt->size, 8));
    if (r.packetBytes.size() == 1) r.firstPacket.assign(pkt->data, pkt->data + pkt->size);
    if (decode && avcodec_send_packet(dec, pkt) >= 0) receive();
    av_packet_unref(pkt);
  }
  if (decode && avcodec_send_packet(dec, nullptr) >= 0) receive();
  if (decode) r.decoderDelay = dec->has_b_frames;
  sws_freeContext(sws);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avcodec_free_context(&dec);
  avformat_close_input(&input);
  return r;
}

// Writes `frames` pattern frames; "" when all went well, else the first error.
std::string Record(const std::string& path, int w, int h, int bits, int frames,
                   const Compressor& c = UncompressedDib(), std::uint32_t microSec = 250000,
                   std::uint64_t reserve = 0) {
  AviWriter writer;
  std::string error;
  if (!writer.open(path, Header(w, h, bits), microSec, c, reserve, error)) return error;
  for (int i = 0; i < frames; ++i) {
    const Bytes frame = Frame(w, h, bits, i);
    if (!writer.writeFrame(frame.data(), frame.size(), error)) return error;
  }
  if (writer.framesWritten() != frames) return "framesWritten is off";
  return writer.close(error) ? "" : error;
}

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "avi-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << std::strerror(errno);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string file(const std::string& name) const { return (dir / name).string(); }
  fs::path dir;
};

// An FFV1 version 3 frame ends each slice with its size (24 bits), an error byte and a CRC:
// walked back from the end they count the slices; -1 when they do not add up to the packet.
int Ffv1Slices(const Bytes& packet) {
  std::size_t end = packet.size();
  int slices = 0;
  for (; end >= 8; ++slices) {
    const std::size_t size =
        (std::size_t{packet[end - 8]} << 16 | packet[end - 7] << 8 | packet[end - 6]) + 8;
    if (size > end) return -1;
    end -= size;
  }
  return end == 0 ? slices : -1;
}

struct Case {
  Compressor compressor;
  int width, height, bits;
};

class RoundTripTest : public TempDir, public ::testing::WithParamInterface<Case> {
 protected:
  // Frame for frame what went in, upright and in order; lossy compressors within reason.
  void ExpectFrames(const Recording& r, int count) {
    const Case& c = GetParam();
    ASSERT_EQ(r.pictures.size(), std::size_t(count));
    const bool lossy = c.compressor.codec == "mjpeg" || c.compressor.codec == "mpeg4" ||
                       c.compressor.codec == "libx264";
    for (int i = 0; i < count; ++i) {
      EXPECT_LE(MeanDifference(r.pictures[i], Frame(c.width, c.height, 24, i, true)),
                lossy ? 8.0 : 0.0)
          << "frame " << i;
      const std::uint8_t* nearTop = &r.pictures[i][(2 * c.width - 3) * 3];
      EXPECT_TRUE(nearTop[2] > 150 && nearTop[0] < 80) << "red is not at the top of " << i;
    }
  }
};

TEST_P(RoundTripTest, FramesComeBackUprightInOrderAtTheRate) {
  const Case& c = GetParam();
  ASSERT_EQ(Record(file("r.avi"), c.width, c.height, c.bits, 10, c.compressor), "");
  const Recording r = Read(file("r.avi"));
  EXPECT_EQ(r.headerFrames, 10);
  EXPECT_EQ(av_cmp_q(r.rate, AVRational{4, 1}), 0) << r.rate.num << "/" << r.rate.den;
  EXPECT_EQ(av_cmp_q(r.timeBase, AVRational{1, 4}), 0);
  ExpectFrames(r, 10);
  // Slices are what lets FFV1 use every core; a single-threaded player still reads them.
  if (c.compressor.codec == "ffv1") {
    EXPECT_EQ(Ffv1Slices(r.firstPacket), 6);
  }
  if (c.compressor.codec == "rawvideo") {
    const int stride = (c.width * c.bits / 8 + 3) / 4 * 4;  // DIB rows are padded to 4 bytes
    for (int bytes : r.packetBytes) EXPECT_EQ(bytes, stride * c.height);
  }
}

TEST_P(RoundTripTest, KilledWriterLeavesEveryWrittenFrameReadable) {
  const Case& c = GetParam();
  const std::string path = file("killed.avi");
  const pid_t child = fork();
  ASSERT_GE(child, 0) << std::strerror(errno);
  if (child == 0) {
    AviWriter writer;
    std::string error;
    if (!writer.open(path, Header(c.width, c.height, c.bits), 250000, c.compressor, 1 << 20,
                     error)) {
      _exit(2);
    }
    for (int i = 0; i < 5; ++i) {
      const Bytes frame = Frame(c.width, c.height, c.bits, i);
      if (!writer.writeFrame(frame.data(), frame.size(), error)) _exit(3);
    }
    raise(SIGKILL);
    _exit(4);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "child status " << status;
  ExpectFrames(Read(path), 5);
}

std::vector<Case> Cases() {
  std::vector<Case> cases;
  for (const Compressor& c : AvailableCompressors()) {
    for (auto [w, h] : {std::pair{64, 48}, std::pair{63, 47}, std::pair{641, 479}}) {
      for (int bits : {24, 32}) cases.push_back({c, w, h, bits});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(AllCompressors, RoundTripTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           const Case& c = info.param;
                           return c.compressor.codec + "_" + std::to_string(c.width) + "x" +
                                  std::to_string(c.height) + "x" + std::to_string(c.bits);
                         });

TEST(AviWriterCompressorsTest, DibFirstThenTheAskedForEncodersThisFfmpegHas) {
  const std::vector<Compressor> list = AvailableCompressors();
  ASSERT_FALSE(list.empty());
  EXPECT_EQ(list[0].codec, "rawvideo");
  for (const auto& wanted :
       {std::pair{"mjpeg", true}, std::pair{"ffv1", false}, std::pair{"mpeg4", true}}) {
    const std::string codec = wanted.first;
    const auto found =
        std::find_if(list.begin(), list.end(), [&](auto& c) { return c.codec == codec; });
    ASSERT_EQ(found != list.end(), avcodec_find_encoder_by_name(codec.c_str()) != nullptr) << codec;
    if (found != list.end()) {
      EXPECT_EQ(found->hasQuality, wanted.second) << codec;
    }
  }
}

using AviWriterFileTest = TempDir;

TEST_F(AviWriterFileTest, LowerQualityGivesSmallerFrames) {
  for (const char* codec : {"mjpeg", "mpeg4"}) {
    int bytes[2] = {};
    for (int q : {0, 1}) {
      ASSERT_EQ(Record(file("q.avi"), 64, 48, 24, 1, {codec, codec, true, q ? 95 : 5}), "");
      bytes[q] = Read(file("q.avi"), false).packetBytes.at(0);
    }
    EXPECT_LT(bytes[0], bytes[1]) << codec;
  }
}

// H.264 appended one frame at a time: no frame waits for a later one, so none is reordered; a
// player seeking anywhere starts at most two seconds back; the quality sets the rate factor.
TEST_F(AviWriterFileTest, H264HasNoBFramesAndAKeyFrameEveryTwoSecondsOfPlayback) {
  const Compressor h264{"libx264", "H.264", true, 75};
  const auto offered = AvailableCompressors();
  if (std::none_of(offered.begin(), offered.end(),
                   [](const Compressor& c) { return c.codec == "libx264"; })) {
    GTEST_SKIP() << "no libx264 in this FFmpeg";
  }
  struct Rate {
    std::uint32_t microSec;
    int mostApart;  // frames in two seconds
  };
  for (const Rate& rate : {Rate{250000, 8}, Rate{66667, 29}, Rate{1000000, 2}, Rate{3000000, 1}}) {
    SCOPED_TRACE(rate.microSec);
    ASSERT_EQ(Record(file("h.avi"), 64, 48, 24, 40, h264, rate.microSec), "");
    const Recording r = Read(file("h.avi"));
    ASSERT_EQ(r.packetKey.size(), 40u);
    EXPECT_EQ(r.pictures.size(), 40u);
    EXPECT_EQ(r.decoderDelay, 0);
    int last = -1;
    for (int i = 0; i < 40; ++i) {
      if (!r.packetKey[static_cast<std::size_t>(i)]) continue;
      EXPECT_LE(i - last, rate.mostApart) << "frame " << i;
      last = i;
    }
    EXPECT_LE(40 - last, rate.mostApart);
  }
  int bytes[2] = {};
  for (int q : {0, 1}) {
    ASSERT_EQ(Record(file("q.avi"), 64, 48, 24, 10, {"libx264", "H.264", true, q ? 95 : 5}), "");
    const Recording r = Read(file("q.avi"), false);
    for (const int b : r.packetBytes) bytes[q] += b;
  }
  EXPECT_LT(bytes[0], bytes[1]);
}

// The noise is left out rather than kept: at the same quality an H.264 recording of a camera's
// scene takes a fraction of what Motion JPEG takes.
TEST_F(AviWriterFileTest, H264IsAFractionOfMotionJpegOnTheNoisyTestPattern) {
  const auto offered = AvailableCompressors();
  if (std::none_of(offered.begin(), offered.end(),
                   [](const Compressor& c) { return c.codec == "libx264"; })) {
    GTEST_SKIP() << "no libx264 in this FFmpeg";
  }
  // The test pattern: squares of colour, a moving disc and sensor noise on every byte.
  constexpr int kWidth = 640, kHeight = 480, kFrames = 16;
  const camera::FrameFormat format{kWidth, kHeight, 24};
  long total[2] = {};
  const Compressor compressors[2] = {{"mjpeg", "Motion JPEG", true, 75},
                                     {"libx264", "H.264", true, 75}};
  for (int k = 0; k < 2; ++k) {
    AviWriter writer;
    std::string error;
    ASSERT_TRUE(
        writer.open(file("n.avi"), Header(kWidth, kHeight, 24), 250000, compressors[k], 0, error))
        << error;
    for (int i = 0; i < kFrames; ++i) {
      Bytes frame(format.bytes());
      camera::RenderTestPattern(camera::PatternSettings{}, 20 + static_cast<std::uint64_t>(i),
                                format, frame.data());
      ASSERT_TRUE(writer.writeFrame(frame.data(), frame.size(), error)) << error;
    }
    ASSERT_TRUE(writer.close(error)) << error;
    const Recording r = Read(file("n.avi"));
    ASSERT_EQ(r.pictures.size(), static_cast<std::size_t>(kFrames));
    for (const int b : r.packetBytes) total[k] += b;
  }
  EXPECT_LT(total[1] * 3, total[0]) << "H.264 " << total[1] << " bytes, Motion JPEG " << total[0];
}

std::uint32_t Le32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<std::uint8_t>(s.at(at + i));
  return v;
}

TEST_F(AviWriterFileTest, HeaderCarriesTheReducedRateAndScale) {
  const struct {
    std::uint32_t microSecPerFrame;
    const char* codec;
    std::uint32_t rate, scale;
  } cases[] = {
      {250000, "rawvideo", 4, 1},          {40000, "rawvideo", 25, 1},
      {33367, "rawvideo", 1000000, 33367}, {2000000, "rawvideo", 1, 2},
      {120000000, "rawvideo", 1, 120},     {33367, "mpeg4", 1000000, 33367},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(std::to_string(t.microSecPerFrame) + " " + t.codec);
    ASSERT_EQ(Record(file("rate.avi"), 16, 16, 24, 1, {t.codec, t.codec}, t.microSecPerFrame), "");
    std::ifstream in(file("rate.avi"), std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    const std::size_t strh = bytes.find("strh");
    ASSERT_NE(strh, std::string::npos);
    EXPECT_EQ(Le32(bytes, strh + 8 + 20), t.scale);  // dwScale
    EXPECT_EQ(Le32(bytes, strh + 8 + 24), t.rate);   // dwRate
    EXPECT_EQ(av_cmp_q(Read(file("rate.avi")).rate, AVRational{int(t.rate), int(t.scale)}), 0);
  }
}

TEST_F(AviWriterFileTest, RefusedOpenSaysWhyAndLeavesNoFile) {
  const struct {
    const char* name;
    std::string path;
    int bits;
    std::uint32_t microSecPerFrame;
    const char* codec;
    std::uint64_t reserve;
    std::string reason;
    bool existsAfter;
  } cases[] = {
      {"missing folder", file("none/x.avi"), 24, 250000, "rawvideo", 0, std::strerror(ENOENT),
       false},
      {"zero frame time", file("a.avi"), 24, 0, "rawvideo", 0, "above 0", false},
      {"16-bit frames", file("b.avi"), 16, 250000, "rawvideo", 0, "16 bits", false},
      {"unknown compressor", file("c.avi"), 24, 250000, "no-such", 0, "not offered", false},
      {"disk full", "/dev/full", 24, 250000, "rawvideo", 0, std::strerror(ENOSPC), true},
      {"reservation too big", file("d.avi"), 24, 250000, "ffv1", std::uint64_t{1} << 62,
       "Could not reserve", false},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    AviWriter writer;
    std::string error;
    EXPECT_FALSE(writer.open(t.path, Header(64, 48, t.bits), t.microSecPerFrame, {t.codec, t.codec},
                             t.reserve, error));
    EXPECT_NE(error.find(t.reason), std::string::npos) << error;
    EXPECT_FALSE(writer.isOpen());
    // A device is left as it is; a regular file is not left behind half made.
    EXPECT_EQ(fs::exists(t.path), t.existsAfter);
  }
}

TEST_F(AviWriterFileTest, ReadOnlyFolderIsRefusedWithTheReason) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::create_directory(dir / "ro");
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  const std::string error = Record(file("ro/x.avi"), 64, 48, 24, 1);
  fs::permissions(dir / "ro", fs::perms::owner_all);
  EXPECT_NE(error.find(std::strerror(EACCES)), std::string::npos) << error;
}

TEST_F(AviWriterFileTest, MisuseIsRefusedAndTheOpenRecordingCarriesOn) {
  AviWriter writer;
  std::string error;
  EXPECT_TRUE(writer.close(error)) << "closing with nothing open is harmless";
  const Bytes frame = Frame(64, 48, 24, 0);
  EXPECT_FALSE(writer.writeFrame(frame.data(), frame.size(), error));
  EXPECT_NE(error.find("No recording is open"), std::string::npos) << error;

  ASSERT_TRUE(writer.open(file("m.avi"), Header(64, 48, 24), 250000, UncompressedDib(), 0, error))
      << error;
  EXPECT_FALSE(writer.open(file("o.avi"), Header(64, 48, 24), 250000, UncompressedDib(), 0, error));
  EXPECT_NE(error.find("already open"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(file("o.avi")));
  for (std::size_t bytes : {frame.size() - 1, frame.size() + 1}) {
    EXPECT_FALSE(writer.writeFrame(frame.data(), bytes, error));
    EXPECT_NE(error.find(std::to_string(frame.size())), std::string::npos) << error;
  }
  EXPECT_FALSE(writer.writeFrame(nullptr, frame.size(), error));
  ASSERT_TRUE(writer.writeFrame(frame.data(), frame.size(), error)) << error;
  ASSERT_TRUE(writer.close(error)) << error;
  EXPECT_FALSE(writer.isOpen());
  const Recording r = Read(file("m.avi"));
  ASSERT_EQ(r.pictures.size(), 1u);
  EXPECT_EQ(r.pictures[0], Frame(64, 48, 24, 0, true));
}

TEST_F(AviWriterFileTest, FailedWriteReachesTheCallerAndEarlierFramesStayReadable) {
  const std::string path = file("full.avi");
  const pid_t child = fork();
  ASSERT_GE(child, 0) << std::strerror(errno);
  if (child == 0) {
    // A file size limit is the full disk anyone can have.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(101);
    AviWriter writer;
    std::string error, again;
    if (!writer.open(path, Header(64, 48, 24), 250000, UncompressedDib(), 0, error)) _exit(102);
    int written = 0;
    for (Bytes frame; written < 20; ++written) {
      frame = Frame(64, 48, 24, written);
      if (!writer.writeFrame(frame.data(), frame.size(), error)) break;
    }
    if (written == 20 || error.find(std::strerror(EFBIG)) == std::string::npos) _exit(103);
    const Bytes frame = Frame(64, 48, 24, 0);
    if (writer.writeFrame(frame.data(), frame.size(), again) || again != error) _exit(104);
    if (writer.close(again) || writer.isOpen()) _exit(105);
    _exit(written);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  const int written = WEXITSTATUS(status);
  ASSERT_TRUE(written > 0 && written < 20) << "child failed with " << written;
  const Recording r = Read(path);
  ASSERT_EQ(r.pictures.size(), std::size_t(written));
  for (int i = 0; i < written; ++i) EXPECT_EQ(r.pictures[i], Frame(64, 48, 24, i, true)) << i;
}

TEST_F(AviWriterFileTest, SpaceIsSetAsideAtOpenAndGivenBackAtClose) {
  constexpr std::uint64_t kReserve = 16 << 20;
  const auto allocated = [&] {
    struct stat st {};
    return stat(file("res.avi").c_str(), &st) == 0 ? std::uint64_t(st.st_blocks) * 512 : 0;
  };
  AviWriter writer;
  std::string error;
  ASSERT_TRUE(
      writer.open(file("res.avi"), Header(64, 48, 24), 250000, UncompressedDib(), kReserve, error))
      << error;
  if (allocated() < kReserve) GTEST_SKIP() << "no fallocate here";
  const Bytes frame = Frame(64, 48, 24, 0);
  ASSERT_TRUE(writer.writeFrame(frame.data(), frame.size(), error)) << error;
  ASSERT_TRUE(writer.close(error)) << error;
  EXPECT_LT(allocated(), fs::file_size(file("res.avi")) + (1 << 20));
  EXPECT_EQ(Read(file("res.avi")).pictures.size(), 1u);
}

TEST_F(AviWriterFileTest, PastOneGibibyteTheFileGoesOnInOpenDmlRiffs) {
  struct statvfs vfs {};
  ASSERT_EQ(statvfs(dir.c_str(), &vfs), 0);
  if (std::uint64_t(vfs.f_bavail) * vfs.f_frsize < (std::uint64_t{3} << 30)) {
    GTEST_SKIP() << "less than 3 GiB free in " << dir;
  }
  constexpr int kFrames = 360;  // 3 MiB each: 1.05 GiB
  Bytes frame(1024 * 768 * 4, 0x33);
  AviWriter writer;
  std::string error;
  ASSERT_TRUE(
      writer.open(file("big.avi"), Header(1024, 768, 32), 40000, UncompressedDib(), 0, error))
      << error;
  for (std::uint64_t i = 0; i < kFrames; ++i) {
    std::memcpy(frame.data(), &i, sizeof i);
    ASSERT_TRUE(writer.writeFrame(frame.data(), frame.size(), error)) << error;
  }
  ASSERT_TRUE(writer.close(error)) << error;

  const Recording r = Read(file("big.avi"), false);
  EXPECT_EQ(r.headerFrames, kFrames);
  ASSERT_EQ(r.packetStamps.size(), std::size_t(kFrames));
  for (std::uint64_t i = 0; i < kFrames; ++i) ASSERT_EQ(r.packetStamps[i], i);
  // The first RIFF is followed by an OpenDML extension RIFF.
  std::ifstream in(file("big.avi"), std::ios::binary);
  std::string head(12, '\0');
  in.read(head.data(), 8);
  const std::uint32_t riff = Le32(head, 4);
  in.seekg(8 + riff + (riff & 1));
  in.read(head.data(), 12);
  EXPECT_EQ(head.substr(0, 4) + head.substr(8, 4), "RIFFAVIX");
}

}  // namespace
}  // namespace avi
