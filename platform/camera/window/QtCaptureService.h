#pragma once

#include <QPointer>

#include <memory>
#include <vector>

#include "platform/camera/CaptureService.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/window/CaptureWidget.h"

namespace camera {

// The capture service on Qt widgets and this machine's drivers.
class QtCaptureService : public CaptureService {
 public:
  // maxFrameBytes: the largest frame the program can take; no window or driver offers more.
  // Drivers come from EnumerateDrivers() when not given (tests give their own).
  explicit QtCaptureService(std::size_t maxFrameBytes);
  QtCaptureService(std::size_t maxFrameBytes, std::vector<std::unique_ptr<VideoDriver>> drivers);
  ~QtCaptureService() override;
  QtCaptureService(const QtCaptureService&) = delete;
  QtCaptureService& operator=(const QtCaptureService&) = delete;

  // The widget behind a handle, for re-parenting, placing and drawing; null when gone.
  CaptureWidget* widget(CaptureWindowHandle window) const;

  CaptureWindowHandle createCaptureWindow(const std::string& title, std::uint32_t style, int x,
                                          int y, int width, int height, QWidget* parent,
                                          int id) override;
  bool getDriverDescription(unsigned index, char* name, int nameChars, char* version,
                            int versionChars) override;
  bool isWindow(CaptureWindowHandle window) const override;

  LRESULT driverConnect(CaptureWindowHandle window, int driverIndex) override;
  LRESULT driverDisconnect(CaptureWindowHandle window) override;
  LRESULT setCallbackStatus(CaptureWindowHandle window, StatusCallback callback) override;
  LRESULT setCallbackError(CaptureWindowHandle window, ErrorCallback callback) override;
  LRESULT setCallbackFrame(CaptureWindowHandle window, FrameCallback callback) override;
  LRESULT getVideoFormat(CaptureWindowHandle window, BitmapInfo* format,
                         std::uint32_t bytes) override;
  LRESULT setScale(CaptureWindowHandle window, bool stretch) override;
  LRESULT setSequenceSetup(CaptureWindowHandle window, const CaptureParms* parms,
                           std::uint32_t bytes) override;
  LRESULT setPreviewRate(CaptureWindowHandle window, std::uint32_t periodMs) override;
  LRESULT setPreview(CaptureWindowHandle window, bool on) override;
  LRESULT setOverlay(CaptureWindowHandle window, bool on) override;
  LRESULT fileSetCaptureFile(CaptureWindowHandle window, const std::string& path) override;
  LRESULT fileAllocate(CaptureWindowHandle window, std::uint32_t bytes) override;
  LRESULT singleFrameOpen(CaptureWindowHandle window) override;
  LRESULT singleFrame(CaptureWindowHandle window) override;
  LRESULT singleFrameClose(CaptureWindowHandle window) override;
  LRESULT dlgVideoCompression(CaptureWindowHandle window) override;
  LRESULT dlgVideoFormat(CaptureWindowHandle window) override;
  LRESULT dlgVideoSource(CaptureWindowHandle window) override;
  LRESULT getClientSize(CaptureWindowHandle window, int* width, int* height) override;
  LRESULT drawEtchedRect(CaptureWindowHandle window, int x1, int y1, int x2, int y2) override;
  LRESULT setParentWindow(CaptureWindowHandle window, QWidget* parent) override;
  LRESULT setWindowPos(CaptureWindowHandle window, int x, int y, int width, int height) override;

 private:
  std::vector<std::unique_ptr<VideoDriver>>& drivers();
  // Runs `operation` on the window's widget: 0 when there is no such window, else 1 (or, for
  // an operation that reports success, whether it succeeded).
  template <class Operation>
  LRESULT OnWidget(CaptureWindowHandle window, Operation operation);

  std::size_t maxFrameBytes_;
  bool enumerated_ = false;
  std::vector<std::unique_ptr<VideoDriver>> drivers_;
  std::vector<QPointer<CaptureWidget>> windows_;  // handle h is windows_[h - 1]
};

}  // namespace camera
