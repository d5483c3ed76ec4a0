#pragma once
// Frames for the benchmarks, ready before the clock starts, and a camera that hands them out.

#include <time.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/TestPatternDriver.h"

namespace bench {

inline double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Test-pattern frames with the moving object well inside the picture and sensor noise on, so
// that every frame differs from the one before it. The ring wraps around: frame 0 follows the
// last, which differs even more.
inline constexpr int kPatternFrames = 16;
inline constexpr std::uint64_t kFirstPatternFrame = 20;

using Frames = std::vector<std::vector<std::uint8_t>>;

// Rendered once per size: every repetition of every benchmark gets the same frames.
inline const Frames& PatternFrames(const camera::FrameFormat& format) {
  static std::map<std::pair<int, int>, Frames> rendered;
  Frames& frames = rendered[{format.width, format.height}];
  if (frames.empty()) {
    frames.resize(kPatternFrames);
    for (int i = 0; i < kPatternFrames; ++i) {
      frames[i].resize(format.bytes());
      camera::RenderTestPattern(camera::PatternSettings{}, kFirstPatternFrame + i, format,
                                frames[i].data());
    }
  }
  return frames;
}

// A camera with the frames ready: every ask gets the next one at once, so nothing but the
// work under test runs alongside (the test pattern would render on a thread of its own).
class PreparedFramesDriver final : public camera::VideoDriver {
 public:
  PreparedFramesDriver(camera::FrameFormat format, const Frames& frames)
      : format_(format), frames_(frames) {}
  std::string name() const override { return "prepared frames"; }
  std::string version() const override { return "1"; }
  bool connect(std::string&) override { return connected_ = true; }
  void disconnect() override { connected_ = false; }
  bool connected() const override { return connected_; }
  camera::FrameFormat format() const override { return format_; }
  std::vector<camera::FrameSize> frameSizes() const override {
    return {{format_.width, format_.height}};
  }
  bool setFormat(const camera::FrameFormat& f, std::string& error) override {
    if (f == format_) return true;
    error = "fixed format";
    return false;
  }
  // The copy stands for the driver's own work of making the frame.
  camera::FrameResult latestFrame(camera::FrameBuffer& frame, std::uint64_t& sequence,
                                  camera::FrameFormat& format, std::string&) override {
    const auto& next = frames_[static_cast<std::size_t>(sequence % frames_.size())];
    std::memcpy(frame.reserve(next.size()), next.data(), next.size());
    ++sequence;
    format = format_;
    return camera::FrameResult::NewFrame;
  }
  std::vector<camera::DriverControl> controls() const override { return {}; }
  bool setControl(std::uint32_t, int, const std::string&, std::string& error) override {
    error = "no controls";
    return false;
  }

 private:
  camera::FrameFormat format_;
  const Frames& frames_;
  bool connected_ = false;
};

}  // namespace bench
