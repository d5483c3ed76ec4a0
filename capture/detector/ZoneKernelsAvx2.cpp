// Built with AVX2 enabled; chosen only when the processor reports AVX2.
#include <cstring>

#include "capture/detector/ZoneKernels.h"

namespace watchpost {
const ZoneKernels* Avx2KernelsIfBuilt();
}

#if defined(__x86_64__) && defined(__AVX2__)
#include <immintrin.h>

namespace watchpost {
namespace {

struct Avx2 {
  using Reg = __m256i;
  static constexpr std::size_t kWidth = 32;
  static Reg load(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const Reg*>(p));
  }
  static void store(std::uint8_t* p, Reg v) { _mm256_storeu_si256(reinterpret_cast<Reg*>(p), v); }
  static Reg set1(std::uint8_t b) { return _mm256_set1_epi8(static_cast<char>(b)); }
  static Reg zero() { return _mm256_setzero_si256(); }
  static Reg ones() { return _mm256_set1_epi8(-1); }
  static Reg subs(Reg a, Reg b) { return _mm256_subs_epu8(a, b); }
  static Reg max(Reg a, Reg b) { return _mm256_max_epu8(a, b); }
  static Reg bitOr(Reg a, Reg b) { return _mm256_or_si256(a, b); }
  static Reg bitXor(Reg a, Reg b) { return _mm256_xor_si256(a, b); }
  static Reg blend(Reg mask, Reg ifSet, Reg ifClear) {
    return _mm256_blendv_epi8(ifClear, ifSet, mask);
  }
  static constexpr bool kMaskRegisters = false;
  using Same = Reg;   // 0xFF in each unchanged byte
  using Tally = Reg;  // byte counters
  static Same same(Reg diff, Reg d) { return _mm256_cmpeq_epi8(subs(diff, d), zero()); }
  static Tally tally(Tally t, Same s) { return _mm256_sub_epi8(t, s); }  // mask bytes are -1
  static std::size_t tallied(Tally v) {
    const Reg sums = _mm256_sad_epu8(v, zero());
    const __m128i pair =
        _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    return static_cast<std::size_t>(_mm_cvtsi128_si64(pair)) +
           static_cast<std::size_t>(_mm_cvtsi128_si64(_mm_srli_si128(pair, 8)));
  }
};

#include "capture/detector/ZoneKernelsSimd.inl"

}  // namespace

// Constant-initialised, so asking for it runs no AVX2 code; the processor check is made by the
// caller, in code built for the baseline.
const ZoneKernels* Avx2KernelsIfBuilt() {
  static constexpr ZoneKernels kernels{"Avx2", CountChanged<Avx2>, MarkChanged<Avx2>, Invert<Avx2>};
  return &kernels;
}

}  // namespace watchpost

#else

namespace watchpost {
const ZoneKernels* Avx2KernelsIfBuilt() { return nullptr; }
}  // namespace watchpost

#endif
