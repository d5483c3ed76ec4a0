#include "capture/naming/FileNaming.h"

#include <sys/stat.h>

#include "platform/base/CLocale.h"
#include "platform/base/Text.h"

namespace watchpost {
namespace {

// Anything in the way (a file, a folder, a dangling link) keeps that name taken. A name that
// cannot be looked at (no rights, a stale mount) is not: creating it will say why.
bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

constexpr int kMostRunsAMinute = 100'000;

}  // namespace

std::string FormatLocalTime(std::time_t when, const char* format) {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return {};
  char text[128];  // the long form is at most 41 characters
  const std::size_t n = strftime_l(text, sizeof text, format, &local, base::CLocaleScope::locale());
  return std::string(text, n);
}

static std::string UnboundedStem(int scheme, int driverIndex, const NamingTexts& texts,
                                 std::time_t when) {
  switch (scheme) {
    case SchemeDetailed:
      return std::string(driverIndex != 0 ? "Warden01 " : "Warden00 ") +
             FormatLocalTime(when, kLongTimeFormat);
    case SchemeCustom: return texts.customName;
    case SchemePrefix:
      return texts.prefixText + FormatLocalTime(when, texts.prefixBaseChoice == 1
                                                          ? kShortTimeFormat
                                                          : kLongTimeFormat);
    default: return kStandardPrefix + FormatLocalTime(when, kShortTimeFormat);
  }
}

std::string BuildStem(int scheme, int driverIndex, const NamingTexts& texts, std::time_t when) {
  return base::CutUtf8(UnboundedStem(scheme, driverIndex, texts, when), kMaxStemBytes);
}

std::string FreeStem(const std::string& folder, const std::string& stem) {
  const std::string dir = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  std::string candidate = stem;
  for (int n = 2; n <= kMostRunsAMinute &&
                  (Exists(dir + candidate + ".avi") || Exists(dir + candidate + ".log"));
       ++n) {
    candidate = stem + "-" + std::to_string(n);
  }
  return candidate;
}

void SetRunFileNames(const std::string& stem, RunFileNames& names) {
  names.fileStem = stem;
  base::CopyBounded(stem + ".avi", names.aviFileName);
  base::CopyBounded(stem + ".log", names.logFileName);
}

}  // namespace watchpost
