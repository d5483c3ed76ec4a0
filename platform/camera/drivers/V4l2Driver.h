#pragma once

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/camera/FrameHandover.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/DriverSupport.h"

namespace camera {

// What VIDIOC_QUERYCAP tells of a device node, without starting anything.
struct V4l2DeviceInfo {
  bool opened = false;
  bool capture = false;  // can capture video (device_caps where the driver gives them)
  std::string card;      // "card name"
  std::string driver;    // "driver x.y.z"
  std::string error;     // why it could not be opened or is no capture device
};
V4l2DeviceInfo ProbeV4l2Device(const std::string& path);

// The standard sizes inside a stepwise or continuous range; at least one size when the range
// fits the frame store at all.
std::vector<FrameSize> SampleFrameSizes(const v4l2_frmsize_stepwise& range,
                                        std::size_t maxFrameBytes);

// Copies top-first BGR24 rows, `bytesPerLine` apart, into bottom-up 24-bit BGR or 32-bit BGRX.
void CopyBgrBottomUp(const std::uint8_t* from, std::size_t bytesPerLine, const FrameFormat& format,
                     std::uint8_t* out);

// A V4L2 camera through libv4l2, which turns YUYV, MJPEG and the like into BGR24.
class V4l2Driver final : public VideoDriver {
 public:
  // The Video Source dialog's input menu; real control ids never have the top bits set.
  static constexpr std::uint32_t kInputControl = 0xFFFF0000u;

  V4l2Driver(std::string path, std::size_t maxFrameBytes);
  ~V4l2Driver() override;
  V4l2Driver(const V4l2Driver&) = delete;
  V4l2Driver& operator=(const V4l2Driver&) = delete;

  // Whether the device enumeration lists it: a capture device, or a node that could not be
  // asked (its connect then tells why).
  bool listed() const { return !info_.opened || info_.capture; }

  std::string name() const override;
  std::string version() const override;

  bool connect(std::string& error) override;
  void disconnect() override;
  bool connected() const override { return device_ != nullptr; }

  FrameFormat format() const override { return format_; }
  std::vector<FrameSize> frameSizes() const override { return sizes_; }
  bool setFormat(const FrameFormat& format, std::string& error) override;

  FrameResult latestFrame(FrameBuffer& frame, std::uint64_t& sequence, FrameFormat& format,
                          std::string& error) override;

  std::vector<DriverControl> controls() const override;
  bool setControl(std::uint32_t id, int value, const std::string& text,
                  std::string& error) override;

  struct Device;  // the open node, its format and its buffers

 private:
  bool startCapture(std::string& error);  // format, buffers, stream on, thread
  void stopCapture();
  void captureLoop(FrameFormat format);

  std::string path_;
  std::size_t maxFrameBytes_;
  V4l2DeviceInfo info_;
  FrameFormat format_{640, 480, 24};
  std::vector<FrameSize> sizes_;
  std::unique_ptr<Device> device_;  // while connected; the thread uses it while running
  FrameHandover handover_;
  WorkerThread thread_;  // last: stops before the device closes
};

}  // namespace camera
