#pragma once

#include <string>
#include <utility>

namespace video {

// How the calls that read and write video fail: the reason into the caller's `error`, false
// back, so that a refusal is one line: `return Refuse(error, "...");`.
inline bool Refuse(std::string& error, std::string why) {
  error = std::move(why);
  return false;
}

}  // namespace video
