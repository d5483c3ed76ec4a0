#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace camera {

struct FreeFrameBytes {
  void operator()(std::uint8_t* bytes) const;
};
using FrameBytes = std::unique_ptr<std::uint8_t[], FreeFrameBytes>;

// Zero-filled memory for frames, allocated once: on a cache-line boundary, and for large frames
// on huge pages where the system offers them, since a pass over a frame touches every page of
// three such buffers. Throws std::bad_alloc when there is no memory.
FrameBytes MakeFrameBytes(std::size_t size);

// A frame's memory that changes hands whole between a driver and the capture window: swapped,
// never copied, and grown only when a larger frame comes.
struct FrameBuffer {
  FrameBytes bytes;
  std::size_t capacity = 0;
  std::size_t size = 0;  // the bytes of the frame it holds

  // Room for a frame of `frameBytes`, which becomes its size; what it held is lost when it grows.
  std::uint8_t* reserve(std::size_t frameBytes);
  std::uint8_t* data() const { return bytes.get(); }
};

}  // namespace camera
