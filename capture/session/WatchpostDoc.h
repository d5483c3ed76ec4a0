#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "capture/detector/MotionDetector.h"
#include "capture/eventlog/EventLog.h"
#include "capture/naming/FileNaming.h"
#include "capture/reasons/KeptFrames.h"
#include "capture/reasons/ReasonsLog.h"
#include "capture/reasons/RecordingSettings.h"
#include "capture/session/RunWatcher.h"
#include "capture/session/WatchpostShell.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/camera/CaptureService.h"
#include "platform/framework/Command.h"
#include "platform/framework/Document.h"
#include "platform/framework/ProfileStore.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {

class CFileNamingDlg;

// The capture session's run-time fields.
struct SessionState {
  std::int32_t captureReady = 0;  // the window exists, is connected, has its callbacks
  std::int32_t previewOn = 1;     // 1: preview (frames reach the callbacks); 0: overlay
  std::int32_t compressorChosen = 0;
  std::int32_t driverCount = 0;
  std::int32_t driverIndex = 0;
  std::int32_t driverError = 0;
};

// The one capture document: the settings, the detector's and the session's fields as plain
// public fields, the capture window, runs from start to stop with their AVI and event log.
// Everything runs on the UI thread; the capture window calls back on it.
class CWatchpostDoc : public framework::CDocument,
                      public framework::CCmdTarget,
                      public CaptureSettings,
                      public RecordingSettings,
                      public DetectorState,
                      public SessionState,
                      public RunFileNames,
                      public TargetFolderText {
 public:
  CWatchpostDoc(camera::CaptureService& service, framework::ProfileStore& profile,
                WatchpostShell& shell, CFileNamingDlg& namingDialog);
  // Ends single-frame capture, disconnects, finishes the log of an open run, saves settings.
  ~CWatchpostDoc() override;

  // The first call loads the settings and sets up the capture window; later calls keep what
  // is in memory and only switch the preview on again.
  bool OnNewDocument();
  // A recording's file named on the command line: the document takes its name and nothing
  // else; no settings are read and no capture is set up.
  bool OnOpenDocument(const std::string& path);

  bool SetUpCapture();
  // `automatic` for a start nobody asked for at that moment (the control panel's restart
  // timer): its run reports to the standard error stream, the notification icon and pane 0,
  // never a box.
  void StartRun(bool automatic = false);
  void StopRun();
  void ApplySettings();
  void BuildFileNames();
  // Finishes the event log of the run: the frame lines not yet written, then the settings.
  void WriteEventLog();

  // Ends an open run, else starts one: what the control panel's toggle does to the document.
  void OnStartStop();
  // The control panel's restart timer fired: whether the next run may start now. After a run
  // ended because its folder took no more frames, the folder must take a write first; until it
  // does, the timer comes back every kFolderRetryMs and pane 0 says the restart waits.
  bool ReadyToRestart();
  static constexpr int kFolderRetryMs = 30'000;
  // The folder restarts wait for; empty when they need not wait.
  const std::string& waitingFolder() const { return waitingFolder_; }

  // Menu commands.
  void OnCompression();
  void OnVideoFormat();
  void OnVideoSource();
  void OnAllocateFileSpace();
  void OnPreviewMovement();
  void OnOverlayMode();
  void OnNamingOptions();
  void OnSetTargetFolder();
  void OnRecording();

  // The capture window's callbacks.
  void StatusCallback(int id, const std::string& text);
  void ErrorCallback(int id, const std::string& text);

  // The program is ending: windows are being taken down and nobody may be there to answer, so
  // failures from here on go to the standard error stream instead of message boxes.
  void BeginClosing() { closing_ = true; }
  // Nobody may be there to answer (a run asked for on the command line): from set-up on, what
  // would be a message box goes to the standard error stream, the notification icon and pane 0,
  // where it stays until the capture window's next status replaces it.
  void SetUnattended(bool unattended) { unattended_ = unattended; }
  // What looks after the runs while nobody watches; null for none. Set before OnNewDocument.
  void SetWatcher(RunWatcher* watcher) { watcher_ = watcher; }
  // Asked by the control panel before a run starts: false, and the reason shown, when it may
  // not (`automatic` for a start nobody asked for at that moment).
  bool MayStartRun(bool automatic);
  // `text` in a box, or, with nobody to answer, to the standard error stream and the
  // notification icon; pane 0 shows `pane` either way.
  void Alert(const std::string& text, const char* caption, bool nobody, const std::string& pane);
  // True while nobody may be there to answer a box: unattended, or a run the timer started.
  bool NobodyToAnswer() const { return unattended_ || automaticRun_; }

  // A run's AVI is open for single-frame capture (detecting or paused).
  bool runOpen() const { return runOpen_; }
  const std::string& title() const { return title_; }
  const std::string& pathName() const { return pathName_; }
  // The folder the current or last run records into.
  const std::string& runFolder() const { return runFolder_; }
  const camera::CaptureParms& captureParms() const { return captureParms_; }
  const camera::CaptureWindowRef& captureRef() const { return captureRef_; }
  MotionDetector& detector() { return detector_; }
  const std::string& statusLine() const { return statusLine_; }

 private:
  // What the detector asks of the program: the shell's services, and the views refreshed after
  // the frame's log line.
  class Host final : public DetectorHost {
   public:
    explicit Host(CWatchpostDoc& doc) : doc_(doc) {}
    std::uint32_t currentTime() override { return doc_.shell_.now(); }
    std::int64_t currentTimeMs() override { return doc_.shell_.nowMs(); }
    void beep() override { doc_.shell_.beep(); }
    void updateAllViews(bool sensitivityChanged) override { doc_.AfterFrame(sensitivityChanged); }
    void startStop() override { doc_.shell_.startStop(); }
    void enableControlPanel() override { doc_.shell_.enableControlPanel(); }
    void setStatusText(const char* text) override { doc_.shell_.setStatusText(text); }

   private:
    CWatchpostDoc& doc_;
  };

  void AfterFrame(bool sensitivityChanged);

  void registerCommands();
  void loadSettingsOnce();
  // Makes the target folder the current directory; says where recordings go when it cannot.
  void ApplyTargetFolder();
  void SetTitle(const std::string& title);
  // Closes the run's AVI and finishes its log.
  void CloseRun();
  void SyncEventLog();
  void SyncReasons();
  void ReportLogFailure(const std::string& error);
  // The first frame the AVI refused ends the run, as Stop does, and is reported once.
  void EndRunAfterWriteFailure();
  int MessageBox(const std::string& text, const char* caption, unsigned type);

  camera::CaptureService& service_;
  framework::ProfileStore& profile_;
  WatchpostShell& shell_;
  CFileNamingDlg& namingDialog_;
  Host host_{*this};
  camera::CaptureWindowRef captureRef_;  // the detector holds it and the host: declared first
  MotionDetector detector_;
  camera::CaptureParms captureParms_{};
  EventLogWriter eventLog_;
  KeptFrames preEvent_;
  ReasonsWriter reasonsLog_;
  std::string title_ = res::text::kUntitled;  // until the first run names its files
  std::string pathName_;
  std::string runFolder_;
  std::string statusLine_;
  bool runOpen_ = false;
  bool logFailureShown_ = false;  // one box per run
  bool settingsLoaded_ = false;
  bool closing_ = false;
  bool unattended_ = false;
  bool automaticRun_ = false;  // the open run was started by the restart timer
  bool writeFailed_ = false;   // the open run's AVI refused a frame: the run ends after it
  bool endingAfterFailure_ = false;
  std::string writeFailure_;
  std::string waitingFolder_;
  RunWatcher* watcher_ = nullptr;
};

}  // namespace watchpost
