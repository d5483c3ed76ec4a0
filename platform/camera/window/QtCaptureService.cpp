#include "platform/camera/window/QtCaptureService.h"

#include <QApplication>
#include <QDialog>

#include <algorithm>
#include <cstring>

#include "platform/camera/VideoFormat.h"
#include "platform/camera/window/CaptureDialogs.h"
#include "platform/framework/Modal.h"

namespace camera {
namespace {

// Copies text into a caller's buffer of `chars` characters, always terminated.
void CopyBounded(const std::string& text, char* into, int chars) {
  if (into == nullptr || chars <= 0) return;
  const std::size_t n = std::min(text.size(), static_cast<std::size_t>(chars - 1));
  std::memcpy(into, text.data(), n);
  into[n] = '\0';
}

constexpr std::uint32_t kWsVisible = 0x10000000;

}  // namespace

QtCaptureService::QtCaptureService() = default;

QtCaptureService::QtCaptureService(std::vector<std::unique_ptr<VideoDriver>> drivers)
    : enumerated_(true), drivers_(std::move(drivers)) {}

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
    drivers_ = EnumerateDrivers();
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
  auto* window = new CaptureWidget(handle, parent);  // owned by its parent, or by the service
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
  CopyBounded(list[index]->name(), name, nameChars);
  CopyBounded(list[index]->version(), version, versionChars);
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
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->disconnectDriver();
  return 1;
}

LRESULT QtCaptureService::setCallbackStatus(CaptureWindowHandle window, StatusCallback cb) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setStatusCallback(std::move(cb));
  return 1;
}

LRESULT QtCaptureService::setCallbackError(CaptureWindowHandle window, ErrorCallback cb) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setErrorCallback(std::move(cb));
  return 1;
}

LRESULT QtCaptureService::setCallbackFrame(CaptureWindowHandle window, FrameCallback cb) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setFrameCallback(std::move(cb));
  return 1;
}

LRESULT QtCaptureService::getVideoFormat(CaptureWindowHandle window, BitmapInfo* format,
                                         std::uint32_t bytes) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || format == nullptr) return 0;
  const BitmapInfo info = ToBitmapInfo(w->format());
  const std::uint32_t n = std::min<std::uint32_t>(bytes, sizeof info);
  std::memcpy(format, &info, n);
  return n;
}

LRESULT QtCaptureService::setScale(CaptureWindowHandle window, bool stretch) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setStretch(stretch);
  return 1;
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
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setPreviewRate(periodMs);
  return 1;
}

LRESULT QtCaptureService::setPreview(CaptureWindowHandle window, bool on) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setPreview(on);
  return 1;
}

LRESULT QtCaptureService::setOverlay(CaptureWindowHandle window, bool on) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setOverlay(on);
  return 1;
}

LRESULT QtCaptureService::fileSetCaptureFile(CaptureWindowHandle window,
                                             const std::string& path) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setCaptureFile(path);
  return 1;
}

LRESULT QtCaptureService::fileAllocate(CaptureWindowHandle window, std::uint32_t bytes) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  w->setReserveBytes(bytes);
  return 1;
}

LRESULT QtCaptureService::singleFrameOpen(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  return w != nullptr && w->singleFrameOpen() ? 1 : 0;
}

LRESULT QtCaptureService::singleFrame(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  return w != nullptr && w->singleFrame() ? 1 : 0;
}

LRESULT QtCaptureService::singleFrameClose(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  return w != nullptr && w->singleFrameClose() ? 1 : 0;
}

LRESULT QtCaptureService::dlgVideoCompression(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  if (w == nullptr) return 0;
  CompressionDialog dialog(avi::AvailableCompressors(), w->compressor(), w);
  if (framework::RunModal(dialog) != QDialog::Accepted) return 0;
  w->setCompressor(dialog.chosen());
  return 1;
}

LRESULT QtCaptureService::dlgVideoFormat(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || w->driver() == nullptr) return 0;
  VideoFormatDialog dialog(*w->driver(), w);
  return framework::RunModal(dialog) == QDialog::Accepted ? 1 : 0;
}

LRESULT QtCaptureService::dlgVideoSource(CaptureWindowHandle window) {
  CaptureWidget* w = widget(window);
  if (w == nullptr || w->driver() == nullptr) return 0;
  VideoSourceDialog dialog(*w->driver(), w);
  return framework::RunModal(dialog) == QDialog::Accepted ? 1 : 0;
}

}  // namespace camera
