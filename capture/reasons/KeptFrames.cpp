#include "capture/reasons/KeptFrames.h"

#include <sys/mman.h>

#include <algorithm>

#include "resources/WatchpostRecording.h"

namespace watchpost {

void KeptFrames::Unmap::operator()(std::uint8_t* at) const { ::munmap(at, bytes); }

KeptFrames::KeptFrames(const CaptureSettings& capture, const RecordingSettings& recording,
                       const camera::CaptureWindowRef& window, std::size_t storeBytes,
                       Report report)
    : capture_(capture),
      recording_(recording),
      window_(window),
      storeBytes_(storeBytes),
      report_(std::move(report)),
      extra_(nullptr, Unmap{}),
      reasons_(
          std::make_unique_for_overwrite<FrameReason[]>(MotionDetector::kCaptureTimesEntries)) {}

KeptFrames::~KeptFrames() = default;

void KeptFrames::adoptStores(std::uint8_t* first, std::uint8_t* second) {
  slots_[0] = first;
  slots_[1] = second;
}

void KeptFrames::beginRun() {
  Forget();
  hitSeen_ = false;
}

void KeptFrames::Forget() {
  keptHead_ = 0;
  keptSize_ = 0;
}

void KeptFrames::interrupted() {
  if (keptSize_ == 0 && !hitSeen_) return;  // idle: every preview frame comes here
  Forget();
  hitSeen_ = false;
}

bool KeptFrames::Follow() {
  const int wanted = std::clamp(recording_.PreEventFrames, 0, kMaxPreEventFrames);
  if (wanted == count_) return count_ > 0;
  Forget();
  count_ = 0;
  if (wanted == 0 || slots_[0] == nullptr) return false;
  if (!extra_ && !allocationFailed_) {
    // Untouched pages cost nothing: only the stores that take a frame are ever filled.
    const std::size_t bytes = storeBytes_ * (kMaxPreEventFrames - 1);
    void* at = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) {
      allocationFailed_ = true;
      if (report_) report_(res::text::kNoMemoryForKeptFrames);
    } else {
      extra_ = std::unique_ptr<std::uint8_t, Unmap>(static_cast<std::uint8_t*>(at), Unmap{bytes});
      for (int i = 2; i <= kMaxPreEventFrames; ++i) {
        slots_[i] = extra_.get() + static_cast<std::size_t>(i - 2) * storeBytes_;
      }
    }
  }
  if (!extra_) return false;
  count_ = wanted;
  return true;
}

bool KeptFrames::Occupied(const std::uint8_t* slot, const std::uint8_t* previous) const {
  if (slot == previous) return true;
  for (int i = 0; i < keptSize_; ++i) {
    if (kept_[(keptHead_ + i) % kMaxPreEventFrames].store == slot) return true;
  }
  return false;
}

std::uint8_t* KeptFrames::detectionStore(const std::uint8_t* previous) {
  if (!Follow()) return nullptr;
  // N + 1 stores: the N kept (the previous sample among them when it was kept) and this one.
  for (int i = 0; i <= count_; ++i) {
    if (!Occupied(slots_[i], previous)) return slots_[i];
  }
  return nullptr;  // cannot happen: one store is always free
}

FrameReason KeptFrames::ReasonNow(std::int32_t kind, std::int64_t timeMs,
                                  std::size_t changed) const {
  FrameReason r;
  r.timeMs = timeMs;
  r.kind = kind;
  r.changedBytes = static_cast<std::int64_t>(changed);
  r.differential = capture_.Differential;
  r.threshold = capture_.Threshold;
  r.zoneSet = capture_.ZoneSet == 1 ? 1 : 0;
  r.zoneLeft = capture_.ZoneLeft;
  r.zoneRight = capture_.ZoneRight;
  r.zoneTop = capture_.ZoneTop;
  r.zoneBottom = capture_.ZoneBottom;
  r.intervalMs = capture_.Interval;
  return r;
}

void KeptFrames::quietSample(const std::uint8_t* store, std::size_t bytes, std::size_t changed,
                             std::int64_t timeMs) {
  if (count_ == 0) return;
  if (keptSize_ == count_) {
    // The oldest goes; its store is free for the next sample.
    keptHead_ = (keptHead_ + 1) % kMaxPreEventFrames;
    --keptSize_;
  }
  kept_[(keptHead_ + keptSize_) % kMaxPreEventFrames] =
      Kept{store, bytes, ReasonNow(FrameReason::Before, timeMs, changed)};
  ++keptSize_;
}

std::int32_t KeptFrames::beforeHit(std::int32_t next, std::int32_t room, std::uint32_t* times) {
  const bool quietSpell = !hitSeen_ || keptSize_ == count_;
  hitSeen_ = true;
  int carry = quietSpell ? std::min(keptSize_, std::max(room, 0)) : 0;
  // Short of room the newest are kept: the frames just before the hit tell most.
  const int skip = keptSize_ - carry;
  std::int32_t appended = 0;
  for (int i = skip; i < keptSize_; ++i) {
    const Kept& k = kept_[(keptHead_ + i) % kMaxPreEventFrames];
    // A frame the window refused has been reported there; what follows would leave a gap.
    if (!window_->appendFrame(k.store, k.bytes)) break;
    const std::int64_t seconds = k.reason.timeMs / 1000;
    times[appended] = static_cast<std::uint32_t>(seconds);
    const std::size_t index = static_cast<std::size_t>(next) + static_cast<std::size_t>(appended);
    if (index < MotionDetector::kCaptureTimesEntries) reasons_[index] = k.reason;
    ++appended;
  }
  Forget();
  return appended;
}

void KeptFrames::hitTaken(std::int32_t index, std::int64_t timeMs, std::size_t changed) {
  if (index < 0 || static_cast<std::size_t>(index) >= MotionDetector::kCaptureTimesEntries) return;
  reasons_[index] = ReasonNow(FrameReason::Hit, timeMs, changed);
}

}  // namespace watchpost
