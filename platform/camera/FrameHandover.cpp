#include "platform/camera/FrameHandover.h"

#include <utility>

namespace camera {

std::uint8_t* FrameHandover::beginFrame(std::size_t bytes) { return back_.reserve(bytes); }

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

FrameResult FrameHandover::latest(FrameBuffer& frame, std::uint64_t& sequence, FrameFormat& format,
                                  std::string& error) {
  std::lock_guard lock(mutex_);
  if (!failure_.empty()) {
    error = failure_;
    return FrameResult::Failed;
  }
  if (published_ == sequence || front_.bytes == nullptr) return FrameResult::NoNewFrame;
  std::swap(frame, front_);
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
