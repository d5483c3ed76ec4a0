#pragma once

#include <string>

namespace watchpost {

// The desktop session's autostart entry for Watchpost (freedesktop autostart): a file in
// $XDG_CONFIG_HOME/autostart that runs the program with --start --hidden at login.
std::string AutostartPath();
// The entry's text, for `program` (the executable's full path).
std::string AutostartEntry(const std::string& program);
// `argument` as the Exec key of a desktop entry takes it: quoted where it must be, with the
// entry's own escapes.
std::string ExecArgument(const std::string& argument);
bool AutostartExists(const std::string& path);
// Writes the entry whole or not at all; false with the reason.
bool WriteAutostart(const std::string& path, const std::string& program, std::string& why);
// Harmless when there is none; false with the reason.
bool RemoveAutostart(const std::string& path, std::string& why);

}  // namespace watchpost
