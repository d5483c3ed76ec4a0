#include "capture/frame/PeekWindow.h"

#include <algorithm>

#include "capture/detector/MotionDetector.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/base/Text.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {

void LoadPeekValues(const framework::ProfileStore& store, PeekValues& values) {
  const PeekValues defaults;
  values.peekSize = store.GetProfileInt(kSettingsSection, kPeekSizeKey, defaults.peekSize);
  values.peekPosition =
      store.GetProfileInt(kSettingsSection, kPeekPositionKey, defaults.peekPosition);
  values.customWidth = store.GetProfileInt(kSettingsSection, kPeekWidthKey, defaults.customWidth);
  values.customHeight =
      store.GetProfileInt(kSettingsSection, kPeekHeightKey, defaults.customHeight);
}

void SavePeekValues(framework::ProfileStore& store, const PeekValues& values) {
  store.WriteProfileInt(kSettingsSection, kPeekPositionKey, values.peekPosition);
  store.WriteProfileInt(kSettingsSection, kPeekSizeKey, values.peekSize);
  store.WriteProfileInt(kSettingsSection, kPeekWidthKey, values.customWidth);
  store.WriteProfileInt(kSettingsSection, kPeekHeightKey, values.customHeight);
}

QSize PeekWindowSize(std::int32_t size, QSize custom) {
  if (size == PeekCustom) return custom;
  // A hand-edited profile can hold any number; Small is what an empty one gives.
  if (size < PeekHidden || size > PeekLarge) size = PeekSmall;
  return kPeekSizes[size];
}

std::optional<QRect> PeekPlacement(const QRect& workArea, std::int32_t position, std::int32_t size,
                                   QSize custom) {
  const QSize extent = workArea.isValid() ? workArea.size() : kFallbackWorkArea;
  const QSize window = PeekWindowSize(size, custom);
  const int right = extent.width() - window.width();
  const int bottom = extent.height() - window.height();
  switch (position) {
    case PeekTopLeft: return QRect(QPoint(0, 0), window);
    case PeekBottomLeft: return QRect(QPoint(0, bottom), window);
    case PeekTopRight: return QRect(QPoint(right, 0), window);
    case PeekBottomRight: return QRect(QPoint(right, bottom), window);
    default: return std::nullopt;
  }
}

std::optional<QRect> PeekPlacement(const QRect& workArea, const PeekValues& values) {
  return PeekPlacement(workArea, values.peekPosition, values.peekSize,
                       QSize(values.customWidth, values.customHeight));
}

std::string TrayTipText(const std::string& title, std::int32_t mode, std::int32_t sampledCount,
                        std::int32_t capturedCount) {
  std::string counters;
  if (mode == ModeDetect) {
    counters = res::text::kTipCapturing;
  } else if (mode == ModePreviewMovement) {
    counters = res::text::kTipNotCapturing;
  }
  counters += std::to_string(sampledCount);
  counters += res::text::kTipCaptured;
  counters += std::to_string(capturedCount);
  // A cut number would be a wrong one: the title gives way, the counters stay whole (at most
  // 60 bytes, whatever they count).
  const std::size_t room = kTrayTipChars - std::min(counters.size(), kTrayTipChars);
  return base::CutUtf8(title, room) + counters;
}

}  // namespace watchpost
