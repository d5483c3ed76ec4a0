#include "platform/camera/drivers/V4l2Driver.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/camera/drivers/V4l2Device.h"

// The V4L2 camera's controls and inputs, as the Video Source dialog shows and sets them.

namespace camera {
namespace {

constexpr std::int64_t kMaxMenuItems = 256;  // more than any real control has

// Asking needs the device open: the connected one, or one opened into `own` just for this.
// -1 when it cannot be opened, and `error` says why.
int NodeToAsk(const V4l2Driver::Device* device, V4l2Io& io, const std::string& path, V4l2Node& own,
              std::string& error) {
  if (device != nullptr) return device->fd();
  V4l2DeviceInfo info;
  own = OpenV4l2Node(io, path, info);
  if (own.get() < 0) error = info.error;
  return own.get();
}

// Items the device skips stay empty, so position still equals value.
std::vector<std::string> MenuItems(V4l2Io& io, int fd, const v4l2_queryctrl& query) {
  std::vector<std::string> items;
  // 64-bit, and at most kMaxMenuItems asked for: a device may claim any range.
  for (std::int64_t index = query.minimum;
       index <= query.maximum && index >= 0 && index - query.minimum < kMaxMenuItems; ++index) {
    v4l2_querymenu item{};
    item.id = query.id;
    item.index = static_cast<__u32>(index);
    std::string text;
    if (io.ioctl(fd, VIDIOC_QUERYMENU, &item) == 0)
      text = query.type == V4L2_CTRL_TYPE_MENU ? V4l2Text(item.name, sizeof item.name)
                                               : std::to_string(item.value);
    items.push_back(std::move(text));
  }
  return items;
}

}  // namespace

std::vector<DriverControl> V4l2Driver::controls() const {
  V4l2Node own;
  std::string ignored;  // a camera that cannot be asked has no controls to show
  const int fd = NodeToAsk(device_.get(), io_, path_, own, ignored);
  if (fd < 0) return {};

  std::vector<DriverControl> list;
  v4l2_queryctrl query{};
  query.id = V4L2_CTRL_FLAG_NEXT_CTRL;
  while (io_.ioctl(fd, VIDIOC_QUERYCTRL, &query) == 0) {
    const bool usable = (query.flags & (V4L2_CTRL_FLAG_DISABLED | V4L2_CTRL_FLAG_READ_ONLY)) == 0;
    DriverControl control;
    control.id = query.id;
    control.name = V4l2Text(query.name, sizeof query.name);
    control.minimum = query.minimum;
    control.maximum = query.maximum;
    control.step = std::max(1, query.step);
    control.defaultValue = control.value = query.default_value;
    switch (query.type) {
      case V4L2_CTRL_TYPE_INTEGER: control.kind = DriverControl::Kind::Integer; break;
      case V4L2_CTRL_TYPE_BOOLEAN: control.kind = DriverControl::Kind::Boolean; break;
      case V4L2_CTRL_TYPE_MENU:
      case V4L2_CTRL_TYPE_INTEGER_MENU:
        control.kind = DriverControl::Kind::Menu;
        control.menuItems = MenuItems(io_, fd, query);
        break;
      default: control.id = 0; break;  // buttons, strings, classes: not for this dialog
    }
    if (usable && control.id != 0) {
      v4l2_control current{query.id, 0};
      if (io_.ioctl(fd, VIDIOC_G_CTRL, &current) == 0) control.value = current.value;
      list.push_back(std::move(control));
    }
    query.id |= V4L2_CTRL_FLAG_NEXT_CTRL;
  }

  DriverControl inputs{kInputControl, "Input", DriverControl::Kind::Menu, 0, -1, 1, 0, 0, {}, {}};
  v4l2_input input{};
  for (input.index = 0; io_.ioctl(fd, VIDIOC_ENUMINPUT, &input) == 0; ++input.index)
    inputs.menuItems.push_back(V4l2Text(input.name, sizeof input.name));
  if (!inputs.menuItems.empty()) {
    inputs.maximum = static_cast<int>(inputs.menuItems.size()) - 1;
    int current = 0;
    if (io_.ioctl(fd, VIDIOC_G_INPUT, &current) == 0) inputs.value = current;
    list.push_back(std::move(inputs));
  }
  return list;
}

bool V4l2Driver::setControl(std::uint32_t id, int value, const std::string&, std::string& error) {
  V4l2Node own;
  const int fd = NodeToAsk(device_.get(), io_, path_, own, error);
  if (fd < 0) return false;
  if (id != kInputControl) {
    v4l2_control control{id, value};
    return V4l2Ioctl(io_, fd, VIDIOC_S_CTRL, &control, "Cannot set the control", error);
  }
  // Most drivers refuse another input while streaming.
  if (device_) stopCapture();
  const bool set = V4l2Ioctl(io_, fd, VIDIOC_S_INPUT, &value, "Cannot choose the input", error);
  if (device_) {
    std::string restart;
    if (!startCapture(restart)) {
      disconnect();
      if (set) error = restart;
      return false;
    }
  }
  return set;
}

}  // namespace camera
