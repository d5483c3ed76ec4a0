#include "capture/detector/MotionDetector.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "capture/settings/CaptureSettings.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

constexpr std::int32_t kProfileStartDifferential = 64;
constexpr std::int32_t kProfileStartStep = 32;
constexpr std::int32_t kProfileBaselineFrames = 10;
constexpr std::int32_t kProfileBlockFrames = 10;
constexpr std::int32_t kProfileMaxFrames = 90;
constexpr std::int32_t kBeepAfterHits = 3;

std::int32_t ClampToInt32(std::size_t count) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(count, std::numeric_limits<std::int32_t>::max()));
}

// Profile sums stay defined however many bytes a degenerate zone counts.
std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(
      std::clamp<std::int64_t>(std::int64_t{a} + b, std::numeric_limits<std::int32_t>::min(),
                               std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

void DetectorState::resetForNewDocument() {
  pixelsHit = 0;
  consecutiveHits = 0;
  capturedCount = 0;
  sampledCount = 0;
  mode = ModePreviewMovement;
  resumeMode = ModePreviewMovement;
  profileFrames = 0;
}

MotionDetector::MotionDetector(CaptureSettings& settings, DetectorState& state, DetectorHost& host,
                               const camera::CaptureWindowRef& window, const ZoneKernels& kernels)
    : settings_(settings),
      state_(state),
      host_(host),
      window_(window),
      kernels_(kernels),
      stores_{camera::MakeFrameBytes(kStoreBytes), camera::MakeFrameBytes(kStoreBytes)},
      captureTimes_(std::make_unique<std::uint32_t[]>(kCaptureTimesEntries)) {
  lastStore_ = stores_[0].get();
}

void MotionDetector::SetRecordingHook(RecordingHook* hook) {
  hook_ = hook;
  if (hook_ != nullptr) hook_->adoptStores(stores_[0].get(), stores_[1].get());
}

void MotionDetector::OnFrame(camera::VideoHdr& f) {
  const bool profiling = state_.mode == ModeProfile;  // the analysis tunes the sensitivity
  switch (state_.mode) {
    case ModeHitAcknowledge: AcknowledgeHit(); break;
    case ModeShowZone: ShowZone(f); break;
    case ModeDetect:
      state_.sampledCount += 1;
      state_.pixelsHit = DetectFrame(f);
      break;
    case ModePreviewMovement:
      state_.sampledCount += 1;
      state_.pixelsHit = MarkMovement(f);
      break;
    case ModeRestore: RestoreMode(); break;
    case ModeProfile: ProfileFrame(f); break;
    default: break;
  }
  host_.updateAllViews(profiling);
}

FrameBuffers MotionDetector::BuffersFor(camera::VideoHdr& frame) const {
  // A frame larger than a store is taken only as far as the store reaches.
  std::size_t bytes = frame.lpData != nullptr ? frame.dwBytesUsed : 0;
  if (frame.dwBufferLength != 0) bytes = std::min<std::size_t>(bytes, frame.dwBufferLength);
  bytes = std::min(bytes, kStoreBytes);
  const int parity = state_.sampledCount & 1;
  return FrameBuffers{frame.lpData, bytes, stores_[parity].get(), stores_[1 - parity].get()};
}

PassArea MotionDetector::Area() const { return PassArea{settings_.ZoneSet != 1, bounds_}; }

std::int32_t MotionDetector::DetectFrame(camera::VideoHdr& frame) {
  savedMode_ = state_.mode;
  state_.mode = ModeDetect;
  FrameBuffers buffers = BuffersFor(frame);
  if (std::uint8_t* kept = hook_ != nullptr ? hook_->detectionStore(lastStore_) : nullptr) {
    buffers.store = kept;
    buffers.previous = lastStore_;
  }
  lastStore_ = buffers.store;
  const std::int64_t nowMs = hook_ != nullptr ? host_.currentTimeMs() : 0;

  // A run also ends when the capture-time table is full, whatever Limit a profile holds.
  const auto captured = static_cast<std::size_t>(std::max(state_.capturedCount, 0));
  if (state_.capturedCount >= settings_.Limit || captured >= kCaptureTimesEntries) {
    if (buffers.bytes != 0) std::memcpy(buffers.store, buffers.live, buffers.bytes);
    host_.startStop();
    return 0;
  }

  const auto threshold = static_cast<std::uint32_t>(settings_.Threshold);
  const std::size_t count = DetectPass(
      kernels_, buffers, Area(), static_cast<std::uint32_t>(settings_.Differential), threshold);
  if (count < threshold) {
    state_.consecutiveHits = 0;
    if (hook_ != nullptr) hook_->quietSample(buffers.store, buffers.bytes, count, nowMs);
    return ClampToInt32(count);
  }
  std::size_t next = captured;
  if (hook_ != nullptr) {
    // Frames kept from before the hit go first; they count toward Limit, and leave the hit room.
    const std::size_t most =
        std::min<std::size_t>(static_cast<std::size_t>(settings_.Limit), kCaptureTimesEntries);
    const auto room = static_cast<std::int32_t>(most - captured - 1);
    const std::int32_t before =
        hook_->beforeHit(state_.capturedCount, room, captureTimes_.get() + captured);
    state_.capturedCount += before;
    next += static_cast<std::size_t>(before);
  }
  captureTimes_[next] =
      hook_ != nullptr ? static_cast<std::uint32_t>(nowMs / 1000) : host_.currentTime();
  // Only a frame the AVI took is counted: the event log must never name a frame the recording
  // lacks (no file open, a failed write; the window has said why).
  if (!window_->singleFrame()) return ClampToInt32(count);
  // A frame the AVI took is counted at once, before anything can change the mode (Pause, Show
  // Zone, a zone drawn, Stop, exit): the log then has one line for every frame of the AVI.
  state_.capturedCount += 1;
  state_.consecutiveHits += 1;
  if (hook_ != nullptr) {
    const std::size_t changed =
        hook_->wantsHitCount()
            ? CountPass(kernels_, buffers.store, buffers.previous, buffers.bytes, Area(),
                        static_cast<std::uint32_t>(settings_.Differential))
            : count;
    hook_->hitTaken(state_.capturedCount - 1, nowMs, changed);
  }
  // Under continuous motion this beeps on every fourth capture.
  if (settings_.Beep != 0 && state_.consecutiveHits > kBeepAfterHits) {
    state_.consecutiveHits = 0;
    host_.beep();
  }
  state_.mode = ModeHitAcknowledge;
  return ClampToInt32(count);
}

// The frame after a capture is let go unexamined; the capture was counted when it was taken.
void MotionDetector::AcknowledgeHit() { state_.mode = ModeDetect; }

std::int32_t MotionDetector::MarkMovement(camera::VideoHdr& frame) {
  savedMode_ = state_.mode;
  const FrameBuffers buffers = BuffersFor(frame);
  lastStore_ = buffers.store;
  if (hook_ != nullptr) hook_->interrupted();
  return ClampToInt32(
      MarkPass(kernels_, buffers, Area(), static_cast<std::uint32_t>(settings_.Differential)));
}

void MotionDetector::ShowZone(camera::VideoHdr& frame) {
  state_.mode = ModeRestore;
  ComputeZoneBounds();
  const FrameBuffers buffers = BuffersFor(frame);
  InvertZone(kernels_, buffers.live, buffers.bytes, bounds_);
}

void MotionDetector::RestoreMode() {
  state_.mode = savedMode_;
  window_->setPreviewRate(static_cast<std::uint32_t>(settings_.Interval));
}

void MotionDetector::ProfileFrame(camera::VideoHdr& frame) {
  state_.profileFrames += 1;
  state_.sampledCount += 1;
  state_.pixelsHit = MarkMovement(frame);

  if (state_.profileFrames <= kProfileBaselineFrames) {
    state_.profileBaseSum = SaturatingAdd(state_.profileBaseSum, state_.pixelsHit);
  } else if (state_.profileFrames % kProfileBlockFrames != 0) {
    state_.profileBlockSum = SaturatingAdd(state_.profileBlockSum, state_.pixelsHit);
  } else {
    // A block of ten frames has ended: move Differential toward the side that changed more, by
    // half as much as last time.
    state_.profileBlockSum = SaturatingAdd(state_.profileBlockSum, state_.pixelsHit);
    if (state_.profileBlockSum > state_.profileBaseSum) {
      settings_.Differential += state_.profileStep;
    } else {
      settings_.Differential -= state_.profileStep;
    }
    state_.profileBaseSum = state_.profileBlockSum;
    settings_.Threshold = state_.profileBlockSum / 5 + 100;
    state_.profileBlockSum = 0;
    state_.profileStep /= 2;
  }

  if (state_.profileStep == 0 || state_.profileFrames > kProfileMaxFrames) {
    state_.mode = state_.resumeMode;
    host_.enableControlPanel();
    host_.setStatusText(res::text::kCompletedAnalysis);
  }
}

void MotionDetector::ReadVideoFormat() {
  // Without a window the format read last still serves.
  if (window_.exists()) videoFormat_ = window_->videoFormat();
}

void MotionDetector::ComputeZoneBounds() {
  ReadVideoFormat();
  bounds_ = watchpost::ComputeZoneBounds(videoFormat_.bmiHeader, settings_);
}

void MotionDetector::BeginProfile() {
  state_.profileFrames = 0;
  state_.sampledCount = 0;
  state_.profileBlockSum = 0;
  state_.profileBaseSum = 0;
  settings_.Differential = kProfileStartDifferential;
  state_.profileStep = kProfileStartStep;
  // Restarting a running analysis keeps the mode from before the first one; taking ModeProfile
  // as the mode to resume would leave the detector analysing for ever and a run never capturing.
  if (state_.mode != ModeProfile) state_.resumeMode = state_.mode;
  state_.mode = ModeProfile;
}

void MotionDetector::NudgeRowStride(int delta) {
  const std::int64_t stride = std::int64_t{bounds_.rowStride} + delta;
  bounds_.rowStride = static_cast<std::int32_t>(std::clamp<std::int64_t>(
      stride, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace watchpost
