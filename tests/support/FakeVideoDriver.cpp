#include "tests/support/FakeVideoDriver.h"

#include <cstring>

namespace testing_support {

void FakeVideoDriver::push(const std::vector<std::uint8_t>& frame) {
  std::uint8_t* into = handover_.beginFrame(frame.size());
  std::memcpy(into, frame.data(), frame.size());
  handover_.publish(format_);
}

void FakeVideoDriver::pushFilled(std::uint8_t value, int topValue) {
  std::vector<std::uint8_t> frame(format_.bytes(), value);
  if (topValue >= 0) {
    const std::size_t half = frame.size() / 2;  // bottom-up: the second half is the top
    std::memset(frame.data() + half, topValue, frame.size() - half);
  }
  push(frame);
}

bool FakeVideoDriver::connect(std::string& error) {
  ++connects_;
  if (!connectFailure_.empty()) {
    error = connectFailure_;
    return false;
  }
  if (!away_.empty()) {
    error = away_;
    return false;
  }
  if (freshAtConnect_) handover_.reset();  // a camera plugged in again starts afresh
  freshAtConnect_ = false;
  connected_ = true;
  return true;
}

void FakeVideoDriver::disconnect() {
  if (connected_) ++disconnects_;
  connected_ = false;
}

bool FakeVideoDriver::setFormat(const camera::FrameFormat& format, std::string& error) {
  if (!settingFailure_.empty()) {
    error = settingFailure_;
    if (stopsOnRefusal_) connected_ = false;
    return false;
  }
  format_ = format;
  return true;
}

camera::FrameResult FakeVideoDriver::latestFrame(camera::FrameBuffer& frame,
                                                 std::uint64_t& sequence,
                                                 camera::FrameFormat& format, std::string& error) {
  return handover_.latest(frame, sequence, format, error);
}

bool FakeVideoDriver::setControl(std::uint32_t id, int value, const std::string& text,
                                 std::string& error) {
  if (!settingFailure_.empty()) {
    error = settingFailure_;
    if (stopsOnRefusal_) connected_ = false;
    return false;
  }
  settings_.push_back({id, value, text});
  for (camera::DriverControl& c : controls_) {
    if (c.id == id) {
      c.value = value;
      c.text = text;
    }
  }
  return true;
}

}  // namespace testing_support
