#pragma once

#include <cstddef>
#include <cstdint>

namespace watchpost {

// The byte loops of the detector over one contiguous run of bytes. A byte is changed when its
// current and previous values differ by more than the differential; a difference equal to the
// differential is no change. The sums of that rule are taken in unsigned 32-bit arithmetic, so
// every differential has one meaning. Vector kernels are only handed differentials 0..254,
// where the rule is a plain byte comparison; the scalar kernels take any.
struct ZoneKernels {
  const char* name;

  // Counts the changed bytes of cur against prev and, when copyTo is not null, copies all n
  // bytes of cur there. Comparison may stop once the count reaches stopAt: the result is then
  // some value >= stopAt, and the copy is still complete.
  std::size_t (*countChanged)(const std::uint8_t* cur, const std::uint8_t* prev,
                              std::uint8_t* copyTo, std::size_t n, std::uint32_t differential,
                              std::size_t stopAt);

  // Marks the changed bytes in `live` with the complement of the larger of the two values (which
  // is the complement of cur when cur rose, of prev when it fell) and returns their count.
  // fused: cur is `live` itself and is copied to `store` on the way; otherwise cur is read from
  // `store` and only the changed bytes of `live` are written.
  std::size_t (*markChanged)(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                             std::size_t n, std::uint32_t differential, bool fused);

  // Replaces each byte by its complement.
  void (*invert)(std::uint8_t* bytes, std::size_t n);
};

inline constexpr std::uint32_t kMaxVectorDifferential = 254;

const ZoneKernels& ScalarKernels();
// Null where the build or the processor has no such instructions.
const ZoneKernels* Sse2Kernels();
const ZoneKernels* Avx2Kernels();
const ZoneKernels* Avx512Kernels();
// The fastest kernels this processor runs.
const ZoneKernels& BestKernels();

// Shared by every kernel for the bytes a vector does not cover.
inline bool ByteChanged(std::uint32_t cur, std::uint32_t prev, std::uint32_t differential) {
  return cur > prev + differential || prev > cur + differential;
}

}  // namespace watchpost
