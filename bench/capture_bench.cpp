// What the capture window costs the UI thread: per delivered frame (hand-over from the test
// pattern's thread, the detector's frame callback, the paint), and per hit (the detector's pass
// on a frame that triggers, the single-frame append to the AVI, the event-log line), with each
// compressor at the smallest and the largest frame Watchpost records.
//
// `capture_bench --dump_frames=DIR` writes the frames the hit benchmarks append, as raw top-down
// BGR (DIR/pattern-WxH.bgr), for bench/ffmpeg_peer.sh to encode with the ffmpeg command line.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "bench/PreparedFrames.h"
#include "capture/detector/MotionDetector.h"
#include "capture/reasons/KeptFrames.h"
#include "capture/reasons/ReasonsLog.h"
#include "capture/reasons/RecordingSettings.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/avi/AviWriter.h"
#include "platform/camera/drivers/TestPatternDriver.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/video/FrameFormat.h"
#include "tests/support/FrameLimit.h"

namespace {

using Clock = std::chrono::steady_clock;

using bench::Frames;
using bench::PreparedFramesDriver;
using bench::ThreadCpuSeconds;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

class QuietHost : public watchpost::DetectorHost {
 public:
  std::uint32_t currentTime() override { return 0; }
  void beep() override {}
  void updateAllViews(bool) override {}
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
  const camera::CaptureWindowRef ref =
      service.createCaptureWindow("WardenCam", 0, QRect(0, 0, 640, 480), nullptr, 0);
  camera::CaptureWidget* widget = camera::QtCaptureService::widget(ref);
  widget->show();

  watchpost::CaptureSettings settings;
  watchpost::DetectorState detectorState;
  QuietHost host;
  watchpost::MotionDetector detector(settings, detectorState, host, ref);
  widget->setCallbackFrame([&](camera::VideoHdr& f) { detector.OnFrame(f); });
  if (!widget->driverConnect(0)) {
    state.SkipWithError("the test pattern did not connect");
    return;
  }
  widget->setScale(true);
  widget->setPreview(true);
  widget->setPreviewRate(1'000'000);  // the benchmark polls by itself

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
BENCHMARK(DeliverFrame)
    ->Name("DeliverFrame/TestPattern/640x480")
    ->UseManualTime()
    ->Iterations(150)
    ->Unit(benchmark::kMicrosecond);

// The frames of a hit are the prepared pattern frames.
constexpr int kHitFrames = bench::kPatternFrames;
constexpr int kWarmUpHits = kHitFrames;
constexpr std::uint32_t kPlaybackMicroSecPerFrame = 250000;  // Watchpost's default 4 per second

// Hits per run: enough that the ffmpeg peer's start-up is small beside them, few enough that
// the page cache takes the file without holding the writes back (a few hundred MB).
struct HitSize {
  camera::FrameFormat format;
  benchmark::IterationCount hits;
};
const HitSize kHitSizes[] = {{{640, 480, 24}, 128}, {{1600, 1024, 24}, 64}};

std::string SizeName(const camera::FrameFormat& f) {
  return std::to_string(f.width) + "x" + std::to_string(f.height);
}

// The one driver of a window the benchmark makes itself.
class OneDriver final : public camera::DriverSource {
 public:
  explicit OneDriver(std::unique_ptr<camera::VideoDriver> driver) : driver_(std::move(driver)) {}
  camera::VideoDriver* claim(int index, camera::CaptureWidget&) override {
    return index == 0 ? driver_.get() : nullptr;
  }

 private:
  std::unique_ptr<camera::VideoDriver> driver_;
};

// The detector calls the window's singleFrame: timing it here splits the callback into its
// detection pass and the append it calls.
class TimedWidget final : public camera::CaptureWidget {
 public:
  using CaptureWidget::CaptureWidget;
  bool singleFrame() override {
    const auto start = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    const bool result = CaptureWidget::singleFrame();
    appendCpu = ThreadCpuSeconds() - cpuStart;
    append = Seconds(Clock::now() - start);
    return result;
  }
  double append = 0;     // wall time of the last singleFrame
  double appendCpu = 0;  // of which on this thread
};

// What the event log writes per hit: one line, formatted on the stack, write(2) to O_APPEND.
double WriteLogLine(int fd, int frameNumber) {
  const auto start = Clock::now();
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  const std::size_t stampLength = strftime(stamp, sizeof stamp, "%a %b %d %H:%M:%S %Y", &local);
  char line[64];
  const int length = std::snprintf(line, sizeof line, "Frame# %d %.*s\r\n", frameNumber,
                                   static_cast<int>(stampLength), stamp);
  const bool written = ::write(fd, line, static_cast<std::size_t>(length)) == length;
  const double spent = Seconds(Clock::now() - start);
  return written ? spent : -1;
}

// One hit, as the UI thread lives it: the frame callback in ModeDetect finds movement and calls
// the window's singleFrame (encode + write + flush), then the event log gets its line. The
// hand-over of the frame into the window before the callback is not timed (DeliverFrame has it).
// Wall time: that is what holds up the next frame.
void Hit(benchmark::State& state, avi::Compressor compressor, camera::FrameFormat format) {
  OneDriver driver(std::make_unique<PreparedFramesDriver>(format, bench::PatternFrames(format)));
  TimedWidget window(driver, testing_support::kMaxFrameBytes, nullptr);
  window.resize(640, 480);
  TimedWidget* widget = &window;
  if (!widget->driverConnect(0)) {
    state.SkipWithError("the prepared frames did not connect");
    return;
  }

  watchpost::CaptureSettings settings;  // default Differential 40, Threshold 200
  settings.Interval = 60;
  watchpost::DetectorState detectorState;
  QuietHost host;
  const camera::CaptureWindowRef ref(widget, widget);
  watchpost::MotionDetector detector(settings, detectorState, host, ref);
  detector.ComputeZoneBounds();
  double callback = 0;
  widget->setCallbackFrame([&](camera::VideoHdr& f) {
    const auto start = Clock::now();
    detector.OnFrame(f);
    callback = Seconds(Clock::now() - start);
  });
  widget->setPreview(true);
  widget->setPreviewRate(1'000'000);  // the benchmark polls by itself

  const auto dir = std::filesystem::temp_directory_path();
  const std::string tag =
      compressor.codec + "-" + SizeName(format) + "-" + std::to_string(::getpid());
  const std::string avi = (dir / ("corvane-hit-" + tag + ".avi")).string();
  const std::string log = (dir / ("corvane-hit-" + tag + ".log")).string();
  widget->fileSetCaptureFile(avi);
  widget->setSequenceSetup(
      camera::CaptureParms{.dwRequestMicroSecPerFrame = kPlaybackMicroSecPerFrame});
  widget->setCompressor(compressor);
  const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (logFd < 0 || !widget->singleFrameOpen()) {
    state.SkipWithError("could not create the recording or the log");
    if (logFd >= 0) ::close(logFd);
    return;
  }
  // Untimed: the first frame (it compares against an empty store), then one turn of the ring,
  // so that what is timed is the steady state of a recording under way. The ffmpeg peer leaves
  // out as many frames.
  for (int i = 0; i <= kWarmUpHits; ++i) {
    detectorState.mode = watchpost::ModeDetect;
    widget->pollFrame();
  }

  double detectSum = 0, appendSum = 0, appendCpuSum = 0, logSum = 0, worst = 0;
  int frameNumber = 1;
  for (auto _ : state) {
    detectorState.mode = watchpost::ModeDetect;  // as AcknowledgeHit leaves it for the next
    widget->append = -1;
    widget->pollFrame();
    const double logLine = WriteLogLine(logFd, ++frameNumber);
    if (widget->append < 0 || detectorState.pixelsHit < settings.Threshold || logLine < 0) {
      state.SkipWithError("a frame did not trigger, or its append or log line failed");
      break;
    }
    detectSum += callback - widget->append;
    appendSum += widget->append;
    appendCpuSum += widget->appendCpu;
    logSum += logLine;
    const double hit = callback + logLine;
    worst = std::max(worst, hit);
    state.SetIterationTime(hit);
  }
  const bool closed = widget->singleFrameClose();
  ::close(logFd);
  std::error_code ignored;
  const auto bytes = std::filesystem::file_size(avi, ignored);
  std::filesystem::remove(avi, ignored);
  std::filesystem::remove(log, ignored);
  if (!closed) state.SkipWithError("the recording did not close");

  using benchmark::Counter;
  state.counters["detect_ms"] = Counter(detectSum * 1e3, Counter::kAvgIterations);
  state.counters["append_ms"] = Counter(appendSum * 1e3, Counter::kAvgIterations);
  state.counters["append_ui_cpu_ms"] = Counter(appendCpuSum * 1e3, Counter::kAvgIterations);
  state.counters["log_us"] = Counter(logSum * 1e6, Counter::kAvgIterations);
  state.counters["worst_hit_ms"] = worst * 1e3;
  state.counters["file_bytes_per_frame"] =
      static_cast<double>(bytes) / static_cast<double>(state.iterations() + kWarmUpHits + 1);
}

// A hit with PreEventFrames 5 and the file of reasons, as the UI thread lives it: the callback
// (detection, the kept frames appended, the hit appended, its full count of changed bytes), one
// log line and one row of reasons per frame appended. `carrying`: each hit follows five quiet
// samples (untimed) and takes them with it; otherwise hits follow one another and carry none.
void HitKept(benchmark::State& state, avi::Compressor compressor, camera::FrameFormat format,
             bool carrying) {
  constexpr int kKept = 5;
  OneDriver driver(std::make_unique<PreparedFramesDriver>(format, bench::PatternFrames(format)));
  TimedWidget window(driver, testing_support::kMaxFrameBytes, nullptr);
  if (!window.driverConnect(0)) {
    state.SkipWithError("the prepared frames did not connect");
    return;
  }
  watchpost::CaptureSettings settings;
  settings.Interval = 60;
  watchpost::RecordingSettings recording{kKept, 1};
  watchpost::DetectorState detectorState;
  QuietHost host;
  const camera::CaptureWindowRef ref(&window, &window);
  watchpost::MotionDetector detector(settings, detectorState, host, ref);
  watchpost::KeptFrames kept(settings, recording, ref, watchpost::MotionDetector::kStoreBytes,
                             nullptr);
  detector.SetRecordingHook(&kept);
  double callback = 0;
  window.setCallbackFrame([&](camera::VideoHdr& f) {
    const auto start = Clock::now();
    detector.OnFrame(f);
    callback = Seconds(Clock::now() - start);
  });
  window.setPreview(true);
  window.setPreviewRate(1'000'000);

  const auto dir = std::filesystem::temp_directory_path();
  const std::string tag = compressor.codec + "-" + SizeName(format) + "-" +
                          (carrying ? "carrying" : "ordinary") + "-" + std::to_string(::getpid());
  const std::string avi = (dir / ("corvane-kept-" + tag + ".avi")).string();
  const std::string log = (dir / ("corvane-kept-" + tag + ".log")).string();
  const std::string csv = (dir / ("corvane-kept-" + tag + ".csv")).string();
  window.fileSetCaptureFile(avi);
  window.setSequenceSetup(
      camera::CaptureParms{.dwRequestMicroSecPerFrame = kPlaybackMicroSecPerFrame});
  window.setCompressor(compressor);
  const int logFd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  watchpost::ReasonsWriter reasons;
  reasons.beginRun(csv);
  std::string error;
  if (logFd < 0 || !window.singleFrameOpen()) {
    state.SkipWithError("could not create the recording or the log");
    if (logFd >= 0) ::close(logFd);
    return;
  }
  const auto sample = [&](bool quiet) {
    settings.Threshold = quiet ? 0x7FFFFFFF : 200;
    detectorState.mode = watchpost::ModeDetect;
    window.pollFrame();
  };
  for (int i = 0; i <= kWarmUpHits; ++i) sample(false);
  reasons.appendRows(kept.reasons(), detectorState.capturedCount, error);

  double worst = 0, carried = 0;
  int frameNumber = detectorState.capturedCount;
  for (auto _ : state) {
    if (carrying) {
      for (int i = 0; i < kKept; ++i) sample(true);
    }
    const std::int32_t before = detectorState.capturedCount;
    sample(false);
    double spent = callback;
    const std::int32_t taken = detectorState.capturedCount - before;
    for (int i = 0; i < taken; ++i) {
      const double line = WriteLogLine(logFd, ++frameNumber);
      if (line < 0) state.SkipWithError("a log line failed");
      spent += line;
    }
    const auto rowsStart = Clock::now();
    if (!reasons.appendRows(kept.reasons(), detectorState.capturedCount, error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    spent += Seconds(Clock::now() - rowsStart);
    if (taken != (carrying ? kKept + 1 : 1)) {
      state.SkipWithError("the hit did not carry what it should");
      break;
    }
    carried += taken - 1;
    worst = std::max(worst, spent);
    state.SetIterationTime(spent);
  }
  const bool closed = window.singleFrameClose();
  reasons.finishRun(kept.reasons(), detectorState.capturedCount, error);
  ::close(logFd);
  std::error_code ignored;
  for (const std::string& file : {avi, log, csv}) std::filesystem::remove(file, ignored);
  if (!closed) state.SkipWithError("the recording did not close");
  using benchmark::Counter;
  state.counters["worst_hit_ms"] = worst * 1e3;
  state.counters["kept_per_hit"] = Counter(carried, Counter::kAvgIterations);
}

void RegisterHits() {
  for (const HitSize& size : kHitSizes) {
    for (const avi::Compressor& c : avi::AvailableCompressors()) {
      if (c.codec != "rawvideo" && c.codec != "mjpeg" && c.codec != "libx264") continue;
      for (const bool carrying : {true, false}) {
        const std::string name = std::string("HitKept5/") + (carrying ? "carrying/" : "ordinary/") +
                                 c.codec + "/" + SizeName(size.format);
        benchmark::RegisterBenchmark(name.c_str(), HitKept, c, size.format, carrying)
            ->UseManualTime()
            ->Iterations(size.hits / 4)
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  for (const HitSize& size : kHitSizes) {
    for (const avi::Compressor& c : avi::AvailableCompressors()) {
      benchmark::RegisterBenchmark(("Hit/" + c.codec + "/" + SizeName(size.format)).c_str(), Hit, c,
                                   size.format)
          ->UseManualTime()
          ->Iterations(size.hits)
          ->Unit(benchmark::kMillisecond);
    }
  }
}

// The hit frames as the ffmpeg command line reads them (-f rawvideo -pix_fmt bgr24): top-down.
int DumpFrames(const std::filesystem::path& dir) {
  for (const HitSize& size : kHitSizes) {
    const camera::FrameFormat& format = size.format;
    const std::filesystem::path path = dir / ("pattern-" + SizeName(format) + ".bgr");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const std::size_t row = static_cast<std::size_t>(format.width) * 3;
    for (const auto& frame : bench::PatternFrames(format)) {
      for (int y = format.height - 1; y >= 0; --y) {
        out.write(reinterpret_cast<const char*>(frame.data() + y * row),
                  static_cast<std::streamsize>(row));
      }
    }
    if (!out) {
      std::fprintf(stderr, "could not write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s %d frames\n", path.c_str(), kHitFrames);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  constexpr std::string_view kDump = "--dump_frames=";
  if (argc == 2 && std::string_view(argv[1]).starts_with(kDump)) {
    return DumpFrames(std::string_view(argv[1]).substr(kDump.size()));
  }
  qputenv("QT_QPA_PLATFORM",
          qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  RegisterHits();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
