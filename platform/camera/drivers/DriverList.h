#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/camera/VideoDriver.h"

namespace camera {

struct CameraListItem {
  enum class Kind { Pattern, File, Device };
  Kind kind = Kind::Pattern;
  std::string path;  // File and Device
  friend bool operator==(const CameraListItem&, const CameraListItem&) = default;
};

// CORVANE_CAMERAS as items: ';'-separated, each "pattern", "file:PATH" or a device path, blanks
// around items dropped, empty items ignored. nullopt when the variable is unset.
std::optional<std::vector<CameraListItem>> ParseCameraList(const char* value);

// The /dev/videoN nodes in `directory`, in numeric order (video2 before video10).
std::vector<std::string> ListVideoNodes(const std::string& directory = "/dev");

// One driver per item, in order. Devices and files that cannot be opened are kept: their
// connect tells why.
std::vector<std::unique_ptr<VideoDriver>> MakeDrivers(const std::vector<CameraListItem>& items,
                                                      std::size_t maxFrameBytes);

}  // namespace camera
