#include <algorithm>
#include <cstring>

#include "capture/detector/ZoneKernels.h"

namespace watchpost {
namespace {

std::size_t CountChanged(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                         std::size_t n, std::uint32_t differential, std::size_t stopAt) {
  if (copyTo != nullptr) std::memcpy(copyTo, cur, n);
  std::size_t count = 0;
  for (std::size_t i = 0; i < n && count < stopAt; ++i) {
    count += ByteChanged(cur[i], prev[i], differential);
  }
  return count;
}

std::size_t MarkChanged(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                        std::size_t n, std::uint32_t differential, bool fused) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = fused ? live[i] : store[i];
    const std::uint32_t p = prev[i];
    if (fused) store[i] = static_cast<std::uint8_t>(c);
    if (c > p + differential) {
      live[i] = static_cast<std::uint8_t>(~c);
      ++count;
    } else if (p > c + differential) {
      live[i] = static_cast<std::uint8_t>(~p);
      ++count;
    }
  }
  return count;
}

void Invert(std::uint8_t* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
}

}  // namespace

const ZoneKernels& ScalarKernels() {
  static constexpr ZoneKernels kernels{"Scalar", CountChanged, MarkChanged, Invert};
  return kernels;
}

const ZoneKernels* Avx2KernelsIfBuilt();    // in the file built with AVX2
const ZoneKernels* Avx512KernelsIfBuilt();  // in the file built with AVX-512BW

const ZoneKernels* Avx2Kernels() {
#if defined(__x86_64__)
  static const bool supported = __builtin_cpu_supports("avx2");
  return supported ? Avx2KernelsIfBuilt() : nullptr;
#else
  return nullptr;
#endif
}

const ZoneKernels* Avx512Kernels() {
#if defined(__x86_64__)
  static const bool supported = __builtin_cpu_supports("avx512bw");
  return supported ? Avx512KernelsIfBuilt() : nullptr;
#else
  return nullptr;
#endif
}

const ZoneKernels& BestKernels() {
  static const ZoneKernels& best = []() -> const ZoneKernels& {
    if (const ZoneKernels* k = Avx512Kernels()) return *k;
    if (const ZoneKernels* k = Avx2Kernels()) return *k;
    if (const ZoneKernels* k = Sse2Kernels()) return *k;
    return ScalarKernels();
  }();
  return best;
}

}  // namespace watchpost
