#pragma once

#include <cstdint>

#include "platform/framework/ProfileStore.h"

namespace watchpost {

inline constexpr int kMaxPreEventFrames = 10;

// What a recording takes in beside its hits, each field named after its value in "Settings".
// The defaults keep a recording to its hits, with the file of reasons beside it.
struct RecordingSettings {
  int PreEventFrames = 0;  // samples kept from before a hit, 0 .. kMaxPreEventFrames
  int WriteReasons = 1;    // 1: NAME.csv beside NAME.avi and NAME.log
};

// A stored value outside its range (a hand-edited profile) is brought into it.
void LoadRecordingSettings(const framework::ProfileStore& store, RecordingSettings& settings);
void SaveRecordingSettings(framework::ProfileStore& store, const RecordingSettings& settings);

}  // namespace watchpost
