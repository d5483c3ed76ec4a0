#pragma once

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <string>

#include "capture/session/RunWatcher.h"
#include "capture/session/WatchpostShell.h"
#include "capture/unattended/AlertMoments.h"
#include "capture/unattended/DiskSpace.h"
#include "capture/unattended/EventCommand.h"
#include "capture/unattended/UnattendedSettings.h"
#include "platform/framework/Command.h"

namespace watchpost {

class CWatchpostDoc;

// What the watcher asks of the desktop beyond the document's shell.
class WatchDesktop {
 public:
  virtual ~WatchDesktop() = default;
  // The main window is hidden, peeking or not the active window: nobody is looking at it.
  virtual bool windowAway() = 0;
  // A desktop notification of movement; false where the desktop shows none.
  virtual bool showNotice(const std::string& title, const std::string& text) = 0;
};

// Looks after Watchpost while nobody watches it. A camera that stops delivering ends the run as
// Stop does and is connected again every couple of seconds; once it is back, a new run starts
// if one was going. The disk is kept from filling: below the floor no run starts and a running
// one ends between frames. Movement is told by a notification and a command of the user's. The
// compressor chosen is remembered, and the program can put itself into the session's autostart.
// Nothing here opens a message box unless a person asked for something from the menu.
class Watchkeeper final : public RunWatcher, public framework::CCmdTarget {
 public:
  struct Timing {
    int reconnectMs = 2000;
    int stallMs = 5000;  // or three sampling intervals, whichever is longer
    int checkMs = 1000;
    std::uint32_t diskCheckSeconds = 5;
    int diskRetryMs = 30'000;
  };

  // `program` is what the autostart entry runs.
  Watchkeeper(CWatchpostDoc& document, WatchpostShell& shell, WatchDesktop& desktop,
              FreeSpaceReading& disk, std::string autostartPath, std::string program,
              Timing timing);
  Watchkeeper(CWatchpostDoc& document, WatchpostShell& shell, WatchDesktop& desktop,
              FreeSpaceReading& disk, std::string autostartPath, std::string program)
      : Watchkeeper(document, shell, desktop, disk, std::move(autostartPath), std::move(program),
                    Timing{}) {}

  UnattendedSettings settings;

  // Menu commands.
  void OnNotifyOnMovement() { settings.NotifyOnMovement = settings.NotifyOnMovement == 1 ? 0 : 1; }
  void OnEventCommand();
  void OnStartWithSession();

  bool cameraLost() const { return lost_; }
  // What the notification icon's tip adds: the lost camera, else the free space.
  std::string TipLine();
  // "38 GB free, about 9 days at this rate" for the folder the next run records into; empty
  // when the disk does not tell.
  std::string FreeSpaceLine();

  // RunWatcher
  void settingsLoaded(const framework::ProfileStore& store) override;
  void savingSettings(framework::ProfileStore& store) override;
  void captureConnected() override;
  void compressionDialogClosed(bool chosen) override;
  bool mayStartRun(std::string& why) override;
  bool mayRestart() override;
  void runStarted() override;
  void runClosed() override;
  void frameDone() override;
  bool takesError(int id, const std::string& text) override;

  // Looks at the camera and the disk; the check timer calls it, tests may too.
  void Check();
  // One attempt to connect the lost camera again; the reconnect timer calls it.
  void TryReconnect();

 private:
  void registerCommands();
  void LoseCamera(const std::string& why);
  void RunCommand(WatchEvent event, std::uint32_t time);
  std::string Folder() const;
  std::uint64_t OpenRunBytes() const;
  // The free space when it is below the floor.
  std::optional<std::uint64_t> LowSpace();
  std::string LowSpaceText(const char* pattern, std::uint64_t freeBytes);

  CWatchpostDoc& doc_;
  WatchpostShell& shell_;
  WatchDesktop& desktop_;
  FreeSpaceReading& disk_;
  std::string autostartPath_;
  std::string program_;
  Timing timing_;

  QTimer check_;
  QTimer reconnect_;
  QElapsedTimer sinceFrame_;
  bool lost_ = false;
  bool resume_ = false;        // a run was going, or wanted: one starts when the camera is back
  bool reconnecting_ = false;  // the connect in progress is ours: its failure is no box
  std::uint32_t lostAt_ = 0;
  AlertMoments moments_;
  int seenCaptured_ = 0;
  bool commandReported_ = false;  // one report per run
  std::uint32_t lastDiskCheck_ = 0;
  RecordingRate rate_;
  std::uint64_t closedBytes_ = 0;
};

}  // namespace watchpost
