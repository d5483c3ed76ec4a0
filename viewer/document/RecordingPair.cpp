#include "viewer/document/RecordingPair.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace casebook {
namespace {

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

}  // namespace

std::optional<std::string> WithoutLastThree(const std::string& path) {
  std::size_t end = path.size();
  for (int characters = 0; characters < 3; ++characters) {
    if (end == 0) return std::nullopt;
    do {
      --end;
    } while (end > 0 && (static_cast<unsigned char>(path[end]) & 0xC0) == 0x80);
  }
  if (end == 0) return std::nullopt;
  return path.substr(0, end);
}

std::string PartnerPath(const std::string& stem, std::string_view extension) {
  namespace fs = std::filesystem;
  const std::string exact = stem + std::string(extension);
  std::error_code error;
  if (fs::exists(fs::symlink_status(exact, error))) return exact;
  const fs::path wanted(exact);
  const fs::path folder = wanted.has_parent_path() ? wanted.parent_path() : fs::path(".");
  const std::string wantedName = wanted.filename().string();
  const std::string_view wantedStem =
      std::string_view(wantedName).substr(0, wantedName.size() - extension.size());
  std::optional<std::string> found;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() != wantedName.size() || !name.starts_with(wantedStem) ||
        !SameIgnoringAsciiCase(std::string_view(name).substr(wantedStem.size()), extension)) {
      continue;
    }
    if (found) return exact;  // more than one: none of them is the partner
    found = (wanted.parent_path() / name).string();
  }
  return found.value_or(exact);
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_regular_file(path, error);
}

}  // namespace casebook
