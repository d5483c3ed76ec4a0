#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/avi/AviWriter.h"
#include "platform/camera/CaptureService.h"
#include "platform/camera/FrameMemory.h"
#include "platform/camera/VideoDriver.h"

namespace camera {

// The capture window: shows the frames of its driver stretched to itself, hands each preview
// frame to the frame callback first (what the callback writes into the frame is what is then
// painted), and appends frames to a single-frame AVI on request. Everything runs on the thread
// that owns the widget; drivers only ever hand over their newest frame.
class CaptureWidget : public QWidget {
 public:
  // Frames larger than maxFrameBytes are refused.
  CaptureWidget(CaptureWindowHandle handle, std::size_t maxFrameBytes, QWidget* parent);
  std::size_t maxFrameBytes() const { return maxFrameBytes_; }
  ~CaptureWidget() override;

  bool connectDriver(VideoDriver* driver);
  void disconnectDriver();
  VideoDriver* driver() const { return driver_; }

  // A callback may replace or remove itself, or any other, while it runs.
  void setStatusCallback(StatusCallback callback);
  void setErrorCallback(ErrorCallback callback);
  void setFrameCallback(FrameCallback callback);

  void setPreviewRate(std::uint32_t periodMs);
  void setPreview(bool on);
  void setOverlay(bool on);
  void setStretch(bool on);
  std::uint32_t previewRateMs() const { return previewRateMs_; }
  bool previewOn() const { return preview_; }
  bool overlayOn() const { return overlay_; }

  // The format of the frames being delivered (the driver's, or the last one seen).
  FrameFormat format() const;
  void setSequence(const CaptureParms& parms) { sequence_ = parms; }
  const CaptureParms& sequence() const { return sequence_; }

  void setCaptureFile(const std::string& path) { captureFile_ = path; }
  void setReserveBytes(std::uint64_t bytes) { reserveBytes_ = bytes; }
  void setCompressor(const avi::Compressor& compressor) { compressor_ = compressor; }
  const avi::Compressor& compressor() const { return compressor_; }

  bool singleFrameOpen();
  bool singleFrame();
  bool singleFrameClose();
  bool recording() const { return writer_.isOpen(); }

  // An etched rectangle over the picture, in widget coordinates, until the next frame arrives.
  void drawEtchedRect(const QRect& rect);

  // Through the error and status callbacks, with this window's handle.
  void reportError(int id, const std::string& text);
  void reportStatus(int id, const std::string& text);

  // Takes the newest frame from the driver and delivers it; the preview timer calls it, tests
  // and benchmarks may call it directly. Returns whether a new frame was delivered.
  bool pollFrame();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void restartTimer();

  CaptureWindowHandle handle_;
  std::size_t maxFrameBytes_;
  VideoDriver* driver_ = nullptr;
  // Shared, so that a call in progress keeps its own callback alive.
  std::shared_ptr<const StatusCallback> statusCallback_;
  std::shared_ptr<const ErrorCallback> errorCallback_;
  std::shared_ptr<const FrameCallback> frameCallback_;
  // True while a frame is being delivered: a message box shown from a callback runs the event
  // loop, and the next tick must not deliver over the frame still in use.
  bool delivering_ = false;

  QTimer timer_;
  QElapsedTimer sinceConnect_;
  std::uint32_t previewRateMs_ = 66;
  bool preview_ = false;
  bool overlay_ = false;
  bool stretch_ = false;

  FrameBytes frame_;  // the newest frame as the driver gave it
  FrameBytes live_;   // the same frame as delivered to the callback and painted
  FrameFormat frameFormat_{};
  std::size_t frameBytes_ = 0;
  std::uint64_t frameSequence_ = 0;
  QImage image_;  // a view of live_, rebuilt only when the format changes
  std::optional<QRect> etched_;

  CaptureParms sequence_{.dwRequestMicroSecPerFrame = 66667};  // 15 frames per second
  std::string captureFile_;
  std::uint64_t reserveBytes_ = 0;
  avi::Compressor compressor_ = avi::UncompressedDib();
  avi::AviWriter writer_;
};

}  // namespace camera
