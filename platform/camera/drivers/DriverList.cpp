#include "platform/camera/drivers/DriverList.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "platform/camera/drivers/TestPatternDriver.h"
#include "platform/camera/drivers/V4l2Driver.h"
#include "platform/camera/drivers/VideoFileDriver.h"

namespace camera {
namespace {

std::string_view Trim(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n\f\v";
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The N of "videoN", or -1 for any other name.
long NodeNumber(std::string_view name) {
  constexpr std::string_view kPrefix = "video";
  if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix) return -1;
  const std::string_view digits = name.substr(kPrefix.size());
  if (digits.size() > 9 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stol(std::string(digits));
}

}  // namespace

std::optional<std::vector<CameraListItem>> ParseCameraList(const char* value) {
  if (value == nullptr) return std::nullopt;
  std::vector<CameraListItem> items;
  std::string_view rest = value;
  for (;;) {
    const auto end = rest.find(';');
    const std::string_view item = Trim(rest.substr(0, end));
    constexpr std::string_view kFile = "file:";
    if (item == "pattern")
      items.push_back({CameraListItem::Kind::Pattern, {}});
    else if (item.substr(0, kFile.size()) == kFile)
      items.push_back({CameraListItem::Kind::File, std::string(item.substr(kFile.size()))});
    else if (!item.empty())
      items.push_back({CameraListItem::Kind::Device, std::string(item)});
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  return items;
}

std::vector<std::string> ListVideoNodes(const std::string& directory) {
  std::vector<std::pair<long, std::string>> nodes;
  std::error_code error;  // an unreadable directory simply has no cameras
  for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
    const long number = NodeNumber(entry.path().filename().string());
    if (number >= 0) nodes.emplace_back(number, entry.path().string());
  }
  std::sort(nodes.begin(), nodes.end());
  std::vector<std::string> paths;
  for (auto& node : nodes) paths.push_back(std::move(node.second));
  return paths;
}

std::vector<std::unique_ptr<VideoDriver>> MakeDrivers(const std::vector<CameraListItem>& items,
                                                      std::size_t maxFrameBytes) {
  std::vector<std::unique_ptr<VideoDriver>> drivers;
  for (const CameraListItem& item : items) {
    switch (item.kind) {
      case CameraListItem::Kind::Pattern:
        drivers.push_back(std::make_unique<TestPatternDriver>(maxFrameBytes));
        break;
      case CameraListItem::Kind::File:
        drivers.push_back(std::make_unique<VideoFileDriver>(item.path, maxFrameBytes));
        break;
      case CameraListItem::Kind::Device:
        drivers.push_back(std::make_unique<V4l2Driver>(item.path, maxFrameBytes));
        break;
    }
  }
  return drivers;
}

std::vector<std::unique_ptr<VideoDriver>> EnumerateDrivers(std::size_t maxFrameBytes) {
  if (auto items = ParseCameraList(std::getenv("CORVANE_CAMERAS")))
    return MakeDrivers(*items, maxFrameBytes);
  std::vector<std::unique_ptr<VideoDriver>> drivers;
  for (const std::string& node : ListVideoNodes()) {
    auto camera = std::make_unique<V4l2Driver>(node, maxFrameBytes);
    // Metadata and output nodes are not cameras; a node we may not open still is one.
    if (camera->listed()) drivers.push_back(std::move(camera));
  }
  if (drivers.empty()) drivers.push_back(std::make_unique<TestPatternDriver>(maxFrameBytes));
  return drivers;
}

}  // namespace camera
