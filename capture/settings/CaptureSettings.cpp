#include "capture/settings/CaptureSettings.h"

#include <QDir>
#include <QStandardPaths>
#include <QString>

#include "platform/base/CLocale.h"
#include "platform/base/Text.h"
#include "resources/WatchpostTexts.h"

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

namespace watchpost {

namespace {

float ParseZoneText(const std::string& text) {
  base::CLocaleScope c;
  float value = 0.0f;
  // Text that does not start with a number leaves the zone edge at 0.
  if (std::sscanf(text.c_str(), "%f", &value) != 1) return 0.0f;
  return value;
}

std::string ZoneText(float value) {
  base::CLocaleScope c;
  char text[64];  // the widest float in "%f" is 47 characters
  std::snprintf(text, sizeof text, "%f", static_cast<double>(value));
  return text;
}

// Playback is kept as a float but stored as a whole number. A float beyond int cannot be
// converted directly, so it saturates; NaN stores as 0.
int TruncatePlayback(float value) {
  constexpr float kTwoTo31 = 2147483648.0f;
  if (std::isnan(value)) return 0;
  if (value >= kTwoTo31) return std::numeric_limits<int>::max();
  if (value <= -kTwoTo31) return std::numeric_limits<int>::min();
  return static_cast<int>(value);
}

}  // namespace

void LoadSettings(const framework::ProfileStore& store, CaptureSettings& settings) {
  const CaptureSettings defaults;
  const std::string section = kSettingsSection;
  const auto number = [&](const char* key, int fallback) {
    return store.GetProfileInt(section, key, fallback);
  };
  const auto zone = [&](const char* key) {
    return ParseZoneText(store.GetProfileString(section, key, "0"));
  };

  settings.AutoRestart = number("AutoRestart", defaults.AutoRestart);
  settings.Differential = number("Differential", defaults.Differential);
  settings.Threshold = number("Threshold", defaults.Threshold);
  settings.Limit = number("Limit", defaults.Limit);
  settings.Interval = number("Interval", defaults.Interval);
  settings.Beep = number("Beep", defaults.Beep);
  settings.ScaleState = number("ScaleState", defaults.ScaleState);
  settings.SetPlayback = number("SetPlayback", defaults.SetPlayback);
  settings.FileSize = number("FileSize", defaults.FileSize);
  settings.CurrentDirectory =
      store.GetProfileString(section, "CurrentDirectory", DefaultTargetFolder());
  settings.ZoneSet = number("ZoneSet", defaults.ZoneSet);
  settings.FileFormatChoice = number("FileFormatChoice", defaults.FileFormatChoice);
  settings.ZoneLeft = zone("ZoneLeft");
  settings.ZoneRight = zone("ZoneRight");
  settings.ZoneTop = zone("ZoneTop");
  settings.ZoneBottom = zone("ZoneBottom");

  if (settings.SetPlayback == 1) {
    // The stored number is a 32-bit registry value taken as unsigned: -1 means 4294967295.
    const int stored = number("Playback", static_cast<int>(defaults.Playback));
    settings.Playback = static_cast<float>(static_cast<std::uint32_t>(stored));
  } else if (settings.Interval != 0) {
    // Whole frames per second, as the integer division gives them (300 ms is 3, not 3.33).
    settings.Playback = static_cast<float>(1000 / settings.Interval);
  } else {
    // An interval of 0 has no rate; keep the default rather than divide by zero. The panel
    // brings Interval into range before a run uses it.
    settings.Playback = defaults.Playback;
  }
}

void SaveSettings(framework::ProfileStore& store, const CaptureSettings& settings) {
  // Write failures are not reported: there is nobody left to tell when the program ends.
  const std::string section = kSettingsSection;
  const auto number = [&](const char* key, int value) {
    store.WriteProfileInt(section, key, value);
  };
  const auto text = [&](const char* key, const std::string& value) {
    store.WriteProfileString(section, key, value);
  };

  number("AutoRestart", settings.AutoRestart);
  number("Differential", settings.Differential);
  number("Threshold", settings.Threshold);
  number("Interval", settings.Interval);
  number("Limit", settings.Limit);
  number("Beep", settings.Beep);
  number("ScaleState", settings.ScaleState);
  number("SetPlayback", settings.SetPlayback);
  number("Playback", TruncatePlayback(settings.Playback));
  number("FileSize", settings.FileSize);
  text("CurrentDirectory", settings.CurrentDirectory);
  text("ZoneLeft", ZoneText(settings.ZoneLeft));
  text("ZoneRight", ZoneText(settings.ZoneRight));
  text("ZoneTop", ZoneText(settings.ZoneTop));
  text("ZoneBottom", ZoneText(settings.ZoneBottom));
  number("ZoneSet", settings.ZoneSet);
  number("FileFormatChoice", settings.FileFormatChoice);
}

std::string DefaultTargetFolder() {
  QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
  if (videos.isEmpty()) videos = QDir::homePath() + "/Videos";
  return (videos + "/Corvane").toStdString();
}

void FillTargetFolderText(const std::string& folder, TargetFolderText& text) {
  // A folder longer than the buffers is cut, never overrun; CurrentDirectory keeps it whole.
  base::CopyBounded(folder, text.targetFolderPath);
  base::CopyBounded(res::text::kBrowseTitlePrefix + folder, text.browseTitle);
}

}  // namespace watchpost
