#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/camera/FrameHandover.h"
#include "platform/camera/VideoDriver.h"

namespace testing_support {

// A video source a test feeds by hand: each push() is one new frame, handed over exactly as a
// driver thread would. Connection failures, source failures and refused settings are scripted.
class FakeVideoDriver : public camera::VideoDriver {
 public:
  explicit FakeVideoDriver(std::string name = "Fake camera",
                           camera::FrameFormat format = {64, 48, 24})
      : name_(std::move(name)), format_(format) {}

  // --- scripting
  void push(const std::vector<std::uint8_t>& frame);
  // A frame of the current format filled with `value`, rows from `topValue` in the top half
  // when given (the last rows in memory, since frames are bottom-up).
  void pushFilled(std::uint8_t value, int topValue = -1);
  void failConnect(std::string reason) { connectFailure_ = std::move(reason); }
  void failSource(const std::string& reason) { handover_.fail(reason); }
  // The camera goes away, as one unplugged: its frames fail with `reason` and so does every
  // connect, until it comes back; the first connect after that delivers again.
  void dropOut(const std::string& reason) {
    away_ = reason;
    handover_.fail(reason);
  }
  void comeBack() {
    away_.clear();
    freshAtConnect_ = true;
  }
  // Settings are refused with `reason`; with `stops`, the source also stops, as a camera that
  // cannot start again after a change does.
  void refuseSettings(std::string reason, bool stops = false) {
    settingFailure_ = std::move(reason);
    stopsOnRefusal_ = stops;
  }
  void setFrameSizes(std::vector<camera::FrameSize> sizes) { sizes_ = std::move(sizes); }
  void setControls(std::vector<camera::DriverControl> controls) { controls_ = std::move(controls); }
  void setVersion(std::string version) { version_ = std::move(version); }

  // --- inspection
  int connects() const { return connects_; }
  int disconnects() const { return disconnects_; }
  // (id, value, text) of every setControl that was taken.
  struct Setting {
    std::uint32_t id;
    int value;
    std::string text;
  };
  const std::vector<Setting>& settings() const { return settings_; }

  // --- camera::VideoDriver
  std::string name() const override { return name_; }
  std::string version() const override { return version_; }
  bool connect(std::string& error) override;
  void disconnect() override;
  bool connected() const override { return connected_; }
  camera::FrameFormat format() const override { return format_; }
  std::vector<camera::FrameSize> frameSizes() const override { return sizes_; }
  bool setFormat(const camera::FrameFormat& format, std::string& error) override;
  camera::FrameResult latestFrame(camera::FrameBuffer& frame, std::uint64_t& sequence,
                                  camera::FrameFormat& format, std::string& error) override;
  std::vector<camera::DriverControl> controls() const override { return controls_; }
  bool setControl(std::uint32_t id, int value, const std::string& text,
                  std::string& error) override;

 private:
  std::string name_;
  std::string version_ = "1.0";
  camera::FrameFormat format_;
  std::vector<camera::FrameSize> sizes_{{64, 48}, {320, 240}, {1600, 1024}};
  std::vector<camera::DriverControl> controls_;
  std::vector<Setting> settings_;
  std::string connectFailure_;
  std::string away_;
  bool freshAtConnect_ = false;
  std::string settingFailure_;
  bool stopsOnRefusal_ = false;
  bool connected_ = false;
  int connects_ = 0;
  int disconnects_ = 0;
  camera::FrameHandover handover_;
};

}  // namespace testing_support
