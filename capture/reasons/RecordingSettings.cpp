#include "capture/reasons/RecordingSettings.h"

#include <algorithm>

#include "capture/settings/CaptureSettings.h"

namespace watchpost {

void LoadRecordingSettings(const framework::ProfileStore& store, RecordingSettings& settings) {
  const RecordingSettings defaults;
  settings.PreEventFrames =
      std::clamp(store.GetProfileInt(kSettingsSection, "PreEventFrames", defaults.PreEventFrames),
                 0, kMaxPreEventFrames);
  settings.WriteReasons =
      store.GetProfileInt(kSettingsSection, "WriteReasons", defaults.WriteReasons) != 0 ? 1 : 0;
}

void SaveRecordingSettings(framework::ProfileStore& store, const RecordingSettings& settings) {
  store.WriteProfileInt(kSettingsSection, "PreEventFrames", settings.PreEventFrames);
  store.WriteProfileInt(kSettingsSection, "WriteReasons", settings.WriteReasons);
}

}  // namespace watchpost
