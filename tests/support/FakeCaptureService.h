#pragma once

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/camera/CaptureService.h"

namespace testing_support {

// One operation that reached the fake, with its number arguments in declaration order and its
// text argument (title, path) if it had one. setSequenceSetup carries the record's
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

// A capture service with one scripted capture window: the fake is both. Every operation that
// reaches the live window, and every service-level call, is recorded in calls(); reads of the
// picture area are not. Operations on the window once it has gone return nothing and are kept
// apart in strayCalls().
class FakeCaptureService : public camera::CaptureService, public camera::CaptureWindow {
 public:
  // --- scripting
  void setDrivers(std::vector<DriverEntry> drivers) { drivers_ = std::move(drivers); }
  void setCreateFails(bool fails) { createFails_ = fails; }
  void setVideoFormat(const camera::BitmapInfo& format) { videoFormat_ = format; }
  void setCompressionResult(bool chosen) { compressionResult_ = chosen; }
  // What the Compression dialog picks when it is answered with a choice, and the encoders
  // selectCompressor knows.
  void setDialogCompressor(std::string codec, int quality) {
    dialogCodec_ = std::move(codec);
    dialogQuality_ = quality;
  }
  void setKnownCompressors(std::vector<std::string> codecs) { knownCodecs_ = std::move(codecs); }
  // driverConnect then fails and reports kDriverErrorId with `text` to the error callback.
  void setConnectFails(bool fails, std::string text = "The capture driver could not be opened.");
  // From now on singleFrame() appends nothing: it reports kFileWriteErrorId with `text` to the
  // error callback and fails, as a full disk makes the window do.
  void setFrameWriteFails(bool fails, std::string text = "Cannot write: disk full.") {
    writeFails_ = fails;
    writeErrorText_ = std::move(text);
  }
  // The camera goes away as an unplugged one does: the window disconnects it and reports
  // kSourceLostErrorId; every connect fails until comeBack().
  void dropOut(const std::string& reason);
  void comeBack() { away_ = false; }
  // The window goes away, as when its parent is destroyed.
  void destroyWindow() { alive_.reset(); }
  // The picture area clientSize reports until setWindowPos changes it.
  void setClientSize(int width, int height) { clientSize_ = {width, height}; }

  // --- driving
  // Hands `frame` to the frame callback as the window would: only while preview is on and
  // overlay off. Returns whether the callback was called.
  bool deliverFrame(std::span<const std::uint8_t> frame);
  void emitStatus(int id, const std::string& text);
  void emitError(int id, const std::string& text);

  // --- inspection
  const std::vector<Call>& calls() const { return calls_; }
  std::vector<std::string> ops() const;
  std::size_t count(std::string_view op) const;
  // The last call of `op`, or null.
  const Call* last(std::string_view op) const;
  // Operations sent to the window after it went: a reference to it sends none.
  const std::vector<Call>& strayCalls() const { return strays_; }
  void clearCalls() {
    calls_.clear();
    strays_.clear();
  }

  // The buffer as the callback left it after the last delivered frame (the painted picture).
  std::span<const std::uint8_t> lastPainted() const { return {buffer_.data(), paintedBytes_}; }
  // Frames appended by singleFrame() (inside a delivery, file open), as given: unmarked, and by
  // appendFrame(), in the order they came.
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
  camera::CaptureWindowRef createCaptureWindow(const std::string& title, std::uint32_t style,
                                               const QRect& geometry, QWidget* parent,
                                               int id) override;
  std::optional<camera::DriverDescription> driverDescription(unsigned index) override;

  // --- camera::CaptureWindow
  bool driverConnect(int driverIndex) override;
  void driverDisconnect() override;
  void setCallbackStatus(camera::StatusCallback callback) override;
  void setCallbackError(camera::ErrorCallback callback) override;
  void setCallbackFrame(camera::FrameCallback callback) override;
  camera::BitmapInfo videoFormat() const override;
  void setScale(bool stretch) override;
  void setSequenceSetup(const camera::CaptureParms& parms) override;
  void setPreviewRate(std::uint32_t periodMs) override;
  void setPreview(bool on) override;
  void setOverlay(bool on) override;
  void fileSetCaptureFile(const std::string& path) override;
  void fileAllocate(std::uint32_t bytes) override;
  bool singleFrameOpen() override;
  bool singleFrame() override;
  bool appendFrame(const std::uint8_t* frame, std::size_t bytes) override;
  bool singleFrameClose() override;
  bool dlgVideoCompression(int budgetMs) override;
  bool dlgVideoFormat() override;
  bool dlgVideoSource() override;
  std::string compressorName() const override { return codec_; }
  int compressorQuality() const override { return quality_; }
  bool selectCompressor(const std::string& codec, int quality) override;
  QSize clientSize() const override;
  void drawEtchedRect(const QRect& rect) override;
  void setParentWindow(QWidget* parent) override;
  void setWindowPos(const QRect& place) override;

 private:
  bool alive() const { return alive_ != nullptr; }
  // Records the call as reaching the live window, or as a stray (and returns false).
  bool reach(std::string op, std::vector<long long> args = {}, std::string text = {}) const;
  void reportError(int id, const std::string& text) const;

  // Mutable: videoFormat() is a read that is still recorded.
  mutable std::vector<Call> calls_;
  mutable std::vector<Call> strays_;
  std::vector<DriverEntry> drivers_;
  bool createFails_ = false;
  bool connectFails_ = false;
  bool away_ = false;
  bool lost_ = false;  // dropped out and not connected since: no frames
  bool writeFails_ = false;
  std::string writeErrorText_;
  std::string connectErrorText_;
  camera::BitmapInfo videoFormat_{};
  bool compressionResult_ = false;
  std::string dialogCodec_ = "mjpeg";
  int dialogQuality_ = 75;
  std::vector<std::string> knownCodecs_{"rawvideo", "mjpeg", "ffv1", "mpeg4"};
  std::string codec_ = "rawvideo";
  int quality_ = 75;

  // The window's lifetime, as a reference sees it.
  std::unique_ptr<QObject> alive_;
  bool connected_ = false;
  bool preview_ = false;
  bool overlay_ = false;
  bool singleFrameOpen_ = false;
  std::uint32_t previewRateMs_ = 0;
  QSize clientSize_{320, 240};
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
