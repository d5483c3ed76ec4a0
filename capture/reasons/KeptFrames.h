#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "capture/detector/MotionDetector.h"
#include "capture/reasons/ReasonsLog.h"
#include "capture/reasons/RecordingSettings.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/camera/CaptureWindow.h"

namespace watchpost {

// Keeps the last PreEventFrames detection samples and, at a hit after a quiet spell (no hit
// among the last N samples, or none yet in the run), appends them to the recording before the
// hit, oldest first; and notes why every frame of the run was taken. The samples stay where the
// detector stored them: the detector's two stores and N - 1 more take turns, so keeping a frame
// costs no copy. The extra stores are taken once, the first time N is above 0.
class KeptFrames final : public RecordingHook {
 public:
  using Report = std::function<void(const std::string& text)>;

  KeptFrames(const CaptureSettings& capture, const RecordingSettings& recording,
             const camera::CaptureWindowRef& window, std::size_t storeBytes, Report report);
  ~KeptFrames() override;
  KeptFrames(const KeptFrames&) = delete;
  KeptFrames& operator=(const KeptFrames&) = delete;

  // A new run: nothing kept, no hit yet.
  void beginRun();
  // Entry i says why frame i + 1 of the run was taken.
  const FrameReason* reasons() const { return reasons_.get(); }
  // Samples kept now, for the next hit.
  int keptCount() const { return keptSize_; }

  // --- RecordingHook
  void adoptStores(std::uint8_t* first, std::uint8_t* second) override;
  std::uint8_t* detectionStore(const std::uint8_t* previous) override;
  void quietSample(const std::uint8_t* store, std::size_t bytes, std::size_t changed,
                   std::int64_t timeMs) override;
  std::int32_t beforeHit(std::int32_t next, std::int32_t room, std::uint32_t* times) override;
  bool wantsHitCount() const override { return recording_.WriteReasons != 0; }
  void hitTaken(std::int32_t index, std::int64_t timeMs, std::size_t changed) override;
  void interrupted() override;

 private:
  struct Kept {
    const std::uint8_t* store = nullptr;
    std::size_t bytes = 0;
    FrameReason reason;
  };
  struct Unmap {
    std::size_t bytes = 0;
    void operator()(std::uint8_t* at) const;
  };

  FrameReason ReasonNow(std::int32_t kind, std::int64_t timeMs, std::size_t changed) const;
  // Follows a change of PreEventFrames; false while none are kept.
  bool Follow();
  bool Occupied(const std::uint8_t* slot, const std::uint8_t* previous) const;
  void Forget();

  const CaptureSettings& capture_;
  const RecordingSettings& recording_;
  const camera::CaptureWindowRef& window_;
  std::size_t storeBytes_;
  Report report_;

  std::unique_ptr<std::uint8_t, Unmap> extra_;  // kMaxPreEventFrames - 1 more stores
  bool allocationFailed_ = false;
  std::uint8_t* slots_[kMaxPreEventFrames + 1] = {};
  int count_ = 0;  // N in force
  Kept kept_[kMaxPreEventFrames];
  int keptHead_ = 0;  // the oldest
  int keptSize_ = 0;
  bool hitSeen_ = false;  // since the run began or detection was last interrupted
  std::unique_ptr<FrameReason[]> reasons_;
};

}  // namespace watchpost
