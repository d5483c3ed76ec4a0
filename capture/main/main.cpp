#include <QApplication>

#include "capture/detector/MotionDetector.h"
#include "capture/frame/MainFrame.h"
#include "capture/main/WatchpostApp.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/QtProfileStore.h"
#include "platform/framework/TerminationSignals.h"
#include "platform/shell/WindowPlatform.h"

int main(int argc, char** argv) {
  shell::PreferXcbOnWayland();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Corvane");
  QApplication::setApplicationDisplayName("Corvane");
  QGuiApplication::setDesktopFileName("watchpost");
  // The frame says when the program ends: a hidden frame with a peek window is still running.
  QApplication::setQuitOnLastWindowClosed(false);

  framework::QtProfileStore profile("Corvane");
  camera::QtCaptureService service(watchpost::MotionDetector::kStoreBytes);
  int exitCode = 1;
  {
    watchpost::CWatchpostApp app(service, profile);
    // A logout, a service stop or Ctrl+C closes the program the way Exit does: a run in
    // progress is finished, its log written and the settings saved.
    framework::TerminationSignals terminationSignals([&app](int) {
      if (app.mainFrame() != nullptr) app.mainFrame()->close();
    });
    if (!terminationSignals.ok()) {
      framework::AppMessageBox(nullptr, "Corvane cannot watch for the end of the session: " +
                                            terminationSignals.error());
    }
    if (app.InitInstance(QApplication::arguments().mid(1))) exitCode = QApplication::exec();
  }
  return exitCode;
}
