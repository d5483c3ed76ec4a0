#pragma once

#include <array>
#include <cstddef>
#include <ctime>
#include <string>

namespace watchpost {

// The naming schemes of FileFormatChoice.
enum NamingScheme : int {
  SchemeStandard = 1,  // "WTV" + short time
  SchemeDetailed = 2,  // "Warden00 " or "Warden01 " + long time
  SchemeCustom = 3,    // the custom name as typed
  SchemePrefix = 4,    // the prefix + short or long time
};

inline constexpr const char* kShortTimeFormat = "%y%m%d%H%M";
inline constexpr const char* kLongTimeFormat = "%A %d %B %Y %H-%M";
inline constexpr const char* kStandardPrefix = "WTV";
inline constexpr const char* kDetailedPrefix = "Warden00 ";  // what the dialog's example shows

// What the naming dialog holds between openings: the texts a run's name is built from.
struct NamingTexts {
  std::string customName;    // at most 80 characters
  std::string prefixText;    // at most 10 characters
  int prefixBaseChoice = 0;  // 1: the prefix takes the short time, else the long one
};

// `when` as local time by a strftime format, in the C locale whatever the user's locale is, so
// that names read the same on every machine ("Monday", "March").
std::string FormatLocalTime(std::time_t when, const char* format);

// The stem of a run's files under `scheme`, at most kMaxStemBytes bytes (cut on a whole
// character), so that it, a "-N" and an extension always fit the log name's buffer. A scheme
// outside 1..4 builds Standard names: a run must never record into nothing.
inline constexpr std::size_t kMaxStemBytes = 180;
std::string BuildStem(int scheme, int driverIndex, const NamingTexts& texts, std::time_t when);

// `stem` itself when neither stem.avi nor stem.log exists in `folder`, else the first of
// stem-2, stem-3, ... that is free for both: a run never replaces an earlier recording.
std::string FreeStem(const std::string& folder, const std::string& stem);

// The program-wide name buffers of the run being recorded.
inline constexpr std::size_t kAviNameChars = 2048;
inline constexpr std::size_t kLogNameChars = 200;
struct RunFileNames {
  std::string fileStem;
  std::array<char, kAviNameChars> aviFileName{};
  std::array<char, kLogNameChars> logFileName{};
};

// Fills the buffers with stem.avi and stem.log, each cut to fit on a whole character.
void SetRunFileNames(const std::string& stem, RunFileNames& names);

}  // namespace watchpost
