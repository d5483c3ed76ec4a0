#include "platform/camera/window/CaptureWidget.h"

#include <QDialog>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cstring>

#include "platform/camera/window/CaptureDialogs.h"
#include "platform/camera/window/PictureStretch.h"
#include "platform/framework/Modal.h"
#include "platform/video/FrameFormat.h"

namespace camera {
namespace {

// Overlay shows live video without delivering frames, at about the rate of a camera.
constexpr int kOverlayPeriodMs = 40;

template <class Callback>
std::shared_ptr<const Callback> Share(Callback callback) {
  return callback ? std::make_shared<const Callback>(std::move(callback)) : nullptr;
}

}  // namespace

CaptureWidget::CaptureWidget(DriverSource& drivers, std::size_t maxFrameBytes, QWidget* parent)
    : QWidget(parent),
      drivers_(drivers),
      maxFrameBytes_(maxFrameBytes),
      live_(MakeFrameBytes(maxFrameBytes)) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { pollFrame(); });
}

CaptureWidget::~CaptureWidget() {
  // Whatever was recorded is finished and stays readable.
  if (writer_.isOpen()) singleFrameClose();
  driverDisconnect();
}

bool CaptureWidget::driverConnect(int driverIndex) {
  return connectDriver(drivers_.claim(driverIndex, *this));
}

bool CaptureWidget::connectDriver(VideoDriver* driver) {
  driverDisconnect();
  if (driver == nullptr) {
    reportError(kDriverErrorId, "There is no such capture driver.");
    return false;
  }
  std::string error;
  // A camera asked for no more frames than the window will take starts at that rate.
  driver->setPreviewPeriod(overlay_ ? kOverlayPeriodMs : previewRateMs_);
  if (!driver->connect(error)) {
    reportError(kDriverErrorId, "Cannot connect to " + driver->name() + ": " + error);
    return false;
  }
  driver_ = driver;
  frameSequence_ = 0;
  sinceConnect_.start();
  reportStatus(kStatusConnected, "Connected to " + driver->name());
  restartTimer();
  return true;
}

void CaptureWidget::driverDisconnect() {
  if (driver_ == nullptr) return;
  driver_->disconnect();
  driver_ = nullptr;
  timer_.stop();
}

void CaptureWidget::setCallbackStatus(StatusCallback callback) {
  statusCallback_ = Share(std::move(callback));
}

void CaptureWidget::setCallbackError(ErrorCallback callback) {
  errorCallback_ = Share(std::move(callback));
}

void CaptureWidget::setCallbackFrame(FrameCallback callback) {
  frameCallback_ = Share(std::move(callback));
}

void CaptureWidget::setPreviewRate(std::uint32_t periodMs) {
  previewRateMs_ = periodMs == 0 ? 1 : periodMs;
  restartTimer();
}

void CaptureWidget::setPreview(bool on) {
  preview_ = on;
  restartTimer();
}

void CaptureWidget::setOverlay(bool on) {
  overlay_ = on;
  restartTimer();
}

void CaptureWidget::setScale(bool stretch) {
  stretch_ = stretch;
  update();
}

void CaptureWidget::restartTimer() {
  if (driver_ == nullptr || (!preview_ && !overlay_)) {
    timer_.stop();
    return;
  }
  // QTimer takes an int; a period beyond that is as good as never.
  const std::uint32_t period = overlay_ ? kOverlayPeriodMs : previewRateMs_;
  driver_->setPreviewPeriod(period);
  timer_.start(static_cast<int>(std::min<std::uint32_t>(period, 0x7FFFFFFF)));
}

FrameFormat CaptureWidget::format() const {
  return driver_ != nullptr ? driver_->format() : frameFormat_;
}

BitmapInfo CaptureWidget::videoFormat() const { return video::ToBitmapInfo(format()); }

bool CaptureWidget::pollFrame() {
  if (driver_ == nullptr || delivering_) return false;
  std::string error;
  FrameFormat format;
  switch (driver_->latestFrame(frame_, frameSequence_, format, error)) {
    case FrameResult::NoNewFrame: return false;
    case FrameResult::Failed:
      driverDisconnect();
      reportError(kSourceLostErrorId, "The video source stopped: " + error);
      return false;
    case FrameResult::NewFrame: break;
  }
  if (format.bytes() > frame_.size || format.bytes() > maxFrameBytes_) {
    driverDisconnect();
    std::string reason = "The video source stopped: the frame of ";
    reason += std::to_string(format.bytes());
    reason += " bytes does not fit the frame store of ";
    reason += std::to_string(maxFrameBytes_);
    reason += " bytes";
    reportError(kSourceLostErrorId, reason);
    return false;
  }
  frameBytes_ = format.bytes();
  frameFormat_ = format;
  // Only a recording needs the frame unmarked after the callback: otherwise it gets the
  // driver's frame itself and no copy is made.
  std::uint8_t* delivered = frame_.data();
  std::size_t deliveredCapacity = frame_.capacity;
  if (writer_.isOpen()) {
    std::memcpy(live_.get(), frame_.data(), frameBytes_);
    delivered = live_.get();
    deliveredCapacity = maxFrameBytes_;
  }
  picture_ = delivered;
  pictureStale_ = true;
  etched_.reset();

  if (preview_ && !overlay_ && frameCallback_) {
    VideoHdr header;
    header.lpData = delivered;
    header.dwBufferLength = static_cast<std::uint32_t>(deliveredCapacity);
    header.dwBytesUsed = static_cast<std::uint32_t>(frameBytes_);
    header.dwTimeCaptured = static_cast<std::uint32_t>(sinceConnect_.elapsed());
    const std::shared_ptr<const FrameCallback> callback = frameCallback_;
    delivering_ = true;
    (*callback)(header);
    delivering_ = false;
  }
  // Hidden, minimized or covered: nobody would see the picture.
  if (isVisible() && !visibleRegion().isEmpty()) update();
  return true;
}

void CaptureWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_ == nullptr || frameBytes_ == 0) {
    painter.fillRect(rect(), Qt::black);
    painter.setPen(Qt::lightGray);
    painter.drawText(rect(), Qt::AlignCenter,
                     driver_ == nullptr ? tr("No video source") : tr("Waiting for video..."));
  } else {
    // Stretched (or not) into a picture of the shown size, made again only for a new frame:
    // Qt then copies it without converting or scaling anything.
    const QSize size = stretch_ ? this->size() : QSize(frameFormat_.width, frameFormat_.height);
    if (shown_.size() != size) {
      shown_ = QImage(size, QImage::Format_RGB32);
      pictureStale_ = true;
    }
    if (pictureStale_ && !shown_.isNull()) {
      stretcher_.draw(picture_, frameFormat_, shown_.bits(), shown_.width(), shown_.height(),
                      static_cast<std::size_t>(shown_.bytesPerLine()));
      pictureStale_ = false;
    }
    if (!stretch_) painter.fillRect(rect(), Qt::black);
    painter.drawImage(QPoint(0, 0), shown_);
  }
  if (etched_) {
    // Two one-pixel lines, dark then light one pixel down and right: an etched groove.
    const QRect r = etched_->normalized();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(r.adjusted(1, 1, 0, 0));
  }
}

void CaptureWidget::drawEtchedRect(const QRect& rect) {
  etched_ = rect.normalized();
  update();
}

void CaptureWidget::setParentWindow(QWidget* parent) {
  if (parent != nullptr) {
    // Taking a widget from its parent hides it and takes its focus: only when it moves.
    if (parentWidget() != parent || isWindow()) setParent(parent);
    lower();
  } else {
    setParent(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  }
  show();  // a widget that changes parent is hidden
}

void CaptureWidget::setWindowPos(const QRect& place) {
  const int least = isWindow() ? 1 : 0;
  setGeometry(place.x(), place.y(), std::max(place.width(), least),
              std::max(place.height(), least));
}

bool CaptureWidget::dlgVideoCompression(int budgetMs) {
  CompressionDialog dialog(avi::AvailableCompressors(), compressor_, format(), budgetMs, this);
  if (framework::RunModal(dialog) != QDialog::Accepted) return false;
  compressor_ = dialog.chosen();
  return true;
}

bool CaptureWidget::selectCompressor(const std::string& codec, int quality) {
  for (avi::Compressor& offered : avi::AvailableCompressors()) {
    if (offered.codec != codec) continue;
    if (offered.hasQuality) offered.quality = std::clamp(quality, 1, 100);
    compressor_ = std::move(offered);
    return true;
  }
  return false;
}

bool CaptureWidget::dlgVideoFormat() {
  if (driver_ == nullptr) return false;
  if (recording()) {
    // Every frame of an AVI has the size it was opened with.
    reportError(kFormatErrorId,
                "The video format cannot change while a capture file is open; stop the run "
                "first.");
    return false;
  }
  VideoFormatDialog dialog(*driver_, maxFrameBytes_, this);
  const int result = framework::RunModal(dialog);
  reportIfSourceStopped(dialog.message());
  return result == QDialog::Accepted;
}

bool CaptureWidget::dlgVideoSource() {
  if (driver_ == nullptr) return false;
  VideoSourceDialog dialog(*driver_, this);
  const int result = framework::RunModal(dialog);
  reportIfSourceStopped(dialog.message());
  return result == QDialog::Accepted;
}

void CaptureWidget::reportIfSourceStopped(const QString& reason) {
  if (driver_ == nullptr || driver_->connected()) return;
  driverDisconnect();
  reportError(kSourceLostErrorId, "The video source stopped: " + reason.toStdString());
}

bool CaptureWidget::singleFrameOpen() {
  if (writer_.isOpen()) singleFrameClose();
  const FrameFormat current = format();
  if (current.bytes() == 0) {
    reportError(kFileCreateErrorId,
                "Cannot start capturing to " + captureFile_ + ": no video source is connected.");
    return false;
  }
  std::string error;
  const BitmapInfo info = video::ToBitmapInfo(current);
  if (!writer_.open(captureFile_, info.bmiHeader, sequence_.dwRequestMicroSecPerFrame, compressor_,
                    reserveBytes_, error)) {
    reportError(kFileCreateErrorId,
                "Cannot create the capture file " + captureFile_ + ": " + error);
    return false;
  }
  reportStatus(kStatusCapturing, "Capturing to " + captureFile_);
  return true;
}

bool CaptureWidget::singleFrame() {
  if (frameBytes_ == 0) return false;
  // The frame as it came from the driver, without what the callback marked in it.
  return appendFrame(frame_.data(), frameBytes_);
}

bool CaptureWidget::appendFrame(const std::uint8_t* frame, std::size_t bytes) {
  if (!writer_.isOpen()) return false;
  std::string error;
  if (!writer_.writeFrame(frame, bytes, error)) {
    reportError(kFileWriteErrorId,
                "Cannot write to the capture file " + captureFile_ + ": " + error);
    return false;
  }
  return true;
}

bool CaptureWidget::singleFrameClose() {
  if (!writer_.isOpen()) return false;
  const std::int64_t frames = writer_.framesWritten();
  std::string error;
  if (!writer_.close(error)) {
    reportError(kFileCloseErrorId, "Cannot finish the capture file " + captureFile_ + ": " + error);
    return false;
  }
  reportStatus(kStatusCaptureDone,
               "Captured " + std::to_string(frames) + " frames to " + captureFile_);
  return true;
}

void CaptureWidget::reportError(int id, const std::string& text) {
  if (const auto callback = errorCallback_) (*callback)(id, text);
}

void CaptureWidget::reportStatus(int id, const std::string& text) {
  if (const auto callback = statusCallback_) (*callback)(id, text);
}

}  // namespace camera
