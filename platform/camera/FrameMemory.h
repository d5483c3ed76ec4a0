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

}  // namespace camera
