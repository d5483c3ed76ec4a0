#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/camera/CaptureTypes.h"

class QObject;
class QWidget;

namespace camera {

// What the frame handed over says; what the callback writes into it is what is then painted.
using FrameCallback = std::function<void(VideoHdr& frame)>;
using StatusCallback = std::function<void(int id, const std::string& text)>;
using ErrorCallback = std::function<void(int id, const std::string& text)>;

// A capture window fed by a driver and driven by synchronous operations. Callbacks run on the
// thread that created the window, while it processes events, so an operation such as
// singleFrame() may be called from inside the frame callback. What a backend may lack does
// nothing by default.
class CaptureWindow {
 public:
  virtual ~CaptureWindow() = default;

  virtual bool driverConnect(int driverIndex) = 0;
  virtual void driverDisconnect() = 0;
  // A callback may replace or remove itself, or any other, while it runs.
  virtual void setCallbackStatus(StatusCallback callback) = 0;
  virtual void setCallbackError(ErrorCallback callback) = 0;
  virtual void setCallbackFrame(FrameCallback callback) = 0;
  // The format of the frames being delivered.
  virtual BitmapInfo videoFormat() const = 0;
  virtual void setScale(bool /*stretch*/) {}
  virtual void setSequenceSetup(const CaptureParms& parms) = 0;
  virtual void setPreviewRate(std::uint32_t periodMs) = 0;
  virtual void setPreview(bool on) = 0;
  virtual void setOverlay(bool /*on*/) {}
  virtual void fileSetCaptureFile(const std::string& path) = 0;
  virtual void fileAllocate(std::uint32_t /*bytes*/) {}
  virtual bool singleFrameOpen() = 0;
  virtual bool singleFrame() = 0;
  // Appends `bytes` bytes of a frame the caller kept (of the format being delivered) to the open
  // AVI as its next frame; fails as singleFrame does.
  virtual bool appendFrame(const std::uint8_t* frame, std::size_t bytes) = 0;
  virtual bool singleFrameClose() = 0;
  // Modal dialogs; true when something was chosen. Compressors expected to take longer per
  // frame than `budgetMs` say so in their entry.
  virtual bool dlgVideoCompression(int /*budgetMs*/) { return false; }
  virtual bool dlgVideoFormat() { return false; }
  virtual bool dlgVideoSource() { return false; }
  // The compressor recordings are made with: its FFmpeg encoder name and its quality.
  virtual std::string compressorName() const { return {}; }
  virtual int compressorQuality() const { return 0; }
  // Recordings from now on use the encoder `codec`; false, and nothing changed, where this
  // machine has no such encoder.
  virtual bool selectCompressor(const std::string& /*codec*/, int /*quality*/) { return false; }

  // --- the window itself, for the program that docks, detaches and draws on it
  // The size of the picture area.
  virtual QSize clientSize() const = 0;
  // An etched frame through the two corners of `rect`, in client coordinates, shown until the
  // next frame is painted.
  virtual void drawEtchedRect(const QRect& /*rect*/) {}
  // A child of `parent`, below its siblings; with no parent, a small window of its own that
  // stays on top of the others, with no frame and no task-bar button.
  virtual void setParentWindow(QWidget* parent) = 0;
  // Places the window in its parent's coordinates (the screen's when it has none). Sizes below
  // zero count as zero; a window of its own is at least 1 x 1.
  virtual void setWindowPos(const QRect& place) = 0;
};

// What the programs hold of their capture window. A window that is missing (never created, or
// destroyed with its parent) is stood in for by one that does nothing, so every step on it is
// skipped and reports false, an empty format and size 0 x 0.
class CaptureWindowRef {
 public:
  CaptureWindowRef() = default;
  // `lifetime` goes when the window does.
  CaptureWindowRef(CaptureWindow* window, QObject* lifetime);

  bool exists() const { return !lifetime_.isNull(); }
  CaptureWindow& get() const;
  CaptureWindow* operator->() const { return &get(); }

 private:
  QPointer<QObject> lifetime_;
  CaptureWindow* window_ = nullptr;
};

}  // namespace camera
