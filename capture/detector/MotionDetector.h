#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "capture/detector/ZoneBounds.h"
#include "capture/detector/ZonePass.h"
#include "platform/camera/CaptureWindow.h"
#include "platform/camera/FrameMemory.h"

namespace watchpost {

struct CaptureSettings;

// What the frame callback does with the next frame.
enum DetectorMode : std::int32_t {
  ModeHitAcknowledge = 1,
  ModeShowZone = 2,
  ModeDetect = 3,
  ModePreviewMovement = 4,  // idle and paused
  ModeRestore = 5,
  ModeProfile = 7,
};

// The detector's run-time fields of the capture document.
struct DetectorState {
  std::int32_t mode = ModePreviewMovement;
  std::int32_t resumeMode = ModePreviewMovement;  // where the profile analysis returns to
  std::int32_t sampledCount = 0;
  std::int32_t capturedCount = 0;
  std::int32_t pixelsHit = 0;
  std::int32_t consecutiveHits = 0;
  std::int32_t profileFrames = 0;
  std::int32_t profileStep = 0;
  std::int32_t profileBaseSum = 0;
  std::int32_t profileBlockSum = 0;

  // The resets of the document's first initialisation.
  void resetForNewDocument();
};

// The program services the detector calls on.
class DetectorHost {
 public:
  virtual ~DetectorHost() = default;
  virtual std::uint32_t currentTime() = 0;  // whole seconds since 1970-01-01 00:00 UTC
  // Milliseconds since 1970-01-01 00:00 UTC; its whole seconds are what currentTime says.
  virtual std::int64_t currentTimeMs() { return std::int64_t{currentTime()} * 1000; }
  virtual void beep() = 0;
  // After every frame; `sensitivityChanged` when the frame moved Threshold or Differential
  // (the profile analysis), so that the panel redraws its sliders only then.
  virtual void updateAllViews(bool sensitivityChanged) = 0;
  virtual void startStop() = 0;  // the control panel's Start/Stop toggle: here it ends the run
  virtual void enableControlPanel() = 0;
  virtual void setStatusText(const char* text) = 0;
};

// What a recording takes in beside the hit itself: frames sampled before it, and why each frame
// was taken. Without one the detector stores by parity and captures the hit alone.
class RecordingHook {
 public:
  virtual ~RecordingHook() = default;
  // The detector's two stores, which the hook may use as its own.
  virtual void adoptStores(std::uint8_t* first, std::uint8_t* second) = 0;
  // Where the next detection sample is stored, compared with `previous` (the store of the last
  // sample); null keeps the two stores by parity.
  virtual std::uint8_t* detectionStore(const std::uint8_t* previous) = 0;
  // A detection sample that was no hit: its store, bytes, changed bytes and time.
  virtual void quietSample(const std::uint8_t* store, std::size_t bytes, std::size_t changed,
                           std::int64_t timeMs) = 0;
  // A hit is about to be appended as frame `next` + 1: appends what goes before it, at most
  // `room` frames, writes their times (whole seconds) from `times`, and returns how many went.
  virtual std::int32_t beforeHit(std::int32_t next, std::int32_t room, std::uint32_t* times) = 0;
  // Whether the hit's full count of changed bytes is wanted.
  virtual bool wantsHitCount() const = 0;
  // The hit went into the recording as frame `index` + 1.
  virtual void hitTaken(std::int32_t index, std::int64_t timeMs, std::size_t changed) = 0;
  // A sample outside detection (preview, pause, analysis): the kept frames no longer lead up to
  // the next hit.
  virtual void interrupted() = 0;
};

// Compares each sampled frame with the one before it inside the trigger zone, captures the hits,
// marks movement in the live picture, shows the zone and tunes the sensitivity by itself.
// One instance per process: its frame stores and capture-time table are allocated once here.
class MotionDetector {
 public:
  static constexpr std::size_t kStoreBytes = 4'915'200;
  // Sized for the largest frame limit the control panel accepts.
  static constexpr std::size_t kCaptureTimesEntries = 64'000;

  MotionDetector(CaptureSettings& settings, DetectorState& state, DetectorHost& host,
                 const camera::CaptureWindowRef& window,
                 const ZoneKernels& kernels = BestKernels());
  // The window is the document's own field, which outlives the detector; never a temporary.
  MotionDetector(CaptureSettings&, DetectorState&, DetectorHost&, const camera::CaptureWindowRef&&,
                 const ZoneKernels& = BestKernels()) = delete;
  MotionDetector(const MotionDetector&) = delete;
  MotionDetector& operator=(const MotionDetector&) = delete;

  // The frame callback: runs the step of the current mode on one frame, then refreshes the
  // views.
  void OnFrame(camera::VideoHdr& frame);
  // Null for none; the hook outlives the detector's use of it.
  void SetRecordingHook(RecordingHook* hook);

  void ComputeZoneBounds();
  // Reads the format of the frames being delivered; the bounds stay as they were.
  void ReadVideoFormat();
  void BeginProfile();
  // The row-stride nudge commands: lasts until the bounds are next computed.
  void NudgeRowStride(int delta);

  const ZoneBounds& zoneBounds() const { return bounds_; }
  const camera::BitmapInfo& videoFormat() const { return videoFormat_; }
  std::int32_t savedMode() const { return savedMode_; }
  // Entry i is the time frame i + 1 of the run was captured.
  const std::uint32_t* captureTimes() const { return captureTimes_.get(); }
  const std::uint8_t* frameStore(int parity) const { return stores_[parity & 1].get(); }

 private:
  std::int32_t DetectFrame(camera::VideoHdr& frame);
  void AcknowledgeHit();
  std::int32_t MarkMovement(camera::VideoHdr& frame);
  void ShowZone(camera::VideoHdr& frame);
  void RestoreMode();
  void ProfileFrame(camera::VideoHdr& frame);

  FrameBuffers BuffersFor(camera::VideoHdr& frame) const;
  PassArea Area() const;

  CaptureSettings& settings_;
  DetectorState& state_;
  DetectorHost& host_;
  const camera::CaptureWindowRef& window_;
  const ZoneKernels& kernels_;

  std::int32_t savedMode_ = ModePreviewMovement;
  camera::BitmapInfo videoFormat_{};
  ZoneBounds bounds_{};
  camera::FrameBytes stores_[2];
  const std::uint8_t* lastStore_ = nullptr;  // the store the last sample went to
  RecordingHook* hook_ = nullptr;
  std::unique_ptr<std::uint32_t[]> captureTimes_;
};

}  // namespace watchpost
