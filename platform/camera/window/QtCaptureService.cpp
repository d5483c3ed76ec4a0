#include "platform/camera/window/QtCaptureService.h"

#include <QApplication>
#include <QDialog>

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "platform/base/Text.h"
#include "platform/video/FrameFormat.h"
#include "platform/camera/window/CaptureDialogs.h"
#include "platform/framework/Modal.h"

namespace camera {
namespace {

constexpr std::uint32_t kWsVisible = 0x10000000;

// A driver that could not start again after a change in its dialog has stopped; the window
// says so with the reason the dialog showed, rather than later with none.
void ReportIfSourceStopped(CaptureWidget& window, const QString& reason) {
  if (window.driver() == nullptr || window.driver()->connected()) return;
  window.disconnectDriver();
  window.reportError(kSourceLostErrorId, "The video source stopped: " + reason.toStdString());
}

}  // namespace

template <class Operation>
LRESULT QtCaptureService::OnWidget(CaptureWindowHandle window, Operation operation) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  if constexpr (std::is_void_v<decltype(operation(*w))>) {
    operation(*w);
    return 1;
  } else {
    return operation(*w) ? 1 : 0;
  }
}

QtCaptureService::QtCaptureService(std::size_t maxFrameBytes) : maxFrameBytes_(maxFrameBytes) {}

QtCaptureService::QtCaptureService(std::size_t maxFrameBytes,
                                   std::vector<std::unique_ptr<VideoDriver>> drivers)
    : maxFrameBytes_(maxFrameBytes), enumerated_(true), drivers_(std::move(drivers)) {}

QtCaptureService::~QtCaptureService() {
  // Windows still without a parent are the service's; the others belong to their parents, but
  // none may outlive the drivers they read from.
  for (QPointer<CaptureWidget>& window : windows_) {
    if (window.isNull()) continue;
    window->disconnectDriver();
    if (window->parent() == nullptr) delete window.data();
  }
}

std::vector<std::unique_ptr<VideoDriver>>& QtCaptureService::drivers() {
  if (!enumerated_) {
    drivers_ = EnumerateDrivers(maxFrameBytes_);
    enumerated_ = true;
  }
  return drivers_;
}

CaptureWidget* QtCaptureService::widget(CaptureWindowHandle window) const {
  if (window == 0 || window > windows_.size()) return nullptr;
  return windows_[window - 1].data();
}

bool QtCaptureService::isWindow(CaptureWindowHandle window) const {
  return widget(window) != nullptr;
}

CaptureWindowHandle QtCaptureService::createCaptureWindow(const std::string& title,
                                                          std::uint32_t style, int x, int y,
                                                          int width, int height, QWidget* parent,
                                                          int) {
  // Without a widget application there can be no window, and every later operation is skipped.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
  const auto handle = static_cast<CaptureWindowHandle>(windows_.size() + 1);
  auto* window = new CaptureWidget(handle, maxFrameBytes_, parent);  // owned by its parent, or by the service
  window->setWindowTitle(QString::fromStdString(title));
  window->setGeometry(x, y, std::max(width, 1), std::max(height, 1));
  if ((style & kWsVisible) != 0 || parent != nullptr) window->show();
  windows_.emplace_back(window);
  return handle;
}

bool QtCaptureService::getDriverDescription(unsigned index, char* name, int nameChars,
                                            char* version, int versionChars) {
  auto& list = drivers();
  if (index >= list.size()) return false;
  base::CopyBounded(list[index]->name(), name, static_cast<std::size_t>(std::max(nameChars, 0)));
  base::CopyBounded(list[index]->version(), version,
                    static_cast<std::size_t>(std::max(versionChars, 0)));
  return true;
}

LRESULT QtCaptureService::driverConnect(CaptureWindowHandle window, int driverIndex) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  auto& list = drivers();
  VideoDriver* driver = driverIndex >= 0 && static_cast<std::size_t>(driverIndex) < list.size()
                            ? list[static_cast<std::size_t>(driverIndex)].get()
                            : nullptr;
  // A driver drives one window at a time.
  for (const QPointer<CaptureWidget>& other : windows_) {
    if (!other.isNull() && other != w && driver != nullptr && other->driver() == driver) {
      other->disconnectDriver();
    }
  }
  return w->connectDriver(driver) ? 1 : 0;
}

LRESULT QtCaptureService::driverDisconnect(CaptureWindowHandle window) {
  return OnWidget(window, [](CaptureWidget& w) { w.disconnectDriver(); });
}

LRESULT QtCaptureService::setCallbackStatus(CaptureWindowHandle window, StatusCallback cb) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setStatusCallback(std::move(cb)); });
}

LRESULT QtCaptureService::setCallbackError(CaptureWindowHandle window, ErrorCallback cb) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setErrorCallback(std::move(cb)); });
}

LRESULT QtCaptureService::setCallbackFrame(CaptureWindowHandle window, FrameCallback cb) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setFrameCallback(std::move(cb)); });
}

LRESULT QtCaptureService::getVideoFormat(CaptureWindowHandle window, BitmapInfo* format,
                                         std::uint32_t bytes) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || format == nullptr) return 0;
  const BitmapInfo info = video::ToBitmapInfo(w->format());
  const std::uint32_t n = std::min<std::uint32_t>(bytes, sizeof info);
  std::memcpy(format, &info, n);
  return n;
}

LRESULT QtCaptureService::setScale(CaptureWindowHandle window, bool stretch) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setStretch(stretch); });
}

LRESULT QtCaptureService::setSequenceSetup(CaptureWindowHandle window, const CaptureParms* parms,
                                           std::uint32_t bytes) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || parms == nullptr) return 0;
  // A shorter record sets only the members it holds.
  CaptureParms copy = w->sequence();
  std::memcpy(&copy, parms, std::min<std::uint32_t>(bytes, sizeof copy));
  w->setSequence(copy);
  return 1;
}

LRESULT QtCaptureService::setPreviewRate(CaptureWindowHandle window, std::uint32_t periodMs) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setPreviewRate(periodMs); });
}

LRESULT QtCaptureService::setPreview(CaptureWindowHandle window, bool on) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setPreview(on); });
}

LRESULT QtCaptureService::setOverlay(CaptureWindowHandle window, bool on) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setOverlay(on); });
}

LRESULT QtCaptureService::fileSetCaptureFile(CaptureWindowHandle window,
                                             const std::string& path) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setCaptureFile(path); });
}

LRESULT QtCaptureService::fileAllocate(CaptureWindowHandle window, std::uint32_t bytes) {
  return OnWidget(window, [&](CaptureWidget& w) { w.setReserveBytes(bytes); });
}

LRESULT QtCaptureService::singleFrameOpen(CaptureWindowHandle window) {
  return OnWidget(window, [](CaptureWidget& w) { return w.singleFrameOpen(); });
}

LRESULT QtCaptureService::singleFrame(CaptureWindowHandle window) {
  return OnWidget(window, [](CaptureWidget& w) { return w.singleFrame(); });
}

LRESULT QtCaptureService::singleFrameClose(CaptureWindowHandle window) {
  return OnWidget(window, [](CaptureWidget& w) { return w.singleFrameClose(); });
}

LRESULT QtCaptureService::dlgVideoCompression(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  CompressionDialog dialog(avi::AvailableCompressors(), w->compressor(), w->format(), w);
  if (framework::RunModal(dialog) != QDialog::Accepted) return 0;
  w->setCompressor(dialog.chosen());
  return 1;
}

LRESULT QtCaptureService::dlgVideoFormat(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || w->driver() == nullptr) return 0;
  if (w->recording()) {
    // Every frame of an AVI has the size it was opened with.
    w->reportError(kFormatErrorId,
                   "The video format cannot change while a capture file is open; stop the run "
                   "first.");
    return 0;
  }
  VideoFormatDialog dialog(*w->driver(), w->maxFrameBytes(), w);
  const int result = framework::RunModal(dialog);
  ReportIfSourceStopped(*w, dialog.message());
  return result == QDialog::Accepted ? 1 : 0;
}

LRESULT QtCaptureService::dlgVideoSource(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || w->driver() == nullptr) return 0;
  VideoSourceDialog dialog(*w->driver(), w);
  const int result = framework::RunModal(dialog);
  ReportIfSourceStopped(*w, dialog.message());
  return result == QDialog::Accepted ? 1 : 0;
}

LRESULT QtCaptureService::getClientSize(CaptureWindowHandle window, int* width, int* height) {
  return OnWidget(window, [&](CaptureWidget& w) {
    *width = w.width();
    *height = w.height();
  });
}

LRESULT QtCaptureService::drawEtchedRect(CaptureWindowHandle window, int x1, int y1, int x2,
                                         int y2) {
  return OnWidget(window, [&](CaptureWidget& w) {
    w.drawEtchedRect(QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized());
  });
}

LRESULT QtCaptureService::setParentWindow(CaptureWindowHandle window, QWidget* parent) {
  return OnWidget(window, [&](CaptureWidget& w) {
    if (parent != nullptr) {
      // Taking a widget from its parent hides it and takes its focus: only when it moves.
      if (w.parentWidget() != parent || w.isWindow()) w.setParent(parent);
      w.lower();
    } else {
      w.setParent(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    }
    w.show();  // a widget that changes parent is hidden
  });
}

LRESULT QtCaptureService::setWindowPos(CaptureWindowHandle window, int x, int y, int width,
                                       int height) {
  return OnWidget(window, [&](CaptureWidget& w) {
    const int least = w.isWindow() ? 1 : 0;
    w.setGeometry(x, y, std::max(width, least), std::max(height, least));
  });
}

}  // namespace camera
