#include "platform/avi/AviReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "platform/base/Text.h"
#include "platform/base/UniqueFd.h"
#include "platform/video/Ffmpeg.h"
#include "platform/video/Refuse.h"
#include "platform/video/VideoDecoder.h"

namespace avi {

using video::Refuse;

namespace {

constexpr std::uint32_t FourCc(const char (&s)[5]) {
  return std::uint32_t(std::uint8_t(s[0])) | std::uint32_t(std::uint8_t(s[1])) << 8 |
         std::uint32_t(std::uint8_t(s[2])) << 16 | std::uint32_t(std::uint8_t(s[3])) << 24;
}

constexpr std::uint32_t kRiff = FourCc("RIFF");
constexpr std::uint32_t kAvi = FourCc("AVI ");
constexpr std::uint32_t kList = FourCc("LIST");
constexpr std::uint32_t kHdrl = FourCc("hdrl");
constexpr std::uint32_t kStrl = FourCc("strl");
constexpr std::uint32_t kAvih = FourCc("avih");
constexpr std::uint32_t kStrh = FourCc("strh");
constexpr std::uint32_t kMovi = FourCc("movi");
constexpr std::uint32_t kIdx1 = FourCc("idx1");
constexpr std::uint32_t kIndx = FourCc("indx");
constexpr std::uint32_t kVids = FourCc("vids");

// What we read of the main header (through dwHeight) and of a stream header (through
// dwLength); shorter ones are damaged.
constexpr std::uint32_t kAvihBytes = 40;
constexpr std::uint32_t kStrhBytes = 36;
// Chunk ids carry the stream number in two digits.
constexpr int kMaxStreams = 100;
// A real header has a handful of chunks per stream; past this the sizes are nonsense.
constexpr int kMaxHeaderChunks = 4096;
constexpr std::uint32_t kCanRead = 0x1;  // AVIFILECAPS_CANREAD
constexpr std::uint64_t kChunkHeaderBytes = 8;

std::uint32_t Le32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
         std::uint32_t(p[3]) << 24;
}

std::string FourCcText(std::uint32_t id) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((id >> (8 * i)) & 0xff);
    text[i] = (c >= 0x20 && c < 0x7f) ? c : '?';
  }
  return text;
}

struct Chunk {
  std::uint32_t id = 0;
  std::uint64_t at = 0;    // of its 8-byte header
  std::uint64_t size = 0;  // of its data
  std::uint64_t end() const { return at + kChunkHeaderBytes + size; }
  std::uint64_t next() const { return end() + (size & 1); }  // chunks start on even offsets
};

// What openFile finds in the file's own headers.
struct Headers {
  AviFileInfo info;
  int videoStream = -1;  // number of the first video stream, -1 when there is none
  int streams = 0;
  bool haveMain = false;
  bool hasIndex = false;  // idx1, or an OpenDML index of the video stream
};

// The header lists, read with bounded reads straight from the file: FFmpeg's view of the rate
// is a guess, the file's own is what its writer said.
class HeaderParser {
 public:
  HeaderParser(int fd, std::uint64_t fileBytes, const std::string& path)
      : fd_(fd), fileBytes_(fileBytes), path_(path) {}

  bool parse(Headers& out, std::string& error) {
    if (fileBytes_ == 0) return damaged("it is empty", error);
    std::uint8_t head[12];
    if (fileBytes_ < sizeof head) return damaged("it is too short", error);
    if (!read(0, head, sizeof head, error)) return false;
    if (Le32(head) != kRiff || Le32(head + 8) != kAvi) {
      return damaged("it does not begin with RIFF AVI", error);
    }
    // A writer that was killed leaves the size unwritten: then the file's end is the RIFF's.
    std::uint64_t riffEnd = kChunkHeaderBytes + Le32(head + 4);
    if (Le32(head + 4) < 4 || riffEnd > fileBytes_) riffEnd = fileBytes_;
    Chunk c;
    for (std::uint64_t at = 12; at + kChunkHeaderBytes <= riffEnd; at = c.next()) {
      if (++chunks_ > kMaxHeaderChunks) break;
      if (!chunkAt(at, c, error)) return false;
      if (c.id == kIdx1) break;
      if (c.id != kList) continue;
      std::uint32_t type = 0;
      if (!listType(c, riffEnd, type, error)) return false;
      if (type == kMovi) break;  // the header list comes before the frames
      if (type != kHdrl) continue;
      if (c.end() > riffEnd) return damaged("its header list runs past the end of the file", error);
      if (!parseHeaderList(c.at + 12, c.end(), out, error)) return false;
      if (!out.haveMain) return damaged("it has no main header (avih)", error);
      findIndex(c.next(), riffEnd, out);
      return true;
    }
    return damaged("it has no header list (hdrl)", error);
  }

 private:
  // Whether the frames are followed by an index, as a finished file's are: a killed writer
  // leaves none, nor the sizes that lead to it.
  void findIndex(std::uint64_t at, std::uint64_t riffEnd, Headers& out) {
    Chunk c;
    std::string ignored;  // no index is no error
    for (int n = 0; n < 16 && at + kChunkHeaderBytes <= riffEnd; ++n, at = c.next()) {
      if (!chunkAt(at, c, ignored) || c.end() > riffEnd) return;
      if (c.id == kIdx1 && c.size >= 16) out.hasIndex = true;
    }
  }

  bool parseHeaderList(std::uint64_t begin, std::uint64_t end, Headers& out, std::string& error) {
    Chunk c;
    for (std::uint64_t at = begin; at + kChunkHeaderBytes <= end; at = c.next()) {
      if (!within(at, end, c, error)) return false;
      if (c.id == kAvih && !out.haveMain) {
        std::uint8_t h[kAvihBytes];
        if (c.size < sizeof h) return damaged("its main header (avih) is too short", error);
        if (!read(c.at + kChunkHeaderBytes, h, sizeof h, error)) return false;
        AviFileInfo& info = out.info;
        info.dwMaxBytesPerSec = Le32(h + 4);
        info.dwFlags = Le32(h + 12);
        info.dwStreams = Le32(h + 24);
        info.dwSuggestedBufferSize = Le32(h + 28);
        info.dwWidth = Le32(h + 32);
        info.dwHeight = Le32(h + 36);
        info.dwCaps = kCanRead;
        out.haveMain = true;
      } else if (c.id == kList) {
        std::uint32_t type = 0;
        if (!listType(c, end, type, error)) return false;
        if (type == kStrl && !parseStreamList(c.at + 12, c.end(), out, error)) return false;
      }
    }
    return true;
  }

  bool parseStreamList(std::uint64_t begin, std::uint64_t end, Headers& out, std::string& error) {
    Chunk c;
    bool video = false;
    for (std::uint64_t at = begin; at + kChunkHeaderBytes <= end; at = c.next()) {
      if (!within(at, end, c, error)) return false;
      if (c.id == kIndx && video && c.size >= 8) {
        // An OpenDML super index that lists at least one part of the index.
        std::uint8_t h[8];
        if (!read(c.at + kChunkHeaderBytes, h, sizeof h, error)) return false;
        if (Le32(h + 4) > 0) out.hasIndex = true;
      }
      if (c.id != kStrh) continue;
      if (c.size < kStrhBytes) return damaged("a stream header (strh) is too short", error);
      if (out.streams == kMaxStreams) return damaged("it has more than 100 streams", error);
      std::uint8_t h[kStrhBytes];
      if (!read(c.at + kChunkHeaderBytes, h, sizeof h, error)) return false;
      const int number = out.streams++;
      video = Le32(h) == kVids && out.videoStream < 0;
      if (video) out.videoStream = number;
      // The stream the reader reads gives the rate and length; the first stream when none does.
      if (number == 0 || video) {
        out.info.dwScale = Le32(h + 20);
        out.info.dwRate = Le32(h + 24);
        out.info.dwLength = Le32(h + 32);
      }
    }
    return true;
  }

  // The chunk at `at`, which must end by `end`.
  bool within(std::uint64_t at, std::uint64_t end, Chunk& c, std::string& error) {
    if (++chunks_ > kMaxHeaderChunks) return damaged("its header has too many chunks", error);
    if (!chunkAt(at, c, error)) return false;
    if (c.end() > end) {
      return damaged("its '" + FourCcText(c.id) + "' chunk at " + std::to_string(at) +
                         " runs past the list that holds it",
                     error);
    }
    return true;
  }

  bool chunkAt(std::uint64_t at, Chunk& c, std::string& error) {
    std::uint8_t h[kChunkHeaderBytes];
    if (!read(at, h, sizeof h, error)) return false;
    c.id = Le32(h);
    c.at = at;
    c.size = Le32(h + 4);
    return true;
  }

  bool listType(const Chunk& c, std::uint64_t end, std::uint32_t& type, std::string& error) {
    std::uint8_t t[4];
    if (c.size < sizeof t || c.at + 12 > end) return damaged("it has a list with no type", error);
    if (!read(c.at + kChunkHeaderBytes, t, sizeof t, error)) return false;
    type = Le32(t);
    return true;
  }

  bool read(std::uint64_t at, std::uint8_t* out, std::size_t bytes, std::string& error) {
    if (at > fileBytes_ || bytes > fileBytes_ - at) return damaged("it ends early", error);
    std::size_t done = 0;
    while (done < bytes) {
      const ssize_t n = ::pread(fd_, out + done, bytes - done, static_cast<off_t>(at + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Refuse(error, "Cannot read " + path_ + ": " + base::ErrnoText(errno));
      if (n == 0) return damaged("it ends early", error);
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  bool damaged(const std::string& why, std::string& error) const {
    return Refuse(error, path_ + " is no AVI file that can be read: " + why + ".");
  }

  int fd_;
  std::uint64_t fileBytes_;
  const std::string& path_;
  int chunks_ = 0;
};

// No frame decoded yet, or the decoder's place is not known.
constexpr std::int64_t kNowhere = -2;
// A picture that carries no time of its own.
constexpr std::int64_t kUntimed = std::numeric_limits<std::int64_t>::min();
// Frames for which a false key flag is remembered: a byte each, a few hours at 30 a second.
constexpr std::int64_t kMaxKeyTable = std::int64_t{1} << 24;

bool IsKeyFrame(const AVFrame& picture) {
#ifdef AV_FRAME_FLAG_KEY
  return (picture.flags & AV_FRAME_FLAG_KEY) != 0;
#else
  return picture.key_frame != 0;
#endif
}

}  // namespace

struct AviReader::State {
  std::string path;
  base::UniqueFd fd;
  Headers headers;
  video::VideoDecoder decoder;
  bool streamOpen = false;
  bool getterOpen = false;
  bool intraOnly = false;   // every frame is a key frame whatever the index says
  std::int64_t frames = 0;  // complete frames in the stream

  video::FrameConverter converter;
  video::FrameFormat format;
  std::size_t rowBytes = 0;
  ffmpeg::BufferPtr dib;            // header, then the rows
  std::int64_t shown = kNowhere;    // the frame the DIB holds
  std::int64_t decoded = kNowhere;  // the last picture the decoder gave
  // Frames the index calls key frames that did not decode as one; sized at open, so that
  // marking allocates nothing. Left empty for a stream too long to keep it for.
  std::vector<std::uint8_t> notKey;

  AVStream& stream() const { return *decoder.input().streams[decoder.stream().index]; }
  bool scan(std::string& error);
  bool decodeTo(std::int64_t target, std::string& error);
  std::int64_t firstFrame() const;
  std::int64_t keyFrameAtOrBefore(std::int64_t frame) const;
  bool knownNotKey(std::int64_t frame) const;
  void markNotKey(std::int64_t frame);
  std::int64_t identify(const AVFrame& picture) const;
  bool fail(const std::string& why, std::string& error) const {
    return Refuse(error, path + ": " + why);
  }
};

AviReader::AviReader(std::size_t maxFrameBytes) : maxFrameBytes_(maxFrameBytes) {}
AviReader::~AviReader() = default;

bool AviReader::isOpen() const { return state_ != nullptr; }
void AviReader::close() { state_.reset(); }

const AviFileInfo& AviReader::fileInfo() const {
  static const AviFileInfo kNone{};
  return state_ ? state_->headers.info : kNone;
}

std::int32_t AviReader::streamLength() const {
  return state_ && state_->streamOpen ? static_cast<std::int32_t>(state_->frames) : 0;
}

bool AviReader::openFile(const std::string& path, std::string& error) {
  close();
  auto s = std::make_unique<State>();
  s->path = path;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Refuse(error, "Cannot open " + path + ": " + base::ErrnoText(errno));
  s->fd.reset(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    return Refuse(error, "Cannot read " + path + ": " + base::ErrnoText(errno));
  }
  if (!S_ISREG(st.st_mode)) return Refuse(error, path + " is no file that can be read.");
  HeaderParser parser(fd, static_cast<std::uint64_t>(st.st_size), s->path);
  if (!parser.parse(s->headers, error)) return false;
  state_ = std::move(s);
  return true;
}

bool AviReader::openStream(std::string& error) {
  if (!state_) return Refuse(error, "No AVI file is open.");
  State& s = *state_;
  if (s.streamOpen) return true;
  if (s.headers.videoStream < 0) return s.fail("the file has no video stream.", error);
  if (!s.decoder.openInput(s.path, s.headers.videoStream, error) || !s.scan(error)) {
    s.decoder.close();
    return false;
  }
  const AVCodecDescriptor* codec = avcodec_descriptor_get(s.stream().codecpar->codec_id);
  s.intraOnly = codec != nullptr && (codec->props & AV_CODEC_PROP_INTRA_ONLY) != 0;
  s.streamOpen = true;
  return true;
}

// Counts the frames whose data is wholly in the file. The index (idx1 or OpenDML) says where
// each frame is and which are key frames; in a file without one, what follows the last frame
// FFmpeg knows of is read through once, so that a file cut short still gives every frame it
// holds. FFmpeg adds what it reads to the index, key flags from its parsers included.
bool AviReader::State::scan(std::string& error) {
  AVFormatContext& input = decoder.input();
  AVStream& st = stream();
  const int indexed = avformat_index_get_entries_count(&st);
  // The frame the file was cut in: FFmpeg hands it over short and says so.
  std::int64_t cutFrame = std::numeric_limits<std::int64_t>::max();
  std::int64_t cutAt = std::numeric_limits<std::int64_t>::max();
  // A file closed properly ends with its index, and the index names every frame: nothing is
  // read then, only checked against the file's size below.
  if (!headers.hasIndex || indexed == 0) {
    if (indexed > 0) {
      const AVIndexEntry* last = avformat_index_get_entry(&st, indexed - 1);
      // Failing that, the reading goes on from where opening left it: slower, not wrong.
      av_seek_frame(&input, st.index, last->timestamp, AVSEEK_FLAG_ANY | AVSEEK_FLAG_BACKWARD);
    }
    ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet) return fail(ffmpeg::ErrorText(AVERROR(ENOMEM)), error);
    while (av_read_frame(&input, packet.get()) >= 0) {
      if (packet->stream_index == st.index && (packet->flags & AV_PKT_FLAG_CORRUPT) != 0) {
        if (packet->dts != AV_NOPTS_VALUE) cutFrame = std::min(cutFrame, packet->dts);
        if (packet->pos >= 0) cutAt = std::min(cutAt, packet->pos);
      }
      av_packet_unref(packet.get());
    }
    // A read error ends the scan like the end of the file: what came before stays readable.
  }

  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) {
    return Refuse(error, "Cannot read " + path + ": " + base::ErrnoText(errno));
  }
  const std::int64_t fileBytes = info.st_size;
  frames = 0;
  const int entries = avformat_index_get_entries_count(&st);
  for (int i = 0; i < entries; ++i) {
    const AVIndexEntry* e = avformat_index_get_entry(&st, i);
    // Index positions are of the chunk header; its data follows.
    const std::int64_t dataAt = e->pos + static_cast<std::int64_t>(kChunkHeaderBytes);
    if (e->pos < 0 || dataAt > fileBytes || e->size > fileBytes - dataAt) break;
    if (e->timestamp >= cutFrame || dataAt >= cutAt) break;
    if (e->timestamp < 0) continue;
    frames = std::min<std::int64_t>(e->timestamp + 1, std::numeric_limits<std::int32_t>::max());
  }
  // Where frames are shown in another order than stored, a frame shown up to `delay` places
  // before the last one stored may be stored after it: in a file that ends without its index
  // those may be missing, so they are not counted.
  const int delay = st.codecpar->video_delay;
  if (!headers.hasIndex && delay > 0) frames = std::max<std::int64_t>(0, frames - delay);
  if (frames <= kMaxKeyTable) notKey.assign(static_cast<std::size_t>(frames), 0);
  decoded = kNowhere;
  return true;
}

bool AviReader::openFrameGetter(std::string& error) {
  if (!state_ || !state_->streamOpen) return Refuse(error, "No AVI stream is open.");
  State& s = *state_;
  if (s.getterOpen) return true;
  if (!s.decoder.openDecoder(error)) return false;
  const video::FrameSize size = s.decoder.size();
  // DIB rows are padded to 4 bytes.
  const std::uint64_t rowBytes = (std::uint64_t(size.width) * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t imageBytes = rowBytes * std::uint64_t(size.height);
  if (imageBytes > maxFrameBytes_ ||
      imageBytes > std::numeric_limits<std::uint32_t>::max() - sizeof(video::BitmapInfoHeader)) {
    return s.fail("frames of " + std::to_string(size.width) + " x " + std::to_string(size.height) +
                      " are larger than this reader takes (" + std::to_string(maxFrameBytes_) +
                      " bytes).",
                  error);
  }
  s.format = {size.width, size.height, 24};
  s.rowBytes = static_cast<std::size_t>(rowBytes);
  const std::size_t total = sizeof(video::BitmapInfoHeader) + static_cast<std::size_t>(imageBytes);
  // Zeroed once: the row padding is never written again.
  s.dib.reset(static_cast<std::uint8_t*>(av_mallocz(total)));
  if (!s.dib) return s.fail(ffmpeg::ErrorText(AVERROR(ENOMEM)), error);
  auto* header = new (s.dib.get()) video::BitmapInfoHeader{};
  header->biWidth = size.width;
  header->biHeight = size.height;
  header->biBitCount = 24;
  header->biSizeImage = static_cast<std::uint32_t>(imageBytes);
  s.shown = kNowhere;
  s.getterOpen = true;
  // The first frame now, so that the decoder's pictures and the conversion are set up here
  // and not on the first fetch; a stream whose frames this decoder cannot take fails here.
  if (s.frames > 0 && getFrame(0, error) == nullptr) {
    s.getterOpen = false;
    return false;
  }
  return true;
}

const video::BitmapInfoHeader* AviReader::getFrame(std::int32_t index, std::string& error) {
  if (!state_ || !state_->getterOpen) {
    Refuse(error, "No frame getter is open.");
    return nullptr;
  }
  State& s = *state_;
  if (index < 0 || index >= s.frames) {
    s.fail(
        "frame " + std::to_string(index) + " is outside 0 .. " + std::to_string(s.frames - 1) + ".",
        error);
    return nullptr;
  }
  // A frame with no data of its own (an empty chunk) repeats the one before it.
  AVStream& st = s.stream();
  const int at = av_index_search_timestamp(&st, index, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY);
  if (at < 0) {
    s.fail("frame " + std::to_string(index) + " holds no picture.", error);
    return nullptr;
  }
  const std::int64_t target = avformat_index_get_entry(&st, at)->timestamp;
  if (target != s.shown && !s.decodeTo(target, error)) return nullptr;
  return reinterpret_cast<const video::BitmapInfoHeader*>(s.dib.get());
}

// Which frame a decoded picture is, kUntimed when it carries no time. AVI keeps no
// presentation times, only each chunk's place, which FFmpeg gives as the packet's decode time:
// a decoder that reorders gives a picture `delay` packets after the one it came in. What it
// still holds at the end of the file comes out in the flush, with no packet and so no time.
std::int64_t AviReader::State::identify(const AVFrame& picture) const {
  const int delay = decoder.codec().has_b_frames;
  if (delay == 0 && picture.pts != AV_NOPTS_VALUE) return picture.pts;
  if (picture.pkt_dts != AV_NOPTS_VALUE) return picture.pkt_dts - delay;
  return kUntimed;
}

std::int64_t AviReader::State::firstFrame() const {
  return avformat_index_get_entry(&stream(), 0)->timestamp;
}

std::int64_t AviReader::State::keyFrameAtOrBefore(std::int64_t frame) const {
  AVStream& st = stream();
  for (;;) {
    const int at = av_index_search_timestamp(&st, frame, AVSEEK_FLAG_BACKWARD);
    if (at < 0) return firstFrame();
    const std::int64_t key = avformat_index_get_entry(&st, at)->timestamp;
    if (!knownNotKey(key)) return key;
    frame = key - 1;
  }
}

bool AviReader::State::knownNotKey(std::int64_t frame) const {
  return frame >= 0 && static_cast<std::uint64_t>(frame) < notKey.size() &&
         notKey[static_cast<std::size_t>(frame)] != 0;
}

void AviReader::State::markNotKey(std::int64_t frame) {
  if (frame >= 0 && static_cast<std::uint64_t>(frame) < notKey.size()) {
    notKey[static_cast<std::size_t>(frame)] = 1;
  }
}

bool AviReader::State::decodeTo(std::int64_t target, std::string& error) {
  // Decoding starts at the key frame at or before the target; with no key frame known, at the
  // first frame.
  std::int64_t start = intraOnly ? target : keyFrameAtOrBefore(target);
  // Onwards from where the decoder is when no key frame lies between: no seek, nothing again.
  const bool onwards = decoded != kNowhere && decoded < target && start <= decoded + 1;
  std::int64_t expected = decoded + 1;
  if (!onwards) {
    decoded = kNowhere;
    if (!decoder.seek(start, error, true)) return false;
    expected = start;
  }
  const std::string frameText = "frame " + std::to_string(target);
  bool first = !onwards;
  for (;;) {
    std::string why;
    switch (decoder.decodeNext(why)) {
      case video::VideoDecoder::Result::Picture: break;
      case video::VideoDecoder::Result::End:
        // Nothing at all since the seek: a decoder that shows nothing until a real key frame
        // (H.264 after a frame the index only called one) has run out. Start earlier.
        if (first && !intraOnly && start > firstFrame()) {
          markNotKey(start);
          const std::int64_t earlier = keyFrameAtOrBefore(start - 1);
          if (!decoder.seek(earlier, error, true)) return false;
          start = expected = earlier;
          continue;
        }
        decoded = kNowhere;
        return fail(frameText + " could not be decoded: the stream ends before it.", error);
      case video::VideoDecoder::Result::Failed: decoded = kNowhere; return Refuse(error, why);
    }
    // An index made by reading a file with no index of its own can call every frame a key
    // frame; the decoder knows better. Start again from an earlier one.
    if (first && !intraOnly && !IsKeyFrame(decoder.picture()) && start > firstFrame()) {
      markNotKey(start);
      const std::int64_t earlier = keyFrameAtOrBefore(start - 1);
      if (!decoder.seek(earlier, error, true)) return false;
      start = expected = earlier;
      continue;
    }
    std::int64_t id = identify(decoder.picture());
    // A key frame whose stream reorders may be shown after frames stored behind it (an open
    // group of pictures), which it cannot decode: the target was one of those. Nor can a
    // picture from the flush be placed straight after a seek: it follows the one before, and
    // the key frame's place in the file is not its place on screen. Start one key frame earlier.
    if (first && (id > target || id == kUntimed) && start > firstFrame()) {
      const std::int64_t earlier = keyFrameAtOrBefore(start - 1);
      if (!decoder.seek(earlier, error, true)) return false;
      start = expected = earlier;
      continue;
    }
    if (id == kUntimed) id = expected;  // after the last, or the first where decoding began
    first = false;
    decoded = id;
    expected = id + 1;
    if (id < target) continue;
    if (id > target) {
      return fail(frameText + " could not be decoded: the decoder went on to frame " +
                      std::to_string(id) + ".",
                  error);
    }
    shown = kNowhere;  // until the rows are all written
    if (!converter.convert(decoder.picture(), format, dib.get() + sizeof(video::BitmapInfoHeader),
                           rowBytes, why)) {
      return fail(frameText + ": " + why, error);
    }
    shown = target;
    return true;
  }
}

}  // namespace avi
