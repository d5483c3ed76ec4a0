#include "platform/camera/FrameHandover.h"

#include <cstring>
#include <utility>

namespace camera {

std::uint8_t* FrameHandover::beginFrame(std::size_t bytes) {
  if (back_.capacity < bytes) {
    back_.bytes = MakeFrameBytes(bytes);
    back_.capacity = bytes;
  }
  back_.size = bytes;
  return back_.bytes.get();
}

void FrameHandover::publish(const FrameFormat& format) {
  std::lock_guard lock(mutex_);
  std::swap(front_, back_);
  format_ = format;
  ++published_;
}

void FrameHandover::fail(const std::string& reason) {
  std::lock_guard lock(mutex_);
  failure_ = reason.empty() ? "the video source stopped" : reason;
}

FrameResult FrameHandover::latest(std::uint8_t* into, std::size_t capacity, std::uint64_t& sequence,
                                  FrameFormat& format, std::string& error) {
  std::lock_guard lock(mutex_);
  if (!failure_.empty()) {
    error = failure_;
    return FrameResult::Failed;
  }
  if (published_ == sequence || front_.bytes == nullptr) return FrameResult::NoNewFrame;
  if (front_.size > capacity) {
    error = "the frame of " + std::to_string(front_.size) + " bytes does not fit the buffer of " +
            std::to_string(capacity) + " bytes";
    return FrameResult::Failed;
  }
  std::memcpy(into, front_.bytes.get(), front_.size);
  format = format_;
  sequence = published_;
  return FrameResult::NewFrame;
}

void FrameHandover::reset() {
  std::lock_guard lock(mutex_);
  failure_.clear();
  format_ = {};
  front_.bytes.reset();
  front_.capacity = 0;
  front_.size = 0;
}

}  // namespace camera
