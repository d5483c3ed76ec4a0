#include "platform/camera/drivers/V4l2Driver.h"

#include <libv4l2.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "platform/camera/drivers/V4l2Device.h"

// The V4L2 camera's capture thread: frames from the device's buffers into the handover.

namespace camera {
namespace {

constexpr int kPollMs = 200;  // how long disconnect may wait for the capture thread

}  // namespace

void CopyBgrBottomUp(const std::uint8_t* from, std::size_t bytesPerLine, const FrameFormat& format,
                     std::uint8_t* out) {
  const std::size_t pixelBytes = format.bitCount / 8;
  const std::size_t width = static_cast<std::size_t>(format.width);
  for (int y = 0; y < format.height; ++y) {
    const std::uint8_t* source = from + static_cast<std::size_t>(y) * bytesPerLine;
    std::uint8_t* target =
        out + static_cast<std::size_t>(format.height - 1 - y) * width * pixelBytes;
    if (pixelBytes == 3) {
      std::memcpy(target, source, width * 3);
      continue;
    }
    for (std::size_t x = 0; x < width; ++x, source += 3, target += 4) {
      target[0] = source[0];
      target[1] = source[1];
      target[2] = source[2];
      target[3] = 0;
    }
  }
}

void V4l2Driver::captureLoop(FrameFormat format) {
  Device& device = *device_;
  const auto gone = [this](const std::string& what) { handover_.fail(path_ + ": " + what); };
  // After a read or DQBUF failed for good; EAGAIN then came with an error poll.
  const auto lost = [&gone] {
    const int code = errno;
    gone(code == EAGAIN ? "the camera stopped delivering frames" : ErrnoText(code));
  };
  try {
    while (!thread_.stopRequested()) {
      pollfd wait{device.fd(), POLLIN, 0};
      const int ready = ::poll(&wait, 1, kPollMs);
      if (ready < 0 && errno != EINTR) return gone("poll: " + ErrnoText(errno));
      if (ready <= 0) continue;
      const bool troubled = (wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;

      if (!device.streaming) {
        const ssize_t got =
            v4l2_read(device.fd(), device.readBuffer.data(), device.readBuffer.size());
        if (got < 0 && (errno == EAGAIN || errno == EINTR) && !troubled) continue;
        if (got < 0) return lost();
        if (static_cast<std::size_t>(got) < device.frameBytes) continue;  // a short frame
        CopyBgrBottomUp(device.readBuffer.data(), device.bytesPerLine, format,
                        handover_.beginFrame(format.bytes()));
        handover_.publish(format);
        continue;
      }

      v4l2_buffer buffer{};
      buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      buffer.memory = V4L2_MEMORY_MMAP;
      if (v4l2_ioctl(device.fd(), VIDIOC_DQBUF, &buffer) < 0) {
        if ((errno == EAGAIN || errno == EINTR) && !troubled) continue;
        // ENODEV or EIO when the camera was unplugged; an error poll with nothing to take, too.
        return lost();
      }
      const bool whole = buffer.index < device.buffers.size() &&
                         (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0 &&
                         buffer.bytesused >= device.frameBytes &&
                         device.buffers[buffer.index].length >= device.frameBytes;
      if (whole) {
        CopyBgrBottomUp(static_cast<const std::uint8_t*>(device.buffers[buffer.index].start),
                        device.bytesPerLine, format, handover_.beginFrame(format.bytes()));
        handover_.publish(format);
      }
      std::string error;
      if (!V4l2Ioctl(device.fd(), VIDIOC_QBUF, &buffer, "VIDIOC_QBUF", error)) return gone(error);
    }
  } catch (const std::exception& e) {
    gone(std::string("the capture stopped: ") + e.what());
  }
}

}  // namespace camera
