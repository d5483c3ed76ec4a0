#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace casebook::exporter {

// What `casebook --export` ends with, for scripts.
inline constexpr int kExitDone = 0;    // the file holds every frame asked for
inline constexpr int kExitFailed = 1;  // the recording cannot be read, the file not written
inline constexpr int kExitUsage = 2;   // the command line is wrong: an option, a number, a range

// The arguments (without the program's name) ask for the command line's work rather than the
// window: --export or --help.
bool IsCommandLineWork(const std::vector<std::string>& arguments);

// `casebook --export RECORDING OUT.mp4 [--from N] [--to M] [--recorded-times]` and `--help`:
// exports with no window and no display, progress and errors on `err`, the help on `out`.
// Returns one of the exit codes above.
int RunCommandLine(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

std::string UsageText();

}  // namespace casebook::exporter
