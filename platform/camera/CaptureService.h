#pragma once

#include <QRect>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/camera/CaptureWindow.h"

class QWidget;

namespace camera {

struct DriverDescription {
  std::string name;
  std::string version;
};

// The video capture service: makes capture windows and says which drivers can feed them.
class CaptureService {
 public:
  virtual ~CaptureService() = default;

  // A window that does not exist when none can be made.
  virtual CaptureWindowRef createCaptureWindow(const std::string& title, std::uint32_t style,
                                               const QRect& geometry, QWidget* parent, int id) = 0;
  // Driver `index`, each text at most kDriverTextChars - 1 characters; none for the first
  // index without a driver.
  virtual std::optional<DriverDescription> driverDescription(unsigned index) = 0;
};

}  // namespace camera
