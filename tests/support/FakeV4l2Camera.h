#pragma once

#include <linux/videodev2.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/camera/drivers/V4l2Io.h"
#include "platform/video/FrameFormat.h"

namespace testing_support {

// A YUYV camera behind the V4L2 calls, for machines without one: it lists sizes and frame
// intervals, takes formats and intervals as a driver does (the nearest it offers), and makes
// a frame on a timer at its interval into the next queued buffer, dropping it when none is
// queued. Each frame is one grey level that tells its number. Its descriptor is a timer, so
// polling it wakes when a frame is due.
struct FakeCameraOptions {
  bool streaming = true;  // false: read() only
  std::vector<camera::FrameSize> sizes{{640, 480}, {320, 240}};
  std::vector<v4l2_fract> intervals{{1, 30}, {1, 15}, {1, 5}};
};

class FakeV4l2Camera final : public camera::V4l2Io {
 public:
  static constexpr const char* kPath = "/dev/corvane-fake-video";

  using Options = FakeCameraOptions;
  explicit FakeV4l2Camera(Options options = {}) : options_(std::move(options)) {
    current_.width = static_cast<__u32>(options_.sizes.front().width);
    current_.height = static_cast<__u32>(options_.sizes.front().height);
    settle(current_);
    interval_ = options_.intervals.front();
  }

  // The grey level (Y) of frame `number`, and the number of a converted grey level, modulo 50.
  static int LumaOf(int number) { return 16 + 4 * (number % 50); }
  static int NumberOfGrey(int grey) {
    // libv4lconvert takes Y as the grey level itself.
    return static_cast<int>(std::lround((grey - 16) / 4.0)) % 50;
  }

  // --- scripting and inspection
  void unplug() {
    std::lock_guard lock(mutex_);
    unplugged_ = true;
  }
  int framesMade() const {
    std::lock_guard lock(mutex_);
    return made_;
  }
  int framesDropped() const {  // made while no buffer was queued
    std::lock_guard lock(mutex_);
    return dropped_;
  }
  int misuses() const {  // a buffer queued twice, one dequeued that was not queued, ...
    std::lock_guard lock(mutex_);
    return misuses_;
  }
  v4l2_fract interval() const {
    std::lock_guard lock(mutex_);
    return interval_;
  }
  camera::FrameSize size() const {
    std::lock_guard lock(mutex_);
    return {static_cast<int>(current_.width), static_cast<int>(current_.height)};
  }
  bool open() const {
    std::lock_guard lock(mutex_);
    return fd_ >= 0;
  }

  // --- V4l2Io
  int open(const char* path, int) override {
    std::lock_guard lock(mutex_);
    if (std::string(path) != kPath) return fail(ENOENT);
    if (fd_ >= 0) return fail(EBUSY);
    fd_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    arm();
    return fd_;
  }
  int close(int fd) override {
    std::lock_guard lock(mutex_);
    if (fd != fd_) return fail(EBADF);
    ::close(fd_);
    fd_ = -1;
    streaming_ = false;
    buffers_.clear();
    queued_.clear();
    return 0;
  }
  void* mmap(std::size_t length, int, off_t offset) override {
    std::lock_guard lock(mutex_);
    const std::size_t index = static_cast<std::size_t>(offset) / bufferBytes();
    if (index >= buffers_.size() || length > buffers_[index].size()) {
      errno = EINVAL;
      return reinterpret_cast<void*>(-1);
    }
    return buffers_[index].data();
  }
  int munmap(void*, std::size_t) override { return 0; }
  ssize_t read(int, void* into, std::size_t bytes) override {
    std::lock_guard lock(mutex_);
    if (unplugged_) return fail(ENODEV);
    if (options_.streaming || streaming_) return fail(EBUSY);
    if (takeDue() == 0) return fail(EAGAIN);
    if (bytes < bufferBytes()) return fail(EINVAL);
    fill(static_cast<std::uint8_t*>(into));
    return static_cast<ssize_t>(bufferBytes());
  }
  int ioctl(int, unsigned long request, void* argument) override {
    std::lock_guard lock(mutex_);
    if (unplugged_) return fail(ENODEV);
    switch (request) {
      case VIDIOC_QUERYCAP: {
        auto& caps = *static_cast<v4l2_capability*>(argument);
        caps = {};
        std::strcpy(reinterpret_cast<char*>(caps.driver), "fakecam");
        std::strcpy(reinterpret_cast<char*>(caps.card), "Fake camera");
        caps.version = 0x010203;
        caps.device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_READWRITE |
                           (options_.streaming ? V4L2_CAP_STREAMING : 0u);
        caps.capabilities = caps.device_caps | V4L2_CAP_DEVICE_CAPS;
        return 0;
      }
      case VIDIOC_ENUM_FMT: {
        auto& format = *static_cast<v4l2_fmtdesc*>(argument);
        if (format.index > 0) return fail(EINVAL);
        format.pixelformat = V4L2_PIX_FMT_YUYV;
        std::strcpy(reinterpret_cast<char*>(format.description), "YUYV 4:2:2");
        return 0;
      }
      case VIDIOC_ENUM_FRAMESIZES: {
        auto& entry = *static_cast<v4l2_frmsizeenum*>(argument);
        if (entry.pixel_format != V4L2_PIX_FMT_YUYV || entry.index >= options_.sizes.size())
          return fail(EINVAL);
        entry.type = V4L2_FRMSIZE_TYPE_DISCRETE;
        entry.discrete.width = static_cast<__u32>(options_.sizes[entry.index].width);
        entry.discrete.height = static_cast<__u32>(options_.sizes[entry.index].height);
        return 0;
      }
      case VIDIOC_ENUM_FRAMEINTERVALS: {
        auto& entry = *static_cast<v4l2_frmivalenum*>(argument);
        if (entry.pixel_format != V4L2_PIX_FMT_YUYV || entry.index >= options_.intervals.size() ||
            !offers(entry.width, entry.height))
          return fail(EINVAL);
        entry.type = V4L2_FRMIVAL_TYPE_DISCRETE;
        entry.discrete = options_.intervals[entry.index];
        return 0;
      }
      case VIDIOC_TRY_FMT:
      case VIDIOC_S_FMT: {
        auto& format = *static_cast<v4l2_format*>(argument);
        if (format.type != V4L2_BUF_TYPE_VIDEO_CAPTURE) return fail(EINVAL);
        if (request == VIDIOC_S_FMT && (streaming_ || !buffers_.empty())) return fail(EBUSY);
        settle(format.fmt.pix);
        if (request == VIDIOC_S_FMT) current_ = format.fmt.pix;
        return 0;
      }
      case VIDIOC_G_FMT: {
        auto& format = *static_cast<v4l2_format*>(argument);
        format.fmt.pix = current_;
        return 0;
      }
      case VIDIOC_G_PARM:
      case VIDIOC_S_PARM: {
        auto& parameters = *static_cast<v4l2_streamparm*>(argument);
        if (request == VIDIOC_S_PARM) {
          interval_ = nearest(parameters.parm.capture.timeperframe);
          arm();
        }
        parameters.parm.capture = {};
        parameters.parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        parameters.parm.capture.timeperframe = interval_;
        return 0;
      }
      case VIDIOC_REQBUFS: {
        auto& request = *static_cast<v4l2_requestbuffers*>(argument);
        if (!options_.streaming) return fail(EINVAL);
        if (streaming_) return fail(EBUSY);
        request.count = std::min<__u32>(request.count, 8);
        buffers_.assign(request.count, std::vector<std::uint8_t>(bufferBytes(), 0));
        queued_.clear();
        return 0;
      }
      case VIDIOC_QUERYBUF: {
        auto& buffer = *static_cast<v4l2_buffer*>(argument);
        if (buffer.index >= buffers_.size()) return fail(EINVAL);
        buffer.length = static_cast<__u32>(bufferBytes());
        buffer.m.offset = static_cast<__u32>(buffer.index * bufferBytes());
        return 0;
      }
      case VIDIOC_QBUF: {
        auto& buffer = *static_cast<v4l2_buffer*>(argument);
        if (buffer.index >= buffers_.size() || isQueued(buffer.index)) {
          ++misuses_;
          return fail(EINVAL);
        }
        queued_.push_back(buffer.index);
        return 0;
      }
      case VIDIOC_DQBUF: {
        auto& buffer = *static_cast<v4l2_buffer*>(argument);
        if (!streaming_) return fail(EINVAL);
        if (takeDue() == 0) return fail(EAGAIN);
        if (queued_.empty()) {
          ++dropped_;
          return fail(EAGAIN);
        }
        buffer.index = queued_.front();
        queued_.pop_front();
        fill(buffers_[buffer.index].data());
        buffer.bytesused = static_cast<__u32>(bufferBytes());
        buffer.flags = 0;
        buffer.sequence = static_cast<__u32>(made_);
        return 0;
      }
      case VIDIOC_STREAMON: streaming_ = true; return 0;
      case VIDIOC_STREAMOFF:
        streaming_ = false;
        queued_.clear();
        return 0;
      default: return fail(ENOTTY);
    }
  }

 private:
  static int fail(int code) {
    errno = code;
    return -1;
  }
  std::size_t bufferBytes() const { return current_.sizeimage; }
  bool offers(__u32 width, __u32 height) const {
    for (const camera::FrameSize& size : options_.sizes)
      if (size.width == static_cast<int>(width) && size.height == static_cast<int>(height))
        return true;
    return false;
  }
  // A size it offers (the asked one, else its first) in YUYV.
  void settle(v4l2_pix_format& format) const {
    if (!offers(format.width, format.height)) {
      format.width = static_cast<__u32>(options_.sizes.front().width);
      format.height = static_cast<__u32>(options_.sizes.front().height);
    }
    format.pixelformat = V4L2_PIX_FMT_YUYV;
    format.field = V4L2_FIELD_NONE;
    format.bytesperline = format.width * 2;
    format.sizeimage = format.bytesperline * format.height;
    format.colorspace = V4L2_COLORSPACE_SRGB;
  }
  v4l2_fract nearest(const v4l2_fract& asked) const {
    const auto seconds = [](const v4l2_fract& f) {
      return f.denominator == 0 ? 0.0 : static_cast<double>(f.numerator) / f.denominator;
    };
    v4l2_fract best = options_.intervals.front();
    for (const v4l2_fract& offered : options_.intervals)
      if (std::abs(seconds(offered) - seconds(asked)) < std::abs(seconds(best) - seconds(asked)))
        best = offered;
    return best;
  }
  void arm() {
    if (fd_ < 0) return;
    const long nanoseconds = static_cast<long>(1e9 * interval_.numerator / interval_.denominator);
    itimerspec every{};
    every.it_interval = {nanoseconds / 1'000'000'000, nanoseconds % 1'000'000'000};
    every.it_value = every.it_interval;
    timerfd_settime(fd_, 0, &every, nullptr);
  }
  // The frames due since the last call (made now; only the newest of them fills a buffer).
  std::uint64_t takeDue() {
    std::uint64_t due = 0;
    if (::read(fd_, &due, sizeof due) != sizeof due) return 0;
    made_ += static_cast<int>(due);
    return due;
  }
  bool isQueued(__u32 index) const {
    for (const __u32 queued : queued_)
      if (queued == index) return true;
    return false;
  }
  void fill(std::uint8_t* into) const {
    const auto luma = static_cast<std::uint8_t>(LumaOf(made_));
    for (std::size_t i = 0; i < bufferBytes(); i += 2) {
      into[i] = luma;
      into[i + 1] = 128;
    }
  }

  Options options_;
  mutable std::mutex mutex_;
  int fd_ = -1;
  v4l2_pix_format current_{};
  v4l2_fract interval_{};
  bool streaming_ = false;
  bool unplugged_ = false;
  std::vector<std::vector<std::uint8_t>> buffers_;
  std::deque<__u32> queued_;
  int made_ = 0;
  int dropped_ = 0;
  int misuses_ = 0;
};

}  // namespace testing_support
