#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "capture/detector/MotionDetector.h"
#include "capture/settings/CaptureSettings.h"
#include "tests/support/FakeCaptureService.h"

namespace watchpost {
namespace {

using Bytes = std::vector<std::uint8_t>;

class RecordingHost : public DetectorHost {
 public:
  std::uint32_t now = 1'765'000'000;
  int beeps = 0;
  int updates = 0;
  int sensitivityUpdates = 0;  // of those, the ones that said the sensitivity moved
  int startStops = 0;
  int enables = 0;
  std::vector<std::string> statusTexts;
  DetectorState* state = nullptr;  // the toggle stops the run as the session would

  std::uint32_t currentTime() override { return now; }
  void beep() override { ++beeps; }
  void updateAllViews(bool sensitivityChanged) override {
    ++updates;
    if (sensitivityChanged) ++sensitivityUpdates;
  }
  void startStop() override {
    ++startStops;
    if (state != nullptr) {
      state->mode = ModePreviewMovement;
      state->sampledCount = 0;
    }
  }
  void enableControlPanel() override { ++enables; }
  void setStatusText(const char* text) override { statusTexts.emplace_back(text); }
};

class MotionDetectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.state = &state;
    window = service.createCaptureWindow("test", 0, QRect(0, 0, 640, 480), nullptr, 0);
    service.setPreview(true);
    service.singleFrameOpen();  // a run has its AVI open
    service.setCallbackFrame([this](camera::VideoHdr& f) { detector.OnFrame(f); });
    service.clearCalls();
    settings.ZoneSet = 0;
  }

  // Delivers a frame and returns what the preview then shows.
  Bytes Deliver(const Bytes& frame) {
    EXPECT_TRUE(service.deliverFrame(frame));
    const auto painted = service.lastPainted();
    return Bytes(painted.begin(), painted.end());
  }

  // Makes `frame` the previously examined frame, as an idle preview does.
  void Examine(const Bytes& frame) {
    state.mode = ModePreviewMovement;
    Deliver(frame);
  }

  void SetFormat(int width, int height, int bits) {
    camera::BitmapInfo format{};
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biBitCount = static_cast<std::uint16_t>(bits);
    service.setVideoFormat(format);
  }

  CaptureSettings settings;
  DetectorState state;
  RecordingHost host;
  testing_support::FakeCaptureService service;
  camera::CaptureWindowRef window;
  MotionDetector detector{settings, state, host, window};
};

const Bytes kPrevious{10, 20, 30, 40, 50, 60};
const Bytes kCurrent{10, 31, 30, 19, 50, 71};

TEST_F(MotionDetectorTest, DetectStopsAtTheThresholdAndCapturesTheFrameUnmarked) {
  settings.Differential = 10;
  settings.Threshold = 2;
  Examine(kPrevious);
  state.mode = ModeDetect;
  const Bytes shown = Deliver(kCurrent);

  EXPECT_EQ(state.pixelsHit, 2);
  EXPECT_EQ(state.mode, ModeHitAcknowledge);
  EXPECT_EQ(detector.captureTimes()[0], host.now);
  ASSERT_EQ(service.recordedFrames().size(), 1u);
  EXPECT_EQ(service.recordedFrames()[0], kCurrent);
  EXPECT_EQ(shown, kCurrent) << "detection does not mark the picture";
  EXPECT_EQ(state.capturedCount, 1) << "counted as the AVI takes it";
}

TEST_F(MotionDetectorTest, MarkMovementShowsChangedBytesInNegative) {
  settings.Differential = 10;
  Examine(kPrevious);
  const Bytes shown = Deliver(kCurrent);
  EXPECT_EQ(state.pixelsHit, 3);
  EXPECT_EQ(shown, (Bytes{10, 224, 30, 215, 50, 184}));
  EXPECT_EQ(service.count("singleFrame"), 0u);
  // The store keeps the frame as delivered, not as marked.
  EXPECT_EQ(
      Bytes(detector.frameStore(state.sampledCount), detector.frameStore(state.sampledCount) + 6),
      kCurrent);
}

TEST_F(MotionDetectorTest, ADifferenceEqualToTheDifferentialIsNoChange) {
  struct Row {
    int differential;
    int cur;
    int expectedChanged;
  } rows[] = {
      {10, 110, 0}, {10, 111, 1},  {10, 90, 0},   {10, 89, 1},   {0, 100, 0},   {0, 101, 1},
      {0, 99, 1},   {128, 228, 0}, {128, 229, 1}, {127, 227, 0}, {127, 228, 1},
  };
  for (const Row& r : rows) {
    settings.Differential = r.differential;
    settings.Threshold = 1000;
    Examine(Bytes(9, 100));
    state.mode = ModeDetect;
    Deliver(Bytes(9, static_cast<std::uint8_t>(r.cur)));
    EXPECT_EQ(state.pixelsHit, 9 * r.expectedChanged)
        << "differential " << r.differential << ", 100 -> " << r.cur;
  }
}

TEST_F(MotionDetectorTest, ThresholdZeroCapturesEveryDetectionFrame) {
  settings.Threshold = 0;
  const Bytes still(12, 77);
  Examine(still);
  for (int i = 0; i < 3; ++i) {
    state.mode = ModeDetect;
    Deliver(still);
    EXPECT_EQ(state.mode, ModeHitAcknowledge);
    EXPECT_EQ(state.pixelsHit, 0);
  }
  EXPECT_EQ(service.recordedFrames().size(), 3u);
}

TEST_F(MotionDetectorTest, AHitCountsExactlyTheThresholdHoweverMuchChanged) {
  settings.Differential = 5;
  settings.Threshold = 7;
  Examine(Bytes(100, 0));
  state.mode = ModeDetect;
  Deliver(Bytes(100, 200));
  EXPECT_EQ(state.pixelsHit, 7);
}

TEST_F(MotionDetectorTest, TheFirstFrameAfterStartIsComparedWithZeros) {
  settings.Differential = 0;
  settings.Threshold = 1000;
  state.mode = ModeDetect;
  Deliver(Bytes(50, 1));
  EXPECT_EQ(state.pixelsHit, 50);
}

TEST_F(MotionDetectorTest, ReachingTheLimitStopsTheRunWithoutComparing) {
  settings.Threshold = 0;
  settings.Limit = 2;
  Examine(Bytes(8, 1));
  state.mode = ModeDetect;
  for (int i = 0; i < 4; ++i) Deliver(Bytes(8, 1));  // hit, acknowledge, hit, acknowledge
  ASSERT_EQ(state.capturedCount, 2);
  const int sampledBefore = state.sampledCount;
  const Bytes last(8, 9);
  state.pixelsHit = 123;
  Deliver(last);

  EXPECT_EQ(host.startStops, 1);
  EXPECT_EQ(state.pixelsHit, 0);
  EXPECT_EQ(state.mode, ModePreviewMovement);
  EXPECT_EQ(service.recordedFrames().size(), 2u);
  // The frame counted as sampled and stored before the stop.
  const std::uint8_t* store = detector.frameStore(sampledBefore + 1);
  EXPECT_EQ(Bytes(store, store + 8), last);
}

TEST_F(MotionDetectorTest, CapturesBeyondTheTimeTableAreRefusedWhateverTheLimit) {
  settings.Threshold = 0;
  settings.Limit = 100'000;  // a profile may hold more than the panel allows
  state.mode = ModeDetect;
  state.capturedCount = static_cast<std::int32_t>(MotionDetector::kCaptureTimesEntries);
  Deliver(Bytes(8, 1));
  EXPECT_EQ(host.startStops, 1);
  EXPECT_EQ(service.count("singleFrame"), 0u);

  // The last entry is still written.
  state.mode = ModeDetect;
  state.capturedCount = static_cast<std::int32_t>(MotionDetector::kCaptureTimesEntries) - 1;
  host.now = 42;
  Deliver(Bytes(8, 1));
  EXPECT_EQ(detector.captureTimes()[MotionDetector::kCaptureTimesEntries - 1], 42u);
}

// Whatever replaces the mode between a hit and the frame after it, the hit is counted once, and
// the next hit takes the next entry of the time table.
TEST_F(MotionDetectorTest, AHitIsCountedOnceWhateverReplacesItsAcknowledgement) {
  const struct {
    const char* what;
    void (*interrupt)(MotionDetector&, DetectorState&);
  } cases[] = {
      {"nothing", [](MotionDetector&, DetectorState&) {}},
      {"Pause and Continue",
       [](MotionDetector&, DetectorState& s) { s.mode = ModePreviewMovement; }},
      {"Show Zone", [](MotionDetector&, DetectorState& s) { s.mode = ModeShowZone; }},
      {"Profile", [](MotionDetector& d, DetectorState&) { d.BeginProfile(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    settings = CaptureSettings{};
    settings.ZoneSet = 0;
    settings.Threshold = 0;
    state = DetectorState{};
    service.clearCalls();
    const std::size_t recordedBefore = service.recordedFrames().size();
    Examine(Bytes(4, 1));
    state.mode = ModeDetect;
    host.now = 100;
    Deliver(Bytes(4, 1));
    ASSERT_EQ(state.mode, ModeHitAcknowledge);
    EXPECT_EQ(state.capturedCount, 1);

    c.interrupt(detector, state);
    // Up to 100 frames for the interruption to run its course (the analysis ends after 70).
    for (int i = 0; i < 100 && state.mode != ModeDetect && state.mode != ModePreviewMovement; ++i)
      Deliver(Bytes(4, 1));
    EXPECT_EQ(state.capturedCount, 1);
    state.mode = ModeDetect;  // Continue, where the interruption paused
    settings.Threshold = 0;   // the analysis sets its own
    host.now = 200;
    Deliver(Bytes(4, 1));
    EXPECT_EQ(state.capturedCount, 2);
    EXPECT_EQ(detector.captureTimes()[0], 100u) << "the first hit keeps its entry";
    EXPECT_EQ(detector.captureTimes()[1], 200u);
    EXPECT_EQ(service.recordedFrames().size() - recordedBefore, 2u);
  }
}

TEST_F(MotionDetectorTest, BeepsOnEveryFourthCaptureUnderContinuousMotion) {
  settings.Threshold = 0;
  settings.Beep = 1;
  state.mode = ModeDetect;
  std::vector<int> beepedOn;
  for (int frame = 0; frame < 24; ++frame) {
    const int before = host.beeps;
    Deliver(Bytes(4, 1));
    if (host.beeps != before) beepedOn.push_back(state.capturedCount);
  }
  EXPECT_EQ(beepedOn, (std::vector<int>{4, 8, 12}));

  // A detection frame without a hit starts the count again.
  settings.Threshold = 1000;
  Deliver(Bytes(4, 1));
  settings.Threshold = 0;
  for (int frame = 0; frame < 6; ++frame) Deliver(Bytes(4, 1));
  EXPECT_EQ(host.beeps, 3);
  for (int frame = 0; frame < 2; ++frame) Deliver(Bytes(4, 1));
  EXPECT_EQ(host.beeps, 4);
}

TEST_F(MotionDetectorTest, WithBeepOffTheRunOfHitsKeepsCountingAndBeepsAtOnceWhenSwitchedOn) {
  settings.Threshold = 0;
  settings.Beep = 0;
  state.mode = ModeDetect;
  for (int frame = 0; frame < 10; ++frame) Deliver(Bytes(4, 1));
  EXPECT_EQ(host.beeps, 0);
  EXPECT_EQ(state.consecutiveHits, 5);
  settings.Beep = 1;
  Deliver(Bytes(4, 1));
  Deliver(Bytes(4, 1));
  EXPECT_EQ(host.beeps, 1);
  EXPECT_EQ(state.consecutiveHits, 0);
}

TEST_F(MotionDetectorTest, AnEmptyZoneComparesNothing) {
  SetFormat(4, 4, 8);
  settings.ZoneSet = 1;
  settings.ZoneLeft = 0.75f;  // left of right edge reversed: no columns
  settings.ZoneRight = 0.25f;
  settings.ZoneTop = 0.0f;
  settings.ZoneBottom = 1.0f;
  detector.ComputeZoneBounds();
  settings.Differential = 0;

  Examine(Bytes(16, 0));
  const Bytes moved(16, 255);
  EXPECT_EQ(Deliver(moved), moved) << "nothing is marked";
  EXPECT_EQ(state.pixelsHit, 0);

  settings.Threshold = 1;
  state.mode = ModeDetect;
  Deliver(Bytes(16, 0));
  EXPECT_EQ(state.mode, ModeDetect) << "no hit";
  settings.Threshold = 0;
  Deliver(moved);
  EXPECT_EQ(state.mode, ModeHitAcknowledge) << "threshold 0 is always a hit";
}

TEST_F(MotionDetectorTest, OnlyTheZoneIsComparedAndMarked) {
  SetFormat(4, 4, 8);
  settings.ZoneSet = 1;
  settings.ZoneLeft = 0.0f;
  settings.ZoneRight = 1.0f;
  settings.ZoneTop = 0.5f;  // the top half; the +1 and the two-pixel shift leave row 1, bytes 2-3
  settings.ZoneBottom = 1.0f;
  detector.ComputeZoneBounds();
  ASSERT_EQ(detector.zoneBounds(), (ZoneBounds{1, 4, 1, 2, 2, 4}));
  settings.Differential = 0;
  Examine(Bytes(16, 0));
  const Bytes shown = Deliver(Bytes(16, 10));
  EXPECT_EQ(state.pixelsHit, 2);
  EXPECT_EQ(shown, (Bytes{10, 10, 10, 10, 10, 10, 245, 245, 10, 10, 10, 10, 10, 10, 10, 10}));
}

TEST_F(MotionDetectorTest, ShowZoneInvertsTheZoneOnceThenRestoresTheMode) {
  SetFormat(4, 3, 8);
  settings.ZoneSet = 1;
  settings.ZoneLeft = 0.0f;
  settings.ZoneRight = 1.0f;
  settings.ZoneTop = 0.0f;
  settings.ZoneBottom = 1.0f;
  settings.Interval = 333;
  Examine(Bytes(12, 5));  // MarkMovement: the mode to return to is ModePreviewMovement
  const int sampled = state.sampledCount;

  state.mode = ModeShowZone;
  const Bytes shown = Deliver(Bytes(12, 5));
  EXPECT_EQ(shown, (Bytes{5, 5, 5, 5, 5, 5, 250, 250, 5, 5, 250, 250}));
  EXPECT_EQ(state.mode, ModeRestore);
  EXPECT_EQ(state.sampledCount, sampled);
  EXPECT_EQ(service.count("videoFormat"), 1u);

  Deliver(Bytes(12, 5));
  EXPECT_EQ(state.mode, ModePreviewMovement);
  EXPECT_EQ(service.previewRateMs(), 333u);
  EXPECT_EQ(state.sampledCount, sampled);
}

TEST_F(MotionDetectorTest, ZoneBoundsComeFromTheWindowsFormatAndTheLastOneServesWithoutIt) {
  SetFormat(640, 480, 24);
  settings.ZoneLeft = 0.25f;
  settings.ZoneRight = 0.75f;
  settings.ZoneTop = 0.25f;
  settings.ZoneBottom = 0.75f;
  detector.ComputeZoneBounds();
  const ZoneBounds vga{3, 1920, 121, 360, 486, 1440};
  EXPECT_EQ(detector.zoneBounds(), vga);
  EXPECT_EQ(service.count("videoFormat"), 1u);

  service.destroyWindow();
  service.clearCalls();
  SetFormat(320, 240, 24);
  detector.ComputeZoneBounds();
  EXPECT_EQ(detector.zoneBounds(), vga);
  EXPECT_TRUE(service.calls().empty());
}

// The event log counts only what the AVI holds: a hit that no AVI took (no window, no file
// open, a failed write) is not acknowledged, and the next hit takes the same entry.
TEST_F(MotionDetectorTest, AHitTheAviDidNotTakeIsNotCounted) {
  settings.Threshold = 0;
  state.mode = ModeDetect;
  Bytes frame(4, 1);
  camera::VideoHdr hdr{frame.data(), 4, 4};
  for (const bool window : {true, false}) {
    SCOPED_TRACE(window ? "no file open" : "no window");
    service.singleFrameClose();
    if (!window) service.destroyWindow();
    detector.OnFrame(hdr);
    EXPECT_EQ(state.mode, ModeDetect);
    EXPECT_EQ(detector.captureTimes()[0], host.now);
    host.now += 1;
    detector.OnFrame(hdr);
    EXPECT_EQ(state.capturedCount, 0);
    EXPECT_EQ(detector.captureTimes()[0], host.now) << "the next hit takes the same entry";
  }
}

TEST_F(MotionDetectorTest, RowStrideNudgesLastUntilTheBoundsAreComputedAgain) {
  SetFormat(640, 480, 24);
  detector.ComputeZoneBounds();
  detector.NudgeRowStride(+1);
  EXPECT_EQ(detector.zoneBounds().rowStride, 1921);
  detector.NudgeRowStride(-1);
  detector.NudgeRowStride(-1);
  EXPECT_EQ(detector.zoneBounds().rowStride, 1919);
  detector.ComputeZoneBounds();
  EXPECT_EQ(detector.zoneBounds().rowStride, 1920);
}

TEST_F(MotionDetectorTest, AFrameLargerThanAStoreIsTakenOnlyAsFarAsTheStore) {
  settings.Differential = 0;
  const std::size_t size = MotionDetector::kStoreBytes + 100;
  const Bytes shown = Deliver(Bytes(size, 1));
  EXPECT_EQ(state.pixelsHit, static_cast<std::int32_t>(MotionDetector::kStoreBytes));
  EXPECT_EQ(shown[MotionDetector::kStoreBytes - 1], 254);
  EXPECT_EQ(shown[MotionDetector::kStoreBytes], 1) << "past the store nothing is touched";
}

TEST_F(MotionDetectorTest, UnassignedModesOnlyRefreshTheViews) {
  for (std::int32_t mode : {0, 6, 8, -1}) {
    state.mode = mode;
    const int updates = host.updates;
    const Bytes frame(6, 3);
    EXPECT_EQ(Deliver(frame), frame);
    EXPECT_EQ(state.mode, mode);
    EXPECT_EQ(state.sampledCount, 0);
    EXPECT_EQ(host.updates, updates + 1);
  }
}

// A scene whose frame f differs from frame f-1 in exactly changes[f] bytes, by 255 each, so the
// count does not depend on the Differential the analysis is trying out.
std::vector<Bytes> ScriptedScene(const std::vector<int>& changes, std::size_t size) {
  std::vector<Bytes> frames;
  Bytes frame(size, 0);
  for (int n : changes) {
    for (int i = 0; i < n; ++i) frame[i] = static_cast<std::uint8_t>(255 - frame[i]);
    frames.push_back(frame);
  }
  return frames;
}

std::vector<int> PerFrame(std::initializer_list<int> perBlock) {
  std::vector<int> changes;
  for (int n : perBlock) changes.insert(changes.end(), 10, n);
  return changes;
}

TEST_F(MotionDetectorTest, ProfileOnAStillSceneSettlesOnTheMostSensitiveSetting) {
  Bytes still(300);
  for (std::size_t i = 0; i < still.size(); ++i) still[i] = static_cast<std::uint8_t>(i * 37);
  detector.BeginProfile();
  EXPECT_EQ(settings.Differential, 64);
  for (int frame = 1; frame <= 70; ++frame) {
    ASSERT_EQ(state.mode, ModeProfile) << "frame " << frame;
    Deliver(still);
  }
  EXPECT_EQ(settings.Differential, 1);
  EXPECT_EQ(settings.Threshold, 100);
  EXPECT_EQ(state.mode, ModePreviewMovement);
  // Every analysed frame tells the panel the sensitivity moved; the frames after it do not.
  EXPECT_EQ(host.sensitivityUpdates, 70);
  Deliver(still);
  EXPECT_EQ(host.sensitivityUpdates, 70);
  EXPECT_EQ(host.enables, 1);
  EXPECT_EQ(host.statusTexts, (std::vector<std::string>{"Corvane - Completed Analysis"}));
  EXPECT_EQ(service.count("singleFrame"), 0u);
}

TEST_F(MotionDetectorTest, ProfileFollowsTheBlockThatChangedMore) {
  const auto scene = ScriptedScene(PerFrame({5, 10, 3, 3, 20, 1, 7}), 64);
  detector.BeginProfile();
  std::vector<int> differentialAfterBlock;
  std::vector<int> thresholdAfterBlock;
  for (std::size_t f = 0; f < scene.size(); ++f) {
    Deliver(scene[f]);
    if ((f + 1) % 10 == 0 && f >= 19) {
      differentialAfterBlock.push_back(settings.Differential);
      thresholdAfterBlock.push_back(settings.Threshold);
    }
  }
  // Up 32 (100 > 50), down 16 (30 < 100), down 8 (30 = 30), up 4, down 2, up 1.
  EXPECT_EQ(differentialAfterBlock, (std::vector<int>{96, 80, 72, 76, 74, 75}));
  // Twice the mean changed bytes of the block, plus 100.
  EXPECT_EQ(thresholdAfterBlock, (std::vector<int>{120, 106, 106, 140, 102, 114}));
  EXPECT_EQ(state.mode, ModePreviewMovement);
  EXPECT_EQ(state.profileFrames, 70);
}

TEST_F(MotionDetectorTest, ProfileDuringARunSuspendsCapturingAndReturnsToDetection) {
  settings.Threshold = 0;
  state.mode = ModeDetect;
  state.sampledCount = 55;
  detector.BeginProfile();
  EXPECT_EQ(state.sampledCount, 0);
  for (int frame = 0; frame < 70; ++frame) Deliver(Bytes(16, 3));
  EXPECT_EQ(service.count("singleFrame"), 0u);
  EXPECT_EQ(state.sampledCount, 70);
  EXPECT_EQ(state.mode, ModeDetect);
}

TEST_F(MotionDetectorTest, RestartingAnAnalysisReturnsToTheModeBeforeTheFirstOne) {
  state.mode = ModeDetect;
  detector.BeginProfile();
  for (int frame = 0; frame < 15; ++frame) Deliver(Bytes(16, 3));
  detector.BeginProfile();  // Ctrl+I again while analysing
  EXPECT_EQ(state.resumeMode, ModeDetect);
  for (int frame = 0; frame < 70; ++frame) Deliver(Bytes(16, 3));
  EXPECT_EQ(state.mode, ModeDetect);
  EXPECT_EQ(host.enables, 1);

  settings.Threshold = 0;
  Deliver(Bytes(16, 3));
  EXPECT_EQ(service.count("singleFrame"), 1u) << "the run captures again";
}

TEST(DetectorState, FirstInitialisationResetsTheRunTimeFields) {
  DetectorState s;
  s.mode = ModeDetect;
  s.resumeMode = ModeProfile;
  s.sampledCount = s.capturedCount = s.pixelsHit = s.consecutiveHits = s.profileFrames = 9;
  s.resetForNewDocument();
  EXPECT_EQ(s.mode, ModePreviewMovement);
  EXPECT_EQ(s.resumeMode, ModePreviewMovement);
  EXPECT_EQ(s.sampledCount + s.capturedCount + s.pixelsHit + s.consecutiveHits + s.profileFrames,
            0);
}

}  // namespace
}  // namespace watchpost
