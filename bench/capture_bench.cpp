// What the capture window costs the UI thread per delivered frame (hand-over from the test
// pattern's thread, the detector's frame callback, the paint), and what one single-frame
// append costs with each compressor.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include <time.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/detector/MotionDetector.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/avi/AviWriter.h"
#include "platform/video/FrameFormat.h"
#include "tests/support/FrameLimit.h"
#include "platform/camera/drivers/TestPatternDriver.h"
#include "platform/camera/window/QtCaptureService.h"

namespace {

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

class QuietHost : public watchpost::DetectorHost {
 public:
  std::uint32_t currentTime() override { return 0; }
  void beep() override {}
  void updateAllViews() override {}
  void startStop() override {}
  void enableControlPanel() override {}
  void setStatusText(const char*) override {}
};

// Hand-over + callback (the detector marking movement, as Watchpost does while idle) + paint,
// in CPU time of the UI thread only.
void DeliverFrame(benchmark::State& state) {
  std::vector<std::unique_ptr<camera::VideoDriver>> drivers;
  drivers.push_back(std::make_unique<camera::TestPatternDriver>(testing_support::kMaxFrameBytes));
  camera::QtCaptureService service(testing_support::kMaxFrameBytes, std::move(drivers));
  const auto window = service.createCaptureWindow("WardenCam", 0, 0, 0, 640, 480, nullptr, 0);
  camera::CaptureWidget* widget = service.widget(window);
  widget->show();

  watchpost::CaptureSettings settings;
  watchpost::DetectorState detectorState;
  QuietHost host;
  const camera::CaptureWindowRef ref(&service, window);
  watchpost::MotionDetector detector(settings, detectorState, host, ref);
  service.setCallbackFrame(window, [&](camera::CaptureWindowHandle h, camera::VideoHdr* f) {
    return detector.FrameCallback(h, f);
  });
  if (service.driverConnect(window, 0) == 0) {
    state.SkipWithError("the test pattern did not connect");
    return;
  }
  service.setScale(window, true);
  service.setPreview(window, true);
  service.setPreviewRate(window, 1'000'000);  // the benchmark polls by itself

  for (auto _ : state) {
    // Wait (not timed) for the pattern's next frame, then time what the UI thread does with it.
    double cpu = 0;
    for (;;) {
      const double start = ThreadCpuSeconds();
      const bool delivered = widget->pollFrame();
      if (delivered) widget->repaint();
      const double spent = ThreadCpuSeconds() - start;
      if (delivered) {
        cpu = spent;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    state.SetIterationTime(cpu);
  }
  state.SetLabel("UI-thread CPU time per frame");
}
BENCHMARK(DeliverFrame)->Name("DeliverFrame/TestPattern/640x480")->UseManualTime()->Iterations(150)->Unit(benchmark::kMicrosecond);

// One frame appended to an open recording, per compressor.
void SingleFrame(benchmark::State& state, avi::Compressor compressor) {
  const camera::FrameFormat format{640, 480, 24};
  std::vector<std::uint8_t> frame(format.bytes());
  camera::PatternSettings pattern;
  camera::RenderTestPattern(pattern, 30, format, frame.data());
  const std::string path =
      (std::filesystem::temp_directory_path() / ("corvane-bench-" + compressor.codec + ".avi"))
          .string();
  avi::AviWriter writer;
  std::string error;
  const camera::BitmapInfo info = video::ToBitmapInfo(format);
  if (!writer.open(path, info.bmiHeader, 250000, compressor, 0, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  for (auto _ : state) {
    if (!writer.writeFrame(frame.data(), frame.size(), error)) {
      state.SkipWithError(error.c_str());
      break;
    }
  }
  writer.close(error);
  std::error_code ignored;
  state.counters["file_bytes_per_frame"] = benchmark::Counter(
      static_cast<double>(std::filesystem::file_size(path, ignored)) /
      static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)));
  std::filesystem::remove(path, ignored);
}

void RegisterCompressors() {
  for (const avi::Compressor& c : avi::AvailableCompressors()) {
    benchmark::RegisterBenchmark(("SingleFrame/" + c.codec + "/640x480").c_str(), SingleFrame, c)
        ->Iterations(200)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                  : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  RegisterCompressors();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
