#include "platform/camera/drivers/V4l2Device.h"

#include <fcntl.h>
#include <grp.h>
#include <libv4l2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace camera {
namespace {

constexpr unsigned kBufferCount = 4;

// Where the driver gives device_caps, they are this node's; capabilities are the whole card's.
__u32 DeviceCaps(const v4l2_capability& caps) {
  return (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
}

// What to do when the device may not be opened: cameras belong to a group (usually "video")
// whose members may use them.
std::string PermissionAdvice(const std::string& path) {
  std::string groupName = "video";
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0) {
    const struct group* entry = ::getgrgid(status.st_gid);
    if (entry != nullptr && entry->gr_name != nullptr) groupName = entry->gr_name;
  }
  return "Only members of the group \"" + groupName +
         "\" may use this camera: add your user "
         "with \"sudo usermod -aG " +
         groupName + " $USER\", then log out and in again.";
}

// Opens a node and checks it is a capture device; `info` gets what QUERYCAP said.
V4l2Node OpenPlainNode(const std::string& path, V4l2DeviceInfo& info) {
  V4l2Node node(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (node.get() < 0) {
    const int openError = errno;
    info.error = path + ": " + ErrnoText(openError);
    if (openError == EACCES || openError == EPERM) info.error += ". " + PermissionAdvice(path);
    return {};
  }
  v4l2_capability caps{};
  // Asked without libv4l2, which would print its own complaint about a non-device.
  if (::ioctl(node.get(), VIDIOC_QUERYCAP, &caps) < 0) {
    info.error = path + " is not a V4L2 video device (" + ErrnoText(errno) + ")";
    return {};
  }
  info.opened = true;
  info.capture = (DeviceCaps(caps) & V4L2_CAP_VIDEO_CAPTURE) != 0;
  info.card = V4l2Text(caps.card, sizeof caps.card);
  info.driver = V4l2Text(caps.driver, sizeof caps.driver) + " " +
                std::to_string((caps.version >> 16) & 0xFF) + "." +
                std::to_string((caps.version >> 8) & 0xFF) + "." +
                std::to_string(caps.version & 0xFF);
  if (!info.capture) {
    info.error = path + " (" + info.card + ") cannot capture video";
    return {};
  }
  return node;
}

}  // namespace

V4l2DeviceInfo ProbeV4l2Device(const std::string& path) {
  V4l2DeviceInfo info;
  OpenPlainNode(path, info);
  return info;
}

V4l2Node OpenV4l2Node(const std::string& path, V4l2DeviceInfo& info) {
  V4l2Node node = OpenPlainNode(path, info);
  if (node.get() < 0) return {};
  if (v4l2_fd_open(node.get(), 0) < 0) {
    info.error = path + ": libv4l2 cannot use the device: " + ErrnoText(errno);
    return {};
  }
  node.setCloseFunction(v4l2_close);
  return node;
}

bool V4l2Ioctl(int fd, unsigned long request, void* argument, const char* what,
               std::string& error) {
  int result;
  do result = v4l2_ioctl(fd, request, argument);
  while (result < 0 && errno == EINTR);
  if (result < 0) error = std::string(what) + ": " + ErrnoText(errno);
  return result >= 0;
}

std::string V4l2Text(const __u8* text, std::size_t size) {
  const char* chars = reinterpret_cast<const char*>(text);
  return std::string(chars, strnlen(chars, size));
}

std::vector<FrameSize> SampleFrameSizes(const v4l2_frmsize_stepwise& range,
                                        std::size_t maxFrameBytes) {
  const auto fits = [](__u32 value, __u32 minimum, __u32 maximum, __u32 step) {
    return value >= minimum && value <= maximum && (value - minimum) % std::max(step, 1u) == 0;
  };
  std::vector<FrameSize> sizes;
  for (const FrameSize& size : kStandardFrameSizes) {
    if (fits(size.width, range.min_width, range.max_width, range.step_width) &&
        fits(size.height, range.min_height, range.max_height, range.step_height))
      sizes.push_back(size);
  }
  if (sizes.empty()) {
    // An odd range: offer its ends, the device rounds what it must.
    sizes.push_back({static_cast<int>(range.min_width), static_cast<int>(range.min_height)});
    sizes.push_back({static_cast<int>(range.max_width), static_cast<int>(range.max_height)});
  }
  return TidyFrameSizes(std::move(sizes), maxFrameBytes);
}

std::vector<FrameSize> EnumerateV4l2Sizes(int fd, std::size_t maxFrameBytes) {
  std::vector<FrameSize> sizes;
  v4l2_frmsizeenum entry{};
  entry.pixel_format = V4L2_PIX_FMT_BGR24;  // libv4l2 answers for what it converts from
  for (entry.index = 0; v4l2_ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &entry) == 0; ++entry.index) {
    if (entry.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      sizes.push_back(
          {static_cast<int>(entry.discrete.width), static_cast<int>(entry.discrete.height)});
      continue;
    }
    const auto sampled = SampleFrameSizes(entry.stepwise, maxFrameBytes);
    sizes.insert(sizes.end(), sampled.begin(), sampled.end());
    break;  // a range is the only entry
  }
  if (sizes.empty()) {
    // No list at all: keep the standard sizes the device accepts unchanged.
    for (const FrameSize& size : kStandardFrameSizes) {
      v4l2_format format{};
      format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      format.fmt.pix.width = static_cast<__u32>(size.width);
      format.fmt.pix.height = static_cast<__u32>(size.height);
      format.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
      if (v4l2_ioctl(fd, VIDIOC_TRY_FMT, &format) == 0 &&
          format.fmt.pix.width == static_cast<__u32>(size.width) &&
          format.fmt.pix.height == static_cast<__u32>(size.height))
        sizes.push_back(size);
    }
  }
  return TidyFrameSizes(std::move(sizes), maxFrameBytes);
}

V4l2Mapping::V4l2Mapping(V4l2Mapping&& other) noexcept
    : start(std::exchange(other.start, MAP_FAILED)), length(other.length) {}

V4l2Mapping::~V4l2Mapping() {
  if (start != MAP_FAILED) v4l2_munmap(start, length);
}

bool V4l2Driver::Device::start(FrameFormat& format, std::size_t maxFrameBytes, std::string& error) {
  v4l2_capability caps{};
  const bool canStream =
      v4l2_ioctl(fd(), VIDIOC_QUERYCAP, &caps) == 0 && (DeviceCaps(caps) & V4L2_CAP_STREAMING) != 0;
  v4l2_format wanted{};
  wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  wanted.fmt.pix.width = static_cast<__u32>(format.width);
  wanted.fmt.pix.height = static_cast<__u32>(format.height);
  wanted.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
  wanted.fmt.pix.field = V4L2_FIELD_ANY;
  if (!V4l2Ioctl(fd(), VIDIOC_S_FMT, &wanted, "VIDIOC_S_FMT", error)) return false;
  if (wanted.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24) {
    error = "The camera cannot deliver RGB frames, not even through libv4l2.";
    return false;
  }
  // The device may round the size; what it settled on is what the frames are.
  const FrameFormat got{static_cast<int>(wanted.fmt.pix.width),
                        static_cast<int>(wanted.fmt.pix.height), format.bitCount};
  if (!CheckFrameFormat(got, maxFrameBytes, error)) return false;
  format = got;
  bytesPerLine = std::max<std::size_t>(wanted.fmt.pix.bytesperline, got.width * 3u);
  frameBytes = bytesPerLine * (got.height - 1) + got.width * 3u;

  if (!canStream) {
    readBuffer.assign(std::max<std::size_t>(wanted.fmt.pix.sizeimage, frameBytes), 0);
    return true;
  }
  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (!V4l2Ioctl(fd(), VIDIOC_REQBUFS, &request, "VIDIOC_REQBUFS", error)) return false;
  streaming = true;  // from here on stop() gives the buffers back
  if (request.count == 0) {
    error = "The camera gave no capture buffers.";
    return false;
  }
  buffers.reserve(request.count);
  for (__u32 index = 0; index < request.count; ++index) {
    v4l2_buffer buffer{};
    buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buffer.memory = V4L2_MEMORY_MMAP;
    buffer.index = index;
    if (!V4l2Ioctl(fd(), VIDIOC_QUERYBUF, &buffer, "VIDIOC_QUERYBUF", error)) return false;
    void* start = v4l2_mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd(),
                            buffer.m.offset);
    if (start == MAP_FAILED) {
      error = "Cannot map a capture buffer: " + ErrnoText(errno);
      return false;
    }
    buffers.emplace_back(start, buffer.length);
    if (!V4l2Ioctl(fd(), VIDIOC_QBUF, &buffer, "VIDIOC_QBUF", error)) return false;
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  return V4l2Ioctl(fd(), VIDIOC_STREAMON, &type, "VIDIOC_STREAMON", error);
}

void V4l2Driver::Device::stop() {
  if (streaming) {
    std::string ignored;  // the device may be gone; there is nothing left to tell
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    V4l2Ioctl(fd(), VIDIOC_STREAMOFF, &type, "VIDIOC_STREAMOFF", ignored);
    buffers.clear();
    v4l2_requestbuffers none{};
    none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    none.memory = V4L2_MEMORY_MMAP;
    V4l2Ioctl(fd(), VIDIOC_REQBUFS, &none, "VIDIOC_REQBUFS", ignored);
    streaming = false;
  }
  readBuffer.clear();
}

}  // namespace camera
