#include "tests/support/FakeCaptureService.h"

#include <algorithm>

#include "platform/base/Text.h"

namespace testing_support {

void FakeCaptureService::setConnectFails(bool fails, std::string text) {
  connectFails_ = fails;
  connectErrorText_ = std::move(text);
}

bool FakeCaptureService::reach(std::string op, std::vector<long long> args,
                               std::string text) const {
  (alive() ? calls_ : strays_).push_back({std::move(op), std::move(args), std::move(text)});
  return alive();
}

void FakeCaptureService::reportError(int id, const std::string& text) const {
  // A copy, so that the callback may replace or remove itself while it runs.
  if (const camera::ErrorCallback callback = errorCallback_) callback(id, text);
}

bool FakeCaptureService::deliverFrame(std::span<const std::uint8_t> frame) {
  if (!alive() || !preview_ || overlay_ || inDelivery_ || lost_) return false;
  if (buffer_.size() < frame.size()) buffer_.resize(frame.size());
  std::copy(frame.begin(), frame.end(), buffer_.begin());
  paintedBytes_ = frame.size();
  if (!frameCallback_) return false;

  camera::VideoHdr header;
  header.lpData = buffer_.data();
  header.dwBufferLength = static_cast<std::uint32_t>(buffer_.size());
  header.dwBytesUsed = static_cast<std::uint32_t>(frame.size());
  header.dwTimeCaptured = framesDelivered_++ * previewRateMs_;

  const camera::FrameCallback callback = frameCallback_;
  inDelivery_ = true;
  delivering_ = frame;
  callback(header);
  delivering_ = {};
  inDelivery_ = false;
  return true;
}

void FakeCaptureService::emitStatus(int id, const std::string& text) {
  if (!alive()) return;
  if (const camera::StatusCallback callback = statusCallback_) callback(id, text);
}

void FakeCaptureService::emitError(int id, const std::string& text) {
  if (alive()) reportError(id, text);
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
  const auto it =
      std::find_if(calls_.rbegin(), calls_.rend(), [&](const Call& c) { return c.op == op; });
  return it == calls_.rend() ? nullptr : &*it;
}

camera::CaptureWindowRef FakeCaptureService::createCaptureWindow(const std::string& title,
                                                                 std::uint32_t style,
                                                                 const QRect& geometry,
                                                                 QWidget* /*parent*/, int id) {
  calls_.push_back({"createCaptureWindow",
                    {style, geometry.x(), geometry.y(), geometry.width(), geometry.height(), id},
                    title});
  if (createFails_) return {};
  alive_ = std::make_unique<QObject>();
  return camera::CaptureWindowRef(this, alive_.get());
}

std::optional<camera::DriverDescription> FakeCaptureService::driverDescription(unsigned index) {
  calls_.push_back({"driverDescription", {index}, {}});
  if (index >= drivers_.size()) return std::nullopt;
  constexpr std::size_t kMost = camera::kDriverTextChars - 1;
  return camera::DriverDescription{base::CutUtf8(drivers_[index].name, kMost),
                                   base::CutUtf8(drivers_[index].version, kMost)};
}

bool FakeCaptureService::driverConnect(int driverIndex) {
  if (!reach("driverConnect", {driverIndex})) return false;
  if (connectFails_ || away_) {
    reportError(camera::kDriverErrorId, away_ ? "The camera is not there." : connectErrorText_);
    return false;
  }
  connected_ = true;
  lost_ = false;
  return true;
}

void FakeCaptureService::dropOut(const std::string& reason) {
  away_ = true;
  if (!alive() || !connected_) return;
  connected_ = false;
  lost_ = true;
  reportError(camera::kSourceLostErrorId, "The video source stopped: " + reason);
}

void FakeCaptureService::driverDisconnect() {
  if (reach("driverDisconnect")) connected_ = false;
}

void FakeCaptureService::setCallbackStatus(camera::StatusCallback callback) {
  if (reach("setCallbackStatus", {callback ? 1 : 0})) statusCallback_ = std::move(callback);
}

void FakeCaptureService::setCallbackError(camera::ErrorCallback callback) {
  if (reach("setCallbackError", {callback ? 1 : 0})) errorCallback_ = std::move(callback);
}

void FakeCaptureService::setCallbackFrame(camera::FrameCallback callback) {
  if (reach("setCallbackFrame", {callback ? 1 : 0})) frameCallback_ = std::move(callback);
}

camera::BitmapInfo FakeCaptureService::videoFormat() const {
  return reach("videoFormat") ? videoFormat_ : camera::BitmapInfo{};
}

void FakeCaptureService::setScale(bool stretch) { reach("setScale", {stretch}); }

void FakeCaptureService::setSequenceSetup(const camera::CaptureParms& parms) {
  // The frame time and the index size are what a caller's sequence is judged by.
  if (reach("setSequenceSetup", {parms.dwRequestMicroSecPerFrame, parms.dwIndexSize})) {
    sequenceSetup_ = parms;
  }
}

void FakeCaptureService::setPreviewRate(std::uint32_t periodMs) {
  if (reach("setPreviewRate", {periodMs})) previewRateMs_ = periodMs;
}

void FakeCaptureService::setPreview(bool on) {
  if (reach("setPreview", {on})) preview_ = on;
}

void FakeCaptureService::setOverlay(bool on) {
  if (reach("setOverlay", {on})) overlay_ = on;
}

void FakeCaptureService::fileSetCaptureFile(const std::string& path) {
  reach("fileSetCaptureFile", {}, path);
}

void FakeCaptureService::fileAllocate(std::uint32_t bytes) { reach("fileAllocate", {bytes}); }

bool FakeCaptureService::singleFrameOpen() {
  // The AVI takes the frame time in force now.
  if (!reach("singleFrameOpen", {sequenceSetup_.dwRequestMicroSecPerFrame})) return false;
  singleFrameOpen_ = true;
  return true;
}

bool FakeCaptureService::singleFrame() {
  if (!reach("singleFrame") || !singleFrameOpen_) return false;
  if (writeFails_) {
    reportError(camera::kFileWriteErrorId, writeErrorText_);
    return false;
  }
  // The window appends the frame it is delivering, as the driver gave it; outside a delivery
  // the fake has no frame to append.
  if (inDelivery_) recorded_.emplace_back(delivering_.begin(), delivering_.end());
  return true;
}

bool FakeCaptureService::appendFrame(const std::uint8_t* frame, std::size_t bytes) {
  if (!reach("appendFrame", {static_cast<long long>(bytes)}) || !singleFrameOpen_) return false;
  if (writeFails_) {
    reportError(camera::kFileWriteErrorId, writeErrorText_);
    return false;
  }
  recorded_.emplace_back(frame, frame + bytes);
  return true;
}

bool FakeCaptureService::singleFrameClose() {
  if (!reach("singleFrameClose")) return false;
  const bool wasOpen = singleFrameOpen_;
  singleFrameOpen_ = false;
  return wasOpen;
}

bool FakeCaptureService::dlgVideoCompression(int budgetMs) {
  if (!reach("dlgVideoCompression", {budgetMs}) || !compressionResult_) return false;
  codec_ = dialogCodec_;
  quality_ = dialogQuality_;
  return true;
}

bool FakeCaptureService::selectCompressor(const std::string& codec, int quality) {
  if (!reach("selectCompressor", {quality}, codec)) return false;
  if (std::find(knownCodecs_.begin(), knownCodecs_.end(), codec) == knownCodecs_.end()) {
    return false;
  }
  codec_ = codec;
  quality_ = quality;
  return true;
}

bool FakeCaptureService::dlgVideoFormat() { return reach("dlgVideoFormat"); }

bool FakeCaptureService::dlgVideoSource() { return reach("dlgVideoSource"); }

QSize FakeCaptureService::clientSize() const { return alive() ? clientSize_ : QSize(0, 0); }

void FakeCaptureService::drawEtchedRect(const QRect& rect) {
  // The corners as given, in the order given.
  reach("drawEtchedRect", {rect.left(), rect.top(), rect.right(), rect.bottom()});
}

void FakeCaptureService::setParentWindow(QWidget* parent) {
  if (reach("setParentWindow", {parent != nullptr})) parent_ = parent;
}

void FakeCaptureService::setWindowPos(const QRect& place) {
  if (!reach("setWindowPos", {place.x(), place.y(), place.width(), place.height()})) return;
  clientSize_ = {std::max(place.width(), 0), std::max(place.height(), 0)};
}

}  // namespace testing_support
