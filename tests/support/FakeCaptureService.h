#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/camera/CaptureService.h"

namespace testing_support {

// One operation that reached the fake, with its number arguments in declaration order and its
// text argument (title, path) if it had one. setSequenceSetup also carries the record's
// dwRequestMicroSecPerFrame and dwIndexSize, singleFrameOpen the frame time then in force.
struct Call {
  std::string op;
  std::vector<long long> args;
  std::string text;
};

struct DriverEntry {
  std::string name;
  std::string version;
};

// A capture service with one scripted capture window (handle 1). Every operation that reaches
// a live window, and every service-level call, is recorded in calls(); isWindow() is not.
// Operations on a missing window return 0 and are kept apart in strayCalls().
class FakeCaptureService : public camera::CaptureService {
 public:
  static constexpr camera::CaptureWindowHandle kWindow = 1;

  // --- scripting
  void setDrivers(std::vector<DriverEntry> drivers) { drivers_ = std::move(drivers); }
  void setCreateFails(bool fails) { createFails_ = fails; }
  void setVideoFormat(const camera::BitmapInfo& format) { videoFormat_ = format; }
  void setCompressionResult(camera::LRESULT result) { compressionResult_ = result; }
  // driverConnect then returns 0 and reports kDriverErrorId with `text` to the error callback.
  void setConnectFails(bool fails, std::string text = "The capture driver could not be opened.");
  // From now on singleFrame() appends nothing: it reports kFileWriteErrorId with `text` to the
  // error callback and returns 0, as a full disk makes the window do.
  void setFrameWriteFails(bool fails, std::string text = "Cannot write: disk full.") {
    writeFails_ = fails;
    writeErrorText_ = std::move(text);
  }
  // The window goes away, as when its parent is destroyed.
  void destroyWindow() { windowAlive_ = false; }
  // The picture area getClientSize reports until setWindowPos changes it.
  void setClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
  }

  // --- driving
  // Hands `frame` to the frame callback as the window would: only while preview is on and
  // overlay off. Returns whether the callback was called.
  bool deliverFrame(std::span<const std::uint8_t> frame);
  camera::LRESULT emitStatus(int id, const std::string& text);
  camera::LRESULT emitError(int id, const std::string& text);

  // --- inspection
  const std::vector<Call>& calls() const { return calls_; }
  std::vector<std::string> ops() const;
  std::size_t count(std::string_view op) const;
  // The last call of `op`, or null.
  const Call* last(std::string_view op) const;
  // Operations sent to a missing window: a caller that checks first sends none.
  const std::vector<Call>& strayCalls() const { return strays_; }
  void clearCalls() {
    calls_.clear();
    strays_.clear();
  }

  // The buffer as the callback left it after the last delivered frame (the painted picture).
  std::span<const std::uint8_t> lastPainted() const { return {buffer_.data(), paintedBytes_}; }
  // Frames appended by singleFrame() (inside a delivery, file open), as given: unmarked.
  const std::vector<std::vector<std::uint8_t>>& recordedFrames() const { return recorded_; }
  const camera::CaptureParms& sequenceSetup() const { return sequenceSetup_; }
  std::uint32_t previewRateMs() const { return previewRateMs_; }
  bool previewOn() const { return preview_; }
  bool overlayOn() const { return overlay_; }
  bool connected() const { return connected_; }
  bool singleFrameIsOpen() const { return singleFrameOpen_; }
  bool hasFrameCallback() const { return static_cast<bool>(frameCallback_); }
  QWidget* parentWindow() const { return parent_; }

  // --- camera::CaptureService
  camera::CaptureWindowHandle createCaptureWindow(const std::string& title, std::uint32_t style,
                                                  int x, int y, int width, int height,
                                                  QWidget* parent, int id) override;
  bool getDriverDescription(unsigned index, char* name, int nameChars, char* version,
                            int versionChars) override;
  bool isWindow(camera::CaptureWindowHandle window) const override;

  camera::LRESULT driverConnect(camera::CaptureWindowHandle window, int driverIndex) override;
  camera::LRESULT driverDisconnect(camera::CaptureWindowHandle window) override;
  camera::LRESULT setCallbackStatus(camera::CaptureWindowHandle window,
                                    camera::StatusCallback callback) override;
  camera::LRESULT setCallbackError(camera::CaptureWindowHandle window,
                                   camera::ErrorCallback callback) override;
  camera::LRESULT setCallbackFrame(camera::CaptureWindowHandle window,
                                   camera::FrameCallback callback) override;
  camera::LRESULT getVideoFormat(camera::CaptureWindowHandle window, camera::BitmapInfo* format,
                                 std::uint32_t bytes) override;
  camera::LRESULT setScale(camera::CaptureWindowHandle window, bool stretch) override;
  camera::LRESULT setSequenceSetup(camera::CaptureWindowHandle window,
                                   const camera::CaptureParms* parms,
                                   std::uint32_t bytes) override;
  camera::LRESULT setPreviewRate(camera::CaptureWindowHandle window,
                                 std::uint32_t periodMs) override;
  camera::LRESULT setPreview(camera::CaptureWindowHandle window, bool on) override;
  camera::LRESULT setOverlay(camera::CaptureWindowHandle window, bool on) override;
  camera::LRESULT fileSetCaptureFile(camera::CaptureWindowHandle window,
                                     const std::string& path) override;
  camera::LRESULT fileAllocate(camera::CaptureWindowHandle window, std::uint32_t bytes) override;
  camera::LRESULT singleFrameOpen(camera::CaptureWindowHandle window) override;
  camera::LRESULT singleFrame(camera::CaptureWindowHandle window) override;
  camera::LRESULT singleFrameClose(camera::CaptureWindowHandle window) override;
  camera::LRESULT dlgVideoCompression(camera::CaptureWindowHandle window) override;
  camera::LRESULT dlgVideoFormat(camera::CaptureWindowHandle window) override;
  camera::LRESULT dlgVideoSource(camera::CaptureWindowHandle window) override;
  camera::LRESULT getClientSize(camera::CaptureWindowHandle window, int* width,
                                int* height) override;
  camera::LRESULT drawEtchedRect(camera::CaptureWindowHandle window, int x1, int y1, int x2,
                                 int y2) override;
  camera::LRESULT setParentWindow(camera::CaptureWindowHandle window, QWidget* parent) override;
  camera::LRESULT setWindowPos(camera::CaptureWindowHandle window, int x, int y, int width,
                               int height) override;

 private:
  // Records the call as reaching the live window, or as a stray (and returns false).
  bool reach(camera::CaptureWindowHandle window, std::string op, std::vector<long long> args = {},
             std::string text = {});

  std::vector<Call> calls_;
  std::vector<Call> strays_;
  std::vector<DriverEntry> drivers_;
  bool createFails_ = false;
  bool connectFails_ = false;
  bool writeFails_ = false;
  std::string writeErrorText_;
  std::string connectErrorText_;
  camera::BitmapInfo videoFormat_{};
  camera::LRESULT compressionResult_ = 0;

  bool windowAlive_ = false;
  bool connected_ = false;
  bool preview_ = false;
  bool overlay_ = false;
  bool singleFrameOpen_ = false;
  std::uint32_t previewRateMs_ = 0;
  int clientWidth_ = 320;
  int clientHeight_ = 240;
  QWidget* parent_ = nullptr;
  camera::CaptureParms sequenceSetup_{};
  camera::FrameCallback frameCallback_;
  camera::StatusCallback statusCallback_;
  camera::ErrorCallback errorCallback_;

  std::vector<std::uint8_t> buffer_;
  std::size_t paintedBytes_ = 0;
  std::uint32_t framesDelivered_ = 0;
  std::span<const std::uint8_t> delivering_;  // the frame being delivered, as given
  bool inDelivery_ = false;
  std::vector<std::vector<std::uint8_t>> recorded_;
};

}  // namespace testing_support
