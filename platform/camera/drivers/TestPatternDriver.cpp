#include "platform/camera/drivers/TestPatternDriver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <utility>

namespace camera {
namespace {

std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

// Sensor noise: a cheap stream of values 0..level, the same for the same frame.
class Noise {
 public:
  Noise(std::uint64_t frame, int level) : state_(Mix(frame) | 1), span_(level + 1) {}
  int next() {
    if (span_ == 1) return 0;
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<int>((((state_ >> 32) & 0xFFFF) * span_) >> 16);
  }

 private:
  std::uint64_t state_;
  std::uint64_t span_;
};

struct Bgr {
  int b, g, r;
};

constexpr int kObjectLevel = 245;

// Soft tiles, a gradient and a fixed grain: enough texture that marking shows, dark enough
// (at most 166 + noise) that the object stands out by more than 40 in every channel.
Bgr Background(int x, int y, int width, int height) {
  const int checker = ((x * 12 / width) + (y * 9 / height)) & 1;
  const int gx = x * 64 / width, gy = y * 64 / height;
  const int grain = static_cast<int>(Mix((static_cast<std::uint64_t>(y) << 32) | x) & 15);
  return {64 + 24 * checker + (gx + gy) / 2 + grain, 48 + 30 * checker + gy + grain,
          40 + 36 * checker + gx + grain};
}

// Colour bars at 75 % over the top two thirds, a grey ramp below.
Bgr Bars(int x, int y, int width, int height) {
  if (y < height * 2 / 3) {
    static constexpr Bgr kBars[] = {{191, 191, 191}, {0, 191, 191}, {191, 191, 0}, {0, 191, 0},
                                    {191, 0, 191},   {0, 0, 191},   {191, 0, 0},   {0, 0, 0}};
    return kBars[x * 8 / width];
  }
  const int grey = x * 255 / std::max(1, width - 1);
  return {grey, grey, grey};
}

// Where the object is in this frame: it enters at the left, a third of the way down, and
// leaves at the right, two thirds down, so it never jumps when the cycle starts over.
struct Object {
  bool shown = false;
  int centreX = 0, centreY = 0, radius = 0;
};

Object ObjectAt(std::uint64_t index, int width, int height) {
  const auto phase = static_cast<std::int64_t>(index % kPatternCycleFrames);
  if (phase >= static_cast<std::int64_t>(kPatternMotionFrames)) return {};
  const std::int64_t last = kPatternMotionFrames - 1;
  const int radius = std::max(4, height / 8);
  return {true, static_cast<int>(-radius + (width + 2LL * radius) * phase / last),
          static_cast<int>(height / 3 + (height / 3LL) * phase / last), radius};
}

}  // namespace

void RenderTestPattern(const PatternSettings& settings, std::uint64_t index,
                       const FrameFormat& format, std::uint8_t* out) {
  const int width = format.width, height = format.height;
  const int pixelBytes = format.bitCount / 8;
  const std::size_t stride = static_cast<std::size_t>(width) * pixelBytes;
  const Object object =
      settings.scene == PatternScene::MovingObject ? ObjectAt(index, width, height) : Object{};
  Noise noise(index, std::clamp(settings.noiseLevel, 0, kPatternMaxNoise));

  for (int y = 0; y < height; ++y) {
    int spanStart = 1, spanEnd = 0;  // the object's columns on this row; empty by default
    if (object.shown && std::abs(y - object.centreY) <= object.radius) {
      const int dy = y - object.centreY;
      const int half = static_cast<int>(std::sqrt(object.radius * object.radius - dy * dy));
      spanStart = object.centreX - half;
      spanEnd = object.centreX + half;
    }
    // Bottom-up: the picture's top row is the buffer's last.
    std::uint8_t* pixel = out + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x, pixel += pixelBytes) {
      Bgr colour;
      if (x >= spanStart && x <= spanEnd)
        colour = {kObjectLevel, kObjectLevel, kObjectLevel};
      else if (settings.scene == PatternScene::Bars)
        colour = Bars(x, y, width, height);
      else
        colour = Background(x, y, width, height);
      pixel[0] = static_cast<std::uint8_t>(std::min(255, colour.b + noise.next()));
      pixel[1] = static_cast<std::uint8_t>(std::min(255, colour.g + noise.next()));
      pixel[2] = static_cast<std::uint8_t>(std::min(255, colour.r + noise.next()));
      if (pixelBytes == 4) pixel[3] = 0;
    }
  }
}

TestPatternDriver::~TestPatternDriver() { disconnect(); }

bool TestPatternDriver::connect(std::string& error) {
  if (connected_) return true;
  if (!replayPath_.empty() && !replay_.open(replayPath_, error)) return false;
  handover_.reset();
  if (!start(error)) {
    replay_.close();
    return false;
  }
  connected_ = true;
  return true;
}

void TestPatternDriver::disconnect() {
  thread_.stop();
  replay_.close();
  connected_ = false;
}

bool TestPatternDriver::start(std::string& error) {
  if (replayPath_.empty())
    return thread_.start([this, format = format_] { renderLoop(format); }, error);
  return thread_.start(
      [this, format = format_] { PlayVideoFile(replay_, format, handover_, thread_); }, error);
}

// Only with the thread stopped: the handover is reset and the thread started afresh.
bool TestPatternDriver::restart(std::string& error) {
  if (!connected_) return true;
  handover_.reset();
  if (start(error)) return true;
  disconnect();
  return false;
}

void TestPatternDriver::renderLoop(FrameFormat format) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kPeriod = std::chrono::microseconds(1'000'000 / kPatternFramesPerSecond);
  const auto started = Clock::now();
  try {
    while (!thread_.stopRequested()) {
      // The index follows the clock, so the scene runs in real time even when frames are late.
      const std::int64_t index = (Clock::now() - started) / kPeriod;
      const PatternSettings settings{static_cast<PatternScene>(scene_.load()), noise_.load()};
      RenderTestPattern(settings, static_cast<std::uint64_t>(index), format,
                        handover_.beginFrame(format.bytes()));
      handover_.publish(format);
      if (!thread_.sleepUntil(started + (index + 1) * kPeriod)) return;
    }
  } catch (const std::exception& e) {
    handover_.fail(std::string("The test pattern stopped: ") + e.what());
  }
}

std::vector<FrameSize> TestPatternDriver::frameSizes() const {
  return TidyFrameSizes({std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes)},
                        maxFrameBytes_);
}

bool TestPatternDriver::setFormat(const FrameFormat& format, std::string& error) {
  if (!CheckFrameFormat(format, maxFrameBytes_, error)) return false;
  thread_.stop();
  format_ = format;
  return restart(error);
}

FrameResult TestPatternDriver::latestFrame(FrameBuffer& frame, std::uint64_t& sequence,
                                           FrameFormat& format, std::string& error) {
  if (!connected_) {
    error = "The test pattern is not connected.";
    return FrameResult::Failed;
  }
  // A replayed file makes its frame now, from its newest picture, so the wait is one
  // conversion long.
  thread_.ask(kFrameMakingPatience);
  return handover_.latest(frame, sequence, format, error);
}

std::vector<DriverControl> TestPatternDriver::controls() const {
  DriverControl scene{kSceneControl,
                      "Scene",
                      DriverControl::Kind::Menu,
                      0,
                      2,
                      1,
                      0,
                      scene_.load(),
                      {"Moving object", "Still", "Bars"},
                      {}};
  DriverControl noise{kNoiseControl,
                      "Noise level",
                      DriverControl::Kind::Integer,
                      0,
                      kPatternMaxNoise,
                      1,
                      PatternSettings{}.noiseLevel,
                      noise_.load(),
                      {},
                      {}};
  DriverControl replay{
      kReplayControl, "Replay video file", DriverControl::Kind::Path, 0, 0, 1, 0, 0, {},
      replayPath_};
  return {scene, noise, replay};
}

bool TestPatternDriver::setControl(std::uint32_t id, int value, const std::string& text,
                                   std::string& error) {
  switch (id) {
    case kSceneControl:
    case kNoiseControl: {
      const int maximum = id == kSceneControl ? 2 : kPatternMaxNoise;
      if (value < 0 || value > maximum) {
        error = "The value " + std::to_string(value) + " is outside 0.." + std::to_string(maximum) +
                ".";
        return false;
      }
      (id == kSceneControl ? scene_ : noise_).store(value);
      return true;
    }
    case kReplayControl: {
      // The same file again is opened afresh: it may have been mended since it failed.
      if (text.empty() && replayPath_.empty()) return true;
      VideoFileReader replay;
      // Opened before anything changes, so a file that does not play leaves the camera as it was.
      if (!text.empty() && !replay.open(text, error)) return false;
      thread_.stop();
      replay_ = std::move(replay);
      replayPath_ = text;
      if (!connected_) replay_.close();
      return restart(error);
    }
    default: error = "The test pattern has no control " + std::to_string(id) + "."; return false;
  }
}

}  // namespace camera
