// Records from a video file until it is killed: the capture document on the real capture window,
// one run that never reaches its limit. The kill test takes it down with SIGKILL mid-run.
#include <QApplication>

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "capture/naming/FileNamingDlg.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/camera/drivers/VideoFileDriver.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/MemoryProfileStore.h"
#include "tests/support/FrameLimit.h"

namespace {

class ProbeShell : public watchpost::WatchpostShell {
 public:
  QWidget* mainWindow() override { return nullptr; }
  std::uint32_t now() override { return static_cast<std::uint32_t>(std::time(nullptr)); }
  void beep() override {}
  void setStatusText(const std::string&) override {}
  void setFrameCaption(const std::string&) override {}
  void titleChanged(const std::string&) override {}
  void setTimer(int, int) override {}
  void killTimer(int) override {}
  std::optional<std::string> browseForFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void enableControlPanel() override {}
  void notify(const std::string&, const std::string&) override {}
  void startStop() override {}  // one run, never ended but by the kill
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: record_probe CLIP FOLDER\n");
    return 2;
  }
  QApplication app(argc, argv);
  std::vector<std::unique_ptr<camera::VideoDriver>> drivers;
  drivers.push_back(
      std::make_unique<camera::VideoFileDriver>(argv[1], testing_support::kMaxFrameBytes));
  camera::QtCaptureService service(testing_support::kMaxFrameBytes, std::move(drivers));
  framework::MemoryProfileStore profile;
  profile.seedText("Settings", "CurrentDirectory", argv[2]);
  profile.seedInt("Settings", "Interval", 60);
  profile.seedInt("Settings", "Limit", 64000);
  ProbeShell shell;
  watchpost::CFileNamingDlg naming([] { return std::time(nullptr); });
  watchpost::CWatchpostDoc doc(service, profile, shell, naming);
  doc.OnNewDocument();
  doc.StartRun();
  std::printf("recording\n");
  std::fflush(stdout);
  return app.exec();
}
