#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace casebook {

// `path` without its last three characters (whole UTF-8 characters); nothing when it has no
// more than three.
std::optional<std::string> WithoutLastThree(const std::string& path);

// `stem` + `extension` where a file has exactly that name; otherwise the one file of that
// folder whose name differs from it only in the case of the extension (cameras write CLIP.AVI,
// and on Linux CLIP.avi is another name).
std::string PartnerPath(const std::string& stem, std::string_view extension);

// FFmpeg would wait on a pipe or a device; only a plain file can hold a recording.
bool IsRegularFile(const std::string& path);

}  // namespace casebook
