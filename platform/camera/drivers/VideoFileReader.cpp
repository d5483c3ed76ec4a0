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
  bool pictureThisPass = false;  // a whole pass without one means nothing decodes

  bool rewind(std::string& error);
};

VideoFileReader::VideoFileReader() = default;
VideoFileReader::~VideoFileReader() = default;
VideoFileReader::VideoFileReader(VideoFileReader&&) noexcept = default;
VideoFileReader& VideoFileReader::operator=(VideoFileReader&&) noexcept = default;

bool VideoFileReader::open(const std::string& path, std::string& error) {
  auto state = std::make_unique<State>();
  if (!Identify(path, state->identity, error)) return false;
  if (!state->decoder.open(path, error)) return false;
  state->rate = RateOf(state->decoder.stream());
  state_ = std::move(state);
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

bool VideoFileReader::readFrame(const FrameFormat& format, std::uint8_t* out, std::string& error) {
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
    *this = std::move(fresh);
  }
  State& s = *state_;
  for (;;) {
    switch (s.decoder.decodeNext(error)) {
      case video::VideoDecoder::Result::Picture:
        s.pictureThisPass = true;
        if (s.converter.convert(s.decoder.picture(), format, out, error)) return true;
        error = path + ": " + error;
        return false;
      case video::VideoDecoder::Result::End:
        if (!s.rewind(error)) return false;
        break;
      case video::VideoDecoder::Result::Failed: return false;
    }
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
