#include "platform/camera/drivers/V4l2Driver.h"

#include <fcntl.h>
#include <grp.h>
#include <libv4l2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <utility>

#include "platform/base/UniqueFd.h"

namespace camera {
namespace {

constexpr int kPollMs = 200;  // how long disconnect may wait for the capture thread
constexpr unsigned kBufferCount = 4;
constexpr std::int64_t kMaxMenuItems = 256;  // more than any real control has

std::string CutField(const __u8* text, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(text), strnlen(reinterpret_cast<const char*>(text), size));
}

// A device node: plain until libv4l2 takes it over, then closed through libv4l2.
using NodeFd = base::UniqueFd;

bool WrapNode(NodeFd& node, std::string& error) {
  if (v4l2_fd_open(node.get(), 0) < 0) {
    error = "libv4l2 cannot use the device: " + ErrnoText(errno);
    return false;
  }
  node.setCloseFunction(v4l2_close);
  return true;
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
  return "Only members of the group \"" + groupName + "\" may use this camera: add your user "
         "with \"sudo usermod -aG " + groupName + " $USER\", then log out and in again.";
}

// Opens a node and checks it is a capture device; `info` gets what QUERYCAP said.
NodeFd OpenNode(const std::string& path, V4l2DeviceInfo& info) {
  NodeFd node(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
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
  const __u32 deviceCaps =
      (caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities;
  info.capture = (deviceCaps & V4L2_CAP_VIDEO_CAPTURE) != 0;
  info.card = CutField(caps.card, sizeof caps.card);
  info.driver = CutField(caps.driver, sizeof caps.driver) + " " +
                std::to_string((caps.version >> 16) & 0xFF) + "." +
                std::to_string((caps.version >> 8) & 0xFF) + "." +
                std::to_string(caps.version & 0xFF);
  if (!info.capture) {
    info.error = path + " (" + info.card + ") cannot capture video";
    return {};
  }
  return node;
}

bool Ioctl(int fd, unsigned long request, void* argument, const char* what, std::string& error) {
  int result;
  do result = v4l2_ioctl(fd, request, argument);
  while (result < 0 && errno == EINTR);
  if (result < 0) error = std::string(what) + ": " + ErrnoText(errno);
  return result >= 0;
}

struct Mapping {
  void* start = MAP_FAILED;
  std::size_t length = 0;
  Mapping(void* s, std::size_t l) : start(s), length(l) {}
  Mapping(Mapping&& other) noexcept
      : start(std::exchange(other.start, MAP_FAILED)), length(other.length) {}
  Mapping& operator=(Mapping&&) = delete;
  ~Mapping() {
    if (start != MAP_FAILED) v4l2_munmap(start, length);
  }
};

std::vector<FrameSize> EnumerateSizes(int fd, std::size_t maxFrameBytes) {
  std::vector<FrameSize> sizes;
  v4l2_frmsizeenum entry{};
  entry.pixel_format = V4L2_PIX_FMT_BGR24;  // libv4l2 answers for what it converts from
  for (entry.index = 0; v4l2_ioctl(fd, VIDIOC_ENUM_FRAMESIZES, &entry) == 0; ++entry.index) {
    if (entry.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      sizes.push_back({static_cast<int>(entry.discrete.width),
                       static_cast<int>(entry.discrete.height)});
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

}  // namespace

struct V4l2Driver::Device {
  NodeFd node;
  bool streaming = false;  // mmap streaming; otherwise read()
  std::size_t bytesPerLine = 0;
  std::size_t frameBytes = 0;  // what one converted frame needs at least
  std::vector<Mapping> buffers;
  std::vector<std::uint8_t> readBuffer;  // for devices without streaming

  explicit Device(NodeFd&& fd) : node(std::move(fd)) {}
  ~Device() { stop(); }
  int fd() const { return node.get(); }

  bool start(FrameFormat& format, bool canStream, std::size_t maxFrameBytes, std::string& error);
  void stop();
};

bool V4l2Driver::Device::start(FrameFormat& format, bool canStream, std::size_t maxFrameBytes,
                               std::string& error) {
  v4l2_format wanted{};
  wanted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  wanted.fmt.pix.width = static_cast<__u32>(format.width);
  wanted.fmt.pix.height = static_cast<__u32>(format.height);
  wanted.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
  wanted.fmt.pix.field = V4L2_FIELD_ANY;
  if (!Ioctl(fd(), VIDIOC_S_FMT, &wanted, "VIDIOC_S_FMT", error)) return false;
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
  if (!Ioctl(fd(), VIDIOC_REQBUFS, &request, "VIDIOC_REQBUFS", error)) return false;
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
    if (!Ioctl(fd(), VIDIOC_QUERYBUF, &buffer, "VIDIOC_QUERYBUF", error)) return false;
    void* start = v4l2_mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd(),
                            buffer.m.offset);
    if (start == MAP_FAILED) {
      error = "Cannot map a capture buffer: " + ErrnoText(errno);
      return false;
    }
    buffers.emplace_back(start, buffer.length);
    if (!Ioctl(fd(), VIDIOC_QBUF, &buffer, "VIDIOC_QBUF", error)) return false;
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  return Ioctl(fd(), VIDIOC_STREAMON, &type, "VIDIOC_STREAMON", error);
}

void V4l2Driver::Device::stop() {
  if (streaming) {
    std::string ignored;  // the device may be gone; there is nothing left to tell
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Ioctl(fd(), VIDIOC_STREAMOFF, &type, "VIDIOC_STREAMOFF", ignored);
    buffers.clear();
    v4l2_requestbuffers none{};
    none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    none.memory = V4L2_MEMORY_MMAP;
    Ioctl(fd(), VIDIOC_REQBUFS, &none, "VIDIOC_REQBUFS", ignored);
    streaming = false;
  }
  readBuffer.clear();
}

V4l2DeviceInfo ProbeV4l2Device(const std::string& path) {
  V4l2DeviceInfo info;
  OpenNode(path, info);
  return info;
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

void CopyBgrBottomUp(const std::uint8_t* from, std::size_t bytesPerLine,
                     const FrameFormat& format, std::uint8_t* out) {
  const std::size_t pixelBytes = format.bitCount / 8;
  const std::size_t width = static_cast<std::size_t>(format.width);
  for (int y = 0; y < format.height; ++y) {
    const std::uint8_t* source = from + static_cast<std::size_t>(y) * bytesPerLine;
    std::uint8_t* target = out + static_cast<std::size_t>(format.height - 1 - y) * width * pixelBytes;
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

V4l2Driver::V4l2Driver(std::string path, std::size_t maxFrameBytes)
    : path_(std::move(path)), maxFrameBytes_(maxFrameBytes) {
  NodeFd node = OpenNode(path_, info_);
  if (node.get() >= 0) {
    std::string ignored;  // a node libv4l2 refuses gets the standard list; connect says why
    if (WrapNode(node, ignored)) sizes_ = EnumerateSizes(node.get(), maxFrameBytes_);
  }
  if (sizes_.empty()) sizes_.assign(std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes));
  if (std::find(sizes_.begin(), sizes_.end(), FrameSize{640, 480}) == sizes_.end())
    format_ = {sizes_.back().width, sizes_.back().height, 24};
}

V4l2Driver::~V4l2Driver() { disconnect(); }

std::string V4l2Driver::name() const {
  return CutDriverText(info_.card.empty() ? path_ : info_.card);
}

std::string V4l2Driver::version() const {
  return CutDriverText(info_.driver.empty() ? "V4L2" : info_.driver);
}

bool V4l2Driver::connect(std::string& error) {
  if (device_) return true;
  V4l2DeviceInfo info;
  NodeFd node = OpenNode(path_, info);
  if (node.get() < 0) {
    error = info.error;
    return false;
  }
  if (!WrapNode(node, error)) {
    error = path_ + ": " + error;
    return false;
  }
  info_ = info;
  sizes_ = EnumerateSizes(node.get(), maxFrameBytes_);
  if (sizes_.empty()) sizes_.assign(std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes));
  device_ = std::make_unique<Device>(std::move(node));
  if (startCapture(error)) return true;
  device_.reset();
  return false;
}

void V4l2Driver::disconnect() {
  stopCapture();
  device_.reset();
}

bool V4l2Driver::startCapture(std::string& error) {
  v4l2_capability caps{};
  const bool canStream =
      v4l2_ioctl(device_->fd(), VIDIOC_QUERYCAP, &caps) == 0 &&
      (((caps.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? caps.device_caps : caps.capabilities) &
       V4L2_CAP_STREAMING) != 0;
  FrameFormat format = format_;
  if (!device_->start(format, canStream, maxFrameBytes_, error)) {
    error = path_ + ": " + error;
    device_->stop();
    return false;
  }
  format_ = format;
  handover_.reset();
  if (thread_.start([this, format] { captureLoop(format); }, error)) return true;
  device_->stop();
  return false;
}

void V4l2Driver::stopCapture() {
  thread_.stop();
  if (device_) device_->stop();
}

void V4l2Driver::captureLoop(FrameFormat format) {
  Device& device = *device_;
  const auto gone = [this](const std::string& what) { handover_.fail(path_ + ": " + what); };
  try {
    while (!thread_.stopRequested()) {
      pollfd wait{device.fd(), POLLIN, 0};
      const int ready = ::poll(&wait, 1, kPollMs);
      if (ready < 0 && errno != EINTR) return gone("poll: " + ErrnoText(errno));
      if (ready <= 0) continue;
      const bool troubled = (wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;

      if (!device.streaming) {
        const ssize_t got = v4l2_read(device.fd(), device.readBuffer.data(), device.readBuffer.size());
        if (got < 0 && (errno == EAGAIN || errno == EINTR) && !troubled) continue;
        if (got < 0)
          return gone(errno == EAGAIN ? "the camera stopped delivering frames" : ErrnoText(errno));
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
        return gone(errno == EAGAIN ? "the camera stopped delivering frames" : ErrnoText(errno));
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
      if (!Ioctl(device.fd(), VIDIOC_QBUF, &buffer, "VIDIOC_QBUF", error)) return gone(error);
    }
  } catch (const std::exception& e) {
    gone(std::string("the capture stopped: ") + e.what());
  }
}

bool V4l2Driver::setFormat(const FrameFormat& format, std::string& error) {
  if (!CheckFrameFormat(format, maxFrameBytes_, error)) return false;
  if (std::find(sizes_.begin(), sizes_.end(), FrameSize{format.width, format.height}) ==
      sizes_.end()) {
    error = "The camera does not offer " + std::to_string(format.width) + " x " +
            std::to_string(format.height) + ".";
    return false;
  }
  const FrameFormat previous = format_;
  format_ = format;
  if (!device_) return true;
  stopCapture();
  if (startCapture(error)) return true;
  // Back to what worked, so a refused size does not leave the camera dark.
  format_ = previous;
  std::string again;
  if (!startCapture(again)) disconnect();
  return false;
}

FrameResult V4l2Driver::latestFrame(std::uint8_t* into, std::size_t capacity,
                                    std::uint64_t& sequence, FrameFormat& format,
                                    std::string& error) {
  if (!device_) {
    error = path_ + " is not connected.";
    return FrameResult::Failed;
  }
  return handover_.latest(into, capacity, sequence, format, error);
}

std::vector<DriverControl> V4l2Driver::controls() const {
  // Asking needs the device open; outside a connection it is opened just for this.
  V4l2DeviceInfo info;
  NodeFd own;
  int fd = device_ ? device_->fd() : -1;
  if (fd < 0) {
    own = OpenNode(path_, info);
    std::string ignored;
    if (own.get() < 0 || !WrapNode(own, ignored)) return {};
    fd = own.get();
  }

  std::vector<DriverControl> list;
  v4l2_queryctrl query{};
  query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (v4l2_ioctl(fd, VIDIOC_QUERYCTRL, &query) == 0) {
    const bool usable = (query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) == 0;
    DriverControl control;
    control.id = query.id;
    control.name = CutField(query.name, sizeof query.name);
    control.minimum = query.minimum;
    control.maximum = query.maximum;
    control.step = std::max(1, query.step);
    control.defaultValue = control.value = query.default_value;
    switch (query.type) {
      case V4L2_CTRL_TYPE_INTEGER: control.kind = DriverControl::Kind::Integer; break;
      case V4L2_CTRL_TYPE_BOOLEAN: control.kind = DriverControl::Kind::Boolean; break;
      case V4L2_CTRL_TYPE_MENU:
      case V4L2_CTRL_TYPE_INTEGER_MENU:
        control.kind = DriverControl::Kind::Menu;
        // Items the device skips stay empty, so position still equals value.
        // 64-bit, and at most kMaxMenuItems asked for: a device may claim any range.
        for (std::int64_t index = query.minimum;
             index <= query.maximum && index >= 0 && index - query.minimum < kMaxMenuItems;
             ++index) {
          v4l2_querymenu item{};
          item.id = query.id;
          item.index = static_cast<__u32>(index);
          std::string text;
          if (v4l2_ioctl(fd, VIDIOC_QUERYMENU, &item) == 0)
            text = query.type == V4L2_CTRL_TYPE_MENU ? CutField(item.name, sizeof item.name)
                                                     : std::to_string(item.value);
          control.menuItems.push_back(std::move(text));
        }
        break;
      default: control.id = 0; break;  // buttons, strings, classes: not for this dialog
    }
    if (usable && control.id != 0) {
      v4l2_control current{query.id, 0};
      if (v4l2_ioctl(fd, VIDIOC_G_CTRL, &current) == 0) control.value = current.value;
      list.push_back(std::move(control));
    }
    query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }

  DriverControl inputs{kInputControl, "Input", DriverControl::Kind::Menu, 0, -1, 1, 0, 0, {}, {}};
  v4l2_input input{};
  for (input.index = 0; v4l2_ioctl(fd, VIDIOC_ENUMINPUT, &input) == 0; ++input.index)
    inputs.menuItems.push_back(CutField(input.name, sizeof input.name));
  if (!inputs.menuItems.empty()) {
    inputs.maximum = static_cast<int>(inputs.menuItems.size()) - 1;
    int current = 0;
    if (v4l2_ioctl(fd, VIDIOC_G_INPUT, &current) == 0) inputs.value = current;
    list.push_back(std::move(inputs));
  }
  return list;
}

bool V4l2Driver::setControl(std::uint32_t id, int value, const std::string&,
                            std::string& error) {
  V4l2DeviceInfo info;
  NodeFd own;
  if (!device_) {
    own = OpenNode(path_, info);
    if (own.get() < 0) {
      error = info.error;
      return false;
    }
    if (!WrapNode(own, error)) return false;
  }
  const int fd = device_ ? device_->fd() : own.get();
  if (id != kInputControl) {
    v4l2_control control{id, value};
    return Ioctl(fd, VIDIOC_S_CTRL, &control, "Cannot set the control", error);
  }
  // Most drivers refuse another input while streaming.
  if (device_) stopCapture();
  const bool set = Ioctl(fd, VIDIOC_S_INPUT, &value, "Cannot choose the input", error);
  if (device_) {
    std::string restart;
    if (!startCapture(restart)) {
      disconnect();
      if (set) error = restart;
      return false;
    }
  }
  return set;
}

}  // namespace camera
