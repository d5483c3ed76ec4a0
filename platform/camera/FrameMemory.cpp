#include "platform/camera/FrameMemory.h"

#include <sys/mman.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace camera {
namespace {

constexpr std::size_t kCacheLine = 64;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void FreeFrameBytes::operator()(std::uint8_t* bytes) const { std::free(bytes); }

FrameBytes MakeFrameBytes(std::size_t size) {
  const std::size_t alignment = size >= kHugePage ? kHugePage : kCacheLine;
  const std::size_t rounded =
      size == 0 ? alignment : (size + alignment - 1) / alignment * alignment;
  auto* bytes = static_cast<std::uint8_t*>(std::aligned_alloc(alignment, rounded));
  if (bytes == nullptr) throw std::bad_alloc();
#if defined(MADV_HUGEPAGE)
  // Only advice: without huge pages the memory works the same, a little slower.
  if (alignment == kHugePage) madvise(bytes, rounded, MADV_HUGEPAGE);
#endif
  std::memset(bytes, 0, rounded);
  return FrameBytes(bytes);
}

std::uint8_t* FrameBuffer::reserve(std::size_t frameBytes) {
  if (capacity < frameBytes || bytes == nullptr) {
    bytes = MakeFrameBytes(frameBytes);
    capacity = frameBytes;
  }
  size = frameBytes;
  return bytes.get();
}

}  // namespace camera
