// Runs Watchpost offscreen on the test pattern and saves what a user sees as PNG files:
//   watchpost_screenshots OUTPUT_FOLDER
// scripts/screenshots.sh builds it and runs it with a throw-away home folder.
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
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
#include "tools/screenshots/Shots.h"

using namespace watchpost;

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  shots::Shots shots;
  if (!shots.setFolder(argv[1])) return 2;
  QApplication::setApplicationDisplayName("Corvane");

  framework::MemoryProfileStore profile;
  camera::QtCaptureService service(MotionDetector::kStoreBytes);
  CWatchpostApp app(service, profile);
  if (!app.InitInstance({})) return 1;
  CMainFrame& frame = *app.mainFrame();
  CWatchpostDoc& doc = *app.document();
  CWatchpostView& view = *app.view();
  shots::Shots::wait(1500);
  shots.save(frame.grab(), "main-idle");

  // A run with the moving object marked (the pattern's object moves for a few seconds).
  doc.compressorChosen = 1;
  view.OnStartStop();
  shots::Shots::wait(4000);
  shots.save(frame.grab(), "main-running");
  view.OnStartStop();
  // A preview frame first: the zone display returns to the mode that frame had.
  shots::Shots::wait(600);

  // The zone: drawn, then shown inverted for one frame.
  view.SetTriggerZone(220, 60, 420, 220);
  shots::Shots::wait(750);  // the first frame at the 600 ms rate shows the zone inverted
  shots.save(frame.grab(), "main-zone");
  shots::Shots::wait(1500);

  framework::CommandRouter& router = app.router();
  shots.shootDialog(router, framework::ID_APP_ABOUT, "dialog-about");
  shots.shootDialog(router, cmd::PeekWindowSettings, "dialog-peek-window");
  shots.shootDialog(router, cmd::NamingOptions, "dialog-naming");
  shots.shootDialog(router, cmd::AllocateFileSpace, "dialog-allocate");
  shots.shootDialog(router, cmd::Recording, "dialog-recording");
  shots.shootDialog(router, cmd::Compression, "dialog-compression");
  shots.shootDialog(router, cmd::VideoFormat, "dialog-video-format");
  shots.shootDialog(router, cmd::VideoSource, "dialog-video-source");
  shots.shootDialog(router, cmd::EventCommand, "dialog-event-command");

  // The Configuration menu as it drops down, with the commands for leaving the program alone.
  for (QAction* action : frame.menuBar()->actions()) {
    if (action->text() != "&Configuration" || action->menu() == nullptr) continue;
    action->menu()->popup(frame.mapToGlobal(QPoint(0, 0)));
    shots::Shots::wait(300);
    shots.save(action->menu()->grab(), "menu-configuration");
    action->menu()->hide();
  }

  // Peek: the capture window on its own in a corner, Large.
  frame.peek.peekSize = 3;
  frame.peek.peekPosition = 3;
  frame.OnPeek();
  shots::Shots::wait(500);
  if (QWidget* peek = frame.clientWindow()->window(); peek != nullptr) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (top->isVisible() && top != &frame && top->width() == 48) {
        shots.save(top->grab().scaled(192, 144), "peek-window-x4");
      }
    }
  }
  frame.OnTrayNotify(shell::NotificationIcon::Mouse::DoubleClick);
  shots::Shots::wait(300);
  shots.save(frame.grab(), "main-restored");
  return shots.exitCode();
}
