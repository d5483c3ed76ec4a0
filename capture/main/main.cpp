#include <QApplication>

#include "capture/detector/MotionDetector.h"
#include "capture/frame/MainFrame.h"
#include "capture/main/WatchpostApp.h"
#include "platform/base/Text.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/QtProfileStore.h"
#include "platform/framework/TerminationSignals.h"
#include "platform/shell/WindowPlatform.h"
#include "resources/WatchpostTexts.h"

int main(int argc, char** argv) {
  shell::PreferXcbOnWayland();
  QApplication application(argc, argv);
  QApplication::setApplicationName(watchpost::res::text::kAppTitle);
  QApplication::setApplicationDisplayName(watchpost::res::text::kAppTitle);
  QGuiApplication::setDesktopFileName("watchpost");
  // The frame says when the program ends: a hidden frame with a peek window is still running.
  QApplication::setQuitOnLastWindowClosed(false);

  framework::QtProfileStore profile(watchpost::res::text::kAppTitle);
  camera::QtCaptureService service(watchpost::MotionDetector::kStoreBytes);
  // A logout, a service stop or Ctrl+C closes the program the way Exit does: a run in progress
  // is finished, its log written and the settings saved. The watcher outlives the program's
  // objects, so that a second signal cannot cut that short.
  bool quitRequested = false;
  watchpost::CWatchpostApp* running = nullptr;
  framework::TerminationSignals terminationSignals([&](int) {
    quitRequested = true;
    if (running != nullptr && running->mainFrame() != nullptr) running->mainFrame()->close();
  });
  if (!terminationSignals.ok()) {
    framework::AppMessageBox(
        nullptr, base::FillIn(watchpost::res::text::kNoSignalWatch, {terminationSignals.error()}));
  }
  int exitCode = 1;
  {
    watchpost::CWatchpostApp app(service, profile);
    running = &app;
    if (app.InitInstance(QApplication::arguments().mid(1))) {
      // A signal that came during start-up (a dialog's own loop took the close) still ends it.
      exitCode = quitRequested ? 0 : QApplication::exec();
    }
    running = nullptr;
  }
  return exitCode;
}
