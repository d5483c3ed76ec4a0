// The vector kernels, written once over a register type V. Included inside an anonymous
// namespace by one file per instruction set, so each set's copy stays private to its file and
// nothing built for a wider set can be linked into code that runs on a narrower one. For the
// same reason nothing here calls inline library templates.
//
// V provides: Reg, kWidth, load, store, set1, zero, ones, subs, max, cmpeq, bitOr, bitXor,
// sub8, blend(mask, ifSet, ifClear) and sumBytes.

// Byte counters are summed once per block; 64 vectors stay below a byte counter's 255 and keep
// the early-stop check cheap.
constexpr std::size_t kBlockVectors = 64;

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

template <class V, bool Copy>
std::size_t CountLoop(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                      std::size_t n, std::uint32_t differential, std::size_t stopAt) {
  const typename V::Reg d = V::set1(static_cast<std::uint8_t>(differential));
  std::size_t i = 0;
  std::size_t count = 0;
  while (n - i >= V::kWidth) {
    const std::size_t vectors = BlockVectors(n - i, V::kWidth);
    typename V::Reg unchanged = V::zero();
    for (std::size_t v = 0; v < vectors; ++v, i += V::kWidth) {
      const typename V::Reg c = V::load(cur + i);
      const typename V::Reg p = V::load(prev + i);
      if constexpr (Copy) V::store(copyTo + i, c);
      unchanged = V::sub8(unchanged, UnchangedMask<V>(c, p, d));  // mask bytes are -1
    }
    count += vectors * V::kWidth - V::sumBytes(unchanged);
    if (count >= stopAt) {
      if constexpr (Copy) std::memcpy(copyTo + i, cur + i, n - i);
      return count;
    }
  }
  for (; i < n; ++i) {
    if constexpr (Copy) copyTo[i] = cur[i];
    count += TailChanged(cur[i], prev[i], differential);
  }
  return count;
}

template <class V, bool Fused>
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
      if constexpr (Fused) V::store(store + i, c);
      const typename V::Reg same = UnchangedMask<V>(c, p, d);
      // A changed byte differs from its partner, so the larger one is the one that moved past it.
      const typename V::Reg marked = V::bitXor(V::max(c, p), V::ones());
      const typename V::Reg asDelivered = Fused ? c : V::load(live + i);
      V::store(live + i, V::blend(same, asDelivered, marked));
      unchanged = V::sub8(unchanged, same);
    }
    count += vectors * V::kWidth - V::sumBytes(unchanged);
  }
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
  return copyTo != nullptr ? CountLoop<V, true>(cur, prev, copyTo, n, differential, stopAt)
                           : CountLoop<V, false>(cur, prev, copyTo, n, differential, stopAt);
}

template <class V>
std::size_t MarkChanged(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                        std::size_t n, std::uint32_t differential, bool fused) {
  return fused ? MarkLoop<V, true>(live, prev, store, n, differential)
               : MarkLoop<V, false>(live, prev, store, n, differential);
}

template <class V>
void Invert(std::uint8_t* bytes, std::size_t n) {
  std::size_t i = 0;
  for (; n - i >= V::kWidth; i += V::kWidth) {
    V::store(bytes + i, V::bitXor(V::load(bytes + i), V::ones()));
  }
  for (; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
}
