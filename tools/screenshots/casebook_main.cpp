// Runs Casebook offscreen and saves what a user sees as PNG files:
//   casebook_screenshots OUTPUT_FOLDER
// The recording it shows is made first, from the test pattern, with Watchpost's own writer and
// event log. scripts/screenshots.sh builds it and runs it with a throw-away home folder.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/avi/AviWriter.h"
#include "platform/camera/drivers/TestPatternDriver.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/Modal.h"
#include "platform/video/FrameFormat.h"
#include "resources/CasebookResources.h"
#include "tools/screenshots/Shots.h"
#include "viewer/app/CasebookApp.h"
#include "viewer/app/MainFrame.h"
#include "viewer/app/ReviewCommands.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/export/ClipExporter.h"
#include "viewer/review/SkipCard.h"
#include "viewer/view/CasebookView.h"

namespace {

// Four bursts of a night: frames at four a second, the bursts hours and minutes apart.
std::uint32_t NightTime(int k) {
  constexpr std::uint32_t kStarts[] = {0, 3 * 3600 + 12 * 60, 3 * 3600 + 40 * 60, 5 * 3600};
  constexpr int kSizes[] = {12, 30, 8, 20};
  int burst = 0;
  while (burst < 3 && k >= kSizes[burst]) k -= kSizes[burst++];
  return 1'796'000'000u + kStarts[burst] + static_cast<std::uint32_t>(k / 4);
}

// 40 frames of the pattern's moving object at 320 x 240, four a second, with their log; with
// `night`, 70 frames in four bursts.
bool MakeRecording(const std::string& stem, bool night = false) {
  const camera::FrameFormat format{320, 240, 24};
  avi::AviWriter writer;
  std::string error;
  const video::BitmapInfo info = video::ToBitmapInfo(format);
  if (!writer.open(stem + ".avi", info.bmiHeader, 250000, avi::UncompressedDib(), 0, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }
  std::vector<std::uint8_t> frame(format.bytes());
  std::vector<std::uint32_t> times;
  const int frames = night ? 70 : 40;
  for (int k = 0; k < frames; ++k) {
    // A burst starts where the moving object is elsewhere, so the list's pictures differ.
    const std::uint64_t tick = night ? 20 + static_cast<std::uint64_t>(NightTime(k) % 97) * 7
                                     : 20 + static_cast<std::uint64_t>(k) * 3;
    camera::RenderTestPattern(camera::PatternSettings{}, tick, format, frame.data());
    if (!writer.writeFrame(frame.data(), frame.size(), error)) return false;
    times.push_back(night ? NightTime(k) : 1'796'000'000u + static_cast<std::uint32_t>(k / 4));
  }
  if (!writer.close(error)) return false;
  std::ofstream(stem + ".log", std::ios::binary) << watchpost::EventLogText(
      times.data(), static_cast<std::int32_t>(times.size()), watchpost::CaptureSettings{});
  if (night) return true;
  // Why each frame was taken: three kept from before each hit, compared in the zone's middle.
  std::ofstream reasons(stem + ".csv", std::ios::binary);
  reasons << "frame,time,kind,changed_bytes,differential,threshold,zone,interval_ms\r\n";
  for (int k = 0; k < 40; ++k) {
    const bool before = k % 8 < 3;
    reasons << k + 1 << ",2026-12-09T10:47:" << 10 + k / 4 << "." << k % 4 * 250 << "+00:00,"
            << (before ? "before," : "hit,") << (before ? 40 + k : 9000 + 3345 * k)
            << ",40,200,0.3 0.8 0.2 0.85,250\r\n";
  }
  return true;
}

void ToggleZone(casebook::CCasebookApp& app) {
  app.router().dispatch(casebook::res::cmd::ShowZone);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  shots::Shots shots;
  if (!shots.setFolder(argv[1])) return 2;
  QApplication::setApplicationDisplayName("Casebook");
  const std::string stem = QDir::temp().filePath("casebook-shot-WTV2612081047").toStdString();
  if (!MakeRecording(stem)) return 1;

  framework::MemoryProfileStore profile;
  casebook::CCasebookApp app(profile);
  if (!app.InitInstance({})) return 1;
  casebook::CMainFrame& frame = *app.mainFrame();
  shots::Shots::wait(300);
  shots.save(frame.grab(), "casebook-empty");

  if (!app.OpenDocumentFile(stem + ".log")) return 1;
  frame.OnStopStart();
  shots::Shots::wait(2600);  // about ten frames at four a second
  shots.save(frame.grab(), "casebook-playing");
  frame.OnStopStart();
  // The band of a 320-pixel recording scrolled along to its frame count.
  if (QScrollBar* band = app.view()->horizontalScrollBar()) band->setValue(band->maximum());
  shots::Shots::wait(300);
  shots.save(frame.grab(), "casebook-band-scrolled");
  if (QScrollBar* band = app.view()->horizontalScrollBar()) band->setValue(0);

  // A hit with its reason under the log entry and the zone it was compared in.
  for (int k = 0; k < 6; ++k) app.document()->StepForward();
  ToggleZone(app);
  shots::Shots::wait(300);
  shots.save(frame.grab(), "casebook-reasons");
  ToggleZone(app);

  framework::CommandRouter& router = app.router();
  shots.shootDialog(router, casebook::res::cmd::Properties, "casebook-dialog-properties");
  shots.shootDialog(router, casebook::res::cmd::Speed, "casebook-dialog-speed");
  shots.shootDialog(router, framework::ID_APP_ABOUT, "casebook-dialog-about");
  // The Export dialog on the second burst, with marks set; then that burst exported, for
  // scripts/screenshots.sh to take a frame of.
  casebook::CCasebookDoc& document = *app.document();
  document.markIn = 4;
  document.markOut = 11;
  shots.shootDialog(router, casebook::res::cmd::ExportClip, "casebook-dialog-export");
  casebook::exporter::ExportRequest request;
  request.videoPath = document.videoPath;
  request.outputPath = QDir::temp().filePath("casebook-export.mp4").toStdString();
  request.range = {0, document.lastFrame};
  request.entries = &document.entries;
  request.timeline = &document.timeline;
  const casebook::exporter::ExportResult exported = casebook::exporter::ExportClip(request);
  if (!exported.ok) {
    std::fprintf(stderr, "export: %s\n", exported.error.c_str());
    return 1;
  }

  // A night: the activity strip with a range marked, the burst list, a card over a burst.
  const std::string night = QDir::temp().filePath("casebook-shot-WTV2612090100").toStdString();
  if (!MakeRecording(night, true) || !app.OpenDocumentFile(night + ".avi")) return 1;
  using casebook::res::cmd::ActivityStrip;
  router.dispatch(ActivityStrip);
  router.dispatch(casebook::res::cmd::NextBurst);
  router.dispatch(casebook::res::cmd::MarkIn);
  for (int k = 0; k < 12; ++k) app.document()->StepForward();
  router.dispatch(casebook::res::cmd::MarkOut);
  router.dispatch(casebook::res::cmd::PreviousBurst);
  shots::Shots::wait(300);
  // The band is wider than a 320-pixel picture: scrolled to the slider and its strip.
  if (QScrollBar* band = app.view()->horizontalScrollBar()) band->setValue(160);
  shots::Shots::wait(300);
  shots.save(frame.grab(), "casebook-strip");
  if (QScrollBar* band = app.view()->horizontalScrollBar()) band->setValue(0);
  router.dispatch(casebook::res::cmd::BurstList);
  shots::Shots::wait(1500);  // the pictures come from the worker
  shots.save(frame.grab(), "casebook-bursts");
  router.dispatch(casebook::res::cmd::BurstList);
  router.dispatch(ActivityStrip);
  // Played at recorded times from the end of the first burst into the second.
  router.dispatch(casebook::res::cmd::PlayRecordedTimes);
  app.review()->GoToBurst(0);
  for (int k = 0; k < 11; ++k) app.document()->StepForward();
  frame.OnStopStart();
  QElapsedTimer waited;
  waited.start();
  while (!app.review()->card().isVisible() && waited.elapsed() < 3000) shots::Shots::wait(10);
  shots::Shots::wait(150);
  shots.save(frame.grab(), "casebook-card");
  frame.OnStopStart();
  router.dispatch(casebook::res::cmd::PlayRecordedTimes);
  QFile::remove(QString::fromStdString(night + ".avi"));
  QFile::remove(QString::fromStdString(night + ".log"));
  QFile::remove(QString::fromStdString(stem + ".avi"));
  QFile::remove(QString::fromStdString(stem + ".log"));
  QFile::remove(QString::fromStdString(stem + ".csv"));
  return shots.exitCode();
}
