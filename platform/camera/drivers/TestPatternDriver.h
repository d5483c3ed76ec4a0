#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/camera/FrameHandover.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/DriverSupport.h"
#include "platform/camera/drivers/VideoFileReader.h"

namespace camera {

enum class PatternScene { MovingObject = 0, Still = 1, Bars = 2 };

struct PatternSettings {
  PatternScene scene = PatternScene::MovingObject;
  int noiseLevel = 4;  // 0..kPatternMaxNoise: each byte gets 0..noiseLevel added per frame
};

inline constexpr int kPatternFramesPerSecond = 25;
inline constexpr int kPatternMaxNoise = 10;
// The moving object crosses the picture in the first 100 frames of every 200 (4 s at 25 frames
// per second); for the other 100 the picture stays still.
inline constexpr std::uint64_t kPatternMotionFrames = 100;
inline constexpr std::uint64_t kPatternCycleFrames = 200;

// Frame `index` of the scene, as format.bytes() bytes of bottom-up rows into `out`. The same
// index and format always give the same bytes. Still frames differ from each other in no byte
// by more than the noise level; the object differs from the background by far more than 40.
void RenderTestPattern(const PatternSettings& settings, std::uint64_t index,
                       const FrameFormat& format, std::uint8_t* out);

// The built-in virtual camera, so that the program has a working camera on any machine. It can
// also replay a video file in place of the pattern.
class TestPatternDriver final : public VideoDriver {
 public:
  enum ControlId : std::uint32_t { kSceneControl = 1, kNoiseControl = 2, kReplayControl = 3 };

  explicit TestPatternDriver(std::size_t maxFrameBytes) : maxFrameBytes_(maxFrameBytes) {}
  ~TestPatternDriver() override;
  TestPatternDriver(const TestPatternDriver&) = delete;
  TestPatternDriver& operator=(const TestPatternDriver&) = delete;

  std::string name() const override { return "Corvane test pattern"; }
  std::string version() const override { return "Corvane virtual camera 1.0"; }

  bool connect(std::string& error) override;
  void disconnect() override;
  bool connected() const override { return connected_; }

  FrameFormat format() const override { return format_; }
  std::vector<FrameSize> frameSizes() const override;
  bool setFormat(const FrameFormat& format, std::string& error) override;

  FrameResult latestFrame(FrameBuffer& frame, std::uint64_t& sequence, FrameFormat& format,
                          std::string& error) override;

  std::vector<DriverControl> controls() const override;
  bool setControl(std::uint32_t id, int value, const std::string& text,
                  std::string& error) override;

 private:
  bool start(std::string& error);  // the thread of the pattern, or of the replay
  bool restart(std::string& error);
  void renderLoop(FrameFormat format);

  std::size_t maxFrameBytes_;
  FrameFormat format_{640, 480, 24};
  bool connected_ = false;
  // Read by the render thread every frame, set from the Video Source dialog.
  std::atomic<int> scene_{static_cast<int>(PatternScene::MovingObject)};
  std::atomic<int> noise_{PatternSettings{}.noiseLevel};
  std::string replayPath_;  // empty: the pattern
  VideoFileReader replay_;  // the thread's alone while it runs
  FrameHandover handover_;
  WorkerThread thread_;  // last: stops before the rest goes
};

}  // namespace camera
