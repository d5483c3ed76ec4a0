#pragma once

#include <string>

#include "platform/framework/ProfileStore.h"

namespace watchpost {

// The settings of what looks after Watchpost while nobody watches it, each field named after
// its value in the "Settings" section. The initialisers are the defaults an empty profile gives.
struct UnattendedSettings {
  int NotifyOnMovement = 1;
  std::string EventCommand;  // empty: no command
  int MinFreeMiB = 1024;     // below this much free space no run records
  std::string Compressor;    // FFmpeg encoder name; empty: none remembered
  int CompressorQuality = 75;
};

void LoadUnattendedSettings(const framework::ProfileStore& store, UnattendedSettings& settings);
void SaveUnattendedSettings(framework::ProfileStore& store, const UnattendedSettings& settings);

}  // namespace watchpost
