#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
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

// How long a consumer waits for a frame made on demand before it takes what there is.
inline constexpr std::chrono::milliseconds kFrameMakingPatience{200};

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
      stopping_ = finished_ = asked_ = false;
      offered_ = answered_ = 0;
    }
    try {
      thread_ = std::thread([this, body = std::move(body)]() mutable {
        body();
        {
          std::lock_guard lock(mutex_);
          finished_ = true;
        }
        wake_.notify_all();
      });
    } catch (const std::system_error& e) {
      error = std::string("Cannot start the capture thread: ") + e.what();
      return false;
    }
    return true;
  }
  void stop();
  // Asks the body to end without waiting for it, so that a body waiting on something else can
  // be woken before stop() joins it.
  void requestStop();
  bool stopRequested() const;
  // False when a stop was asked for before `deadline`.
  bool sleepUntil(std::chrono::steady_clock::time_point deadline);

  // Frames made on demand: the thread offer()s each newer picture it could make a frame of,
  // waits in waitUntil(), and when asked makes the frame of the newest and answer()s. What
  // nobody asks for is never made.
  enum class Wake { Due, Asked, Stopped };
  Wake waitUntil(std::chrono::steady_clock::time_point deadline);
  void offer();
  void answer();
  // The consumer's side: when a picture was offered since the last answer, asks for its frame
  // and waits for it, at most `patience` (a thread that is late answers into the next call).
  void ask(std::chrono::milliseconds patience);

 private:
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  // Guarded by mutex_:
  bool stopping_ = false;
  bool finished_ = false;  // the body has returned; nobody is left to answer
  bool asked_ = false;
  std::uint64_t offered_ = 0;
  std::uint64_t answered_ = 0;  // offered_ as it was at the last answer
  std::thread thread_;
};

}  // namespace camera
