#include "capture/unattended/UnattendedSettings.h"

#include "capture/settings/CaptureSettings.h"

namespace watchpost {

void LoadUnattendedSettings(const framework::ProfileStore& store, UnattendedSettings& settings) {
  const UnattendedSettings defaults;
  const std::string section = kSettingsSection;
  settings.NotifyOnMovement =
      store.GetProfileInt(section, "NotifyOnMovement", defaults.NotifyOnMovement);
  settings.EventCommand = store.GetProfileString(section, "EventCommand", defaults.EventCommand);
  settings.MinFreeMiB = store.GetProfileInt(section, "MinFreeMiB", defaults.MinFreeMiB);
  settings.Compressor = store.GetProfileString(section, "Compressor", defaults.Compressor);
  settings.CompressorQuality =
      store.GetProfileInt(section, "CompressorQuality", defaults.CompressorQuality);
}

void SaveUnattendedSettings(framework::ProfileStore& store, const UnattendedSettings& settings) {
  const std::string section = kSettingsSection;
  store.WriteProfileInt(section, "NotifyOnMovement", settings.NotifyOnMovement);
  store.WriteProfileString(section, "EventCommand", settings.EventCommand);
  store.WriteProfileInt(section, "MinFreeMiB", settings.MinFreeMiB);
  // Nothing remembered stays nothing: the default compressor is not written as a choice.
  if (!settings.Compressor.empty()) {
    store.WriteProfileString(section, "Compressor", settings.Compressor);
    store.WriteProfileInt(section, "CompressorQuality", settings.CompressorQuality);
  }
}

}  // namespace watchpost
