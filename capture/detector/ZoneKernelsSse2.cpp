#include <cstring>

#include "capture/detector/ZoneKernels.h"

#if defined(__x86_64__)
#include <emmintrin.h>

namespace watchpost {
namespace {

struct Sse2 {
  using Reg = __m128i;
  static constexpr std::size_t kWidth = 16;
  static Reg load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const Reg*>(p));
  }
  static void store(std::uint8_t* p, Reg v) { _mm_storeu_si128(reinterpret_cast<Reg*>(p), v); }
  static Reg set1(std::uint8_t b) { return _mm_set1_epi8(static_cast<char>(b)); }
  static Reg zero() { return _mm_setzero_si128(); }
  static Reg ones() { return _mm_set1_epi8(-1); }
  static Reg subs(Reg a, Reg b) { return _mm_subs_epu8(a, b); }
  static Reg max(Reg a, Reg b) { return _mm_max_epu8(a, b); }
  static Reg bitOr(Reg a, Reg b) { return _mm_or_si128(a, b); }
  static Reg bitXor(Reg a, Reg b) { return _mm_xor_si128(a, b); }
  static Reg blend(Reg mask, Reg ifSet, Reg ifClear) {
    return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
  }
  static constexpr bool kMaskRegisters = false;
  using Same = Reg;   // 0xFF in each unchanged byte
  using Tally = Reg;  // byte counters
  static Same same(Reg diff, Reg d) { return _mm_cmpeq_epi8(subs(diff, d), zero()); }
  static Tally tally(Tally t, Same s) { return _mm_sub_epi8(t, s); }  // mask bytes are -1
  static std::size_t tallied(Tally v) {
    const Reg sums = _mm_sad_epu8(v, zero());
    return static_cast<std::size_t>(_mm_cvtsi128_si64(sums)) +
           static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_srli_si128(sums, 8)));
  }
};

#include "capture/detector/ZoneKernelsSimd.inl"

}  // namespace

const ZoneKernels* Sse2Kernels() {
  static constexpr ZoneKernels kernels{"Sse2", CountChanged<Sse2>, MarkChanged<Sse2>, Invert<Sse2>};
  return &kernels;
}

}  // namespace watchpost

#else

namespace watchpost {
const ZoneKernels* Sse2Kernels() { return nullptr; }
}  // namespace watchpost

#endif
