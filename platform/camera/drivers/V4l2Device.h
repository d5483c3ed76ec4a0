#pragma once

// The device side of the V4L2 camera: the node, its format, its capture buffers and the
// conversion of the frames that are handed over.

#include <libv4lconvert.h>
#include <linux/videodev2.h>
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/camera/drivers/V4l2Driver.h"
#include "platform/camera/drivers/V4l2Io.h"

namespace camera {

// A device node, closed through the calls that opened it.
class V4l2Node {
 public:
  V4l2Node() = default;
  V4l2Node(V4l2Io& io, int fd) : io_(&io), fd_(fd) {}
  V4l2Node(V4l2Node&& other) noexcept : io_(other.io_), fd_(std::exchange(other.fd_, -1)) {}
  V4l2Node& operator=(V4l2Node&& other) noexcept;
  V4l2Node(const V4l2Node&) = delete;
  V4l2Node& operator=(const V4l2Node&) = delete;
  ~V4l2Node() { reset(); }

  int get() const { return fd_; }
  V4l2Io& io() const { return *io_; }
  void reset();

 private:
  V4l2Io* io_ = nullptr;
  int fd_ = -1;
};

// Opens a capture node; `info` gets what QUERYCAP said. An empty node when it cannot be opened
// or is no capture device, and `info.error` says why, the path first.
V4l2Node OpenV4l2Node(V4l2Io& io, const std::string& path, V4l2DeviceInfo& info);

// An ioctl; a failure reads "what: reason".
bool V4l2Ioctl(V4l2Io& io, int fd, unsigned long request, void* argument, const char* what,
               std::string& error);

// The text of a fixed-size field, which the driver need not end with a NUL.
std::string V4l2Text(const __u8* text, std::size_t size);

// libv4lconvert for one node, asking the node through the same calls: it turns YUYV, MJPEG
// and the like into BGR24.
struct FreeV4lConverter {
  void operator()(v4lconvert_data* converter) const { v4lconvert_destroy(converter); }
};
using V4lConverter = std::unique_ptr<v4lconvert_data, FreeV4lConverter>;
V4lConverter MakeV4lConverter(const V4l2Node& node);

// The sizes the device offers in BGR24 (itself or through libv4lconvert), as far as they fit
// the frame store; empty when it names none.
std::vector<FrameSize> EnumerateV4l2Sizes(v4lconvert_data* converter, std::size_t maxFrameBytes);

// The frame intervals the device offers for one format and size; empty when it names none.
std::vector<v4l2_frmivalenum> EnumerateV4l2Intervals(V4l2Io& io, int fd, __u32 pixelFormat,
                                                     __u32 width, __u32 height);

// Of the intervals offered, the longest that still gives a new frame for every preview period
// (the slowest rate at or above the preview rate); the shortest where none is that short.
// Nothing when none is offered.
std::optional<v4l2_fract> ChooseFrameInterval(const std::vector<v4l2_frmivalenum>& offered,
                                              std::uint32_t previewMs);

// One capture buffer mapped from the device.
struct V4l2Mapping {
  V4l2Io* io;
  void* start = MAP_FAILED;
  std::size_t length = 0;
  V4l2Mapping(V4l2Io& i, void* s, std::size_t l) : io(&i), start(s), length(l) {}
  V4l2Mapping(V4l2Mapping&& other) noexcept;
  V4l2Mapping& operator=(V4l2Mapping&&) = delete;
  ~V4l2Mapping();
};

// Which capture buffer ("slot") holds the newest frame and which one the window is converting.
// The camera's thread and the window's agree on them under one lock, held only for the
// exchange; every other buffer is the camera's.
class V4l2FrameSlots {
 public:
  // The camera's thread: a frame of `bytes` arrived in `slot`. Returns the slot nobody needs
  // any more (the newest before it, unless the window is converting that one), or -1.
  int arrived(int slot, std::size_t bytes);
  // The camera's thread, for reads: a slot of `count` that is neither the newest nor the
  // window's.
  int freeSlot(int count) const;
  // The window's thread: the slot of the newest frame when it is newer than `sequence`, which
  // advances; -1 otherwise. The slot stays the window's until giveBack().
  int borrow(std::uint64_t& sequence, std::size_t& bytes);
  // Returns the borrowed slot when the camera may have it again, or -1 while it is the newest.
  int giveBack();

  void fail(const std::string& reason);
  std::string failure() const;
  void reset();

 private:
  mutable std::mutex mutex_;
  int newest_ = -1;
  std::size_t newestBytes_ = 0;
  int borrowed_ = -1;
  std::uint64_t arrived_ = 0;
  std::string failure_;
};

struct V4l2Driver::Device {
  V4l2Node node;
  V4lConverter converter;
  bool streaming = false;              // mmap streaming; otherwise read()
  v4l2_format source{};                // what the camera delivers
  v4l2_format converted{};             // what libv4lconvert makes of it: BGR24, top row first
  std::optional<v4l2_fract> interval;  // what was asked of a camera that offers intervals
  std::vector<V4l2Mapping> buffers;
  std::vector<std::vector<std::uint8_t>> readBuffers;  // for devices without streaming
  std::vector<std::uint8_t> converting;                // one converted frame
  V4l2FrameSlots slots;

  explicit Device(V4l2Node&& fd) : node(std::move(fd)), converter(MakeV4lConverter(node)) {}
  ~Device() { stop(); }
  int fd() const { return node.get(); }
  V4l2Io& io() const { return node.io(); }

  // Sets the format (the device may round the size into `format`) and the frame interval for
  // `previewMs`, then sets up the buffers and streams, or the read buffers where the device
  // cannot stream.
  bool start(FrameFormat& format, std::size_t maxFrameBytes, std::uint32_t previewMs,
             std::string& error);
  void stop();
  // The interval to ask of the camera for `previewMs`, in the format it delivers now.
  std::optional<v4l2_fract> intervalFor(std::uint32_t previewMs) const;
  const std::uint8_t* slotData(int slot) const;
  // The frame of `bytes` in `slot` into `out` as a bottom-up frame of `format`; false with
  // libv4lconvert's reason when it is damaged, and `out` keeps what it held.
  bool convert(int slot, std::size_t bytes, const FrameFormat& format, FrameBuffer& out,
               std::string& error);
  // Gives a slot back to the camera to fill again.
  bool release(int slot, std::string& error);
};

}  // namespace camera
