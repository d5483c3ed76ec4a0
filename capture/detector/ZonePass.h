#pragma once

#include <cstddef>
#include <cstdint>

#include "capture/detector/ZoneBounds.h"
#include "capture/detector/ZoneKernels.h"

namespace watchpost {

// One frame's buffers for a pass. `bytes` is already bounded by the store size.
struct FrameBuffers {
  std::uint8_t* live = nullptr;  // the delivered frame; what is written here is shown
  std::size_t bytes = 0;
  std::uint8_t* store = nullptr;           // receives a copy of the frame: the current frame
  const std::uint8_t* previous = nullptr;  // the frame examined before it
};

// Where a pass compares: every byte of the frame, or the zone rows in zone order.
struct PassArea {
  bool wholeFrame = true;
  ZoneBounds bounds;
};

// Copies the frame into the store and counts its changed bytes, stopping once the count reaches
// the threshold, so the result never exceeds it. A threshold of 0 compares nothing.
std::size_t DetectPass(const ZoneKernels& kernels, const FrameBuffers& frame, const PassArea& area,
                       std::uint32_t differential, std::uint32_t threshold);

// Counts every changed byte of a frame already in its store against the one before, with no
// threshold to stop at: how much a hit really changed.
std::size_t CountPass(const ZoneKernels& kernels, const std::uint8_t* current,
                      const std::uint8_t* previous, std::size_t bytes, const PassArea& area,
                      std::uint32_t differential);

// Copies the frame into the store, marks every changed byte in the live frame (moving areas show
// in negative) and returns their count.
std::size_t MarkPass(const ZoneKernels& kernels, const FrameBuffers& frame, const PassArea& area,
                     std::uint32_t differential);

// Shows the zone by inverting its bytes in the live frame.
void InvertZone(const ZoneKernels& kernels, std::uint8_t* live, std::size_t bytes,
                const ZoneBounds& bounds);

// The same passes written byte by byte, exactly as the rules read: the yardstick the kernels
// are tested and measured against.
namespace reference {
std::size_t DetectPass(const FrameBuffers& frame, const PassArea& area, std::uint32_t differential,
                       std::uint32_t threshold);
std::size_t MarkPass(const FrameBuffers& frame, const PassArea& area, std::uint32_t differential);
void InvertZone(std::uint8_t* live, std::size_t bytes, const ZoneBounds& bounds);
}  // namespace reference

}  // namespace watchpost
