#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "capture/settings/CaptureSettings.h"
#include "platform/base/UniqueFd.h"

namespace watchpost {

// The status line and every log line are built in buffers of this many characters.
inline constexpr std::size_t kLineChars = 200;
inline constexpr std::size_t kTimeTextChars = 24;

// `seconds` (since 1970, UTC) as local time in 24 characters, "Mon Dec 07 06:31:15 2026": the
// day keeps its leading zero, names are English. `into` gets the text and a terminator.
void FormatTimeText(std::uint32_t seconds, char (&into)[kTimeTextChars + 1]);

// Writes all of `bytes` to `fd`; 0, or the errno of the failure (ENOSPC when nothing more
// would go).
int WriteAll(int fd, const char* bytes, std::size_t size);

// "Frame# <number> <time text>\r\n"; returns the bytes written to `into`.
std::size_t FormatFrameLine(std::int64_t number, std::uint32_t seconds, char (&into)[kLineChars]);

// The fourteen settings lines that end a log, each "Key value\r\n".
std::string SettingsLines(const CaptureSettings& settings);

// A whole log as it stands once a run of `count` captures has ended; empty for no capture.
std::string EventLogText(const std::uint32_t* captureTimes, std::int32_t count,
                         const CaptureSettings& settings);

// Writes a run's event log as the run goes, so that a crash loses no frame line: the file is
// created at the first capture, each frame line reaches the operating system as soon as the
// capture is counted, and the settings lines follow when the run ends. The finished file is
// the same, byte for byte, as EventLogText. A run without captures leaves no file. After a
// failure (no folder, no rights, disk full) nothing more is written during the run and the
// failure is reported once; at the end the whole log is tried once more, beside the log, and
// takes its place only when it was written whole.
class EventLogWriter {
 public:
  // Starts the log of a new run at `path`; nothing is created yet.
  void beginRun(const std::string& path);
  bool running() const { return running_; }
  const std::string& path() const { return path_; }
  std::int32_t framesWritten() const { return framesWritten_; }

  // Appends the frame lines of captures framesWritten()+1 .. capturedCount. False, with the
  // file and the platform's reason, when it fails for the first time in this run.
  bool appendFrames(const std::uint32_t* captureTimes, std::int32_t capturedCount,
                    std::string& error);
  // Catches up on frame lines, appends the settings lines and closes the log.
  bool finishRun(const std::uint32_t* captureTimes, std::int32_t capturedCount,
                 const CaptureSettings& settings, std::string& error);

 private:
  bool write(const char* bytes, std::size_t size, std::string& error);
  bool RewriteWhole(const std::uint32_t* captureTimes, std::int32_t capturedCount,
                    const CaptureSettings& settings);
  // `pattern` is one of the log texts: %1 takes the path, %2 the reason.
  bool fail(const char* pattern, int errnoValue, std::string& error);

  std::string path_;
  base::UniqueFd file_;
  std::int32_t framesWritten_ = 0;
  bool running_ = false;
  bool failed_ = false;
};

}  // namespace watchpost
