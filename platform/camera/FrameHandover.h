#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/camera/FrameMemory.h"
#include "platform/camera/VideoDriver.h"

namespace camera {

// Passes frames from a driver's own thread to the capture window's: the producer fills a back
// buffer without holding the lock and publishes it with a swap; the consumer takes the newest
// published frame with another swap, giving its own buffer in return. Frames the consumer never
// asked for are simply replaced. The three buffers grow when the frame size does, never per
// frame.
class FrameHandover {
 public:
  // Producer side: a buffer of at least `bytes` bytes to fill, then publish().
  std::uint8_t* beginFrame(std::size_t bytes);
  void publish(const FrameFormat& format);
  // Producer side: the source failed; the consumer gets Failed with this reason.
  void fail(const std::string& reason);

  // Consumer side: see VideoDriver::latestFrame.
  FrameResult latest(FrameBuffer& frame, std::uint64_t& sequence, FrameFormat& format,
                     std::string& error);
  // Forgets the frames and the failure, as on reconnecting; only while no producer runs.
  void reset();

 private:
  mutable std::mutex mutex_;
  FrameBuffer front_;  // the newest published frame; guarded by mutex_
  FrameBuffer back_;   // the producer's alone
  FrameFormat format_{};
  std::uint64_t published_ = 0;
  std::string failure_;
};

}  // namespace camera
