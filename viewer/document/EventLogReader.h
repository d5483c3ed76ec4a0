#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "resources/CasebookTexts.h"
#include "viewer/document/EntryTable.h"

namespace casebook {

// Written over a line whose frame number is out of step (res::text::kLogSuspectMark), starting
// at this character.
inline constexpr std::size_t kLogSuspectMarkAt = 22;
// One read takes at most this many characters of a line; the rest comes with the next read.
inline constexpr std::size_t kLogReadChars = 97;
// A text shorter than this (its line end counted) is read over once.
inline constexpr std::size_t kShortLineChars = 8;
// Where the frame number starts in a frame line, after "Frame# ".
inline constexpr std::size_t kFrameNumberAt = 7;

struct EventLogResult {
  // The log could be opened, whatever it held.
  bool loaded = false;
  // Lines counted - 2: the last frame for a complete log. 0 when not loaded, as the reset left it.
  std::int32_t entryCount = 0;
  // Lines counted - 1, the number in "Log File contains %d entries".
  std::int32_t entriesShown = 0;
  // Last frame != entry count: fewer lines than frames, the document shows res::text::kLogSuspect.
  bool suspect = false;
};

using StatusText = std::function<void(const std::string&)>;

// Reads the log at `path` into `table` for a video of `frameCount` frames, the k-th line read
// belonging to frame k. Every slot is "No Log Entry" first, even when the log cannot be opened.
// `status` (may be empty) gets the pane 0 texts as they happen. Lines are counted, not frame
// numbers: a line whose number is out of step is only marked.
EventLogResult ReadEventLog(const std::string& path, std::int32_t frameCount, EntryTable& table,
                            const StatusText& status);

}  // namespace casebook
