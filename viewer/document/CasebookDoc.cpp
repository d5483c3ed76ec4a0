#include "viewer/document/CasebookDoc.h"

#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "platform/base/Text.h"
#include "platform/base/UniqueFd.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/MessageBox.h"
#include "resources/CasebookResources.h"
#include "viewer/document/CasebookShell.h"
#include "viewer/document/RecordingPair.h"

namespace casebook {
namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kOverrideKey = "OverRideFrameRate";
constexpr const char* kFrameRateKey = "FrameRate";

}  // namespace

CCasebookDoc::CCasebookDoc(framework::ProfileStore& profile, CasebookShell& shell)
    : profile_(profile), shell_(shell) {
  overrideRate = profile_.GetProfileInt(kSection, kOverrideKey, 0) != 0;
  // A stored rate below 1 would leave no interval between frames.
  if (overrideRate) {
    playbackRate = std::max(profile_.GetProfileInt(kSection, kFrameRateKey, kDefaultRate), 1);
  }
  registerCommands();
}

CCasebookDoc::~CCasebookDoc() {
  profile_.WriteProfileInt(kSection, kFrameRateKey, playbackRate);
  profile_.WriteProfileInt(kSection, kOverrideKey, overrideRate ? 1 : 0);
}

void CCasebookDoc::registerCommands() {
  for (const int id : {res::cmd::StopStart, res::cmd::Properties, res::cmd::Back, res::cmd::Forward,
                       framework::ID_EDIT_COPY}) {
    OnUpdateCommandUI(id, [this](framework::CCmdUI& ui) { ui.Enable(recordingOpen); });
  }
  OnUpdateCommandUI(res::cmd::Speed, [this](framework::CCmdUI& ui) { ui.Enable(!playing); });
  OnCommand(res::cmd::ShowZone, [this] {
    showZone = !showZone;
    UpdateAllViews(nullptr, framework::Change::Settings);
  });
  OnUpdateCommandUI(res::cmd::ShowZone, [this](framework::CCmdUI& ui) {
    ui.Enable(recordingOpen && reasons.loaded());
    ui.SetCheck(showZone ? 1 : 0);
  });
}

bool CCasebookDoc::OnNewDocument() {
  ResetRecording();
  return true;
}

void CCasebookDoc::ResetRecording() {
  reader_.close();
  currentPicture = nullptr;
  position = lastFrame = entryCount = pictureIndex = 0;
  reasons.Clear();
  timeline.Clear();
  markIn = markOut = -1;
  playing = logLoaded = recordingOpen = false;
  // A document without a recording has a recorded rate of 5 frames a second.
  fileInfo.dwRate = 1000;
  fileInfo.dwScale = 200;
}

bool CCasebookDoc::OnOpenDocument(const std::string& path) {
  {
    // The chosen file itself must be there to be read; otherwise nothing changes.
    // Non-blocking, so that a pipe of that name cannot hold the program up.
    const base::UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0) {
      framework::AppMessageBox(shell_.mainWindow(),
                               base::FillIn(res::text::kCannotOpen, {path, base::ErrnoText(errno)}),
                               framework::MB_OK | framework::MB_ICONEXCLAMATION);
      return false;
    }
  }
  ResetRecording();
  shell_.killPlayTimer();

  const std::optional<std::string> base = WithoutLastThree(path);
  // A name the pair cannot be made from, or too long to hold, is no recording.
  if (!base || base->size() + 3 > kMaxPathChars) return Fail(res::text::kOpenFailure);
  logPath = PartnerPath(*base, "log");
  videoPath = PartnerPath(*base, "avi");

  std::string error;
  if (!IsRegularFile(videoPath) || !reader_.openFile(videoPath, error)) {
    return Fail(res::text::kOpenFailure);
  }
  if (!reader_.openStream(error)) return Fail(res::text::kStreamFailure);
  if (!reader_.openFrameGetter(error) || !Fetch(0, error)) {
    return Fail(base::FillIn(res::text::kFirstPictureFailure, {error}));
  }
  position = 0;
  recordingOpen = true;
  lastFrame = reader_.streamLength() - 1;
  fileInfo = reader_.fileInfo();
  if (!overrideRate) playbackRate = RecordedRate();
  // The picture's own size: the header's may say anything.
  shell_.fitToPicture(currentPicture->biWidth, std::abs(currentPicture->biHeight));
  ReadEventLog();
  // A missing or damaged file of reasons changes nothing else.
  reasons.Load(PartnerPath(*base, "csv"), lastFrame + 1);
  return true;
}

bool CCasebookDoc::Fail(const std::string& text) {
  recordingOpen = false;
  shell_.dropPicture();
  MessageBox(text, framework::MB_OK | framework::MB_ICONERROR);
  return false;
}

void CCasebookDoc::OnCloseDocument() {
  reader_.close();
  currentPicture = nullptr;
  recordingOpen = false;
}

void CCasebookDoc::ReadEventLog() {
  const EventLogResult result =
      casebook::ReadEventLog(logPath, lastFrame + 1, entries,
                             [this](const std::string& text) { shell_.setStatusText(text); });
  logLoaded = result.loaded;
  timeline.Build(entries, lastFrame + 1);
  if (!result.loaded) return;
  entryCount = result.entryCount;
  if (lastFrame != entryCount) {
    MessageBox(res::text::kLogSuspect, framework::MB_OK | framework::MB_ICONWARNING);
  }
}

bool CCasebookDoc::Fetch(std::int32_t index, std::string& error) {
  const video::BitmapInfoHeader* picture = reader_.getFrame(index, error);
  if (picture == nullptr) return false;
  currentPicture = picture;
  pictureIndex = index;
  return true;
}

bool CCasebookDoc::Fetch(std::int32_t index) {
  std::string error;
  if (Fetch(index, error)) return true;
  // The picture stays; the user is told why it did not move on.
  shell_.setStatusText(
      base::FillIn(res::text::kFrameCannotBeShown, {std::to_string(index + 1), error}));
  return false;
}

// A step forward is one tick of playback; only the timer cares whether it went on.
void CCasebookDoc::StepForward() { PlayTick(); }

void CCasebookDoc::StepBack() {
  if (!recordingOpen) return;
  if (position <= 0) {
    position = 0;
    Fetch(0);
  } else {
    --position;
    Fetch(std::max(position - 1, 0));
  }
  UpdateAllViews(nullptr, framework::Change::Position);
}

void CCasebookDoc::ShowPosition() {
  if (!recordingOpen) return;
  if (position > lastFrame) {
    position = 0;
    return;
  }
  Fetch(position);
  UpdateAllViews(nullptr, framework::Change::Position);
}

bool CCasebookDoc::PlayTick() {
  if (!recordingOpen) return false;
  if (position > lastFrame) {
    position = 0;
    return false;
  }
  Fetch(position);
  UpdateAllViews(nullptr, framework::Change::Position);
  ++position;
  return true;
}

std::int32_t CCasebookDoc::RecordedRate() const {
  // A file whose rate is below its scale, or that has no scale, plays a frame a second.
  if (fileInfo.dwScale == 0) return 1;
  return static_cast<std::int32_t>(
      std::clamp<std::uint32_t>(fileInfo.dwRate / fileInfo.dwScale, 1, 1000));
}

int CCasebookDoc::TimerIntervalMs() const { return 1000 / std::max(playbackRate, 1); }

int CCasebookDoc::MessageBox(const std::string& text, unsigned type) {
  return framework::MessageBox(shell_.mainWindow(), text, res::text::kErrorCaption, type);
}

}  // namespace casebook
