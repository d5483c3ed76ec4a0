#pragma once

#include <string>

#include "platform/framework/ProfileStore.h"

namespace watchpost {

// What looks after the runs while nobody watches them (the camera, the disk, alerts) hears of
// the document here. Without one the document behaves exactly as it always has. Every call is
// made on the UI thread.
class RunWatcher {
 public:
  virtual ~RunWatcher() = default;

  // The settings were read, or are about to be written: the watcher's own keys beside them.
  virtual void settingsLoaded(const framework::ProfileStore& store) = 0;
  virtual void savingSettings(framework::ProfileStore& store) = 0;
  // The capture window was created and its driver connected for the first time.
  virtual void captureConnected() = 0;
  // The Compression dialog closed; `chosen` when it ended with a choice.
  virtual void compressionDialogClosed(bool chosen) = 0;
  // Whether a run may start now; when not, `why` says so.
  virtual bool mayStartRun(std::string& why) = 0;
  // Whether the restart timer may start the next run now; when not, the watcher has said why
  // and arms the timer again itself once it may.
  virtual bool mayRestart() = 0;
  virtual void runStarted() = 0;
  virtual void runClosed() = 0;
  // After every frame the callback had, its log line written.
  virtual void frameDone() = 0;
  // An error of the capture window; true when the watcher took care of it (no box).
  virtual bool takesError(int id, const std::string& text) = 0;
};

}  // namespace watchpost
