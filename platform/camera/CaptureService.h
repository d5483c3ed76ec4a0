#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "platform/camera/CaptureTypes.h"

class QWidget;

namespace camera {

// Identifies one capture window of the service; 0 is no window.
using CaptureWindowHandle = std::uint32_t;

using FrameCallback = std::function<LRESULT(CaptureWindowHandle, VideoHdr*)>;
using StatusCallback = std::function<LRESULT(CaptureWindowHandle, int id, const char* text)>;
using ErrorCallback = std::function<LRESULT(CaptureWindowHandle, int id, const char* text)>;

// The video capture service: a capture window fed by a driver and driven by synchronous
// operations. Callbacks run on the thread that created the window, while it processes events,
// so an operation such as singleFrame() may be called from inside the frame callback.
// Every operation on a handle that is not a live window does nothing and returns 0.
class CaptureService {
 public:
  virtual ~CaptureService() = default;

  virtual CaptureWindowHandle createCaptureWindow(const std::string& title, std::uint32_t style,
                                                  int x, int y, int width, int height,
                                                  QWidget* parent, int id) = 0;
  // Fills name and version (each at most chars-1 characters, always terminated) for driver
  // `index`; false for the first index without a driver.
  virtual bool getDriverDescription(unsigned index, char* name, int nameChars, char* version,
                                    int versionChars) = 0;
  virtual bool isWindow(CaptureWindowHandle window) const = 0;

  virtual LRESULT driverConnect(CaptureWindowHandle window, int driverIndex) = 0;
  virtual LRESULT driverDisconnect(CaptureWindowHandle window) = 0;
  virtual LRESULT setCallbackStatus(CaptureWindowHandle window, StatusCallback callback) = 0;
  virtual LRESULT setCallbackError(CaptureWindowHandle window, ErrorCallback callback) = 0;
  virtual LRESULT setCallbackFrame(CaptureWindowHandle window, FrameCallback callback) = 0;
  // Copies at most `bytes` bytes of the current format; returns the bytes copied.
  virtual LRESULT getVideoFormat(CaptureWindowHandle window, BitmapInfo* format,
                                 std::uint32_t bytes) = 0;
  virtual LRESULT setScale(CaptureWindowHandle window, bool stretch) = 0;
  virtual LRESULT setSequenceSetup(CaptureWindowHandle window, const CaptureParms* parms,
                                   std::uint32_t bytes) = 0;
  virtual LRESULT setPreviewRate(CaptureWindowHandle window, std::uint32_t periodMs) = 0;
  virtual LRESULT setPreview(CaptureWindowHandle window, bool on) = 0;
  virtual LRESULT setOverlay(CaptureWindowHandle window, bool on) = 0;
  virtual LRESULT fileSetCaptureFile(CaptureWindowHandle window, const std::string& path) = 0;
  virtual LRESULT fileAllocate(CaptureWindowHandle window, std::uint32_t bytes) = 0;
  virtual LRESULT singleFrameOpen(CaptureWindowHandle window) = 0;
  virtual LRESULT singleFrame(CaptureWindowHandle window) = 0;
  virtual LRESULT singleFrameClose(CaptureWindowHandle window) = 0;
  // Modal dialogs. The compression dialog returns nonzero only when a compressor was chosen.
  virtual LRESULT dlgVideoCompression(CaptureWindowHandle window) = 0;
  virtual LRESULT dlgVideoFormat(CaptureWindowHandle window) = 0;
  virtual LRESULT dlgVideoSource(CaptureWindowHandle window) = 0;

  // --- the window itself, for the program that docks, detaches and draws on it
  // The size of the picture area; 0 x 0 for a missing window.
  virtual LRESULT getClientSize(CaptureWindowHandle window, int* width, int* height) = 0;
  // An etched frame through the two corners (in any order), in client coordinates, shown until
  // the next frame is painted.
  virtual LRESULT drawEtchedRect(CaptureWindowHandle window, int x1, int y1, int x2, int y2) = 0;
  // A child of `parent`, below its siblings; with no parent, a small window of its own that
  // stays on top of the others, with no frame and no task-bar button.
  virtual LRESULT setParentWindow(CaptureWindowHandle window, QWidget* parent) = 0;
  // Places the window in its parent's coordinates (the screen's when it has none). Sizes below
  // zero count as zero; a window of its own is at least 1 x 1.
  virtual LRESULT setWindowPos(CaptureWindowHandle window, int x, int y, int width,
                               int height) = 0;
};

// What the programs hold of their capture window: every operation is made only while the window
// exists; a missing window (never created, or destroyed with its parent) skips the step and
// returns 0.
class CaptureWindowRef {
 public:
  CaptureWindowRef() = default;
  CaptureWindowRef(CaptureService* service, CaptureWindowHandle window)
      : service_(service), window_(window) {}

  bool exists() const { return service_ != nullptr && service_->isWindow(window_); }
  CaptureWindowHandle handle() const { return window_; }

  LRESULT driverConnect(int driverIndex) const {
    return exists() ? service_->driverConnect(window_, driverIndex) : 0;
  }
  LRESULT driverDisconnect() const { return exists() ? service_->driverDisconnect(window_) : 0; }
  LRESULT setCallbackStatus(StatusCallback cb) const {
    return exists() ? service_->setCallbackStatus(window_, std::move(cb)) : 0;
  }
  LRESULT setCallbackError(ErrorCallback cb) const {
    return exists() ? service_->setCallbackError(window_, std::move(cb)) : 0;
  }
  LRESULT setCallbackFrame(FrameCallback cb) const {
    return exists() ? service_->setCallbackFrame(window_, std::move(cb)) : 0;
  }
  LRESULT getVideoFormat(BitmapInfo* format, std::uint32_t bytes) const {
    return exists() ? service_->getVideoFormat(window_, format, bytes) : 0;
  }
  LRESULT setScale(bool stretch) const { return exists() ? service_->setScale(window_, stretch) : 0; }
  LRESULT setSequenceSetup(const CaptureParms* parms, std::uint32_t bytes) const {
    return exists() ? service_->setSequenceSetup(window_, parms, bytes) : 0;
  }
  LRESULT setPreviewRate(std::uint32_t periodMs) const {
    return exists() ? service_->setPreviewRate(window_, periodMs) : 0;
  }
  LRESULT setPreview(bool on) const { return exists() ? service_->setPreview(window_, on) : 0; }
  LRESULT setOverlay(bool on) const { return exists() ? service_->setOverlay(window_, on) : 0; }
  LRESULT fileSetCaptureFile(const std::string& path) const {
    return exists() ? service_->fileSetCaptureFile(window_, path) : 0;
  }
  LRESULT fileAllocate(std::uint32_t bytes) const {
    return exists() ? service_->fileAllocate(window_, bytes) : 0;
  }
  LRESULT singleFrameOpen() const { return exists() ? service_->singleFrameOpen(window_) : 0; }
  LRESULT singleFrame() const { return exists() ? service_->singleFrame(window_) : 0; }
  LRESULT singleFrameClose() const { return exists() ? service_->singleFrameClose(window_) : 0; }
  LRESULT dlgVideoCompression() const {
    return exists() ? service_->dlgVideoCompression(window_) : 0;
  }
  LRESULT dlgVideoFormat() const { return exists() ? service_->dlgVideoFormat(window_) : 0; }
  LRESULT dlgVideoSource() const { return exists() ? service_->dlgVideoSource(window_) : 0; }
  LRESULT getClientSize(int* width, int* height) const {
    *width = 0;
    *height = 0;
    return exists() ? service_->getClientSize(window_, width, height) : 0;
  }
  LRESULT drawEtchedRect(int x1, int y1, int x2, int y2) const {
    return exists() ? service_->drawEtchedRect(window_, x1, y1, x2, y2) : 0;
  }
  LRESULT setParentWindow(QWidget* parent) const {
    return exists() ? service_->setParentWindow(window_, parent) : 0;
  }
  LRESULT setWindowPos(int x, int y, int width, int height) const {
    return exists() ? service_->setWindowPos(window_, x, y, width, height) : 0;
  }

 private:
  CaptureService* service_ = nullptr;
  CaptureWindowHandle window_ = 0;
};

}  // namespace camera
