#pragma once

#include <cstdint>

namespace watchpost {

// When movement is worth telling of: the first hit of a run, and a hit after a quiet spell.
class AlertMoments {
 public:
  static constexpr std::uint32_t kQuietSeconds = 5 * 60;

  void newRun() { hadHit_ = false; }
  // A hit at `time` (POSIX seconds); true when it is one to tell of.
  bool hit(std::uint32_t time) {
    const bool tell = !hadHit_ || time >= lastHit_ + kQuietSeconds;
    hadHit_ = true;
    lastHit_ = time;
    return tell;
  }

 private:
  bool hadHit_ = false;
  std::uint32_t lastHit_ = 0;
};

}  // namespace watchpost
