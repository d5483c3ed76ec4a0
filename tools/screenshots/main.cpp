// Runs Watchpost offscreen on the test pattern and saves what a user sees as PNG files:
//   watchpost_screenshots OUTPUT_FOLDER
// scripts/screenshots.sh builds it and runs it with a throw-away home folder.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>

#include <cstdio>
#include <string>

#include "capture/detector/MotionDetector.h"
#include "capture/frame/MainFrame.h"
#include "capture/main/WatchpostApp.h"
#include "capture/panel/WatchpostView.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/camera/window/QtCaptureService.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/Modal.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostDialogs.h"

namespace {

using namespace watchpost;

QDir gFolder;
int gFailures = 0;

void Save(const QPixmap& pixmap, const std::string& name) {
  const QString path = gFolder.filePath(QString::fromStdString(name + ".png"));
  if (!pixmap.save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    ++gFailures;
    return;
  }
  std::printf("%s (%dx%d)\n", qPrintable(path), pixmap.width(), pixmap.height());
}

void Wait(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// Opens a dialog through the command that shows it and saves it as `name`, then cancels it.
void ShootDialog(framework::CommandRouter& router, int command, const std::string& name) {
  auto previous = framework::SetModalHook([&](QDialog& dialog) {
    dialog.show();
    Wait(100);
    Save(dialog.grab(), name);
    dialog.hide();
    return 2;  // Cancel
  });
  if (!router.dispatch(command)) {
    std::fprintf(stderr, "command %d did not run\n", command);
    ++gFailures;
  }
  framework::SetModalHook(std::move(previous));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  // Absolute: the program makes its target folder the current directory.
  gFolder = QDir(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
  if (!QDir().mkpath(gFolder.absolutePath())) {
    std::fprintf(stderr, "cannot make %s\n", qPrintable(gFolder.absolutePath()));
    return 2;
  }
  QApplication::setApplicationDisplayName("Corvane");

  framework::MemoryProfileStore profile;
  camera::QtCaptureService service(MotionDetector::kStoreBytes);
  CWatchpostApp app(service, profile);
  if (!app.InitInstance({})) return 1;
  CMainFrame& frame = *app.mainFrame();
  CWatchpostDoc& doc = *app.document();
  CWatchpostView& view = *app.view();
  Wait(1500);
  Save(frame.grab(), "main-idle");

  // A run with the moving object marked (the pattern's object moves for a few seconds).
  doc.compressorChosen = 1;
  view.OnStartStop();
  Wait(4000);
  Save(frame.grab(), "main-running");
  view.OnStartStop();
  Wait(600);  // a preview frame first: the zone display returns to the mode that frame had

  // The zone: drawn, then shown inverted for one frame.
  view.SetTriggerZone(220, 60, 420, 220);
  Wait(750);  // the first frame at the 600 ms rate shows the zone inverted
  Save(frame.grab(), "main-zone");
  Wait(1500);

  framework::CommandRouter& router = app.router();
  ShootDialog(router, framework::ID_APP_ABOUT, "dialog-about");
  ShootDialog(router, cmd::PeekWindowSettings, "dialog-peek-window");
  ShootDialog(router, cmd::NamingOptions, "dialog-naming");
  ShootDialog(router, cmd::AllocateFileSpace, "dialog-allocate");
  ShootDialog(router, cmd::Compression, "dialog-compression");
  ShootDialog(router, cmd::VideoFormat, "dialog-video-format");
  ShootDialog(router, cmd::VideoSource, "dialog-video-source");

  // Peek: the capture window on its own in a corner, Large.
  frame.peek.peekSize = 3;
  frame.peek.peekPosition = 3;
  frame.OnPeek();
  Wait(500);
  if (QWidget* peek = frame.clientWindow()->window(); peek != nullptr) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && top != &frame && top->width() == 48) {
        Save(top->grab().scaled(192, 144), "peek-window-x4");
      }
    }
  }
  frame.OnTrayNotify(shell::NotificationIcon::Mouse::DoubleClick);
  Wait(300);
  Save(frame.grab(), "main-restored");
  return gFailures == 0 ? 0 : 1;
}
