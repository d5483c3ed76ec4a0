// The vector kernels, written once over a register type V. Included inside an anonymous
// namespace by one file per instruction set, so each set's copy stays private to its file and
// nothing built for a wider set can be linked into code that runs on a narrower one. For the
// same reason nothing here calls inline library templates.
//
// V provides: Reg, kWidth, load, store, stream (aligned, past the cache), fence, set1, zero,
// ones, subs, max, cmpeq, bitOr, bitXor, sub8, blend(mask, ifSet, ifClear) and sumBytes.

// Byte counters are summed once per block; 64 vectors stay below a byte counter's 255 and keep
// the early-stop check cheap.
constexpr std::size_t kBlockVectors = 64;

// A frame this large is not read again before it has left the cache, so its copy is streamed
// past the cache: that spares reading each store line before it is overwritten.
constexpr std::size_t kStreamBytes = std::size_t{4} << 20;

template <class V>
inline bool ShouldStream(const std::uint8_t* copyTo, std::size_t n) {
  return n >= kStreamBytes && reinterpret_cast<std::uintptr_t>(copyTo) % V::kWidth == 0;
}

template <class V, bool Stream>
inline void CopyOut(std::uint8_t* to, typename V::Reg v) {
  if constexpr (Stream) {
    V::stream(to, v);
  } else {
    V::store(to, v);
  }
}

inline bool TailChanged(std::uint32_t cur, std::uint32_t prev, std::uint32_t differential) {
  return cur > prev + differential || prev > cur + differential;
}

inline std::size_t BlockVectors(std::size_t remaining, std::size_t width) {
  const std::size_t vectors = remaining / width;
  return vectors < kBlockVectors ? vectors : kBlockVectors;
}

// 0xFF in every byte whose absolute difference does not exceed d.
template <class V>
inline typename V::Reg UnchangedMask(typename V::Reg c, typename V::Reg p, typename V::Reg d) {
  const typename V::Reg diff = V::bitOr(V::subs(c, p), V::subs(p, c));
  return V::cmpeq(V::subs(diff, d), V::zero());
}

template <class V, bool Copy, bool Stream = false>
std::size_t CountLoop(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                      std::size_t n, std::uint32_t differential, std::size_t stopAt) {
  const typename V::Reg d = V::set1(static_cast<std::uint8_t>(differential));
  std::size_t i = 0;
  std::size_t count = 0;
  while (n - i >= V::kWidth) {
    const std::size_t vectors = BlockVectors(n - i, V::kWidth);
    // Two vectors a step, on two counters, keep more loads in flight.
    typename V::Reg unchanged = V::zero();
    typename V::Reg unchanged2 = V::zero();
    const auto step = [&](typename V::Reg& counter, std::size_t at) {
      const typename V::Reg c = V::load(cur + at);
      const typename V::Reg p = V::load(prev + at);
      if constexpr (Copy) CopyOut<V, Stream>(copyTo + at, c);
      counter = V::sub8(counter, UnchangedMask<V>(c, p, d));  // mask bytes are -1
    };
    std::size_t v = 0;
    for (; v + 2 <= vectors; v += 2, i += 2 * V::kWidth) {
      step(unchanged, i);
      step(unchanged2, i + V::kWidth);
    }
    if (v < vectors) {
      step(unchanged, i);
      i += V::kWidth;
    }
    count += vectors * V::kWidth - V::sumBytes(unchanged) - V::sumBytes(unchanged2);
    if (count >= stopAt) {
      if constexpr (Stream) V::fence();
      if constexpr (Copy) std::memcpy(copyTo + i, cur + i, n - i);
      return count;
    }
  }
  if constexpr (Stream) V::fence();
  for (; i < n; ++i) {
    if constexpr (Copy) copyTo[i] = cur[i];
    count += TailChanged(cur[i], prev[i], differential);
  }
  return count;
}

template <class V, bool Fused, bool Stream = false>
std::size_t MarkLoop(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                     std::size_t n, std::uint32_t differential) {
  const typename V::Reg d = V::set1(static_cast<std::uint8_t>(differential));
  std::size_t i = 0;
  std::size_t count = 0;
  while (n - i >= V::kWidth) {
    const std::size_t vectors = BlockVectors(n - i, V::kWidth);
    typename V::Reg unchanged = V::zero();
    for (std::size_t v = 0; v < vectors; ++v, i += V::kWidth) {
      const typename V::Reg c = V::load(Fused ? live + i : store + i);
      const typename V::Reg p = V::load(prev + i);
      if constexpr (Fused) CopyOut<V, Stream>(store + i, c);
      const typename V::Reg same = UnchangedMask<V>(c, p, d);
      // A changed byte differs from its partner, so the larger one is the one that moved past it.
      const typename V::Reg marked = V::bitXor(V::max(c, p), V::ones());
      const typename V::Reg asDelivered = Fused ? c : V::load(live + i);
      V::store(live + i, V::blend(same, asDelivered, marked));
      unchanged = V::sub8(unchanged, same);
    }
    count += vectors * V::kWidth - V::sumBytes(unchanged);
  }
  if constexpr (Stream) V::fence();
  for (; i < n; ++i) {
    const std::uint32_t c = Fused ? live[i] : store[i];
    const std::uint32_t p = prev[i];
    if constexpr (Fused) store[i] = static_cast<std::uint8_t>(c);
    if (TailChanged(c, p, differential)) {
      live[i] = static_cast<std::uint8_t>(~(c > p ? c : p));
      ++count;
    }
  }
  return count;
}

template <class V>
std::size_t CountChanged(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                         std::size_t n, std::uint32_t differential, std::size_t stopAt) {
  if (copyTo == nullptr) return CountLoop<V, false>(cur, prev, copyTo, n, differential, stopAt);
  return ShouldStream<V>(copyTo, n)
             ? CountLoop<V, true, true>(cur, prev, copyTo, n, differential, stopAt)
             : CountLoop<V, true>(cur, prev, copyTo, n, differential, stopAt);
}

template <class V>
std::size_t MarkChanged(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                        std::size_t n, std::uint32_t differential, bool fused) {
  if (!fused) return MarkLoop<V, false>(live, prev, store, n, differential);
  return ShouldStream<V>(store, n) ? MarkLoop<V, true, true>(live, prev, store, n, differential)
                                   : MarkLoop<V, true>(live, prev, store, n, differential);
}

template <class V>
void Invert(std::uint8_t* bytes, std::size_t n) {
  std::size_t i = 0;
  for (; n - i >= V::kWidth; i += V::kWidth) {
    V::store(bytes + i, V::bitXor(V::load(bytes + i), V::ones()));
  }
  for (; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
}
