#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "platform/framework/ProfileStore.h"

namespace watchpost {

// The shortest sampling interval the panel takes: a hit has to be done with by then.
inline constexpr int kShortestIntervalMs = 60;

// The user's capture settings, each field named after its value in the "Settings" section.
// The initialisers are the defaults an empty profile gives.
struct CaptureSettings {
  int AutoRestart = 0;
  int Differential = 40;
  int Threshold = 200;
  int Interval = 250;  // milliseconds, at least kShortestIntervalMs
  int Limit = 2000;    // frames per run
  int Beep = 1;
  int ScaleState = 1;
  int SetPlayback = 0;
  float Playback = 4.0f;         // frames per second
  int FileSize = 1;              // megabytes
  std::string CurrentDirectory;  // DefaultTargetFolder() when the profile has none
  float ZoneLeft = 0.0f;
  float ZoneRight = 0.0f;
  float ZoneTop = 0.0f;
  float ZoneBottom = 0.0f;
  int ZoneSet = 0;
  int FileFormatChoice = 1;
};

inline constexpr const char* kSettingsSection = "Settings";

// Fixed text buffers filled from the target folder when the settings are loaded.
inline constexpr std::size_t kPathChars = 1024;
struct TargetFolderText {
  std::array<char, kPathChars> targetFolderPath{};
  std::array<char, kPathChars> browseTitle{};
};

// Where recordings go unless the user chose a folder: the user's videos folder + "/Corvane".
std::string DefaultTargetFolder();

// Reads every setting once, with its default where the store has none. Values are taken as
// stored, without range checks.
void LoadSettings(const framework::ProfileStore& store, CaptureSettings& settings);
// Writes every setting, changed or not.
void SaveSettings(framework::ProfileStore& store, const CaptureSettings& settings);
// Copies the target folder into the fixed buffers, cut to fit.
void FillTargetFolderText(const std::string& folder, TargetFolderText& text);

}  // namespace watchpost
