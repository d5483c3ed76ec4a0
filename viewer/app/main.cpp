#include <QApplication>

#include "platform/framework/QtProfileStore.h"
#include "platform/shell/WindowPlatform.h"
#include "viewer/app/CasebookApp.h"

int main(int argc, char** argv) {
  shell::PreferXcbOnWayland();
  QApplication application(argc, argv);
  QApplication::setApplicationName("Casebook");
  QApplication::setApplicationDisplayName("Casebook");
  QGuiApplication::setDesktopFileName("casebook");

  framework::QtProfileStore profile("Casebook");
  int exitCode = 1;
  {
    casebook::CCasebookApp app(profile);
    if (app.InitInstance(QApplication::arguments().mid(1))) exitCode = QApplication::exec();
  }
  return exitCode;
}
