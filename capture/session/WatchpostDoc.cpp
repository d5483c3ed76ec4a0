#include "capture/session/WatchpostDoc.h"

#include <fcntl.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <system_error>

#include "capture/naming/FileNamingDlg.h"
#include "capture/reasons/RecordingDlg.h"
#include "capture/session/SessionDialogs.h"
#include "platform/base/Text.h"
#include "platform/base/UniqueFd.h"
#include "platform/framework/MessageBox.h"
#include "platform/video/Ffmpeg.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

constexpr std::uint32_t kCaptureWindowStyle = 128;
constexpr std::uint32_t kOverlayPreviewRateMs = 1'000'000;

// Milliseconds as the capture window's microseconds per frame, kept within 32 bits whatever a
// stored Interval holds.
std::uint32_t MicroSecondsOf(int milliseconds) {
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(
      std::int64_t{milliseconds} * 1000, 1, std::numeric_limits<std::uint32_t>::max()));
}

// The frame time of a playback rate. A rate below one frame per second (0, negative, NaN from
// a damaged profile) plays at one: dividing by it would give no time at all.
std::uint32_t MicroSecondsPerFrame(float framesPerSecond) {
  const double rate = std::isfinite(framesPerSecond) && framesPerSecond >= 1.0f
                          ? static_cast<double>(framesPerSecond)
                          : 1.0;
  // A rate past a million frames a second (a damaged profile) still leaves a frame a microsecond.
  return std::max<std::uint32_t>(static_cast<std::uint32_t>(1'000'000.0 / rate), 1);
}

std::uint32_t NonNegative(int value) { return static_cast<std::uint32_t>(std::max(value, 0)); }

// Whether `folder` takes a file of `bytes` bytes now: one is written there and removed again.
// False with the platform's reason when it does not (disk full, folder gone, no rights).
bool FolderTakesWrites(const std::string& folder, std::size_t bytes, std::string& why) {
  std::string name = folder + "/.corvane-write-check-XXXXXX";
  const base::UniqueFd file(::mkostemp(name.data(), O_CLOEXEC));
  if (!file) {
    why = base::ErrnoText(errno);
    return false;
  }
  static const char kZeros[4096] = {};
  int error = 0;
  while (bytes > 0 && error == 0) {
    const ssize_t n = ::write(file.get(), kZeros, std::min(bytes, sizeof kZeros));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = n < 0 ? errno : ENOSPC;
    } else {
      bytes -= static_cast<std::size_t>(n);
    }
  }
  ::unlink(name.c_str());
  if (error != 0) why = base::ErrnoText(error);
  return error == 0;
}

std::string WaitingText(const std::string& folder) {
  return base::FillIn(res::text::kRestartWaits, {folder});
}

std::string WorkingDirectory() {
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  return error ? std::string(".") : here.string();
}

}  // namespace

CWatchpostDoc::CWatchpostDoc(camera::CaptureService& service, framework::ProfileStore& profile,
                             WatchpostShell& shell, CFileNamingDlg& namingDialog)
    : service_(service),
      profile_(profile),
      shell_(shell),
      namingDialog_(namingDialog),
      detector_(*this, *this, host_, captureRef_),
      preEvent_(*this, *this, captureRef_, MotionDetector::kStoreBytes,
                [this](const std::string& text) {
                  Alert(text, res::text::kWarningCaption, true, text);
                }) {
  detector_.SetRecordingHook(&preEvent_);
  registerCommands();
}

CWatchpostDoc::~CWatchpostDoc() {
  closing_ = true;
  captureRef_->singleFrameClose();
  captureRef_->driverDisconnect();
  // The window may outlive the document; nothing of it may call back into a document gone.
  captureRef_->setCallbackStatus(nullptr);
  captureRef_->setCallbackError(nullptr);
  captureRef_->setCallbackFrame(nullptr);
  // A run still open, detecting or paused, is finished and logged: its frames are in the AVI.
  // (The AVI was closed first, before the driver went.)
  if (runOpen_) {
    runOpen_ = false;
    WriteEventLog();
  }
  if (settingsLoaded_) {
    SaveSettings(profile_, *this);
    SaveRecordingSettings(profile_, *this);
    if (watcher_ != nullptr) watcher_->savingSettings(profile_);
  }
}

void CWatchpostDoc::registerCommands() {
  OnCommand(cmd::Compression, [this] { OnCompression(); });
  OnCommand(cmd::VideoFormat, [this] { OnVideoFormat(); });
  OnCommand(cmd::VideoSource, [this] { OnVideoSource(); });
  OnCommand(cmd::AllocateFileSpace, [this] { OnAllocateFileSpace(); });
  OnCommand(cmd::PreviewMovement, [this] { OnPreviewMovement(); });
  OnCommand(cmd::OverlayMode, [this] { OnOverlayMode(); });
  OnCommand(cmd::NamingOptions, [this] { OnNamingOptions(); });
  OnCommand(cmd::SetTargetFolder, [this] { OnSetTargetFolder(); });
  OnCommand(cmd::Recording, [this] { OnRecording(); });
  OnCommand(cmd::RowStrideIncrease, [this] { detector_.NudgeRowStride(1); });
  OnCommand(cmd::RowStrideDecrease, [this] { detector_.NudgeRowStride(-1); });
  // The set-up commands wait while a run detects, a zone shows or an analysis runs; a paused
  // run allows them.
  for (const int id : {cmd::Compression, cmd::VideoFormat, cmd::VideoSource, cmd::SetTargetFolder,
                       cmd::AllocateFileSpace, cmd::PreviewMovement, cmd::OverlayMode,
                       cmd::NamingOptions, cmd::Recording}) {
    OnUpdateCommandUI(id, [this, id](framework::CCmdUI& ui) {
      ui.Enable(mode == ModePreviewMovement);
      if (id == cmd::PreviewMovement) ui.SetCheck(previewOn == 1 ? 1 : 0);
      if (id == cmd::OverlayMode) ui.SetCheck(previewOn == 0 ? 1 : 0);
    });
  }
}

bool CWatchpostDoc::OnNewDocument() {
  if (captureReady == 0) loadSettingsOnce();
  previewOn = 1;
  SetUpCapture();
  captureRef_->setPreviewRate(NonNegative(Interval));
  captureRef_->setOverlay(previewOn == 0);
  captureRef_->setPreview(previewOn != 0);
  return true;
}

void CWatchpostDoc::loadSettingsOnce() {
  LoadSettings(profile_, *this);
  LoadRecordingSettings(profile_, *this);
  settingsLoaded_ = true;
  if (watcher_ != nullptr) watcher_->settingsLoaded(profile_);
  FillTargetFolderText(CurrentDirectory, *this);
  pixelsHit = 0;
  consecutiveHits = 0;
  compressorChosen = 0;
  driverIndex = 0;
  ApplyTargetFolder();
  // Until the first run, the log name is the Standard stem of the start-up time.
  base::CopyBounded(BuildStem(SchemeStandard, 0, {}, shell_.now()), logFileName);
  resetForNewDocument();
}

void CWatchpostDoc::ApplyTargetFolder() {
  const std::string& folder = CurrentDirectory;
  std::error_code ignored;
  // The default folder is ours to make; a folder the user chose is never made up.
  if (folder == DefaultTargetFolder()) std::filesystem::create_directories(folder, ignored);
  if (::chdir(folder.c_str()) == 0) return;
  const std::string why = base::ErrnoText(errno);
  const std::string message =
      base::FillIn(res::text::kCannotEnterFolder, {WorkingDirectory(), folder, why});
  shell_.setStatusText(message);
  MessageBox(message, res::text::kWarningCaption, framework::MB_OK | framework::MB_ICONEXCLAMATION);
}

bool CWatchpostDoc::SetUpCapture() {
  if (captureReady == 0) {
    // FFmpeg's own console chatter goes; its errors still reach the error callback.
    av_log_set_level(AV_LOG_QUIET);
    captureRef_ = service_.createCaptureWindow(res::text::kCaptureWindowTitle, kCaptureWindowStyle,
                                               QRect(140, 0, 640, 480), shell_.mainWindow(), 0);
    captureRef_->setCallbackStatus(
        [this](int id, const std::string& text) { StatusCallback(id, text); });
    captureRef_->setCallbackFrame([this](camera::VideoHdr& frame) { detector_.OnFrame(frame); });

    driverCount = 0;
    while (service_.driverDescription(static_cast<unsigned>(driverCount))) ++driverCount;
    if (driverCount > 1 && NobodyToAnswer()) {
      const std::string message =
          base::FillIn(res::text::kSeveralDrivers,
                       {service_.driverDescription(0).value_or(camera::DriverDescription{}).name});
      Alert(message, res::text::kWarningCaption, true, message);
    } else if (driverCount > 1) {
      CDriverChoiceDlg choice(service_, driverIndex, shell_.mainWindow());
      choice.DoModal();
    }
    // Installed now so that a failing connection is reported.
    captureRef_->setCallbackError(
        [this](int id, const std::string& text) { ErrorCallback(id, text); });
  }

  captureParms_ = camera::CaptureParms{};
  captureParms_.dwRequestMicroSecPerFrame = MicroSecondsOf(Interval);
  captureParms_.wPercentDropForError = 10;
  captureParms_.dwIndexSize = NonNegative(Limit);
  captureParms_.wNumVideoRequested = 2;
  captureParms_.vKeyAbort = 27;  // Escape
  captureParms_.wTimeLimit = 30;
  captureParms_.fStepCaptureAt2x = 1;
  captureParms_.AVStreamMaster = 1;  // none

  if (captureReady == 0) {
    captureRef_->driverConnect(driverIndex);
    detector_.ReadVideoFormat();
    captureRef_->setScale(true);
    if (ZoneSet == 1) detector_.ComputeZoneBounds();
    captureReady = 1;
    if (watcher_ != nullptr) watcher_->captureConnected();
  }
  captureRef_->setSequenceSetup(captureParms_);
  return true;
}

bool CWatchpostDoc::OnOpenDocument(const std::string& path) {
  const base::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) {
    const std::string reason = base::ErrnoText(errno);
    MessageBox(base::FillIn(res::text::kCannotOpen, {path, reason}), res::text::kAppTitle,
               framework::MB_OK | framework::MB_ICONEXCLAMATION);
    return false;
  }
  pathName_ = path;
  SetTitle(std::filesystem::path(path).filename().string());
  return true;
}

void CWatchpostDoc::SetTitle(const std::string& title) {
  title_ = title;
  shell_.titleChanged(title_);
}

void CWatchpostDoc::BuildFileNames() {
  const NamingTexts texts{namingDialog_.customName, namingDialog_.prefixText,
                          namingDialog_.prefixBaseChoice};
  const std::string stem =
      BuildStem(FileFormatChoice, driverIndex, texts, static_cast<std::time_t>(shell_.now()));
  // Names have minute resolution: a second run in the same minute, or a fixed custom name,
  // gets "-2", "-3"... rather than replacing the recording before it.
  runFolder_ = WorkingDirectory();
  SetRunFileNames(FreeStem(runFolder_, stem), *this);
  SetTitle(fileStem);
  pathName_ = fileStem;
  captureRef_->fileSetCaptureFile(aviFileName.data());
  const std::uint64_t bytes = std::uint64_t{NonNegative(FileSize)} << 20;
  captureRef_->fileAllocate(static_cast<std::uint32_t>(
      std::min<std::uint64_t>(bytes, std::numeric_limits<std::uint32_t>::max())));
}

void CWatchpostDoc::StartRun(bool automatic) {
  // A run started by hand while a restart is pending replaces it; the timer would end it.
  shell_.killTimer(kRestartTimerId);
  if (runOpen_) CloseRun();  // a run still open is finished first, never dropped
  automaticRun_ = automatic;
  waitingFolder_.clear();
  writeFailed_ = false;
  previewOn = 1;
  capturedCount = 0;
  sampledCount = 0;
  BuildFileNames();
  eventLog_.beginRun(runFolder_ + "/" + logFileName.data());
  preEvent_.beginRun();
  if (WriteReasons != 0) {
    // The log's name with "csv" for its last three characters, so a viewer finds it the same way.
    std::string reasons = runFolder_ + "/" + logFileName.data();
    reasons.replace(reasons.size() - 3, 3, "csv");
    reasonsLog_.beginRun(reasons);
  } else {
    reasonsLog_.skipRun();
  }
  logFailureShown_ = false;

  captureParms_.dwRequestMicroSecPerFrame =
      SetPlayback == 1 ? MicroSecondsPerFrame(Playback) : MicroSecondsOf(Interval);
  captureRef_->setSequenceSetup(captureParms_);
  captureRef_->setPreviewRate(NonNegative(Interval));
  captureRef_->setPreview(true);
  captureRef_->setOverlay(false);
  captureRef_->singleFrameOpen();  // the AVI takes the frame time just set
  runOpen_ = true;

  captureParms_.dwIndexSize = NonNegative(Limit);
  captureParms_.dwRequestMicroSecPerFrame = MicroSecondsOf(Interval);
  captureRef_->setSequenceSetup(captureParms_);
  mode = ModeDetect;
  if (watcher_ != nullptr) watcher_->runStarted();
}

void CWatchpostDoc::StopRun() {
  mode = ModePreviewMovement;
  CloseRun();
  if (AutoRestart == 1) {
    shell_.setTimer(kRestartTimerId, waitingFolder_.empty() ? kRestartTimerMs : kFolderRetryMs);
  }
  sampledCount = 0;
  automaticRun_ = false;
  writeFailed_ = false;
}

void CWatchpostDoc::ApplySettings() {
  previewOn = 1;
  captureParms_.dwRequestMicroSecPerFrame = MicroSecondsOf(Interval);
  captureParms_.dwIndexSize = NonNegative(Limit);
  captureRef_->setSequenceSetup(captureParms_);
  captureRef_->setPreviewRate(NonNegative(Interval));
  captureRef_->setPreview(true);
  captureRef_->setOverlay(false);
}

void CWatchpostDoc::CloseRun() {
  captureRef_->singleFrameClose();
  runOpen_ = false;
  WriteEventLog();
  if (watcher_ != nullptr) watcher_->runClosed();
}

void CWatchpostDoc::WriteEventLog() {
  std::string error;
  if (!eventLog_.finishRun(detector_.captureTimes(), capturedCount, *this, error))
    ReportLogFailure(error);
  if (!reasonsLog_.finishRun(preEvent_.reasons(), capturedCount, error)) ReportLogFailure(error);
}

void CWatchpostDoc::SyncReasons() {
  std::string error;
  if (!reasonsLog_.appendRows(preEvent_.reasons(), capturedCount, error)) ReportLogFailure(error);
}

void CWatchpostDoc::SyncEventLog() {
  std::string error;
  if (!eventLog_.appendFrames(detector_.captureTimes(), capturedCount, error))
    ReportLogFailure(error);
}

void CWatchpostDoc::EndRunAfterWriteFailure() {
  const bool nobody = NobodyToAnswer();
  const std::string failure = writeFailure_;
  if (AutoRestart == 1) waitingFolder_ = runFolder_;
  // What closing the AVI and the log meets on that disk belongs to the one report below.
  endingAfterFailure_ = true;
  shell_.startStop();       // through the panel's toggle, as Stop does
  if (runOpen_) StopRun();  // no panel took it
  endingAfterFailure_ = false;
  std::string pane = base::FillIn(res::text::kRecordingEnded, {failure});
  if (!waitingFolder_.empty()) {
    pane += ' ';  // appended piece by piece: GCC 12 sees overlap in " " + temporary at -O3
    pane += WaitingText(waitingFolder_);
  }
  Alert(failure, res::text::kErrorCaption, nobody, pane);
}

bool CWatchpostDoc::MayStartRun(bool automatic) {
  std::string why;
  if (watcher_ == nullptr || watcher_->mayStartRun(why)) return true;
  Alert(why, res::text::kWarningCaption, automatic || NobodyToAnswer(), why);
  // An automatic start that may not go ahead comes back as Auto Restart's next one would.
  if (automatic && AutoRestart == 1) shell_.setTimer(kRestartTimerId, kFolderRetryMs);
  return false;
}

bool CWatchpostDoc::ReadyToRestart() {
  if (watcher_ != nullptr && !watcher_->mayRestart()) return false;
  if (waitingFolder_.empty()) return true;
  // A frame's worth, so that a folder with a few bytes to spare does not pass for one with room.
  const camera::BitmapInfoHeader& format = detector_.videoFormat().bmiHeader;
  const std::uint64_t pixels = std::min<std::uint64_t>(
      static_cast<std::uint64_t>(std::abs(std::int64_t{format.biWidth} * format.biHeight)),
      MotionDetector::kStoreBytes);
  const std::uint64_t frameBytes = pixels * (format.biBitCount / 8u);
  const std::size_t bytes = static_cast<std::size_t>(std::clamp<std::uint64_t>(
      std::max<std::uint64_t>(frameBytes, format.biSizeImage), 4096, MotionDetector::kStoreBytes));
  std::string why;
  if (!FolderTakesWrites(waitingFolder_, bytes, why)) {
    shell_.setTimer(kRestartTimerId, kFolderRetryMs);
    shell_.setStatusText(base::FillIn(res::text::kWithReason, {WaitingText(waitingFolder_), why}));
    return false;
  }
  // A folder that went and was made again is entered again: the next run is named there. Where
  // that fails the run records in the folder it stands in, and its names say where.
  const int entered = ::chdir(waitingFolder_.c_str());
  static_cast<void>(entered);
  waitingFolder_.clear();
  return true;
}

void CWatchpostDoc::ReportLogFailure(const std::string& error) {
  if (logFailureShown_) return;
  logFailureShown_ = true;
  MessageBox(error, res::text::kErrorCaption, framework::MB_OK | framework::MB_ICONEXCLAMATION);
}

void CWatchpostDoc::OnStartStop() {
  if (runOpen_) {
    StopRun();
  } else {
    StartRun();
  }
}

void CWatchpostDoc::OnCompression() {
  const bool chosen = captureRef_->dlgVideoCompression(kShortestIntervalMs);
  compressorChosen = chosen ? 1 : 0;
  if (watcher_ != nullptr) watcher_->compressionDialogClosed(chosen);
}

void CWatchpostDoc::OnVideoFormat() {
  captureRef_->dlgVideoFormat();
  // The zone keeps its old bounds until it is drawn or shown again.
  detector_.ReadVideoFormat();
}

void CWatchpostDoc::OnVideoSource() { captureRef_->dlgVideoSource(); }

void CWatchpostDoc::OnAllocateFileSpace() {
  CAllocateFileDlg dialog(FileSize, shell_.mainWindow());
  if (dialog.DoModal() == framework::IDOK) FileSize = dialog.fileSizeMb;
}

void CWatchpostDoc::OnRecording() {
  CRecordingDlg dialog(*this, shell_.mainWindow());
  if (dialog.DoModal() != framework::IDOK) return;
  PreEventFrames = dialog.preEventFrames;
  WriteReasons = dialog.writeReasons != 0 ? 1 : 0;
}

void CWatchpostDoc::OnPreviewMovement() {
  previewOn = 1;
  captureRef_->setPreviewRate(NonNegative(Interval));
  captureRef_->setOverlay(false);
  captureRef_->setPreview(true);
}

void CWatchpostDoc::OnOverlayMode() {
  previewOn = 0;
  captureRef_->setPreviewRate(kOverlayPreviewRateMs);
  captureRef_->setOverlay(true);
  captureRef_->setPreview(false);
}

void CWatchpostDoc::OnNamingOptions() {
  namingDialog_.namingChoice = FileFormatChoice;
  namingDialog_.DoModal();
  // The radio buttons act at once: Cancel keeps a scheme clicked on the way.
  FileFormatChoice = namingDialog_.namingChoice;
}

void CWatchpostDoc::OnSetTargetFolder() {
  FillTargetFolderText(CurrentDirectory, *this);
  const std::optional<std::string> chosen =
      shell_.browseForFolder(browseTitle.data(), targetFolderPath.data());
  if (!chosen) return;
  // The buffer shows the folder; the setting keeps it whole, however long.
  base::CopyBounded(*chosen, targetFolderPath);
  CurrentDirectory = *chosen;
  waitingFolder_.clear();  // restarts wait for the folder that failed, not for another
  ApplyTargetFolder();
  shell_.setFrameCaption(base::FillIn(res::text::kTargetFolderCaption, {CurrentDirectory}));
}

void CWatchpostDoc::StatusCallback(int id, const std::string& text) {
  if (id == 0) {
    statusLine_.clear();
    shell_.setStatusText(statusLine_);
    return;
  }
  // After a capture the line ends with its time, else with blanks.
  std::string suffix(79, ' ');
  if (capturedCount > 0 &&
      static_cast<std::size_t>(capturedCount) <= MotionDetector::kCaptureTimesEntries) {
    char time[kTimeTextChars + 1];
    FormatTimeText(detector_.captureTimes()[capturedCount - 1], time);
    suffix = std::string(time) + "\n";
  }
  // The line buffer holds 199 characters: a long platform text is cut, on a whole character.
  statusLine_ = base::CutUtf8(
      base::FillIn(res::text::kStatusLine, {std::to_string(id), text, suffix}), kLineChars - 1);
  shell_.setStatusText(statusLine_);
}

void CWatchpostDoc::ErrorCallback(int id, const std::string& text) {
  if (id == 0) return;
  if (watcher_ != nullptr && watcher_->takesError(id, text)) return;
  if (id == camera::kFileWriteErrorId && runOpen_) {
    // The recording can no longer be written: no later hit may try again (a box each). The run
    // ends once this frame is done, outside the capture window's write.
    if (!writeFailed_) writeFailure_ = text;
    writeFailed_ = true;
    mode = ModePreviewMovement;
    return;
  }
  MessageBox(text, res::text::kErrorCaption, framework::MB_OK | framework::MB_ICONEXCLAMATION);
  if (id == camera::kDriverErrorId) driverError = 1;
}

int CWatchpostDoc::MessageBox(const std::string& text, const char* caption, unsigned type) {
  if (closing_ || endingAfterFailure_) {
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    return framework::IDOK;
  }
  if (NobodyToAnswer()) {
    Alert(text, caption, true, text);
    return framework::IDOK;
  }
  return framework::MessageBox(shell_.mainWindow(), text, caption, type);
}

void CWatchpostDoc::Alert(const std::string& text, const char* caption, bool nobody,
                          const std::string& pane) {
  shell_.setStatusText(pane);
  if (closing_ || nobody) {
    std::fprintf(stderr, "%s: %s\n", caption, text.c_str());
    if (!closing_) shell_.notify(caption, text);
    return;
  }
  framework::MessageBox(shell_.mainWindow(), text, caption,
                        framework::MB_OK | framework::MB_ICONEXCLAMATION);
}

void CWatchpostDoc::AfterFrame(bool sensitivityChanged) {
  // A capture counted since the last frame gets its log line now, before anything can crash.
  SyncEventLog();
  SyncReasons();
  if (writeFailed_ && runOpen_) EndRunAfterWriteFailure();
  if (watcher_ != nullptr) watcher_->frameDone();
  // A frame moves the counters and the level (whose bar reads the mode); the analysis also
  // moves the sensitivity.
  UpdateAllViews(nullptr, sensitivityChanged
                              ? framework::Change::Counters | framework::Change::Settings
                              : framework::UpdateHint(framework::Change::Counters));
}

}  // namespace watchpost
