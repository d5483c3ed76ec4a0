// Built with AVX-512BW enabled; chosen only when the processor reports AVX-512BW.
#include <cstring>

#include "capture/detector/ZoneKernels.h"

namespace watchpost {
const ZoneKernels* Avx512KernelsIfBuilt();
}

#if defined(__x86_64__) && defined(__AVX512BW__) && defined(__POPCNT__)
#include <immintrin.h>

namespace watchpost {
namespace {

struct Avx512 {
  using Reg = __m512i;
  static constexpr std::size_t kWidth = 64;
  static Reg load(const std::uint8_t* p) { return _mm512_loadu_si512(p); }
  static void store(std::uint8_t* p, Reg v) { _mm512_storeu_si512(p, v); }
  static Reg set1(std::uint8_t b) { return _mm512_set1_epi8(static_cast<char>(b)); }
  static Reg zero() { return _mm512_setzero_si512(); }
  static Reg ones() { return _mm512_set1_epi8(-1); }
  static Reg subs(Reg a, Reg b) { return _mm512_subs_epu8(a, b); }
  static Reg max(Reg a, Reg b) { return _mm512_max_epu8(a, b); }
  static Reg bitOr(Reg a, Reg b) { return _mm512_or_si512(a, b); }
  static Reg bitXor(Reg a, Reg b) { return _mm512_xor_si512(a, b); }

  static constexpr bool kMaskRegisters = true;
  using Same = __mmask64;     // a bit per unchanged byte
  using Tally = std::size_t;  // unchanged bytes so far
  static Same same(Reg diff, Reg d) { return _mm512_cmple_epu8_mask(diff, d); }
  static Tally tally(Tally t, Same s) { return t + static_cast<std::size_t>(_mm_popcnt_u64(s)); }
  static std::size_t tallied(Tally t) { return t; }
  // Unchanged bytes are not written at all: the live frame already holds them.
  static void storeChanged(std::uint8_t* p, Same same, Reg marked) {
    _mm512_mask_storeu_epi8(p, static_cast<__mmask64>(~same), marked);
  }

  using Lanes = __mmask64;
  static Lanes lanes(std::size_t count) { return (std::uint64_t{1} << count) - 1; }  // count < 64
  static Reg loadLanes(const std::uint8_t* p, Lanes l) { return _mm512_maskz_loadu_epi8(l, p); }
  static void storeLanes(std::uint8_t* p, Lanes l, Reg v) { _mm512_mask_storeu_epi8(p, l, v); }
};

#include "capture/detector/ZoneKernelsSimd.inl"

}  // namespace

// Constant-initialised, so asking for it runs no AVX-512 code; the processor check is made by
// the caller, in code built for the baseline.
const ZoneKernels* Avx512KernelsIfBuilt() {
  static constexpr ZoneKernels kernels{"Avx512", CountChanged<Avx512>, MarkChanged<Avx512>,
                                       Invert<Avx512>};
  return &kernels;
}

}  // namespace watchpost

#else

namespace watchpost {
const ZoneKernels* Avx512KernelsIfBuilt() { return nullptr; }
}  // namespace watchpost

#endif
