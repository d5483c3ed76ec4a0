#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/Text.h"
#include "platform/camera/CaptureTypes.h"
#include "platform/camera/VideoDriver.h"
#include "platform/video/FrameFormat.h"

namespace camera {

// Sizes offered where the source itself sets no list (the test pattern, scaled files, cameras
// that scale freely).
inline constexpr FrameSize kStandardFrameSizes[] = {{160, 120}, {320, 240},  {640, 480},
                                                    {800, 600}, {1280, 720}, {1600, 1024}};

bool FitsFrameStore(const FrameSize& size, std::size_t maxFrameBytes, int bitCount = 24);
// Sorted, duplicates removed, only what fits maxFrameBytes at 24 bits.
std::vector<FrameSize> TidyFrameSizes(std::vector<FrameSize> sizes, std::size_t maxFrameBytes);
// `size` itself when it fits maxFrameBytes at 24 bits, else the largest even size of the same
// shape that does (a 1920 x 1080 file would not fit 4,915,200 bytes).
FrameSize ShrinkToFit(FrameSize size, std::size_t maxFrameBytes);

// Driver names and versions go into 200-character buffers: at most 199 bytes, never a split
// UTF-8 character.
inline std::string CutDriverText(std::string text) {
  return base::CutUtf8(std::move(text), kDriverTextChars - 1);
}
using base::ErrnoText;
using video::CheckFrameFormat;

// The one thread a driver produces frames on. stop() asks the body to end and joins it; the
// body polls stopRequested() or waits in sleepUntil(), which a stop cuts short.
class WorkerThread {
 public:
  WorkerThread() = default;
  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;
  ~WorkerThread() { stop(); }

  // False with the reason when the system refuses a thread.
  template <typename Body>
  bool start(Body body, std::string& error) {
    stop();
    {
      std::lock_guard lock(mutex_);
      stopping_ = false;
    }
    try {
      thread_ = std::thread(std::move(body));
    } catch (const std::system_error& e) {
      error = std::string("Cannot start the capture thread: ") + e.what();
      return false;
    }
    return true;
  }
  void stop();
  bool stopRequested() const;
  // False when a stop was asked for before `deadline`.
  bool sleepUntil(std::chrono::steady_clock::time_point deadline);

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace camera
