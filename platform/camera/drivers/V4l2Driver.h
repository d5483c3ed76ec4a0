#pragma once

#include <linux/videodev2.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/UniqueFd.h"
#include "platform/camera/VideoDriver.h"
#include "platform/camera/drivers/DriverSupport.h"
#include "platform/camera/drivers/V4l2Io.h"

namespace camera {

// What VIDIOC_QUERYCAP tells of a device node, without starting anything.
struct V4l2DeviceInfo {
  bool opened = false;
  bool capture = false;  // can capture video (device_caps where the driver gives them)
  std::string card;      // "card name"
  std::string driver;    // "driver x.y.z"
  std::string error;     // why it could not be opened or is no capture device
};
V4l2DeviceInfo ProbeV4l2Device(const std::string& path, V4l2Io& io = SystemV4l2Io());

// The standard sizes inside a stepwise or continuous range; at least one size when the range
// fits the frame store at all.
std::vector<FrameSize> SampleFrameSizes(const v4l2_frmsize_stepwise& range,
                                        std::size_t maxFrameBytes);

// Copies top-first BGR24 rows, `bytesPerLine` apart, into bottom-up 24-bit BGR or 32-bit BGRX.
void CopyBgrBottomUp(const std::uint8_t* from, std::size_t bytesPerLine, const FrameFormat& format,
                     std::uint8_t* out);

// A V4L2 camera. It is asked for no more frames than the window takes, where it offers frame
// intervals; its own thread only dequeues them and gives the older ones back, and the frame
// handed over is the only one converted (by libv4lconvert, on the window's thread, straight
// into the window's buffer).
class V4l2Driver final : public VideoDriver {
 public:
  // The Video Source dialog's input menu; real control ids never have the top bits set.
  static constexpr std::uint32_t kInputControl = 0xFFFF0000u;

  V4l2Driver(std::string path, std::size_t maxFrameBytes, V4l2Io& io = SystemV4l2Io());
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
  void setPreviewPeriod(std::uint32_t milliseconds) override;

  std::vector<DriverControl> controls() const override;
  bool setControl(std::uint32_t id, int value, const std::string& text,
                  std::string& error) override;

  // Frames converted since the driver was made: one per frame handed over.
  std::uint64_t conversions() const { return conversions_; }
  // The interval asked of the camera, in seconds; 0 when it offers none or is not connected.
  double frameInterval() const;

  struct Device;  // the open node, its format and its buffers

 private:
  bool startCapture(std::string& error);  // format, buffers, stream on, thread
  void stopCapture();
  void captureLoop();

  std::string path_;
  std::size_t maxFrameBytes_;
  V4l2Io& io_;
  std::uint32_t previewMs_ = 66;
  std::uint64_t conversions_ = 0;
  base::UniqueFd wake_;  // an eventfd that cuts the capture thread's wait short for a stop
  V4l2DeviceInfo info_;
  FrameFormat format_{640, 480, 24};
  std::vector<FrameSize> sizes_;
  std::unique_ptr<Device> device_;  // while connected; the thread uses it while running
  WorkerThread thread_;             // last: stops before the device closes
};

}  // namespace camera
