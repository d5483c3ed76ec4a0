#include "platform/camera/CaptureWindow.h"

namespace camera {
namespace {

class NoWindow final : public CaptureWindow {
 public:
  bool driverConnect(int) override { return false; }
  void driverDisconnect() override {}
  void setCallbackStatus(StatusCallback) override {}
  void setCallbackError(ErrorCallback) override {}
  void setCallbackFrame(FrameCallback) override {}
  BitmapInfo videoFormat() const override { return {}; }
  void setSequenceSetup(const CaptureParms&) override {}
  void setPreviewRate(std::uint32_t) override {}
  void setPreview(bool) override {}
  void fileSetCaptureFile(const std::string&) override {}
  bool singleFrameOpen() override { return false; }
  bool singleFrame() override { return false; }
  bool appendFrame(const std::uint8_t*, std::size_t) override { return false; }
  bool singleFrameClose() override { return false; }
  QSize clientSize() const override { return {0, 0}; }
  void setParentWindow(QWidget*) override {}
  void setWindowPos(const QRect&) override {}
};

}  // namespace

CaptureWindowRef::CaptureWindowRef(CaptureWindow* window, QObject* lifetime)
    : lifetime_(window != nullptr ? lifetime : nullptr), window_(window) {}

CaptureWindow& CaptureWindowRef::get() const {
  // Stateless: one serves every missing window.
  static NoWindow none;
  return exists() ? *window_ : none;
}

}  // namespace camera
