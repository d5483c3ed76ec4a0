// The vector kernels must give exactly what the byte-by-byte rules give: same count, same store,
// same live picture, over random scenes, zones, sensitivities and pixel sizes.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "capture/detector/ZoneBounds.h"
#include "capture/detector/ZoneKernels.h"
#include "capture/detector/ZonePass.h"
#include "capture/settings/CaptureSettings.h"

namespace watchpost {
namespace {

std::vector<const ZoneKernels*> AvailableKernels() {
  std::vector<const ZoneKernels*> all{&ScalarKernels()};
  if (const ZoneKernels* k = Sse2Kernels()) all.push_back(k);
  if (const ZoneKernels* k = Avx2Kernels()) all.push_back(k);
  if (const ZoneKernels* k = Avx512Kernels()) all.push_back(k);
  return all;
}

// A previous and a current frame: a noisy copy with some bytes moved far.
struct Scene {
  std::vector<std::uint8_t> previous;
  std::vector<std::uint8_t> current;
  std::vector<std::uint8_t> store;  // whatever the store held before
};

Scene RandomScene(std::mt19937& rng, std::size_t bytes) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> noise(-12, 12);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double moved = unit(rng) * unit(rng);  // mostly small fractions of moving bytes
  Scene s;
  s.previous.resize(bytes);
  s.current.resize(bytes);
  s.store.resize(bytes);
  for (std::size_t i = 0; i < bytes; ++i) {
    s.previous[i] = static_cast<std::uint8_t>(byte(rng));
    const int drift = unit(rng) < moved ? byte(rng) : s.previous[i] + noise(rng);
    s.current[i] = static_cast<std::uint8_t>(std::clamp(drift, 0, 255));
    s.store[i] = static_cast<std::uint8_t>(byte(rng));
  }
  return s;
}

struct Case {
  std::size_t bytes;
  PassArea area;
  std::uint32_t differential;
  std::uint32_t threshold;
  std::string describe() const {
    const ZoneBounds& b = area.bounds;
    return "bytes " + std::to_string(bytes) + (area.wholeFrame ? " whole frame" : " zone") +
           " stride " + std::to_string(b.rowStride) + " rows " + std::to_string(b.rowStart) + ".." +
           std::to_string(b.rowEnd) + " cols " + std::to_string(b.byteStart) + ".." +
           std::to_string(b.byteEnd) + " D " + std::to_string(differential) + " T " +
           std::to_string(threshold);
  }
};

Case RandomCase(std::mt19937& rng) {
  std::uniform_int_distribution<int> bitCounts(0, 5);
  constexpr std::uint16_t kBits[] = {1, 8, 16, 24, 32, 4};
  camera::BitmapInfoHeader format;
  format.biBitCount = kBits[bitCounts(rng)];
  format.biWidth = std::uniform_int_distribution<int>(1, 181)(rng) | 1;  // odd widths
  format.biHeight = std::uniform_int_distribution<int>(1, 48)(rng);
  const std::size_t bytesPerPixel = std::max(1, format.biBitCount / 8);
  std::size_t bytes = static_cast<std::size_t>(format.biWidth) * format.biHeight * bytesPerPixel;
  // Now and then the frame is shorter or longer than its format says.
  const int sizeSkew = std::uniform_int_distribution<int>(0, 9)(rng);
  if (sizeSkew == 0) bytes = bytes / 2 + 1;
  if (sizeSkew == 1) bytes += 77;

  std::uniform_real_distribution<float> edge(-0.3f, 1.3f);
  CaptureSettings settings;
  settings.ZoneLeft = edge(rng);
  settings.ZoneRight = edge(rng);
  settings.ZoneTop = edge(rng);
  settings.ZoneBottom = edge(rng);
  if (std::uniform_int_distribution<int>(0, 3)(rng) == 0) {  // a sensible zone
    settings.ZoneLeft = std::min(settings.ZoneLeft, settings.ZoneRight) * 0.5f;
    settings.ZoneRight = 0.5f + settings.ZoneRight * 0.5f;
    settings.ZoneTop = 0.1f;
    settings.ZoneBottom = 0.9f;
  }
  PassArea area;
  area.wholeFrame = std::uniform_int_distribution<int>(0, 3)(rng) == 0;
  area.bounds = ComputeZoneBounds(format, settings);
  // Nudged strides put rows over each other or apart.
  area.bounds.rowStride += std::uniform_int_distribution<int>(-3, 3)(rng) *
                           (std::uniform_int_distribution<int>(0, 2)(rng) == 0);

  const std::uint32_t differential = std::uniform_int_distribution<std::uint32_t>(0, 128)(rng);
  std::uint32_t threshold = 0;
  switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
    case 0: threshold = 0; break;
    case 1: threshold = std::uniform_int_distribution<std::uint32_t>(1, 40)(rng); break;
    case 2: threshold = std::uniform_int_distribution<std::uint32_t>(1, 5000)(rng); break;
    case 3:
      threshold = static_cast<std::uint32_t>(-std::uniform_int_distribution<int>(1, 9)(rng));
      break;
    default: threshold = 1'000'000; break;
  }
  return Case{bytes, area, differential, threshold};
}

struct Outcome {
  std::size_t count;
  std::vector<std::uint8_t> live;
  std::vector<std::uint8_t> store;
};

enum class Pass { Detect, Mark, Invert };

const char* NameOf(Pass pass) {
  switch (pass) {
    case Pass::Detect: return "Detect";
    case Pass::Mark: return "Mark";
    case Pass::Invert: return "Invert";
  }
  return "?";
}
void PrintTo(Pass pass, std::ostream* os) { *os << NameOf(pass); }

template <class Run>
Outcome RunPass(const Scene& scene, Run run) {
  Outcome out{0, scene.current, scene.store};
  const FrameBuffers frame{out.live.data(), out.live.size(), out.store.data(),
                           scene.previous.data()};
  out.count = run(frame);
  return out;
}

Outcome RunReference(Pass pass, const Scene& scene, const Case& c) {
  return RunPass(scene, [&](const FrameBuffers& f) -> std::size_t {
    switch (pass) {
      case Pass::Detect: return reference::DetectPass(f, c.area, c.differential, c.threshold);
      case Pass::Mark: return reference::MarkPass(f, c.area, c.differential);
      case Pass::Invert: reference::InvertZone(f.live, f.bytes, c.area.bounds); return 0;
    }
    return 0;
  });
}

Outcome RunKernels(const ZoneKernels& k, Pass pass, const Scene& scene, const Case& c) {
  return RunPass(scene, [&](const FrameBuffers& f) -> std::size_t {
    switch (pass) {
      case Pass::Detect: return DetectPass(k, f, c.area, c.differential, c.threshold);
      case Pass::Mark: return MarkPass(k, f, c.area, c.differential);
      case Pass::Invert: InvertZone(k, f.live, f.bytes, c.area.bounds); return 0;
    }
    return 0;
  });
}

void ExpectSameOutcome(const Outcome& expected, const Outcome& actual, const std::string& what) {
  ASSERT_EQ(expected.count, actual.count) << what;
  // The store is only defined after passes that write it; the invert pass leaves it alone.
  ASSERT_TRUE(expected.store == actual.store) << what << ": store differs";
  ASSERT_TRUE(expected.live == actual.live) << what << ": live picture differs";
}

class KernelsMatchReference : public ::testing::TestWithParam<Pass> {};

TEST_P(KernelsMatchReference, OnRandomScenesAndZones) {
  std::mt19937 rng(20261208u + static_cast<unsigned>(GetParam()));
  for (int trial = 0; trial < 1500; ++trial) {
    const Case c = RandomCase(rng);
    const Scene scene = RandomScene(rng, c.bytes);
    const Outcome expected = RunReference(GetParam(), scene, c);
    for (const ZoneKernels* k : AvailableKernels()) {
      ExpectSameOutcome(
          expected, RunKernels(*k, GetParam(), scene, c),
          std::string(k->name) + " trial " + std::to_string(trial) + ": " + c.describe());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Passes, KernelsMatchReference,
                         ::testing::Values(Pass::Detect, Pass::Mark, Pass::Invert),
                         [](const auto& info) { return std::string(NameOf(info.param)); });

// Differentials outside the slider's range keep the unsigned meaning of the rule; those near the
// byte limit decide whether any byte can change at all.
TEST(KernelsMatchReference, ForDifferentialsOutsideTheSliderRange) {
  const std::uint32_t differentials[] = {
      129,
      253,
      254,
      255,
      256,
      1000,
      static_cast<std::uint32_t>(-1),
      static_cast<std::uint32_t>(-40),
      static_cast<std::uint32_t>(std::numeric_limits<int>::min())};
  std::mt19937 rng(7);
  for (std::uint32_t d : differentials) {
    for (int trial = 0; trial < 40; ++trial) {
      Case c = RandomCase(rng);
      c.differential = d;
      const Scene scene = RandomScene(rng, c.bytes);
      for (Pass pass : {Pass::Detect, Pass::Mark}) {
        const Outcome expected = RunReference(pass, scene, c);
        for (const ZoneKernels* k : AvailableKernels()) {
          ExpectSameOutcome(expected, RunKernels(*k, pass, scene, c),
                            std::string(k->name) + ": " + c.describe());
        }
      }
    }
  }
}

// Runs long enough to cross the kernels' blocks, stopping at every distance from a block edge.
TEST(KernelsMatchReference, EarlyStopAtEveryPositionOfALongRun) {
  std::mt19937 rng(11);
  const Scene scene = RandomScene(rng, 9000);
  for (std::uint32_t threshold = 1; threshold < 3000; threshold += 7) {
    const Case c{scene.current.size(), PassArea{}, 20, threshold};
    const Outcome expected = RunReference(Pass::Detect, scene, c);
    for (const ZoneKernels* k : AvailableKernels()) {
      ExpectSameOutcome(expected, RunKernels(*k, Pass::Detect, scene, c),
                        std::string(k->name) + ": " + c.describe());
    }
  }
}

// Frames as large as a store holds, well past the caches.
TEST(KernelsMatchReference, OnTheLargestFrames) {
  std::mt19937 rng(13);
  for (std::size_t bytes : {std::size_t{4'915'200}, std::size_t{(4u << 20) + 37}}) {
    const Scene scene = RandomScene(rng, bytes);
    for (std::uint32_t threshold : {std::uint32_t{5000}, static_cast<std::uint32_t>(-1)}) {
      const Case c{bytes, PassArea{}, 30, threshold};
      for (Pass pass : {Pass::Detect, Pass::Mark}) {
        const Outcome expected = RunReference(pass, scene, c);
        for (const ZoneKernels* k : AvailableKernels()) {
          ExpectSameOutcome(expected, RunKernels(*k, pass, scene, c),
                            std::string(k->name) + ": " + c.describe());
        }
      }
    }
  }
}

TEST(KernelsMatchReference, ExtremeBytesAtTheByteLimits) {
  // 0 against 255 and back, and neighbours one apart, at every differential.
  std::vector<std::uint8_t> prev, cur;
  for (int a : {0, 1, 127, 128, 254, 255}) {
    for (int b : {0, 1, 127, 128, 254, 255}) {
      prev.push_back(static_cast<std::uint8_t>(a));
      cur.push_back(static_cast<std::uint8_t>(b));
    }
  }
  while (prev.size() < 100) {  // past one vector of either width
    prev.push_back(prev[prev.size() % 36]);
    cur.push_back(cur[cur.size() % 36]);
  }
  const Scene scene{prev, cur, std::vector<std::uint8_t>(prev.size())};
  for (std::uint32_t d = 0; d <= 256; ++d) {
    const Case c{prev.size(), PassArea{}, d, static_cast<std::uint32_t>(-1)};
    for (Pass pass : {Pass::Detect, Pass::Mark}) {
      const Outcome expected = RunReference(pass, scene, c);
      for (const ZoneKernels* k : AvailableKernels()) {
        ExpectSameOutcome(expected, RunKernels(*k, pass, scene, c),
                          std::string(k->name) + ": " + c.describe());
      }
    }
  }
}

// The kernel calls the passes make, straight on one run of bytes.
enum class Call { Count, CountUntil, CountWithoutCopy, MarkFused, Mark, Invert };
constexpr Call kCalls[] = {Call::Count,     Call::CountUntil, Call::CountWithoutCopy,
                           Call::MarkFused, Call::Mark,       Call::Invert};
constexpr std::uint32_t kCallDifferential = 25;
constexpr std::size_t kCallStopAt = 37;

std::size_t MakeCall(const ZoneKernels& k, Call call, std::uint8_t* live,
                     const std::uint8_t* previous, std::uint8_t* store, std::size_t n) {
  const std::uint32_t d = kCallDifferential;
  switch (call) {
    case Call::Count: return k.countChanged(live, previous, store, n, d, ~std::size_t{0});
    case Call::CountUntil:  // any count from the stop on means the same
      return std::min(k.countChanged(live, previous, store, n, d, kCallStopAt), kCallStopAt);
    case Call::CountWithoutCopy:
      return k.countChanged(store, previous, nullptr, n, d, ~std::size_t{0});
    case Call::MarkFused: return k.markChanged(live, previous, store, n, d, true);
    case Call::Mark: return k.markChanged(live, previous, store, n, d, false);
    case Call::Invert: k.invert(live, n); return 0;
  }
  return 0;
}

// Room for runs, with pages on both sides that fault when touched.
class GuardedPages {
 public:
  explicit GuardedPages(std::size_t pages)
      : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))), size_((pages + 2) * page_) {
    void* m = mmap(nullptr, size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m == MAP_FAILED) return;
    base_ = static_cast<std::uint8_t*>(m);
    mprotect(base_, page_, PROT_NONE);
    mprotect(base_ + size_ - page_, page_, PROT_NONE);
  }
  ~GuardedPages() {
    if (base_ != nullptr) munmap(base_, size_);
  }
  GuardedPages(const GuardedPages&) = delete;
  GuardedPages& operator=(const GuardedPages&) = delete;
  bool ok() const { return base_ != nullptr; }
  std::size_t room() const { return size_ - 2 * page_; }
  std::uint8_t* at(std::size_t offset) const { return base_ + page_ + offset; }

 private:
  std::size_t page_;
  std::size_t size_;
  std::uint8_t* base_ = nullptr;
};

constexpr std::size_t kAgainstTheEnd = ~std::size_t{0};  // the run's last byte meets the guard
struct Placement {
  std::size_t live, previous, store;  // offsets from the first usable byte
};

// Runs against a guard, at either end, fault if a vector reaches past them. Buffers a few
// vectors apart in the page, in either order, send the kernels walking backward, farther apart
// forward. Either way every kernel set must leave the bytes the byte loops leave, in the run
// and around it.
TEST(KernelsMatchReference, WhereverTheRunsLieInTheirPages) {
  GuardedPages live(4), previous(4), store(4);
  ASSERT_TRUE(live.ok() && previous.ok() && store.ok());
  std::vector<std::pair<std::size_t, Placement>> cases;
  for (std::size_t n = 0; n <= 200; ++n) {
    cases.push_back({n, {0, kAgainstTheEnd, 0}});
    cases.push_back({n, {kAgainstTheEnd, 0, kAgainstTheEnd}});
    cases.push_back({n, {3, 1, 7}});  // more bytes to the store's next line than in the run
  }
  for (const std::size_t n : {65, 4097, 9000}) {
    for (const std::size_t liveAt : {0, 64, 4032}) {
      for (const std::size_t previousAt : {0, 128, 4000}) {
        for (const std::size_t storeAt : {0, 7, 64, 192, 2048, 3968, 4095}) {
          cases.push_back({n, {liveAt, previousAt, storeAt}});
        }
      }
    }
  }
  std::mt19937 rng(17);
  for (const auto& [n, where] : cases) {
    const Scene scene = RandomScene(rng, n);
    const auto place = [n = n](const GuardedPages& pages, std::size_t offset) {
      return pages.at(offset == kAgainstTheEnd ? pages.room() - n : offset);
    };
    std::uint8_t* const l = place(live, where.live);
    std::uint8_t* const s = place(store, where.store);
    std::uint8_t* const p = place(previous, where.previous);
    std::copy(scene.previous.begin(), scene.previous.end(), p);
    // The run and a vector's width on either side, where a stray write would land.
    const auto window = [n = n](const GuardedPages& pages, std::uint8_t* run) {
      std::uint8_t* const from = std::max(run - 64, pages.at(0));
      std::uint8_t* const to = std::min(run + n + 64, pages.at(pages.room()));
      return std::pair{from, to};
    };
    const auto [liveFrom, liveTo] = window(live, l);
    const auto [storeFrom, storeTo] = window(store, s);
    for (const Call call : kCalls) {
      const auto run = [&](const ZoneKernels& k) {
        std::fill(liveFrom, liveTo, 0);
        std::fill(storeFrom, storeTo, 0);
        std::copy(scene.current.begin(), scene.current.end(), l);
        std::copy(scene.store.begin(), scene.store.end(), s);
        const std::size_t count = MakeCall(k, call, l, p, s, n);
        return Outcome{count, std::vector<std::uint8_t>(liveFrom, liveTo),
                       std::vector<std::uint8_t>(storeFrom, storeTo)};
      };
      const Outcome expected = run(ScalarKernels());
      for (const ZoneKernels* k : AvailableKernels()) {
        ExpectSameOutcome(
            expected, run(*k),
            std::string(k->name) + " call " + std::to_string(static_cast<int>(call)) + " bytes " +
                std::to_string(n) + " live at " + std::to_string(where.live) + " previous at " +
                std::to_string(where.previous) + " store at " + std::to_string(where.store));
      }
    }
  }
}

TEST(Kernels, TheBestOnesAreTheWidestThisProcessorRuns) {
  const ZoneKernels* widest = Avx512Kernels() ? Avx512Kernels()
                              : Avx2Kernels() ? Avx2Kernels()
                                              : Sse2Kernels();
  EXPECT_EQ(&BestKernels(), widest ? widest : &ScalarKernels());
}

}  // namespace
}  // namespace watchpost
