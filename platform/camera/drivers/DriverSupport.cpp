#include "platform/camera/drivers/DriverSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace camera {
bool FitsFrameStore(const FrameSize& size, std::size_t maxFrameBytes, int bitCount) {
  return size.width > 0 && size.height > 0 &&
         FrameFormat{size.width, size.height, bitCount}.bytes() <= maxFrameBytes;
}

std::vector<FrameSize> TidyFrameSizes(std::vector<FrameSize> sizes, std::size_t maxFrameBytes) {
  std::erase_if(sizes, [&](const FrameSize& size) { return !FitsFrameStore(size, maxFrameBytes); });
  const auto byArea = [](const FrameSize& a, const FrameSize& b) {
    const long long areaA = 1LL * a.width * a.height, areaB = 1LL * b.width * b.height;
    return areaA != areaB ? areaA < areaB : a.width < b.width;
  };
  std::sort(sizes.begin(), sizes.end(), byArea);
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

FrameSize ShrinkToFit(FrameSize size, std::size_t maxFrameBytes) {
  if (size.width <= 0 || size.height <= 0 || FitsFrameStore(size, maxFrameBytes)) return size;
  const double scale = std::sqrt(static_cast<double>(maxFrameBytes) / 3.0 /
                                 (static_cast<double>(size.width) * size.height));
  FrameSize fitted{std::max(2, static_cast<int>(size.width * scale) & ~1),
                   std::max(2, static_cast<int>(size.height * scale) & ~1)};
  // Rounding, or the floor of 2 on a very thin shape, can leave it over: trim the long side.
  const std::size_t pixels = maxFrameBytes / 3;
  if (!FitsFrameStore(fitted, maxFrameBytes)) {
    if (fitted.width >= fitted.height)
      fitted.width = std::max<int>(2, static_cast<int>(pixels / fitted.height) & ~1);
    else
      fitted.height = std::max<int>(2, static_cast<int>(pixels / fitted.width) & ~1);
  }
  return fitted;
}

void WorkerThread::stop() {
  if (!thread_.joinable()) return;
  requestStop();
  thread_.join();
}

void WorkerThread::requestStop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
}

bool WorkerThread::stopRequested() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

bool WorkerThread::sleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_until(lock, deadline, [this] { return stopping_; });
}

WorkerThread::Wake WorkerThread::waitUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  wake_.wait_until(lock, deadline, [this] { return stopping_ || asked_; });
  return stopping_ ? Wake::Stopped : asked_ ? Wake::Asked : Wake::Due;
}

void WorkerThread::offer() {
  std::lock_guard lock(mutex_);
  ++offered_;
}

void WorkerThread::answer() {
  {
    std::lock_guard lock(mutex_);
    answered_ = offered_;
    asked_ = false;
  }
  wake_.notify_all();
}

void WorkerThread::ask(std::chrono::milliseconds patience) {
  std::unique_lock lock(mutex_);
  if (offered_ == answered_ || stopping_ || finished_) return;
  if (!asked_) {
    asked_ = true;
    wake_.notify_all();
  }
  wake_.wait_for(lock, patience, [this] { return !asked_ || stopping_ || finished_; });
}

}  // namespace camera
