#include "platform/camera/drivers/DriverSupport.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/camera/VideoFormat.h"

namespace camera {
namespace {

// glibc offers the GNU strerror_r (returns the text), others the POSIX one (fills the buffer).
[[maybe_unused]] const char* PickText(int result, const char* buffer) {
  return result == 0 ? buffer : "unknown error";
}
[[maybe_unused]] const char* PickText(const char* text, const char*) { return text; }

}  // namespace

bool FitsFrameStore(const FrameSize& size, int bitCount) {
  return size.width > 0 && size.height > 0 &&
         FrameFormat{size.width, size.height, bitCount}.bytes() <= kMaxFrameBytes;
}

std::vector<FrameSize> TidyFrameSizes(std::vector<FrameSize> sizes) {
  std::erase_if(sizes, [](const FrameSize& size) { return !FitsFrameStore(size); });
  const auto byArea = [](const FrameSize& a, const FrameSize& b) {
    const long long areaA = 1LL * a.width * a.height, areaB = 1LL * b.width * b.height;
    return areaA != areaB ? areaA < areaB : a.width < b.width;
  };
  std::sort(sizes.begin(), sizes.end(), byArea);
  sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
  return sizes;
}

FrameSize ShrinkToFit(FrameSize size) {
  if (size.width <= 0 || size.height <= 0 || FitsFrameStore(size)) return size;
  const double scale = std::sqrt(static_cast<double>(kMaxFrameBytes) / 3.0 /
                                 (static_cast<double>(size.width) * size.height));
  FrameSize fitted{std::max(2, static_cast<int>(size.width * scale) & ~1),
                   std::max(2, static_cast<int>(size.height * scale) & ~1)};
  // Rounding, or the floor of 2 on a very thin shape, can leave it over: trim the long side.
  constexpr std::size_t kPixels = kMaxFrameBytes / 3;
  if (!FitsFrameStore(fitted)) {
    if (fitted.width >= fitted.height)
      fitted.width = std::max<int>(2, static_cast<int>(kPixels / fitted.height) & ~1);
    else
      fitted.height = std::max<int>(2, static_cast<int>(kPixels / fitted.width) & ~1);
  }
  return fitted;
}

std::string CutDriverText(std::string text) {
  constexpr std::size_t kMaxBytes = 199;
  if (text.size() <= kMaxBytes) return text;
  std::size_t end = kMaxBytes;
  // Back off over continuation bytes so the cut lands before a character's first byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

std::string ErrnoText(int error) {
  char buffer[256] = {};
  return PickText(strerror_r(error, buffer, sizeof buffer), buffer);
}

void WorkerThread::stop() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool WorkerThread::stopRequested() const {
  std::lock_guard lock(mutex_);
  return stopping_;
}

bool WorkerThread::sleepUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_until(lock, deadline, [this] { return stopping_; });
}

}  // namespace camera
