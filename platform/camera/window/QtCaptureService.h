#pragma once

#include <QPointer>

#include <memory>
#include <vector>

#include "platform/camera/CaptureService.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/window/CaptureWidget.h"

namespace camera {

// The capture service on Qt widgets and this machine's drivers.
class QtCaptureService : public CaptureService, private DriverSource {
 public:
  // maxFrameBytes: the largest frame the program can take; no window or driver offers more.
  // Drivers come from EnumerateDrivers() when not given (tests give their own).
  explicit QtCaptureService(std::size_t maxFrameBytes);
  QtCaptureService(std::size_t maxFrameBytes, std::vector<std::unique_ptr<VideoDriver>> drivers);
  ~QtCaptureService() override;
  QtCaptureService(const QtCaptureService&) = delete;
  QtCaptureService& operator=(const QtCaptureService&) = delete;

  CaptureWindowRef createCaptureWindow(const std::string& title, std::uint32_t style,
                                       const QRect& geometry, QWidget* parent, int id) override;
  std::optional<DriverDescription> driverDescription(unsigned index) override;

  // The widget behind a window this service made, for benchmarks and tests that poll or paint
  // it themselves; null when gone.
  static CaptureWidget* widget(const CaptureWindowRef& window);

 private:
  VideoDriver* claim(int index, CaptureWidget& window) override;
  std::vector<std::unique_ptr<VideoDriver>>& drivers();

  std::size_t maxFrameBytes_;
  bool enumerated_ = false;
  std::vector<std::unique_ptr<VideoDriver>> drivers_;
  std::vector<QPointer<CaptureWidget>> windows_;
};

}  // namespace camera
