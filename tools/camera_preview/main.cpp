// A small window on the capture service: the first video source (or the one given with
// --driver N) live, with its Video Format, Video Source and Compression dialogs on the keys F,
// S and C. It checks a camera on its own, and stands in for Watchpost until that is built.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QStatusBar>

#include <cstdlib>
#include <cstring>

#include "platform/camera/window/QtCaptureService.h"

namespace {

class PreviewWindow : public QMainWindow {
 public:
  explicit PreviewWindow(camera::QtCaptureService& service) : service_(service) {
    setWindowTitle(tr("Corvane camera preview"));
    statusBar()->addPermanentWidget(
        new QLabel(tr("F: video format   S: video source   C: compression"), this));
    window_ = service_.createCaptureWindow("WardenCam", 0, 0, 0, 640, 480, this, 0);
    setCentralWidget(service_.widget(window_));
    resize(640, 480 + statusBar()->sizeHint().height());
    service_.setCallbackError(window_, [this](camera::CaptureWindowHandle, int id,
                                              const char* text) {
      if (id != 0) QMessageBox::warning(this, tr("Corvane Error"), QString::fromUtf8(text));
      return camera::LRESULT{1};
    });
    service_.setCallbackStatus(window_, [this](camera::CaptureWindowHandle, int,
                                               const char* text) {
      statusBar()->showMessage(QString::fromUtf8(text), 5000);
      return camera::LRESULT{1};
    });
  }

  bool start(int driverIndex) {
    if (service_.driverConnect(window_, driverIndex) == 0) return false;
    service_.setScale(window_, true);
    service_.setPreviewRate(window_, 40);
    service_.setPreview(window_, true);
    return true;
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    switch (event->key()) {
      case Qt::Key_F: service_.dlgVideoFormat(window_); break;
      case Qt::Key_S: service_.dlgVideoSource(window_); break;
      case Qt::Key_C: service_.dlgVideoCompression(window_); break;
      default: QMainWindow::keyPressEvent(event);
    }
  }

 private:
  camera::QtCaptureService& service_;
  camera::CaptureWindowHandle window_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int driverIndex = 0;
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], "--driver") == 0) driverIndex = std::atoi(argv[i + 1]);
  }
  camera::QtCaptureService service(4'915'200);  // what Watchpost's detector can examine
  PreviewWindow window(service);
  window.show();
  window.start(driverIndex);  // a failure has been shown by the error callback
  return QApplication::exec();
}
