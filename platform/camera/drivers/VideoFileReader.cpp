#include "platform/camera/drivers/VideoFileReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <exception>

#include "platform/base/Text.h"
#include "platform/video/Ffmpeg.h"

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
    error = path + ": " + base::ErrnoText(errno);
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

}  // namespace

struct VideoFileReader::State {
  FileIdentity identity;
  video::VideoDecoder decoder;
  video::FrameConverter converter;
  double rate = 25.0;
  bool skipDecoding = false;     // every picture stands alone: decode only those made frames of
  bool held = false;             // a packet read and not decoded: the newest picture
  bool decoded = false;          // decoder.picture() is the newest picture
  bool pictureThisPass = false;  // a whole pass without one means nothing decodes

  bool rewind(std::string& error);
};

VideoFileReader::VideoFileReader() = default;
VideoFileReader::~VideoFileReader() = default;
VideoFileReader::VideoFileReader(VideoFileReader&& other) noexcept
    : state_(std::move(other.state_)), decoded_(other.decoded_.load()), made_(other.made_.load()) {}
VideoFileReader& VideoFileReader::operator=(VideoFileReader&& other) noexcept {
  state_ = std::move(other.state_);
  decoded_ = other.decoded_.load();
  made_ = other.made_.load();
  return *this;
}

bool VideoFileReader::open(const std::string& path, std::string& error) {
  auto state = std::make_unique<State>();
  if (!Identify(path, state->identity, error)) return false;
  if (!state->decoder.open(path, error)) return false;
  state->rate = RateOf(state->decoder.stream());
  state->skipDecoding = state->decoder.intraOnly();
  state_ = std::move(state);
  decoded_ = 0;
  made_ = 0;
  return true;
}

void VideoFileReader::close() { state_.reset(); }
bool VideoFileReader::isOpen() const { return state_ != nullptr; }

FrameSize VideoFileReader::size() const { return state_ ? state_->decoder.size() : FrameSize{}; }

double VideoFileReader::framesPerSecond() const { return state_ ? state_->rate : 25.0; }

std::string VideoFileReader::codecName() const {
  return state_ ? state_->decoder.codecName() : std::string();
}

bool VideoFileReader::State::rewind(std::string& error) {
  if (!pictureThisPass) {
    error = decoder.path() +
            ": holds no picture that decodes: " + ffmpeg::ErrorText(AVERROR_INVALIDDATA);
    return false;
  }
  const AVStream& video = decoder.stream();
  if (!decoder.seek(video.start_time != AV_NOPTS_VALUE ? video.start_time : 0, error)) return false;
  pictureThisPass = false;
  return true;
}

bool VideoFileReader::advance(std::string& error) {
  if (!state_) {
    error = "No video file is open.";
    return false;
  }
  // A stat per picture is nothing next to decoding it, and notices a deleted or changed file
  // at once instead of at the end of a long video.
  const std::string path = state_->decoder.path();
  FileIdentity now;
  if (!Identify(path, now, error)) return false;
  if (!(now == state_->identity)) {
    VideoFileReader fresh;
    if (!fresh.open(path, error)) return false;
    state_ = std::move(fresh.state_);
  }
  State& s = *state_;
  s.held = s.decoded = false;
  for (;;) {
    video::VideoDecoder::Result result;
    if (s.skipDecoding) {
      result = s.decoder.readPacket(error);
      if (result == video::VideoDecoder::Result::Picture && !s.decoder.packetIsKey()) {
        // The codec said otherwise, but this picture leans on others: decode them all.
        s.skipDecoding = false;
        result = s.decoder.decodePacket(error);
        if (result == video::VideoDecoder::Result::End) continue;
        ++decoded_;
        s.decoded = true;
      } else {
        s.held = true;
      }
    } else {
      result = s.decoder.decodeNext(error);
      if (result == video::VideoDecoder::Result::Picture) {
        ++decoded_;
        s.decoded = true;
      }
    }
    switch (result) {
      case video::VideoDecoder::Result::Picture:
        s.pictureThisPass = true;
        ++passed_;
        return true;
      case video::VideoDecoder::Result::End:
        s.held = s.decoded = false;
        if (!s.rewind(error)) return false;
        break;
      case video::VideoDecoder::Result::Failed: return false;
    }
  }
}

bool VideoFileReader::picturesStandAlone() const { return state_ && state_->skipDecoding; }

bool VideoFileReader::makeFrame(const FrameFormat& format, std::uint8_t* out, std::string& error) {
  error.clear();
  if (!state_) {
    error = "No video file is open.";
    return false;
  }
  State& s = *state_;
  if (s.held) {
    s.held = false;
    switch (s.decoder.decodePacket(error)) {
      case video::VideoDecoder::Result::Picture:
        ++decoded_;
        s.decoded = true;
        break;
      case video::VideoDecoder::Result::End: return false;
      case video::VideoDecoder::Result::Failed: return false;
    }
  }
  if (!s.decoded) return false;
  if (!s.converter.convert(s.decoder.picture(), format, out, error)) {
    error = s.decoder.path() + ": " + error;
    return false;
  }
  ++made_;
  return true;
}

namespace {

using Clock = std::chrono::steady_clock;

// More pictures behind than this (a long wait between asks) and the file simply goes on from
// where it is, rather than reading its way through all of them.
constexpr long kMostPicturesToCatchUp = 300;

// Pictures that stand alone are only read, so the thread need not wake at each: it sleeps
// until a frame is asked for, then reads its way to the picture due now and makes the frame of
// that one. False when it is to stop.
bool MakeFramesOnDemand(VideoFileReader& reader, const FrameFormat& format, FrameHandover& handover,
                        WorkerThread& thread, Clock::time_point& due, Clock::duration period) {
  std::string error;
  bool made = false;  // the frame of the current picture went over already
  while (reader.picturesStandAlone()) {
    thread.offer();  // whatever is due by the time it is asked for
    WorkerThread::Wake wake;
    do wake = thread.waitUntil(Clock::now() + std::chrono::hours(1));
    while (wake == WorkerThread::Wake::Due);
    if (wake == WorkerThread::Wake::Stopped) return false;
    const auto now = Clock::now();
    long behind = now >= due + period ? static_cast<long>((now - due) / period) : 0;
    if (behind > kMostPicturesToCatchUp) {
      behind = 1;
      due = now;
    } else {
      due += behind * period;
    }
    for (; behind > 0; --behind, made = false) {
      if (!reader.advance(error)) {
        handover.fail(error);
        thread.answer();
        return false;
      }
    }
    if (!made && reader.makeFrame(format, handover.beginFrame(format.bytes()), error)) {
      handover.publish(format);
      made = true;
    } else if (!error.empty()) {
      handover.fail(error);
      thread.answer();
      return false;
    }
    thread.answer();
  }
  return true;
}

}  // namespace

void PlayVideoFile(VideoFileReader& reader, const FrameFormat& format, FrameHandover& handover,
                   WorkerThread& thread) {
  std::string error;
  try {
    auto due = Clock::now();
    for (;;) {
      if (!reader.advance(error)) {
        handover.fail(error);
        return;
      }
      const auto period = std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(1.0 / reader.framesPerSecond()));
      if (reader.picturesStandAlone()) {
        if (!MakeFramesOnDemand(reader, format, handover, thread, due, period)) return;
        continue;  // a picture that leans on others came: from here on each is decoded
      }
      thread.offer();
      due += period;
      for (;;) {
        const WorkerThread::Wake wake = thread.waitUntil(due);
        if (wake == WorkerThread::Wake::Stopped) return;
        if (wake == WorkerThread::Wake::Due) break;
        if (reader.makeFrame(format, handover.beginFrame(format.bytes()), error)) {
          handover.publish(format);
        } else if (!error.empty()) {
          handover.fail(error);
          thread.answer();
          return;
        }
        thread.answer();
      }
      // Far behind (a slow machine, a heavy file): let the lost time go rather than rush.
      if (Clock::now() - due > 4 * period) due = Clock::now();
    }
  } catch (const std::exception& e) {
    handover.fail(std::string("The video file stopped: ") + e.what());
  }
}

}  // namespace camera
