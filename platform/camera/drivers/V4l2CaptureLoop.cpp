#include "platform/camera/drivers/V4l2Driver.h"

#include <poll.h>

#include <cerrno>
#include <cstring>
#include <exception>

#include "platform/camera/drivers/V4l2Device.h"

// The V4L2 camera's capture thread: it keeps the newest frame out of the camera's queue and
// gives the others back unconverted.

namespace camera {

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

void V4l2Driver::captureLoop() {
  Device& device = *device_;
  const auto gone = [&device, this](const std::string& what) {
    device.slots.fail(path_ + ": " + what);
  };
  // After a read or DQBUF failed for good; EAGAIN then came with an error poll.
  const auto lost = [&gone] {
    const int code = errno;
    gone(code == EAGAIN ? "the camera stopped delivering frames" : ErrnoText(code));
  };
  try {
    pollfd waits[2] = {{device.fd(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
    while (!thread_.stopRequested()) {
      // Asleep until a frame is ready or a stop is asked for: no waking up in between.
      waits[0].revents = waits[1].revents = 0;
      const int ready = ::poll(waits, 2, -1);
      if (ready < 0 && errno != EINTR) return gone("poll: " + ErrnoText(errno));
      if (ready <= 0 || waits[1].revents != 0) continue;
      const bool troubled = (waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;

      if (!device.streaming) {
        const int slot = device.slots.freeSlot(static_cast<int>(device.readBuffers.size()));
        std::vector<std::uint8_t>& into = device.readBuffers[static_cast<std::size_t>(slot)];
        const ssize_t got = device.io().read(device.fd(), into.data(), into.size());
        if (got < 0 && (errno == EAGAIN || errno == EINTR) && !troubled) continue;
        if (got < 0) return lost();
        if (got > 0) device.slots.arrived(slot, static_cast<std::size_t>(got));
        continue;
      }

      v4l2_buffer buffer{};
      buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      buffer.memory = V4L2_MEMORY_MMAP;
      if (device.io().ioctl(device.fd(), VIDIOC_DQBUF, &buffer) < 0) {
        if ((errno == EAGAIN || errno == EINTR) && !troubled) continue;
        // ENODEV or EIO when the camera was unplugged; an error poll with nothing to take, too.
        return lost();
      }
      const bool usable = buffer.index < device.buffers.size() &&
                          (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0 && buffer.bytesused > 0;
      const int spare = usable
                            ? device.slots.arrived(static_cast<int>(buffer.index), buffer.bytesused)
                            : static_cast<int>(buffer.index);
      std::string error;
      if (spare >= 0 && !device.release(spare, error)) return gone(error);
    }
  } catch (const std::exception& e) {
    gone(std::string("the capture stopped: ") + e.what());
  }
}

}  // namespace camera
