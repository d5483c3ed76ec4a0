#include "platform/camera/drivers/V4l2Driver.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/camera/drivers/V4l2Device.h"

// The driver's life: connecting, formats and frames. The device and its buffers, the capture
// loop and the controls each have a file of their own beside this one.

namespace camera {
namespace {

// What the node lists, or the standard sizes where it lists none or could not be asked (-1).
std::vector<FrameSize> OfferedSizes(int fd, std::size_t maxFrameBytes) {
  std::vector<FrameSize> sizes;
  if (fd >= 0) sizes = EnumerateV4l2Sizes(fd, maxFrameBytes);
  if (sizes.empty()) sizes.assign(std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes));
  return sizes;
}

}  // namespace

V4l2Driver::V4l2Driver(std::string path, std::size_t maxFrameBytes)
    : path_(std::move(path)), maxFrameBytes_(maxFrameBytes) {
  // A node that cannot be opened gets the standard list; connect says why.
  const V4l2Node node = OpenV4l2Node(path_, info_);
  sizes_ = OfferedSizes(node.get(), maxFrameBytes_);
  if (std::find(sizes_.begin(), sizes_.end(), FrameSize{640, 480}) == sizes_.end())
    format_ = {sizes_.back().width, sizes_.back().height, 24};
}

V4l2Driver::~V4l2Driver() { disconnect(); }

std::string V4l2Driver::name() const {
  return CutDriverText(info_.card.empty() ? path_ : info_.card);
}

std::string V4l2Driver::version() const {
  return CutDriverText(info_.driver.empty() ? "V4L2" : info_.driver);
}

bool V4l2Driver::connect(std::string& error) {
  if (device_) return true;
  V4l2DeviceInfo info;
  V4l2Node node = OpenV4l2Node(path_, info);
  if (node.get() < 0) {
    error = info.error;
    return false;
  }
  info_ = info;
  sizes_ = OfferedSizes(node.get(), maxFrameBytes_);
  device_ = std::make_unique<Device>(std::move(node));
  if (startCapture(error)) return true;
  device_.reset();
  return false;
}

void V4l2Driver::disconnect() {
  stopCapture();
  device_.reset();
}

bool V4l2Driver::startCapture(std::string& error) {
  FrameFormat format = format_;
  if (!device_->start(format, maxFrameBytes_, error)) {
    error = path_ + ": " + error;
    device_->stop();
    return false;
  }
  format_ = format;
  handover_.reset();
  if (thread_.start([this, format] { captureLoop(format); }, error)) return true;
  device_->stop();
  return false;
}

void V4l2Driver::stopCapture() {
  thread_.stop();
  if (device_) device_->stop();
}

bool V4l2Driver::setFormat(const FrameFormat& format, std::string& error) {
  if (!CheckFrameFormat(format, maxFrameBytes_, error)) return false;
  if (std::find(sizes_.begin(), sizes_.end(), FrameSize{format.width, format.height}) ==
      sizes_.end()) {
    error = "The camera does not offer " + std::to_string(format.width) + " x " +
            std::to_string(format.height) + ".";
    return false;
  }
  const FrameFormat previous = format_;
  format_ = format;
  if (!device_) return true;
  stopCapture();
  if (startCapture(error)) return true;
  // Back to what worked, so a refused size does not leave the camera dark.
  format_ = previous;
  std::string again;
  if (!startCapture(again)) disconnect();
  return false;
}

FrameResult V4l2Driver::latestFrame(FrameBuffer& frame, std::uint64_t& sequence,
                                    FrameFormat& format, std::string& error) {
  if (!device_) {
    error = path_ + " is not connected.";
    return FrameResult::Failed;
  }
  return handover_.latest(frame, sequence, format, error);
}

}  // namespace camera
