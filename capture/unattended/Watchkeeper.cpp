#include "capture/unattended/Watchkeeper.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "capture/session/WatchpostDoc.h"
#include "capture/unattended/Autostart.h"
#include "capture/unattended/EventCommandDlg.h"
#include "platform/base/Text.h"
#include "platform/framework/MessageBox.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

// hh:mm:ss of local time.
std::string ClockText(std::uint32_t seconds) {
  const std::time_t time = seconds;
  std::tm local{};
  localtime_r(&time, &local);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &local);
  return text;
}

std::uint64_t FileBytes(const std::filesystem::path& path) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(path, error);
  return error ? 0 : static_cast<std::uint64_t>(bytes);
}

void SayOnStderr(const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", res::text::kAppTitle, text.c_str());
}

}  // namespace

Watchkeeper::Watchkeeper(CWatchpostDoc& document, WatchpostShell& shell, WatchDesktop& desktop,
                         FreeSpaceReading& disk, std::string autostartPath, std::string program,
                         Timing timing)
    : doc_(document),
      shell_(shell),
      desktop_(desktop),
      disk_(disk),
      autostartPath_(std::move(autostartPath)),
      program_(std::move(program)),
      timing_(timing) {
  QObject::connect(&check_, &QTimer::timeout, [this] { Check(); });
  QObject::connect(&reconnect_, &QTimer::timeout, [this] { TryReconnect(); });
  registerCommands();
}

void Watchkeeper::registerCommands() {
  OnCommand(cmd::NotifyOnMovement, [this] { OnNotifyOnMovement(); });
  OnCommand(cmd::EventCommand, [this] { OnEventCommand(); });
  OnCommand(cmd::StartWithSession, [this] { OnStartWithSession(); });
  OnUpdateCommandUI(cmd::NotifyOnMovement, [this](framework::CCmdUI& ui) {
    ui.Enable(true);
    ui.SetCheck(settings.NotifyOnMovement == 1 ? 1 : 0);
  });
  OnUpdateCommandUI(cmd::EventCommand, [](framework::CCmdUI& ui) { ui.Enable(true); });
  OnUpdateCommandUI(cmd::StartWithSession, [this](framework::CCmdUI& ui) {
    ui.Enable(true);
    ui.SetCheck(AutostartExists(autostartPath_) ? 1 : 0);
  });
}

void Watchkeeper::OnEventCommand() {
  CEventCommandDlg dialog(settings.EventCommand, shell_.mainWindow());
  if (dialog.DoModal() != framework::IDOK) return;
  // Blanks around it are nobody's intent; a command of blanks is none.
  const auto first = dialog.command.find_first_not_of(" \t");
  settings.EventCommand =
      first == std::string::npos
          ? std::string()
          : dialog.command.substr(first, dialog.command.find_last_not_of(" \t") - first + 1);
}

void Watchkeeper::OnStartWithSession() {
  std::string why;
  const bool done = AutostartExists(autostartPath_) ? RemoveAutostart(autostartPath_, why)
                                                    : WriteAutostart(autostartPath_, program_, why);
  if (done) return;
  framework::MessageBox(shell_.mainWindow(),
                        base::FillIn(res::text::kCannotAutostart, {autostartPath_, why}),
                        res::text::kErrorCaption, framework::MB_OK | framework::MB_ICONEXCLAMATION);
}

void Watchkeeper::settingsLoaded(const framework::ProfileStore& store) {
  LoadUnattendedSettings(store, settings);
}

void Watchkeeper::savingSettings(framework::ProfileStore& store) {
  SaveUnattendedSettings(store, settings);
}

void Watchkeeper::captureConnected() {
  sinceFrame_.start();
  check_.start(timing_.checkMs);
  lastDiskCheck_ = shell_.now();
  rate_.observe(lastDiskCheck_, 0);
  if (settings.Compressor.empty()) return;
  if (doc_.captureRef()->selectCompressor(settings.Compressor, settings.CompressorQuality)) {
    doc_.compressorChosen = 1;  // remembered counts as chosen: no question at Start
  } else {
    shell_.setStatusText(base::FillIn(res::text::kCompressorMissing, {settings.Compressor}));
  }
}

void Watchkeeper::compressionDialogClosed(bool chosen) {
  const camera::CaptureWindow& window = doc_.captureRef().get();
  if (chosen) {
    settings.Compressor = window.compressorName();
    settings.CompressorQuality = window.compressorQuality();
  } else if (!settings.Compressor.empty() && window.compressorName() == settings.Compressor) {
    doc_.compressorChosen = 1;  // Cancel keeps the remembered one in force
  }
}

std::string Watchkeeper::Folder() const {
  if (doc_.runOpen()) return doc_.runFolder();
  // Between runs the next one records where the program stands.
  std::error_code error;
  const std::filesystem::path here = std::filesystem::current_path(error);
  return error ? std::string(".") : here.string();
}

std::optional<std::uint64_t> Watchkeeper::LowSpace() {
  const std::optional<std::uint64_t> free = disk_.freeBytes(Folder());
  if (free && *free < FloorBytes(settings.MinFreeMiB)) return free;
  return {};
}

std::string Watchkeeper::LowSpaceText(const char* pattern, std::uint64_t freeBytes) {
  return base::FillIn(pattern,
                      {SizeText(freeBytes), Folder(), std::to_string(settings.MinFreeMiB)});
}

bool Watchkeeper::mayStartRun(std::string& why) {
  if (lost_) {
    resume_ = true;  // it starts when the camera is back
    why = base::FillIn(res::text::kCameraLost, {ClockText(lostAt_)});
    return false;
  }
  if (const auto free = LowSpace()) {
    why = LowSpaceText(res::text::kLowDiskNoStart, *free);
    return false;
  }
  return true;
}

bool Watchkeeper::mayRestart() {
  if (lost_) {
    resume_ = true;
    return false;
  }
  if (LowSpace()) {
    shell_.setTimer(kRestartTimerId, timing_.diskRetryMs);
    shell_.setStatusText(
        base::FillIn(res::text::kLowDiskWaits, {Folder(), std::to_string(settings.MinFreeMiB)}));
    return false;
  }
  return true;
}

void Watchkeeper::runStarted() {
  moments_.newRun();
  seenCaptured_ = 0;
  commandReported_ = false;
}

std::uint64_t Watchkeeper::OpenRunBytes() const {
  const std::filesystem::path folder = doc_.runFolder();
  return FileBytes(folder / doc_.aviFileName.data()) + FileBytes(folder / doc_.logFileName.data());
}

void Watchkeeper::runClosed() {
  closedBytes_ += OpenRunBytes();
  if (doc_.AutoRestart == 0 && !lost_) shell_.setStatusText(FreeSpaceLine());
}

void Watchkeeper::frameDone() {
  sinceFrame_.restart();
  if (!doc_.runOpen() || doc_.capturedCount <= seenCaptured_) return;
  seenCaptured_ = doc_.capturedCount;
  const std::size_t last = std::min<std::size_t>(static_cast<std::size_t>(seenCaptured_),
                                                 MotionDetector::kCaptureTimesEntries);
  const std::uint32_t time = doc_.detector().captureTimes()[last - 1];
  if (!moments_.hit(time)) return;
  if (settings.NotifyOnMovement == 1 && desktop_.windowAway()) {
    desktop_.showNotice(base::FillIn(res::text::kMovementTitle, {ClockText(time)}), doc_.title());
  }
  RunCommand(WatchEvent::Movement, time);
}

void Watchkeeper::RunCommand(WatchEvent event, std::uint32_t time) {
  if (settings.EventCommand.empty()) return;
  EventFacts facts;
  facts.event = event;
  if (!doc_.runFolder().empty()) {
    const std::filesystem::path folder = doc_.runFolder();
    facts.avi = (folder / doc_.aviFileName.data()).string();
    facts.log = (folder / doc_.logFileName.data()).string();
  }
  facts.time = time;
  facts.frame = doc_.capturedCount;
  std::string why;
  if (LaunchEventCommand(settings.EventCommand, facts, why) || commandReported_) return;
  commandReported_ = true;
  const std::string text = base::FillIn(res::text::kCommandFailed, {why});
  SayOnStderr(text);
  shell_.setStatusText(text);
}

bool Watchkeeper::takesError(int id, const std::string& text) {
  if (reconnecting_ && id == camera::kDriverErrorId) return true;  // still away: try again
  // A run asked for with nobody there (a start after a login) waits for a camera that is not
  // there yet, as for one that went away, rather than ending the program.
  if (id == camera::kDriverErrorId && doc_.captureReady == 0 && doc_.NobodyToAnswer()) {
    LoseCamera(text);
    resume_ = true;
    return true;
  }
  if (id != camera::kSourceLostErrorId) return false;
  LoseCamera(text);
  return true;
}

void Watchkeeper::LoseCamera(const std::string& why) {
  if (lost_) return;
  lost_ = true;
  lostAt_ = shell_.now();
  resume_ = doc_.runOpen();
  if (doc_.runOpen()) {
    shell_.startStop();  // through the panel's toggle, as Stop does
    if (doc_.runOpen()) doc_.StopRun();
  }
  const std::string text = base::FillIn(res::text::kCameraLost, {ClockText(lostAt_)});
  doc_.Alert(base::FillIn(res::text::kWithReason, {text, why}), res::text::kErrorCaption, true,
             text);
  RunCommand(WatchEvent::CameraLost, lostAt_);
  reconnect_.start(timing_.reconnectMs);
}

void Watchkeeper::TryReconnect() {
  if (!lost_ || !doc_.captureRef().exists()) return;
  reconnecting_ = true;
  const bool back = doc_.captureRef()->driverConnect(doc_.driverIndex);
  reconnecting_ = false;
  if (!back) return;
  reconnect_.stop();
  lost_ = false;
  sinceFrame_.restart();
  // A camera plugged in again may come with another format; the zone follows it.
  doc_.detector().ReadVideoFormat();
  if (doc_.ZoneSet == 1) doc_.detector().ComputeZoneBounds();
  const std::uint32_t now = shell_.now();
  const std::string text = base::FillIn(res::text::kCameraBack, {ClockText(now)});
  SayOnStderr(text);
  shell_.setStatusText(text);
  desktop_.showNotice(text, doc_.title());
  RunCommand(WatchEvent::CameraBack, now);
  if (resume_) {
    resume_ = false;
    // As an automatic restart: new names, nothing asked.
    shell_.setTimer(kRestartTimerId, kRestartTimerMs);
  }
}

void Watchkeeper::Check() {
  const std::uint32_t now = shell_.now();
  if (now >= lastDiskCheck_ + timing_.diskCheckSeconds) {
    lastDiskCheck_ = now;
    rate_.observe(now, closedBytes_ + (doc_.runOpen() ? OpenRunBytes() : 0));
    if (doc_.runOpen() && !lost_) {
      if (const auto free = LowSpace()) {
        // Here, between two frames, never inside one.
        const std::string text = LowSpaceText(res::text::kLowDiskEnded, *free);
        shell_.startStop();
        if (doc_.runOpen()) doc_.StopRun();
        doc_.Alert(text, res::text::kErrorCaption, true, text);
      }
    }
  }
  // A modal dialog or box on the screen holds frames back; overlay delivers none.
  if (lost_ || doc_.previewOn == 0 || QApplication::activeModalWidget() != nullptr) {
    sinceFrame_.restart();
    return;
  }
  const int patienceMs = std::max(timing_.stallMs, 3 * doc_.Interval);
  if (!sinceFrame_.isValid() || sinceFrame_.elapsed() <= patienceMs) return;
  doc_.captureRef()->driverDisconnect();
  LoseCamera(base::FillIn(res::text::kNoFrames, {std::to_string(patienceMs / 1000)}));
}

std::string Watchkeeper::FreeSpaceLine() {
  const std::optional<std::uint64_t> free = disk_.freeBytes(Folder());
  if (!free) return {};
  return FreeSpaceText(*free, rate_.bytesPerSecond(shell_.now()), FloorBytes(settings.MinFreeMiB));
}

std::string Watchkeeper::TipLine() {
  if (lost_) return base::FillIn(res::text::kCameraLost, {ClockText(lostAt_)});
  return FreeSpaceLine();
}

}  // namespace watchpost
