#pragma once

// Watchpost's icons, drawn as SVG and built into the program (resources/icons/).
namespace watchpost::res {

inline constexpr int IDI_MAINFRAME = 128;  // frame and About box: the camera with an eye
inline constexpr int IDI_TRAY = 129;       // notification area: the eye alone

inline constexpr const char* kMainIconPath = ":/watchpost/icons/watchpost-128.svg";
inline constexpr const char* kTrayIconPath = ":/watchpost/icons/watchpost-129.svg";

// The path of icon `id`, null for a number with no icon.
constexpr const char* IconPath(int id) {
  return id == IDI_MAINFRAME ? kMainIconPath : id == IDI_TRAY ? kTrayIconPath : nullptr;
}

}  // namespace watchpost::res
