#include "capture/detector/ZonePass.h"

#include <algorithm>
#include <cstring>

namespace watchpost {
namespace {

// Vector kernels work on bytes; a differential outside 0..254 (only a hand-edited profile gives
// one) keeps its exact unsigned meaning through the scalar kernels.
const ZoneKernels& KernelsFor(const ZoneKernels& kernels, std::uint32_t differential) {
  return differential <= kMaxVectorDifferential ? kernels : ScalarKernels();
}

// Calls visit(begin, end) for each zone row's run of bytes inside the frame, in zone order,
// until visit returns false.
template <class Visit>
void ForEachZoneRun(const ClampedZone& zone, std::size_t frameBytes, Visit visit) {
  for (std::uint64_t row = zone.rowStart; row < zone.rowEnd; ++row) {
    const std::uint64_t base = row * zone.rowStride;
    const std::uint64_t end = std::min<std::uint64_t>(base + zone.byteEnd, frameBytes);
    if (!visit(static_cast<std::size_t>(base + zone.byteStart), static_cast<std::size_t>(end))) {
      return;
    }
  }
}

void CopyFrame(const FrameBuffers& f, std::size_t from, std::size_t to) {
  if (to > from) std::memcpy(f.store + from, f.live + from, to - from);
}

}  // namespace

std::size_t DetectPass(const ZoneKernels& kernelsIn, const FrameBuffers& f, const PassArea& area,
                       std::uint32_t differential, std::uint32_t threshold) {
  if (threshold == 0) {
    CopyFrame(f, 0, f.bytes);
    return 0;
  }
  const ZoneKernels& k = KernelsFor(kernelsIn, differential);
  std::size_t count = 0;
  if (area.wholeFrame) {
    count = k.countChanged(f.live, f.previous, f.store, f.bytes, differential, threshold);
  } else if (const ClampedZone zone = ClampZone(area.bounds, f.bytes); zone.disjointRows()) {
    // One forward pass: the bytes between zone rows are copied, the zone rows copied and
    // compared; once the threshold is reached the rest is only copied.
    std::size_t copied = 0;
    ForEachZoneRun(zone, f.bytes, [&](std::size_t begin, std::size_t end) {
      CopyFrame(f, copied, begin);
      count += k.countChanged(f.live + begin, f.previous + begin, f.store + begin, end - begin,
                              differential, threshold - count);
      copied = end;
      return count < threshold;
    });
    CopyFrame(f, copied, f.bytes);
  } else {
    // Zone rows overlap (a nudged or odd stride): compare from the store, as each visit must
    // see the frame as delivered.
    CopyFrame(f, 0, f.bytes);
    ForEachZoneRun(zone, f.bytes, [&](std::size_t begin, std::size_t end) {
      count += k.countChanged(f.store + begin, f.previous + begin, nullptr, end - begin,
                              differential, threshold - count);
      return count < threshold;
    });
  }
  return std::min<std::size_t>(count, threshold);
}

std::size_t CountPass(const ZoneKernels& kernelsIn, const std::uint8_t* current,
                      const std::uint8_t* previous, std::size_t bytes, const PassArea& area,
                      std::uint32_t differential) {
  const ZoneKernels& k = KernelsFor(kernelsIn, differential);
  constexpr std::size_t kNoStop = ~std::size_t{0};
  if (area.wholeFrame)
    return k.countChanged(current, previous, nullptr, bytes, differential, kNoStop);
  std::size_t count = 0;
  ForEachZoneRun(ClampZone(area.bounds, bytes), bytes, [&](std::size_t begin, std::size_t end) {
    count += k.countChanged(current + begin, previous + begin, nullptr, end - begin, differential,
                            kNoStop);
    return true;
  });
  return count;
}

std::size_t MarkPass(const ZoneKernels& kernelsIn, const FrameBuffers& f, const PassArea& area,
                     std::uint32_t differential) {
  const ZoneKernels& k = KernelsFor(kernelsIn, differential);
  if (area.wholeFrame) {
    return k.markChanged(f.live, f.previous, f.store, f.bytes, differential, true);
  }
  std::size_t count = 0;
  const ClampedZone zone = ClampZone(area.bounds, f.bytes);
  if (zone.disjointRows()) {
    std::size_t copied = 0;
    ForEachZoneRun(zone, f.bytes, [&](std::size_t begin, std::size_t end) {
      CopyFrame(f, copied, begin);
      count += k.markChanged(f.live + begin, f.previous + begin, f.store + begin, end - begin,
                             differential, true);
      copied = end;
      return true;
    });
    CopyFrame(f, copied, f.bytes);
  } else {
    CopyFrame(f, 0, f.bytes);
    ForEachZoneRun(zone, f.bytes, [&](std::size_t begin, std::size_t end) {
      count += k.markChanged(f.live + begin, f.previous + begin, f.store + begin, end - begin,
                             differential, false);
      return true;
    });
  }
  return count;
}

void InvertZone(const ZoneKernels& k, std::uint8_t* live, std::size_t bytes,
                const ZoneBounds& bounds) {
  // Rows are inverted one after another, so bytes shared by overlapping rows flip back as they
  // would byte by byte.
  ForEachZoneRun(ClampZone(bounds, bytes), bytes, [&](std::size_t begin, std::size_t end) {
    k.invert(live + begin, end - begin);
    return true;
  });
}

namespace reference {
namespace {

// Visits the offsets of the zone in zone order, bounds read as unsigned, skipping every offset
// outside the frame; stops when visit returns false. A zero stride has no rows to visit.
template <class Visit>
void VisitZone(const ZoneBounds& b, std::size_t frameBytes, Visit visit) {
  const std::uint64_t stride = static_cast<std::uint32_t>(b.rowStride);
  if (stride == 0) return;
  for (std::uint64_t j = static_cast<std::uint32_t>(b.rowStart);
       j < static_cast<std::uint32_t>(b.rowEnd); ++j) {
    if (j * stride + static_cast<std::uint32_t>(b.byteStart) >= frameBytes) return;
    for (std::uint64_t k = static_cast<std::uint32_t>(b.byteStart);
         k < static_cast<std::uint32_t>(b.byteEnd); ++k) {
      const std::uint64_t offset = j * stride + k;
      if (offset >= frameBytes) break;
      if (!visit(static_cast<std::size_t>(offset))) return;
    }
  }
}

template <class Visit>
void VisitArea(const PassArea& area, std::size_t frameBytes, Visit visit) {
  if (!area.wholeFrame) return VisitZone(area.bounds, frameBytes, visit);
  for (std::size_t offset = 0; offset < frameBytes; ++offset) {
    if (!visit(offset)) return;
  }
}

}  // namespace

std::size_t DetectPass(const FrameBuffers& f, const PassArea& area, std::uint32_t differential,
                       std::uint32_t threshold) {
  std::memcpy(f.store, f.live, f.bytes);
  std::size_t count = 0;
  if (threshold == 0) return 0;
  VisitArea(area, f.bytes, [&](std::size_t offset) {
    const std::uint32_t cur = f.store[offset];
    const std::uint32_t prev = f.previous[offset];
    if (cur > prev + differential || prev > cur + differential) ++count;
    return count != threshold;
  });
  return count;
}

std::size_t MarkPass(const FrameBuffers& f, const PassArea& area, std::uint32_t differential) {
  std::memcpy(f.store, f.live, f.bytes);
  std::size_t count = 0;
  VisitArea(area, f.bytes, [&](std::size_t offset) {
    const std::uint32_t cur = f.store[offset];
    const std::uint32_t prev = f.previous[offset];
    if (cur > prev + differential) {
      f.live[offset] = static_cast<std::uint8_t>(~cur);
      ++count;
    } else if (prev > cur + differential) {
      f.live[offset] = static_cast<std::uint8_t>(~prev);
      ++count;
    }
    return true;
  });
  return count;
}

void InvertZone(std::uint8_t* live, std::size_t bytes, const ZoneBounds& bounds) {
  VisitZone(bounds, bytes, [&](std::size_t offset) {
    live[offset] = static_cast<std::uint8_t>(~live[offset]);
    return true;
  });
}

}  // namespace reference
}  // namespace watchpost
