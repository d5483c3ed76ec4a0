// What the whole Watchpost program costs its UI thread per delivered frame: the hand-over into
// the capture window, the detector marking movement (what it does while idle, its heaviest
// pass), the control panel's update and the paint of the main window, all on the real main
// window offscreen. `ZoneDrag` adds the rubber band of a zone being drawn, when frames come
// every 15 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/PreparedFrames.h"
#include "capture/detector/MotionDetector.h"
#include "capture/frame/MainFrame.h"
#include "capture/main/WatchpostApp.h"
#include "capture/panel/WatchpostView.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/MemoryProfileStore.h"

namespace {

using watchpost::CWatchpostApp;

void PerFrame(benchmark::State& state, camera::FrameFormat format, bool zoneDrag) {
  std::vector<std::unique_ptr<camera::VideoDriver>> drivers;
  drivers.push_back(
      std::make_unique<bench::PreparedFramesDriver>(format, bench::PatternFrames(format)));
  camera::QtCaptureService service(watchpost::MotionDetector::kStoreBytes, std::move(drivers));
  framework::MemoryProfileStore profile;
  const auto folder = std::filesystem::temp_directory_path() / "corvane-app-bench";
  std::filesystem::create_directories(folder);
  profile.seedText("Settings", "CurrentDirectory", folder.string());

  CWatchpostApp app(service, profile);
  if (!app.InitInstance({})) {
    state.SkipWithError("Watchpost did not start");
    return;
  }
  watchpost::CWatchpostDoc& doc = *app.document();
  camera::CaptureWidget* widget = camera::QtCaptureService::widget(doc.captureRef());
  if (widget == nullptr || widget->driver() == nullptr) {
    state.SkipWithError("no capture window");
    return;
  }
  QApplication::processEvents();
  // The benchmark hands the frames over itself.
  doc.captureRef()->setPreviewRate(1'000'000);
  watchpost::CWatchpostView& view = *app.view();
  const QPoint dragStart(220, 60);
  if (zoneDrag) {
    QMouseEvent press(QEvent::MouseButtonPress, dragStart, view.mapToGlobal(dragStart),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    doc.captureRef()->setPreviewRate(1'000'000);  // the press asked for 15 ms
  }

  struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++paints;
      return false;
    }
  } counter;
  widget->installEventFilter(&counter);
  int step = 0;
  for (auto _ : state) {
    const double start = bench::ThreadCpuSeconds();
    if (!widget->pollFrame()) {
      state.SkipWithError("a frame was not delivered");
      break;
    }
    if (zoneDrag) {
      const QPoint to = dragStart + QPoint(40 + step % 60, 30 + step % 40);
      QMouseEvent move(QEvent::MouseMove, to, view.mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QApplication::sendEvent(&view, &move);
      ++step;
    }
    QApplication::processEvents();  // the paint
    state.SetIterationTime(bench::ThreadCpuSeconds() - start);
  }
  state.SetLabel("UI-thread CPU time per frame");
  state.counters["paints"] = counter.paints;
  if (counter.paints < state.iterations()) state.SkipWithError("a frame was not painted");
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}

void RegisterAll() {
  for (const camera::FrameFormat format :
       {camera::FrameFormat{640, 480, 24}, camera::FrameFormat{1600, 1024, 24}}) {
    const std::string size = std::to_string(format.width) + "x" + std::to_string(format.height);
    benchmark::RegisterBenchmark(("App/PerFrame/" + size).c_str(), PerFrame, format, false)
        ->UseManualTime()
        ->Iterations(300)
        ->Unit(benchmark::kMicrosecond);
  }
  benchmark::RegisterBenchmark("App/ZoneDrag/640x480", PerFrame, camera::FrameFormat{640, 480, 24},
                               true)
      ->UseManualTime()
      ->Iterations(300)
      ->Unit(benchmark::kMicrosecond);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  RegisterAll();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
