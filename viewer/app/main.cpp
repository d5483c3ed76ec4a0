#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/base/Text.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/QtProfileStore.h"
#include "platform/framework/TerminationSignals.h"
#include "platform/shell/WindowPlatform.h"
#include "resources/CasebookTexts.h"
#include "viewer/app/CasebookApp.h"
#include "viewer/app/MainFrame.h"
#include "viewer/export/ExportCommandLine.h"

int main(int argc, char** argv) {
  // --export and --help are for scripts: no application object, so no display is needed.
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (casebook::exporter::IsCommandLineWork(arguments)) {
    av_log_set_level(AV_LOG_QUIET);
    return casebook::exporter::RunCommandLine(arguments, stdout, stderr);
  }
  shell::PreferXcbOnWayland();
  QApplication application(argc, argv);
  QApplication::setApplicationName(casebook::res::text::kAppTitle);
  QApplication::setApplicationDisplayName(casebook::res::text::kAppTitle);
  QGuiApplication::setDesktopFileName("casebook");
  // FFmpeg's own console chatter goes; a file it cannot read is told in the program's words.
  av_log_set_level(AV_LOG_QUIET);

  framework::QtProfileStore profile(casebook::res::text::kAppTitle);
  // A logout, a service stop or Ctrl+C closes the program the way Exit does, so the speed
  // settings are saved. The watcher outlives the program's objects.
  bool quitRequested = false;
  casebook::CCasebookApp* running = nullptr;
  framework::TerminationSignals terminationSignals([&](int) {
    quitRequested = true;
    if (running != nullptr && running->mainFrame() != nullptr) running->mainFrame()->close();
  });
  if (!terminationSignals.ok()) {
    framework::AppMessageBox(
        nullptr, base::FillIn(casebook::res::text::kNoSignalWatch, {terminationSignals.error()}));
  }
  int exitCode = 1;
  {
    casebook::CCasebookApp app(profile);
    running = &app;
    if (app.InitInstance(QApplication::arguments().mid(1))) {
      // A signal that came during start-up (a message box's own loop took the close) still
      // ends it.
      exitCode = quitRequested ? 0 : QApplication::exec();
    }
    running = nullptr;
  }
  return exitCode;
}
