// Cost of the detector's per-frame passes against the physical limit (copying the same bytes)
// and against a plain byte loop. Each pass includes the copy of the frame into its store.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "capture/detector/ZoneKernels.h"
#include "capture/detector/ZonePass.h"
#include "platform/camera/FrameMemory.h"

#if defined(CORVANE_HAVE_OPENCV)
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using watchpost::FrameBuffers;
using watchpost::PassArea;

constexpr std::uint32_t kDifferential = 40;  // the default sensitivity
constexpr std::uint32_t kNeverReached = 0xFFFFFFFFu;
constexpr std::uint32_t kDefaultThreshold = 200;

// A textured picture; the next frame carries sensor noise, or, for the early stop, movement
// everywhere.
// Allocated as the detector's stores are.
struct Frames {
  std::size_t bytes;
  camera::FrameBytes previous;
  camera::FrameBytes live;
  camera::FrameBytes store;

  Frames(std::size_t size, bool moving)
      : bytes(size),
        previous(camera::MakeFrameBytes(size)),
        live(camera::MakeFrameBytes(size)),
        store(camera::MakeFrameBytes(size)) {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> noise(-3, 3);
    for (std::size_t i = 0; i < bytes; ++i) {
      previous[i] = static_cast<std::uint8_t>(byte(rng));
      const int next = moving ? previous[i] ^ 0x80 : previous[i] + noise(rng);
      live[i] = static_cast<std::uint8_t>(next < 0 ? 0 : next > 255 ? 255 : next);
    }
  }
  FrameBuffers buffers() { return {live.get(), bytes, store.get(), previous.get()}; }
};

// MarkMotion marks a frame that moved everywhere: the worst case of the idle preview.
enum class Kernel { Detect, DetectStop, Mark, MarkMotion };

std::uint32_t ThresholdFor(Kernel k) {
  return k == Kernel::DetectStop ? kDefaultThreshold : kNeverReached;
}

void Finish(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

void Memcpy(benchmark::State& state, std::size_t bytes) {
  Frames f(bytes, false);
  for (auto _ : state) {
    std::memcpy(f.store.get(), f.live.get(), bytes);
    benchmark::DoNotOptimize(f.store.get());
    benchmark::ClobberMemory();
  }
  Finish(state, bytes);
}

void Scalar(benchmark::State& state, Kernel kernel, std::size_t bytes) {
  Frames f(bytes, kernel == Kernel::DetectStop || kernel == Kernel::MarkMotion);
  const FrameBuffers b = f.buffers();
  for (auto _ : state) {
    const std::size_t count =
        kernel == Kernel::Mark || kernel == Kernel::MarkMotion
            ? watchpost::reference::MarkPass(b, PassArea{}, kDifferential)
            : watchpost::reference::DetectPass(b, PassArea{}, kDifferential, ThresholdFor(kernel));
    benchmark::DoNotOptimize(count);
    benchmark::ClobberMemory();
  }
  Finish(state, bytes);
}

void Simd(benchmark::State& state, const watchpost::ZoneKernels* kernels, Kernel kernel,
          std::size_t bytes) {
  Frames f(bytes, kernel == Kernel::DetectStop || kernel == Kernel::MarkMotion);
  const FrameBuffers b = f.buffers();
  for (auto _ : state) {
    const std::size_t count =
        kernel == Kernel::Mark || kernel == Kernel::MarkMotion
            ? watchpost::MarkPass(*kernels, b, PassArea{}, kDifferential)
            : watchpost::DetectPass(*kernels, b, PassArea{}, kDifferential, ThresholdFor(kernel));
    benchmark::DoNotOptimize(count);
    benchmark::ClobberMemory();
  }
  Finish(state, bytes);
}

#if defined(CORVANE_HAVE_OPENCV)
// The usual library pipeline: absdiff, threshold, count (and, to mark, invert the larger value
// where the mask is set), plus the same copy into the store. It cannot stop early.
void OpenCv(benchmark::State& state, Kernel kernel, std::size_t bytes) {
  Frames f(bytes, kernel == Kernel::DetectStop || kernel == Kernel::MarkMotion);
  const int n = static_cast<int>(bytes);
  cv::Mat live(1, n, CV_8UC1, f.live.get());
  cv::Mat previous(1, n, CV_8UC1, f.previous.get());
  cv::Mat diff, mask, larger;
  for (auto _ : state) {
    std::memcpy(f.store.get(), f.live.get(), bytes);
    cv::absdiff(live, previous, diff);
    cv::threshold(diff, mask, kDifferential, 255, cv::THRESH_BINARY);
    if (kernel == Kernel::Mark || kernel == Kernel::MarkMotion) {
      cv::max(live, previous, larger);
      cv::bitwise_not(larger, live, mask);
    }
    const int count = cv::countNonZero(mask);
    benchmark::DoNotOptimize(count);
    benchmark::ClobberMemory();
  }
  Finish(state, bytes);
}
#endif

struct FrameSize {
  int width, height;
  std::size_t bytes() const { return static_cast<std::size_t>(width) * height * 3; }
};

// Kernel/Implementation/WxH
std::string Name(const char* kernel, const char* implementation, const FrameSize& size) {
  char name[96];
  std::snprintf(name, sizeof name, "%s/%s/%dx%d", kernel, implementation, size.width, size.height);
  return name;
}

void RegisterAll() {
  // VGA, and the largest 24-bit frame a store holds.
  const FrameSize sizes[] = {{640, 480}, {1600, 1024}};
  const std::pair<Kernel, const char*> kernels[] = {{Kernel::Detect, "Detect"},
                                                    {Kernel::DetectStop, "DetectStop"},
                                                    {Kernel::Mark, "Mark"},
                                                    {Kernel::MarkMotion, "MarkMotion"}};
  for (const auto& [kernel, kernelName] : kernels) {
    for (const FrameSize& size : sizes) {
      const std::size_t bytes = size.bytes();
      benchmark::RegisterBenchmark(Name(kernelName, "Memcpy", size).c_str(), Memcpy, bytes);
      benchmark::RegisterBenchmark(Name(kernelName, "Scalar", size).c_str(), Scalar, kernel, bytes);
      benchmark::RegisterBenchmark(Name(kernelName, "Simd", size).c_str(), Simd,
                                   &watchpost::BestKernels(), kernel, bytes);
      // Each narrower set this processor runs, beside the one Simd chose.
      for (const watchpost::ZoneKernels* set :
           {watchpost::Avx512Kernels(), watchpost::Avx2Kernels(), watchpost::Sse2Kernels()}) {
        if (set != nullptr && set != &watchpost::BestKernels()) {
          benchmark::RegisterBenchmark(Name(kernelName, set->name, size).c_str(), Simd, set, kernel,
                                       bytes);
        }
      }
#if defined(CORVANE_HAVE_OPENCV)
      benchmark::RegisterBenchmark(Name(kernelName, "OpenCV", size).c_str(), OpenCv, kernel, bytes);
#endif
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  RegisterAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::AddCustomContext("simd_kernels", watchpost::BestKernels().name);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
