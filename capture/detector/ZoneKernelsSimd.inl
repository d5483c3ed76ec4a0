// The vector kernels, written once over a register type V. Included inside an anonymous
// namespace by one file per instruction set, so each set's copy stays private to its file and
// nothing built for a wider set can be linked into code that runs on a narrower one. For the
// same reason nothing here calls inline library templates.
//
// V provides: Reg, kWidth, load, store, set1, zero, ones, subs, max, bitOr and bitXor, and for
// the bytes that did not change:
//   Same, same(diff, d)   which bytes of a difference stay within d: a byte mask of 0xFF, or a
//                         mask register;
//   Tally, tally, tallied counting them over a block.
// Without mask registers V also provides blend(mask, ifSet, ifClear); with them (kMaskRegisters)
// storeChanged, and Lanes, lanes(count), loadLanes and storeLanes, so the bytes before the first
// whole vector and after the last are partial vectors under a lane mask rather than byte loops.

// Counts are taken once per block: 64 vectors stay below a byte counter's 255 and keep the
// early-stop check cheap.
constexpr std::size_t kBlockVectors = 64;

// A load whose address matches a pending store's in the bits below 4 KiB waits for that store
// as if it read it. Buffers whose offsets in the page lie a few vectors apart hit this on every
// vector when walked one way and not at all when walked the other, so each run is walked the
// way that keeps the aliasing loads furthest from the stores.
constexpr std::uintptr_t kAliasSpan = 4096;

// How far ahead of a store the loads that alias it lie, walking forward.
inline std::uintptr_t AliasGap(const void* stored, const void* loaded) {
  return (reinterpret_cast<std::uintptr_t>(stored) - reinterpret_cast<std::uintptr_t>(loaded)) &
         (kAliasSpan - 1);
}

template <std::size_t N>
inline bool WalkBackward(const std::uintptr_t (&gaps)[N]) {
  std::uintptr_t ahead = kAliasSpan;
  std::uintptr_t behind = kAliasSpan;
  for (const std::uintptr_t gap : gaps) {
    if (gap == 0) continue;  // the load of the same vector comes before the store
    ahead = gap < ahead ? gap : ahead;
    behind = kAliasSpan - gap < behind ? kAliasSpan - gap : behind;
  }
  return behind > ahead;
}

inline bool TailChanged(std::uint32_t cur, std::uint32_t prev, std::uint32_t differential) {
  return cur > prev + differential || prev > cur + differential;
}

template <class V>
inline typename V::Same Unchanged(typename V::Reg c, typename V::Reg p, typename V::Reg d) {
  return V::same(V::bitOr(V::subs(c, p), V::subs(p, c)), d);
}

// Offset of the v-th vector of a block, in walking order.
template <class V, bool Backward>
inline std::size_t VectorAt(std::size_t begin, std::size_t bytes, std::size_t v) {
  return Backward ? begin + bytes - (v + 1) * V::kWidth : begin + v * V::kWidth;
}

// How many bytes of a run come before its first whole vector. Sets with mask registers take
// the bytes up to the anchor's next vector boundary as a partial vector, so every later vector
// of the anchor sits on one cache line instead of straddling two; the others start at once.
template <class V>
inline std::size_t HeadBytes(const void* anchor, std::size_t n) {
  if constexpr (V::kMaskRegisters) {
    const std::size_t head = (0 - reinterpret_cast<std::uintptr_t>(anchor)) & (V::kWidth - 1);
    return head < n ? head : n;
  } else {
    return 0;
  }
}

// Fewer bytes than a vector, at either end of a run.
template <class V, bool Copy>
std::size_t CountEdge(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                      std::size_t n, std::uint32_t differential, typename V::Reg d) {
  if constexpr (V::kMaskRegisters) {
    if (n == 0) return 0;
    // Lanes outside the edge load as zero on both sides, so they count as unchanged.
    const typename V::Lanes lanes = V::lanes(n);
    const typename V::Reg c = V::loadLanes(cur, lanes);
    const typename V::Reg p = V::loadLanes(prev, lanes);
    if constexpr (Copy) V::storeLanes(copyTo, lanes, c);
    return V::kWidth - V::tallied(V::tally(typename V::Tally{}, Unchanged<V>(c, p, d)));
  } else {
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
      if constexpr (Copy) copyTo[i] = cur[i];
      count += TailChanged(cur[i], prev[i], differential);
    }
    return count;
  }
}

template <class V, bool Copy, bool Backward>
std::size_t CountLoop(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                      std::size_t n, std::uint32_t differential, std::size_t stopAt) {
  const typename V::Reg d = V::set1(static_cast<std::uint8_t>(differential));
  const std::size_t head = HeadBytes<V>(Copy ? copyTo : cur, n);
  const std::size_t whole = (n - head) - (n - head) % V::kWidth;
  const std::size_t tail = head + whole;
  std::size_t count =
      CountEdge<V, Copy>(cur, prev, copyTo, head, differential, d) +
      CountEdge<V, Copy>(cur + tail, prev + tail, Copy ? copyTo + tail : nullptr, n - tail,
                         differential, d);
  cur += head;
  prev += head;
  if constexpr (Copy) copyTo += head;
  for (std::size_t walked = 0; walked < whole;) {
    const std::size_t bytes =
        whole - walked < kBlockVectors * V::kWidth ? whole - walked : kBlockVectors * V::kWidth;
    const std::size_t begin = Backward ? whole - walked - bytes : walked;
    if (count >= stopAt) {
      const std::size_t from = Backward ? 0 : walked;
      if constexpr (Copy) std::memcpy(copyTo + from, cur + from, whole - walked);
      return count;
    }
    typename V::Tally unchanged{};
    for (std::size_t v = 0; v < bytes / V::kWidth; ++v) {
      const std::size_t at = VectorAt<V, Backward>(begin, bytes, v);
      const typename V::Reg c = V::load(cur + at);
      const typename V::Reg p = V::load(prev + at);
      if constexpr (Copy) V::store(copyTo + at, c);
      unchanged = V::tally(unchanged, Unchanged<V>(c, p, d));
    }
    count += bytes - V::tallied(unchanged);
    walked += bytes;
  }
  return count;
}

// Marks one vector of the live frame and says which of its bytes stayed. A changed byte
// differs from its partner, so the larger one is the one that moved past it.
template <class V, bool Fused>
inline typename V::Same MarkVector(std::uint8_t* live, typename V::Reg c, typename V::Reg p,
                                   typename V::Reg d) {
  const typename V::Same same = Unchanged<V>(c, p, d);
  const typename V::Reg marked = V::bitXor(V::max(c, p), V::ones());
  if constexpr (V::kMaskRegisters) {
    V::storeChanged(live, same, marked);
  } else {
    const typename V::Reg asDelivered = Fused ? c : V::load(live);
    V::store(live, V::blend(same, asDelivered, marked));
  }
  return same;
}

template <class V, bool Fused>
std::size_t MarkEdge(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                     std::size_t n, std::uint32_t differential, typename V::Reg d) {
  if constexpr (V::kMaskRegisters) {
    if (n == 0) return 0;
    const typename V::Lanes lanes = V::lanes(n);
    const typename V::Reg c = V::loadLanes(Fused ? live : store, lanes);
    const typename V::Reg p = V::loadLanes(prev, lanes);
    if constexpr (Fused) V::storeLanes(store, lanes, c);
    // Zero against zero outside the edge: unchanged, so never written.
    const typename V::Same same = MarkVector<V, Fused>(live, c, p, d);
    return V::kWidth - V::tallied(V::tally(typename V::Tally{}, same));
  } else {
    std::size_t count = 0;
    for (std::size_t i = 0; i < n; ++i) {
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
}

template <class V, bool Fused, bool Backward>
std::size_t MarkLoop(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                     std::size_t n, std::uint32_t differential) {
  const typename V::Reg d = V::set1(static_cast<std::uint8_t>(differential));
  const std::size_t head = HeadBytes<V>(store, n);
  const std::size_t whole = (n - head) - (n - head) % V::kWidth;
  const std::size_t tail = head + whole;
  std::size_t count =
      MarkEdge<V, Fused>(live, prev, store, head, differential, d) +
      MarkEdge<V, Fused>(live + tail, prev + tail, store + tail, n - tail, differential, d);
  live += head;
  prev += head;
  store += head;
  for (std::size_t walked = 0; walked < whole;) {
    const std::size_t bytes =
        whole - walked < kBlockVectors * V::kWidth ? whole - walked : kBlockVectors * V::kWidth;
    const std::size_t begin = Backward ? whole - walked - bytes : walked;
    typename V::Tally unchanged{};
    for (std::size_t v = 0; v < bytes / V::kWidth; ++v) {
      const std::size_t at = VectorAt<V, Backward>(begin, bytes, v);
      const typename V::Reg c = V::load(Fused ? live + at : store + at);
      const typename V::Reg p = V::load(prev + at);
      if constexpr (Fused) V::store(store + at, c);
      unchanged = V::tally(unchanged, MarkVector<V, Fused>(live + at, c, p, d));
    }
    count += bytes - V::tallied(unchanged);
    walked += bytes;
  }
  return count;
}

template <class V>
std::size_t CountChanged(const std::uint8_t* cur, const std::uint8_t* prev, std::uint8_t* copyTo,
                         std::size_t n, std::uint32_t differential, std::size_t stopAt) {
  if (copyTo == nullptr) {
    return CountLoop<V, false, false>(cur, prev, copyTo, n, differential, stopAt);
  }
  const std::uintptr_t gaps[] = {AliasGap(copyTo, cur), AliasGap(copyTo, prev)};
  return WalkBackward(gaps) ? CountLoop<V, true, true>(cur, prev, copyTo, n, differential, stopAt)
                            : CountLoop<V, true, false>(cur, prev, copyTo, n, differential, stopAt);
}

template <class V>
std::size_t MarkChanged(std::uint8_t* live, const std::uint8_t* prev, std::uint8_t* store,
                        std::size_t n, std::uint32_t differential, bool fused) {
  if (fused) {
    const std::uintptr_t gaps[] = {AliasGap(store, live), AliasGap(store, prev),
                                   AliasGap(live, prev)};
    return WalkBackward(gaps) ? MarkLoop<V, true, true>(live, prev, store, n, differential)
                              : MarkLoop<V, true, false>(live, prev, store, n, differential);
  }
  const std::uintptr_t gaps[] = {AliasGap(live, store), AliasGap(live, prev)};
  return WalkBackward(gaps) ? MarkLoop<V, false, true>(live, prev, store, n, differential)
                            : MarkLoop<V, false, false>(live, prev, store, n, differential);
}

template <class V>
void Invert(std::uint8_t* bytes, std::size_t n) {
  std::size_t i = 0;
  for (; n - i >= V::kWidth; i += V::kWidth) {
    V::store(bytes + i, V::bitXor(V::load(bytes + i), V::ones()));
  }
  if constexpr (V::kMaskRegisters) {
    if (i < n) {
      const typename V::Lanes lanes = V::lanes(n - i);
      V::storeLanes(bytes + i, lanes, V::bitXor(V::loadLanes(bytes + i, lanes), V::ones()));
    }
  } else {
    for (; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(~bytes[i]);
  }
}
