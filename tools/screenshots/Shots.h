#pragma once
// What both screenshot tools share: the output folder, saving a picture, waiting while the
// program runs, and shooting a dialog that a command opens.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>

#include <cstdio>
#include <string>
#include <utility>

#include "platform/framework/Command.h"
#include "platform/framework/Modal.h"

namespace shots {

class Shots {
 public:
  // The folder is made absolute: Watchpost makes its target folder the current directory.
  bool setFolder(const char* folder) {
    folder_ = QDir(QDir(QString::fromLocal8Bit(folder)).absolutePath());
    if (QDir().mkpath(folder_.absolutePath())) return true;
    std::fprintf(stderr, "cannot make %s\n", qPrintable(folder_.absolutePath()));
    return false;
  }

  void save(const QPixmap& pixmap, const std::string& name) {
    const QString path = folder_.filePath(QString::fromStdString(name + ".png"));
    if (!pixmap.save(path)) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(path));
      ++failures_;
      return;
    }
    std::printf("%s (%dx%d)\n", qPrintable(path), pixmap.width(), pixmap.height());
  }

  static void wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
  }

  // Opens a dialog through the command that shows it, saves it as `name`, then cancels it.
  void shootDialog(framework::CommandRouter& router, int command, const std::string& name) {
    auto previous = framework::SetModalHook([&](QDialog& dialog) {
      dialog.show();
      wait(100);
      save(dialog.grab(), name);
      dialog.hide();
      return 2;  // Cancel
    });
    if (!router.dispatch(command)) {
      std::fprintf(stderr, "command %d did not run\n", command);
      ++failures_;
    }
    framework::SetModalHook(std::move(previous));
  }

  int exitCode() const { return failures_ == 0 ? 0 : 1; }

 private:
  QDir folder_;
  int failures_ = 0;
};

}  // namespace shots
