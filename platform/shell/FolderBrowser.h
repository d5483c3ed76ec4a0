#pragma once

#include <optional>
#include <string>

class QWidget;

namespace shell {

// Asks for a folder of the file system, starting at `current`, with `title` as the prompt.
// Nothing when the user cancels. Runs through the one modal seam, so tests can answer it.
std::optional<std::string> BrowseForFolder(QWidget* owner, const std::string& title,
                                           const std::string& current);

}  // namespace shell
