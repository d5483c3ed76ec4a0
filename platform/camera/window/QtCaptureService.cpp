#include "platform/camera/window/QtCaptureService.h"

#include <QApplication>

#include <algorithm>

#include "platform/base/Text.h"

namespace camera {
namespace {

constexpr std::uint32_t kWsVisible = 0x10000000;

}  // namespace

QtCaptureService::QtCaptureService(std::size_t maxFrameBytes) : maxFrameBytes_(maxFrameBytes) {}

QtCaptureService::QtCaptureService(std::size_t maxFrameBytes,
                                   std::vector<std::unique_ptr<VideoDriver>> drivers)
    : maxFrameBytes_(maxFrameBytes), enumerated_(true), drivers_(std::move(drivers)) {}

QtCaptureService::~QtCaptureService() {
  // Windows still without a parent are the service's; the others belong to their parents, but
  // none may outlive the drivers they read from.
  for (QPointer<CaptureWidget>& window : windows_) {
    if (window.isNull()) continue;
    window->driverDisconnect();
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

CaptureWidget* QtCaptureService::widget(const CaptureWindowRef& window) {
  return window.exists() ? dynamic_cast<CaptureWidget*>(&window.get()) : nullptr;
}

CaptureWindowRef QtCaptureService::createCaptureWindow(const std::string& title,
                                                       std::uint32_t style, const QRect& geometry,
                                                       QWidget* parent, int) {
  // Without a widget application there can be no window, and every later operation is skipped.
  if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return {};
  // Owned by its parent, or by the service.
  auto* window = new CaptureWidget(*this, maxFrameBytes_, parent);
  window->setWindowTitle(QString::fromStdString(title));
  window->setGeometry(geometry.x(), geometry.y(), std::max(geometry.width(), 1),
                      std::max(geometry.height(), 1));
  if ((style & kWsVisible) != 0 || parent != nullptr) window->show();
  windows_.emplace_back(window);
  return CaptureWindowRef(window, window);
}

std::optional<DriverDescription> QtCaptureService::driverDescription(unsigned index) {
  auto& list = drivers();
  if (index >= list.size()) return std::nullopt;
  return DriverDescription{base::CutUtf8(list[index]->name(), kDriverTextChars - 1),
                           base::CutUtf8(list[index]->version(), kDriverTextChars - 1)};
}

VideoDriver* QtCaptureService::claim(int index, CaptureWidget& window) {
  auto& list = drivers();
  VideoDriver* driver = index >= 0 && static_cast<std::size_t>(index) < list.size()
                            ? list[static_cast<std::size_t>(index)].get()
                            : nullptr;
  if (driver == nullptr) return nullptr;
  for (const QPointer<CaptureWidget>& other : windows_) {
    if (!other.isNull() && other != &window && other->driver() == driver) {
      other->driverDisconnect();
    }
  }
  return driver;
}

}  // namespace camera
