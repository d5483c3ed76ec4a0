#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace watchpost {

// What the command on movement is run for.
enum class WatchEvent { Movement, CameraLost, CameraBack };

// The moment a command hears of: the recording it concerns and when.
struct EventFacts {
  WatchEvent event = WatchEvent::Movement;
  std::string avi;  // full paths
  std::string log;
  std::uint32_t time = 0;  // POSIX seconds
  int frame = 0;           // the frame of the run, 0 before the first
};

// "movement", "camera-lost", "camera-back".
const char* EventName(WatchEvent event);
// `seconds` as ISO 8601 local time with its offset from UTC, "2026-12-09T14:02:11+01:00".
std::string IsoLocalTime(std::uint32_t seconds);
// The variables the command gets, NAME and value: CORVANE_AVI, CORVANE_LOG, CORVANE_TIME,
// CORVANE_FRAME, CORVANE_EVENT.
std::vector<std::pair<std::string, std::string>> EventVariables(const EventFacts& facts);
// `command` split into its program and arguments the way a shell splits words: blanks part
// them, '...' keeps everything as it stands, "..." and a backslash keep the next character.
// Nothing is expanded or put into it. False, with the reason, for a quote left open.
bool SplitCommand(const std::string& command, std::vector<std::string>& words, std::string& why);
// Starts `command` on its own, never waited for, with the facts in its environment. False
// with the reason when it could not start.
bool LaunchEventCommand(const std::string& command, const EventFacts& facts, std::string& why);

}  // namespace watchpost
