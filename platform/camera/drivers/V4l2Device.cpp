#include "platform/camera/drivers/V4l2Device.h"

#include <fcntl.h>
#include <grp.h>
#include <libv4l-plugin.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
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

// libv4lconvert asks the node through the same calls as the driver.
int ConverterIoctl(void* io, int fd, unsigned long request, void* argument) {
  return static_cast<V4l2Io*>(io)->ioctl(fd, request, argument);
}
ssize_t ConverterRead(void* io, int fd, void* buffer, size_t bytes) {
  return static_cast<V4l2Io*>(io)->read(fd, buffer, bytes);
}
constexpr libv4l_dev_ops kConverterCalls{nullptr, nullptr, ConverterIoctl, ConverterRead,
                                         nullptr, nullptr, nullptr,        nullptr,
                                         nullptr, nullptr, nullptr,        nullptr};

double Seconds(const v4l2_fract& interval) {
  return interval.denominator == 0 ? 0.0
                                   : static_cast<double>(interval.numerator) / interval.denominator;
}

}  // namespace

V4l2Node& V4l2Node::operator=(V4l2Node&& other) noexcept {
  if (this != &other) {
    reset();
    io_ = other.io_;
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

void V4l2Node::reset() {
  if (fd_ >= 0) io_->close(fd_);
  fd_ = -1;
}

V4l2DeviceInfo ProbeV4l2Device(const std::string& path, V4l2Io& io) {
  V4l2DeviceInfo info;
  OpenV4l2Node(io, path, info);
  return info;
}

V4l2Node OpenV4l2Node(V4l2Io& io, const std::string& path, V4l2DeviceInfo& info) {
  V4l2Node node(io, io.open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
  if (node.get() < 0) {
    const int openError = errno;
    info.error = path + ": " + ErrnoText(openError);
    if (openError == EACCES || openError == EPERM) info.error += ". " + PermissionAdvice(path);
    return {};
  }
  v4l2_capability caps{};
  if (io.ioctl(node.get(), VIDIOC_QUERYCAP, &caps) < 0) {
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

bool V4l2Ioctl(V4l2Io& io, int fd, unsigned long request, void* argument, const char* what,
               std::string& error) {
  const int result = io.ioctl(fd, request, argument);
  if (result < 0) error = std::string(what) + ": " + ErrnoText(errno);
  return result >= 0;
}

V4lConverter MakeV4lConverter(const V4l2Node& node) {
  if (node.get() < 0) return nullptr;
  return V4lConverter(v4lconvert_create_with_dev_ops(node.get(), &node.io(), &kConverterCalls));
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

std::vector<FrameSize> EnumerateV4l2Sizes(v4lconvert_data* converter, std::size_t maxFrameBytes) {
  std::vector<FrameSize> sizes;
  if (converter == nullptr) return sizes;
  v4l2_frmsizeenum entry{};
  entry.pixel_format = V4L2_PIX_FMT_BGR24;  // libv4lconvert answers for what it converts from
  for (entry.index = 0; v4lconvert_enum_framesizes(converter, &entry) == 0; ++entry.index) {
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
      if (v4lconvert_try_format(converter, &format, nullptr) == 0 &&
          format.fmt.pix.width == static_cast<__u32>(size.width) &&
          format.fmt.pix.height == static_cast<__u32>(size.height))
        sizes.push_back(size);
    }
  }
  return TidyFrameSizes(std::move(sizes), maxFrameBytes);
}

std::vector<v4l2_frmivalenum> EnumerateV4l2Intervals(V4l2Io& io, int fd, __u32 pixelFormat,
                                                     __u32 width, __u32 height) {
  constexpr __u32 kMaxIntervals = 64;  // more than any real camera lists
  std::vector<v4l2_frmivalenum> intervals;
  v4l2_frmivalenum entry{};
  entry.pixel_format = pixelFormat;
  entry.width = width;
  entry.height = height;
  for (entry.index = 0;
       entry.index < kMaxIntervals && io.ioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &entry) == 0;
       ++entry.index) {
    intervals.push_back(entry);
    if (entry.type != V4L2_FRMIVAL_TYPE_DISCRETE) break;  // a range is the only entry
  }
  return intervals;
}

std::optional<v4l2_fract> ChooseFrameInterval(const std::vector<v4l2_frmivalenum>& offered,
                                              std::uint32_t previewMs) {
  const double period = previewMs / 1000.0;
  std::optional<v4l2_fract> longestInTime, shortest;
  const auto consider = [&](const v4l2_fract& interval) {
    const double seconds = Seconds(interval);
    if (seconds <= 0.0) return;
    if (seconds <= period && (!longestInTime || seconds > Seconds(*longestInTime)))
      longestInTime = interval;
    if (!shortest || seconds < Seconds(*shortest)) shortest = interval;
  };
  for (const v4l2_frmivalenum& entry : offered) {
    if (entry.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
      consider(entry.discrete);
      continue;
    }
    // A range: the preview period itself where it lies inside, on a step of the range.
    const double minimum = Seconds(entry.stepwise.min), maximum = Seconds(entry.stepwise.max);
    const double step = entry.type == V4L2_FRMIVAL_TYPE_STEPWISE ? Seconds(entry.stepwise.step) : 0;
    double chosen = std::clamp(period, minimum, std::max(minimum, maximum));
    if (step > 0) chosen = minimum + std::floor((chosen - minimum) / step + 1e-9) * step;
    consider(entry.stepwise.min);
    consider({static_cast<__u32>(std::lround(chosen * 1'000'000)), 1'000'000});
  }
  return longestInTime ? longestInTime : shortest;
}

V4l2Mapping::V4l2Mapping(V4l2Mapping&& other) noexcept
    : io(other.io), start(std::exchange(other.start, MAP_FAILED)), length(other.length) {}

V4l2Mapping::~V4l2Mapping() {
  if (start != MAP_FAILED) io->munmap(start, length);
}

int V4l2FrameSlots::arrived(int slot, std::size_t bytes) {
  std::lock_guard lock(mutex_);
  const int previous = newest_;
  newest_ = slot;
  newestBytes_ = bytes;
  ++arrived_;
  return previous >= 0 && previous != borrowed_ && previous != slot ? previous : -1;
}

int V4l2FrameSlots::freeSlot(int count) const {
  std::lock_guard lock(mutex_);
  for (int slot = 0; slot < count; ++slot)
    if (slot != newest_ && slot != borrowed_) return slot;
  return -1;
}

int V4l2FrameSlots::borrow(std::uint64_t& sequence, std::size_t& bytes) {
  std::lock_guard lock(mutex_);
  if (newest_ < 0 || arrived_ == sequence || borrowed_ >= 0) return -1;
  borrowed_ = newest_;
  bytes = newestBytes_;
  sequence = arrived_;
  return borrowed_;
}

int V4l2FrameSlots::giveBack() {
  std::lock_guard lock(mutex_);
  const int slot = std::exchange(borrowed_, -1);
  return slot != newest_ ? slot : -1;
}

void V4l2FrameSlots::fail(const std::string& reason) {
  std::lock_guard lock(mutex_);
  failure_ = reason.empty() ? "the camera stopped" : reason;
}

std::string V4l2FrameSlots::failure() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void V4l2FrameSlots::reset() {
  std::lock_guard lock(mutex_);
  newest_ = borrowed_ = -1;
  newestBytes_ = 0;
  arrived_ = 0;
  failure_.clear();
}

bool V4l2Driver::Device::start(FrameFormat& format, std::size_t maxFrameBytes,
                               std::uint32_t previewMs, std::string& error) {
  if (converter == nullptr) {
    error = "libv4lconvert cannot use the device: " + ErrnoText(errno);
    return false;
  }
  v4l2_capability caps{};
  const bool canStream =
      io().ioctl(fd(), VIDIOC_QUERYCAP, &caps) == 0 && (DeviceCaps(caps) & V4L2_CAP_STREAMING) != 0;
  converted = {};
  converted.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  converted.fmt.pix.width = static_cast<__u32>(format.width);
  converted.fmt.pix.height = static_cast<__u32>(format.height);
  converted.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
  converted.fmt.pix.field = V4L2_FIELD_ANY;
  // The camera is set to what it delivers itself; libv4lconvert makes BGR24 of the frames
  // that are handed over, and only of those.
  source = {};
  if (v4lconvert_try_format(converter.get(), &converted, &source) != 0 ||
      converted.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24) {
    error = "The camera cannot deliver RGB frames, not even through libv4lconvert.";
    return false;
  }
  if (!V4l2Ioctl(io(), fd(), VIDIOC_S_FMT, &source, "VIDIOC_S_FMT", error)) return false;
  // The device may round the size; what it settled on is what the frames are.
  const FrameFormat got{static_cast<int>(source.fmt.pix.width),
                        static_cast<int>(source.fmt.pix.height), format.bitCount};
  if (!CheckFrameFormat(got, maxFrameBytes, error)) return false;
  format = got;
  converted.fmt.pix.width = source.fmt.pix.width;
  converted.fmt.pix.height = source.fmt.pix.height;
  converted.fmt.pix.bytesperline = source.fmt.pix.width * 3;
  converted.fmt.pix.sizeimage = converted.fmt.pix.bytesperline * source.fmt.pix.height;
  converting.assign(converted.fmt.pix.sizeimage, 0);

  // No faster than the window takes frames, where the camera lets itself be asked.
  interval = intervalFor(previewMs);
  v4l2_streamparm parameters{};
  parameters.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (interval && io().ioctl(fd(), VIDIOC_G_PARM, &parameters) == 0 &&
      (parameters.parm.capture.capability & V4L2_CAP_TIMEPERFRAME) != 0) {
    parameters.parm.capture.timeperframe = *interval;
    // A camera that refuses keeps its own rate: frames it makes in between are never converted.
    io().ioctl(fd(), VIDIOC_S_PARM, &parameters);
  }

  const std::size_t sourceBytes = std::max<std::size_t>(source.fmt.pix.sizeimage, 1);
  if (!canStream) {
    readBuffers.assign(3, std::vector<std::uint8_t>(sourceBytes, 0));
    return true;
  }
  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (!V4l2Ioctl(io(), fd(), VIDIOC_REQBUFS, &request, "VIDIOC_REQBUFS", error)) return false;
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
    if (!V4l2Ioctl(io(), fd(), VIDIOC_QUERYBUF, &buffer, "VIDIOC_QUERYBUF", error)) return false;
    void* start = io().mmap(buffer.length, fd(), buffer.m.offset);
    if (start == MAP_FAILED) {
      error = "Cannot map a capture buffer: " + ErrnoText(errno);
      return false;
    }
    buffers.emplace_back(io(), start, buffer.length);
    if (!V4l2Ioctl(io(), fd(), VIDIOC_QBUF, &buffer, "VIDIOC_QBUF", error)) return false;
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  return V4l2Ioctl(io(), fd(), VIDIOC_STREAMON, &type, "VIDIOC_STREAMON", error);
}

void V4l2Driver::Device::stop() {
  if (streaming) {
    std::string ignored;  // the device may be gone; there is nothing left to tell
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    V4l2Ioctl(io(), fd(), VIDIOC_STREAMOFF, &type, "VIDIOC_STREAMOFF", ignored);
    buffers.clear();
    v4l2_requestbuffers none{};
    none.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    none.memory = V4L2_MEMORY_MMAP;
    V4l2Ioctl(io(), fd(), VIDIOC_REQBUFS, &none, "VIDIOC_REQBUFS", ignored);
    streaming = false;
  }
  readBuffers.clear();
  slots.reset();
}

std::optional<v4l2_fract> V4l2Driver::Device::intervalFor(std::uint32_t previewMs) const {
  const v4l2_pix_format& pix = source.fmt.pix;
  return ChooseFrameInterval(
      EnumerateV4l2Intervals(io(), fd(), pix.pixelformat, pix.width, pix.height), previewMs);
}

const std::uint8_t* V4l2Driver::Device::slotData(int slot) const {
  const auto index = static_cast<std::size_t>(slot);
  return static_cast<const std::uint8_t*>(streaming ? buffers[index].start
                                                    : readBuffers[index].data());
}

bool V4l2Driver::Device::convert(int slot, std::size_t bytes, const FrameFormat& format,
                                 FrameBuffer& out, std::string& error) {
  const std::size_t capacity = streaming ? buffers[static_cast<std::size_t>(slot)].length
                                         : readBuffers[static_cast<std::size_t>(slot)].size();
  // libv4lconvert takes the source as writable and ints for sizes; it writes only `converting`.
  const int made = v4lconvert_convert(converter.get(), &source, &converted,
                                      const_cast<std::uint8_t*>(slotData(slot)),
                                      static_cast<int>(std::min(bytes, capacity)),
                                      converting.data(), static_cast<int>(converting.size()));
  if (made < static_cast<int>(converted.fmt.pix.sizeimage)) {
    const char* why = v4lconvert_get_error_message(converter.get());
    error = why != nullptr && *why != '\0' ? why : "a damaged frame";
    return false;
  }
  CopyBgrBottomUp(converting.data(), converted.fmt.pix.bytesperline, format,
                  out.reserve(format.bytes()));
  return true;
}

bool V4l2Driver::Device::release(int slot, std::string& error) {
  if (!streaming) return true;
  v4l2_buffer buffer{};
  buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  buffer.memory = V4L2_MEMORY_MMAP;
  buffer.index = static_cast<__u32>(slot);
  return V4l2Ioctl(io(), fd(), VIDIOC_QBUF, &buffer, "VIDIOC_QBUF", error);
}

}  // namespace camera
