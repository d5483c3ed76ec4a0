#pragma once

// The device side of the V4L2 camera: the node, its format and its capture buffers.

#include <linux/videodev2.h>
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/UniqueFd.h"
#include "platform/camera/drivers/V4l2Driver.h"

namespace camera {

// A device node: plain until libv4l2 takes it over, then closed through libv4l2.
using V4l2Node = base::UniqueFd;

// Opens a capture node and hands it to libv4l2; `info` gets what QUERYCAP said. An empty node
// when either step fails, and `info.error` says why, the path first.
V4l2Node OpenV4l2Node(const std::string& path, V4l2DeviceInfo& info);

// An ioctl through libv4l2, asked again when a signal cut it short; a failure reads
// "what: reason".
bool V4l2Ioctl(int fd, unsigned long request, void* argument, const char* what, std::string& error);

// The text of a fixed-size field, which the driver need not end with a NUL.
std::string V4l2Text(const __u8* text, std::size_t size);

// The sizes the device offers in BGR24, as far as they fit the frame store; empty when it
// names none.
std::vector<FrameSize> EnumerateV4l2Sizes(int fd, std::size_t maxFrameBytes);

// One capture buffer mapped from the device, unmapped through libv4l2.
struct V4l2Mapping {
  void* start = MAP_FAILED;
  std::size_t length = 0;
  V4l2Mapping(void* s, std::size_t l) : start(s), length(l) {}
  V4l2Mapping(V4l2Mapping&& other) noexcept;
  V4l2Mapping& operator=(V4l2Mapping&&) = delete;
  ~V4l2Mapping();
};

struct V4l2Driver::Device {
  V4l2Node node;
  bool streaming = false;  // mmap streaming; otherwise read()
  std::size_t bytesPerLine = 0;
  std::size_t frameBytes = 0;  // what one converted frame needs at least
  std::vector<V4l2Mapping> buffers;
  std::vector<std::uint8_t> readBuffer;  // for devices without streaming

  explicit Device(V4l2Node&& fd) : node(std::move(fd)) {}
  ~Device() { stop(); }
  int fd() const { return node.get(); }

  // Sets the format (the device may round the size into `format`), then sets up the buffers
  // and streams, or the read buffer where the device cannot stream.
  bool start(FrameFormat& format, std::size_t maxFrameBytes, std::string& error);
  void stop();
};

}  // namespace camera
