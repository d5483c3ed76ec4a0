#pragma once

#include <QRect>
#include <QSize>

#include <cstdint>
#include <optional>
#include <string>

#include "platform/framework/ProfileStore.h"

namespace watchpost {

// Corners of the screen, as "PeekPosition" stores them.
enum PeekCorner : std::int32_t {
  PeekTopLeft = 0,
  PeekBottomLeft = 1,
  PeekTopRight = 2,
  PeekBottomRight = 3,
};

// Indexes into the size table, as "PeekSize" stores them.
enum PeekSizeIndex : std::int32_t {
  PeekHidden = 0,
  PeekSmall = 1,
  PeekMedium = 2,
  PeekLarge = 3,
  PeekCustom = 4,
};

// The peek window's corner and size. One set per process: the main frame loads it, the Peek
// Window dialog changes it in place, Peek places by it. Values are kept as stored, unchecked.
struct PeekValues {
  std::int32_t peekPosition = PeekTopLeft;
  std::int32_t peekSize = PeekSmall;
  std::int32_t customWidth = 120;  // "PeekWidth", the size of PeekCustom
  std::int32_t customHeight = 90;  // "PeekHeight"
};

inline constexpr const char* kPeekPositionKey = "PeekPosition";
inline constexpr const char* kPeekSizeKey = "PeekSize";
inline constexpr const char* kPeekWidthKey = "PeekWidth";
inline constexpr const char* kPeekHeightKey = "PeekHeight";

// The fixed sizes of Hidden, Small, Medium and Large.
inline constexpr QSize kPeekSizes[] = {{1, 1}, {16, 12}, {32, 24}, {48, 36}};

// The extent used when the screen does not tell its work area.
inline constexpr QSize kFallbackWorkArea{640, 480};

// Reads the four values from the "Settings" section, each with its default.
void LoadPeekValues(const framework::ProfileStore& store, PeekValues& values);
// Writes all four as integers: position, size, width, height.
void SavePeekValues(framework::ProfileStore& store, const PeekValues& values);

// The window size for `size`; a stored index outside the table counts as Small.
QSize PeekWindowSize(std::int32_t size, QSize custom);

// Where Peek puts the window: the corner of the work area's extent, measured from the screen
// origin (the work area's own left and top are not used). An invalid `workArea` means the screen
// did not tell, and 640 x 480 is used. No placement for a position outside the four corners.
std::optional<QRect> PeekPlacement(const QRect& workArea, std::int32_t position, std::int32_t size,
                                   QSize custom);
std::optional<QRect> PeekPlacement(const QRect& workArea, const PeekValues& values);

// The tip the notification icon shows over the document's title and counters, within the
// icon's 63 bytes: the title is shortened (on a whole character), the counters never.
inline constexpr std::size_t kTrayTipChars = 63;
std::string TrayTipText(const std::string& title, std::int32_t mode, std::int32_t sampledCount,
                        std::int32_t capturedCount);

}  // namespace watchpost
