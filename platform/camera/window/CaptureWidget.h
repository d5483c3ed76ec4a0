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
#include "platform/camera/CaptureWindow.h"
#include "platform/camera/FrameMemory.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/window/PictureStretch.h"

namespace camera {

class CaptureWidget;

// Where a window finds the driver of an index. A driver drives one window at a time: the source
// takes it from any other window first. Null for an index without a driver.
class DriverSource {
 public:
  virtual VideoDriver* claim(int index, CaptureWidget& window) = 0;

 protected:
  ~DriverSource() = default;
};

// The capture window: shows the frames of its driver stretched to itself, hands each preview
// frame to the frame callback first (what the callback writes into the frame is what is then
// painted), and appends frames to a single-frame AVI on request. Everything runs on the thread
// that owns the widget; drivers only ever hand over their newest frame.
class CaptureWidget : public QWidget, public CaptureWindow {
 public:
  // Frames larger than maxFrameBytes are refused.
  CaptureWidget(DriverSource& drivers, std::size_t maxFrameBytes, QWidget* parent);
  std::size_t maxFrameBytes() const { return maxFrameBytes_; }
  ~CaptureWidget() override;

  // --- CaptureWindow
  bool driverConnect(int driverIndex) override;
  void driverDisconnect() override;
  void setCallbackStatus(StatusCallback callback) override;
  void setCallbackError(ErrorCallback callback) override;
  void setCallbackFrame(FrameCallback callback) override;
  BitmapInfo videoFormat() const override;
  void setScale(bool stretch) override;
  // The window keeps the whole record; its frame time is what a recording plays at.
  void setSequenceSetup(const CaptureParms& parms) override { sequence_ = parms; }
  void setPreviewRate(std::uint32_t periodMs) override;
  void setPreview(bool on) override;
  void setOverlay(bool on) override;
  void fileSetCaptureFile(const std::string& path) override { captureFile_ = path; }
  void fileAllocate(std::uint32_t bytes) override { reserveBytes_ = bytes; }
  bool singleFrameOpen() override;
  bool singleFrame() override;
  bool appendFrame(const std::uint8_t* frame, std::size_t bytes) override;
  bool singleFrameClose() override;
  bool dlgVideoCompression(int budgetMs) override;
  bool dlgVideoFormat() override;
  bool dlgVideoSource() override;
  std::string compressorName() const override { return compressor_.codec; }
  int compressorQuality() const override { return compressor_.quality; }
  bool selectCompressor(const std::string& codec, int quality) override;
  QSize clientSize() const override { return size(); }
  void drawEtchedRect(const QRect& rect) override;
  void setParentWindow(QWidget* parent) override;
  void setWindowPos(const QRect& place) override;

  // Connects `driver` directly, past any source; null reports that there is no such driver.
  bool connectDriver(VideoDriver* driver);
  VideoDriver* driver() const { return driver_; }
  std::uint32_t previewRateMs() const { return previewRateMs_; }
  bool previewOn() const { return preview_; }
  bool overlayOn() const { return overlay_; }
  // The format of the frames being delivered (the driver's, or the last one seen).
  FrameFormat format() const;
  const CaptureParms& sequence() const { return sequence_; }
  void setCompressor(const avi::Compressor& compressor) { compressor_ = compressor; }
  const avi::Compressor& compressor() const { return compressor_; }
  bool recording() const { return writer_.isOpen(); }

  // Through the error and status callbacks.
  void reportError(int id, const std::string& text);
  void reportStatus(int id, const std::string& text);

  // Takes the newest frame from the driver and delivers it; the preview timer calls it, tests
  // and benchmarks may call it directly. Returns whether a new frame was delivered.
  bool pollFrame();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void restartTimer();
  // A driver that could not start again after a change in its dialog has stopped; the window
  // says so with the reason the dialog showed, rather than later with none.
  void reportIfSourceStopped(const QString& reason);

  DriverSource& drivers_;
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

  FrameBuffer frame_;  // the newest frame as the driver gave it, exchanged for the next one
  FrameBytes live_;    // while recording, its copy for the callback to mark and to paint
  FrameFormat frameFormat_{};
  std::size_t frameBytes_ = 0;
  std::uint64_t frameSequence_ = 0;
  const std::uint8_t* picture_ = nullptr;  // the delivered frame, as the callback left it
  bool pictureStale_ = true;               // shown_ does not show it yet
  QImage shown_;                           // the picture at the shown size
  PictureStretch stretcher_;
  std::optional<QRect> etched_;

  CaptureParms sequence_{.dwRequestMicroSecPerFrame = 66667};  // 15 frames per second
  std::string captureFile_;
  std::uint64_t reserveBytes_ = 0;
  avi::Compressor compressor_ = avi::UncompressedDib();
  avi::AviWriter writer_;
};

}  // namespace camera
