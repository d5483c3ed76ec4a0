#include "tests/support/FakeCaptureService.h"

#include <algorithm>
#include <cstring>

namespace testing_support {

namespace {

// Copies at most chars-1 characters and always terminates, as the driver query promises.
void CopyBounded(const std::string& from, char* to, int chars) {
  if (to == nullptr || chars <= 0) return;
  const std::size_t n = std::min(from.size(), static_cast<std::size_t>(chars) - 1);
  std::memcpy(to, from.data(), n);
  to[n] = '\0';
}

}  // namespace

void FakeCaptureService::setConnectFails(bool fails, std::string text) {
  connectFails_ = fails;
  connectErrorText_ = std::move(text);
}

bool FakeCaptureService::reach(camera::CaptureWindowHandle window, std::string op,
                               std::vector<long long> args, std::string text) {
  if (!isWindow(window)) {
    strays_.push_back({std::move(op), std::move(args), std::move(text)});
    return false;
  }
  calls_.push_back({std::move(op), std::move(args), std::move(text)});
  return true;
}

bool FakeCaptureService::deliverFrame(std::span<const std::uint8_t> frame) {
  if (!isWindow(kWindow) || !preview_ || overlay_ || inDelivery_) return false;
  if (buffer_.size() < frame.size()) buffer_.resize(frame.size());
  std::copy(frame.begin(), frame.end(), buffer_.begin());
  paintedBytes_ = frame.size();
  if (!frameCallback_) return false;

  camera::VideoHdr header;
  header.lpData = buffer_.data();
  header.dwBufferLength = static_cast<std::uint32_t>(buffer_.size());
  header.dwBytesUsed = static_cast<std::uint32_t>(frame.size());
  header.dwTimeCaptured = framesDelivered_++ * previewRateMs_;

  // A copy, so that the callback may replace or remove itself while it runs.
  const camera::FrameCallback callback = frameCallback_;
  inDelivery_ = true;
  delivering_ = frame;
  callback(kWindow, &header);
  delivering_ = {};
  inDelivery_ = false;
  return true;
}

camera::LRESULT FakeCaptureService::emitStatus(int id, const std::string& text) {
  if (!isWindow(kWindow) || !statusCallback_) return 0;
  const camera::StatusCallback callback = statusCallback_;
  return callback(kWindow, id, text.c_str());
}

camera::LRESULT FakeCaptureService::emitError(int id, const std::string& text) {
  if (!isWindow(kWindow) || !errorCallback_) return 0;
  const camera::ErrorCallback callback = errorCallback_;
  return callback(kWindow, id, text.c_str());
}

std::vector<std::string> FakeCaptureService::ops() const {
  std::vector<std::string> names;
  names.reserve(calls_.size());
  for (const Call& call : calls_) names.push_back(call.op);
  return names;
}

std::size_t FakeCaptureService::count(std::string_view op) const {
  return static_cast<std::size_t>(
      std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) { return c.op == op; }));
}

const Call* FakeCaptureService::last(std::string_view op) const {
  const auto it = std::find_if(calls_.rbegin(), calls_.rend(),
                               [&](const Call& c) { return c.op == op; });
  return it == calls_.rend() ? nullptr : &*it;
}

camera::CaptureWindowHandle FakeCaptureService::createCaptureWindow(
    const std::string& title, std::uint32_t style, int x, int y, int width, int height,
    QWidget* /*parent*/, int id) {
  calls_.push_back({"createCaptureWindow", {style, x, y, width, height, id}, title});
  if (createFails_) return 0;
  windowAlive_ = true;
  return kWindow;
}

bool FakeCaptureService::getDriverDescription(unsigned index, char* name, int nameChars,
                                              char* version, int versionChars) {
  calls_.push_back({"getDriverDescription", {index, nameChars, versionChars}, {}});
  if (index >= drivers_.size()) return false;
  CopyBounded(drivers_[index].name, name, nameChars);
  CopyBounded(drivers_[index].version, version, versionChars);
  return true;
}

bool FakeCaptureService::isWindow(camera::CaptureWindowHandle window) const {
  return windowAlive_ && window == kWindow;
}

camera::LRESULT FakeCaptureService::driverConnect(camera::CaptureWindowHandle window,
                                                  int driverIndex) {
  if (!reach(window, "driverConnect", {driverIndex})) return 0;
  if (connectFails_) {
    if (errorCallback_) {
      const camera::ErrorCallback callback = errorCallback_;
      callback(kWindow, camera::kDriverErrorId, connectErrorText_.c_str());
    }
    return 0;
  }
  connected_ = true;
  return 1;
}

camera::LRESULT FakeCaptureService::driverDisconnect(camera::CaptureWindowHandle window) {
  if (!reach(window, "driverDisconnect")) return 0;
  connected_ = false;
  return 1;
}

camera::LRESULT FakeCaptureService::setCallbackStatus(camera::CaptureWindowHandle window,
                                                      camera::StatusCallback callback) {
  if (!reach(window, "setCallbackStatus", {callback ? 1 : 0})) return 0;
  statusCallback_ = std::move(callback);
  return 1;
}

camera::LRESULT FakeCaptureService::setCallbackError(camera::CaptureWindowHandle window,
                                                     camera::ErrorCallback callback) {
  if (!reach(window, "setCallbackError", {callback ? 1 : 0})) return 0;
  errorCallback_ = std::move(callback);
  return 1;
}

camera::LRESULT FakeCaptureService::setCallbackFrame(camera::CaptureWindowHandle window,
                                                     camera::FrameCallback callback) {
  if (!reach(window, "setCallbackFrame", {callback ? 1 : 0})) return 0;
  frameCallback_ = std::move(callback);
  return 1;
}

camera::LRESULT FakeCaptureService::getVideoFormat(camera::CaptureWindowHandle window,
                                                   camera::BitmapInfo* format,
                                                   std::uint32_t bytes) {
  if (!reach(window, "getVideoFormat", {bytes})) return 0;
  if (format == nullptr) return 0;
  const std::uint32_t n = std::min(bytes, camera::kVideoFormatBytes);
  std::memcpy(format, &videoFormat_, n);
  return n;
}

camera::LRESULT FakeCaptureService::setScale(camera::CaptureWindowHandle window, bool stretch) {
  return reach(window, "setScale", {stretch}) ? 1 : 0;
}

camera::LRESULT FakeCaptureService::setSequenceSetup(camera::CaptureWindowHandle window,
                                                     const camera::CaptureParms* parms,
                                                     std::uint32_t bytes) {
  // The frame time and the index size are what a caller's sequence is judged by.
  if (!reach(window, "setSequenceSetup",
             {bytes, parms != nullptr ? parms->dwRequestMicroSecPerFrame : 0,
              parms != nullptr ? parms->dwIndexSize : 0}))
    return 0;
  if (parms == nullptr) return 0;
  sequenceSetup_ = {};
  std::memcpy(&sequenceSetup_, parms, std::min(bytes, camera::kCaptureParmsBytes));
  return 1;
}

camera::LRESULT FakeCaptureService::setPreviewRate(camera::CaptureWindowHandle window,
                                                   std::uint32_t periodMs) {
  if (!reach(window, "setPreviewRate", {periodMs})) return 0;
  previewRateMs_ = periodMs;
  return 1;
}

camera::LRESULT FakeCaptureService::setPreview(camera::CaptureWindowHandle window, bool on) {
  if (!reach(window, "setPreview", {on})) return 0;
  preview_ = on;
  return 1;
}

camera::LRESULT FakeCaptureService::setOverlay(camera::CaptureWindowHandle window, bool on) {
  if (!reach(window, "setOverlay", {on})) return 0;
  overlay_ = on;
  return 1;
}

camera::LRESULT FakeCaptureService::fileSetCaptureFile(camera::CaptureWindowHandle window,
                                                       const std::string& path) {
  return reach(window, "fileSetCaptureFile", {}, path) ? 1 : 0;
}

camera::LRESULT FakeCaptureService::fileAllocate(camera::CaptureWindowHandle window,
                                                 std::uint32_t bytes) {
  return reach(window, "fileAllocate", {bytes}) ? 1 : 0;
}

camera::LRESULT FakeCaptureService::singleFrameOpen(camera::CaptureWindowHandle window) {
  // The AVI takes the frame time in force now.
  if (!reach(window, "singleFrameOpen", {sequenceSetup_.dwRequestMicroSecPerFrame})) return 0;
  singleFrameOpen_ = true;
  return 1;
}

camera::LRESULT FakeCaptureService::singleFrame(camera::CaptureWindowHandle window) {
  if (!reach(window, "singleFrame")) return 0;
  if (!singleFrameOpen_) return 0;
  if (writeFails_) {
    if (const camera::ErrorCallback callback = errorCallback_) {
      callback(kWindow, camera::kFileWriteErrorId, writeErrorText_.c_str());
    }
    return 0;
  }
  // The window appends the frame it is delivering, as the driver gave it; outside a delivery
  // the fake has no frame to append.
  if (inDelivery_) recorded_.emplace_back(delivering_.begin(), delivering_.end());
  return 1;
}

camera::LRESULT FakeCaptureService::singleFrameClose(camera::CaptureWindowHandle window) {
  if (!reach(window, "singleFrameClose")) return 0;
  singleFrameOpen_ = false;
  return 1;
}

camera::LRESULT FakeCaptureService::dlgVideoCompression(camera::CaptureWindowHandle window) {
  return reach(window, "dlgVideoCompression") ? compressionResult_ : 0;
}

camera::LRESULT FakeCaptureService::dlgVideoFormat(camera::CaptureWindowHandle window) {
  return reach(window, "dlgVideoFormat") ? 1 : 0;
}

camera::LRESULT FakeCaptureService::dlgVideoSource(camera::CaptureWindowHandle window) {
  return reach(window, "dlgVideoSource") ? 1 : 0;
}

camera::LRESULT FakeCaptureService::getClientSize(camera::CaptureWindowHandle window, int* width,
                                                  int* height) {
  if (!isWindow(window)) return 0;  // a read: not recorded
  *width = clientWidth_;
  *height = clientHeight_;
  return 1;
}

camera::LRESULT FakeCaptureService::drawEtchedRect(camera::CaptureWindowHandle window, int x1,
                                                   int y1, int x2, int y2) {
  return reach(window, "drawEtchedRect", {x1, y1, x2, y2}) ? 1 : 0;
}

camera::LRESULT FakeCaptureService::setParentWindow(camera::CaptureWindowHandle window,
                                                    QWidget* parent) {
  if (!reach(window, "setParentWindow", {parent != nullptr})) return 0;
  parent_ = parent;
  return 1;
}

camera::LRESULT FakeCaptureService::setWindowPos(camera::CaptureWindowHandle window, int x, int y,
                                                 int width, int height) {
  if (!reach(window, "setWindowPos", {x, y, width, height})) return 0;
  clientWidth_ = std::max(width, 0);
  clientHeight_ = std::max(height, 0);
  return 1;
}

}  // namespace testing_support
