#include "platform/camera/drivers/V4l2Driver.h"

#include <sys/eventfd.h>

#include <algorithm>
#include <cerrno>
#include <iterator>
#include <utility>

#include "platform/camera/drivers/V4l2Device.h"

// The driver's life: connecting, formats and frames. The device and its buffers, the capture
// loop and the controls each have a file of their own beside this one.

namespace camera {
namespace {

// What the node lists, or the standard sizes where it lists none or could not be asked.
std::vector<FrameSize> OfferedSizes(const V4l2Node& node, std::size_t maxFrameBytes) {
  std::vector<FrameSize> sizes;
  if (node.get() >= 0) sizes = EnumerateV4l2Sizes(MakeV4lConverter(node).get(), maxFrameBytes);
  if (sizes.empty()) sizes.assign(std::begin(kStandardFrameSizes), std::end(kStandardFrameSizes));
  return sizes;
}

}  // namespace

V4l2Driver::V4l2Driver(std::string path, std::size_t maxFrameBytes, V4l2Io& io)
    : path_(std::move(path)), maxFrameBytes_(maxFrameBytes), io_(io) {
  // A node that cannot be opened gets the standard list; connect says why.
  const V4l2Node node = OpenV4l2Node(io_, path_, info_);
  sizes_ = OfferedSizes(node, maxFrameBytes_);
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
  if (!wake_) wake_.reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  if (!wake_) {
    error = "Cannot start the capture thread: " + ErrnoText(errno);
    return false;
  }
  V4l2Node node = OpenV4l2Node(io_, path_, info);
  if (node.get() < 0) {
    error = info.error;
    return false;
  }
  info_ = info;
  sizes_ = OfferedSizes(node, maxFrameBytes_);
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
  if (!device_->start(format, maxFrameBytes_, previewMs_, error)) {
    error = path_ + ": " + error;
    device_->stop();
    return false;
  }
  format_ = format;
  if (thread_.start([this] { captureLoop(); }, error)) return true;
  device_->stop();
  return false;
}

void V4l2Driver::stopCapture() {
  if (wake_) {
    thread_.requestStop();
    eventfd_write(wake_.get(), 1);  // cuts the thread's wait for a frame short
    thread_.stop();
    eventfd_t spent;
    eventfd_read(wake_.get(), &spent);  // ready for the next start
  }
  if (device_) device_->stop();
}

void V4l2Driver::setPreviewPeriod(std::uint32_t milliseconds) {
  if (milliseconds == previewMs_) return;
  previewMs_ = milliseconds;
  if (!device_) return;
  // The camera's interval follows only where it changes: restarting costs a moment of video.
  const auto wanted = device_->intervalFor(milliseconds);
  const auto same = [](const std::optional<v4l2_fract>& a, const std::optional<v4l2_fract>& b) {
    return a.has_value() == b.has_value() &&
           (!a || (a->numerator == b->numerator && a->denominator == b->denominator));
  };
  if (same(wanted, device_->interval)) return;
  stopCapture();
  std::string error;
  if (!startCapture(error)) disconnect();  // the next frame asked for reports the loss
}

double V4l2Driver::frameInterval() const {
  if (!device_ || !device_->interval || device_->interval->denominator == 0) return 0.0;
  return static_cast<double>(device_->interval->numerator) / device_->interval->denominator;
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
  if (std::string failure = device_->slots.failure(); !failure.empty()) {
    error = std::move(failure);
    return FrameResult::Failed;
  }
  std::size_t bytes = 0;
  const int slot = device_->slots.borrow(sequence, bytes);
  if (slot < 0) return FrameResult::NoNewFrame;
  std::string damage;
  const bool made = device_->convert(slot, bytes, format_, frame, damage);
  ++conversions_;
  const int done = device_->slots.giveBack();
  if (done >= 0 && !device_->release(done, error)) {
    error = path_ + ": " + error;
    return FrameResult::Failed;
  }
  // A damaged frame is skipped: the next one may be whole.
  if (!made) return FrameResult::NoNewFrame;
  format = format_;
  return FrameResult::NewFrame;
}

}  // namespace camera
