#pragma once

#include <cstdint>
#include <string>

#include "platform/avi/AviReader.h"
#include "platform/framework/Command.h"
#include "platform/framework/Document.h"
#include "platform/framework/ProfileStore.h"
#include "platform/video/Dib.h"
#include "viewer/document/EventLogReader.h"
#include "viewer/document/ReasonsReader.h"
#include "viewer/review/LogTimeline.h"

namespace casebook {

class CasebookShell;

// The viewer's one document: the recording open (its AVI through the reader, its event log as
// one entry per frame), the position within it, and the playback state and rate. One object
// lives from start-up to exit and is reused for every recording opened.
class CCasebookDoc : public framework::CDocument, public framework::CCmdTarget {
 public:
  // Loads "OverRideFrameRate" and, when it is set, "FrameRate".
  CCasebookDoc(framework::ProfileStore& profile, CasebookShell& shell);
  // Stores "FrameRate" and "OverRideFrameRate".
  ~CCasebookDoc() override;

  bool OnNewDocument();
  // Opens the recording of `path`, the AVI or the log of the pair (the last three characters
  // are replaced by "avi" and "log"). False when nothing could be shown; the reason has been.
  bool OnOpenDocument(const std::string& path);
  void OnCloseDocument();
  // Back to no recording; the override, the rate, the entries and the paths stay.
  void ResetRecording();
  // Fills the entries from the log of the recording.
  void ReadEventLog();

  // Moving through the recording; each does nothing without one.
  void StepForward();
  void StepBack();
  void ShowPosition();
  // One tick of playback: false once the recording has been played to its end.
  bool PlayTick();

  // The recorded rate, frames per second: dwRate / dwScale, at least 1.
  std::int32_t RecordedRate() const;
  // Milliseconds between two frames of playback at the current rate.
  int TimerIntervalMs() const;

  // The reason of the picture shown, null when there is none.
  const FrameReason* PictureReason() const {
    return recordingOpen ? reasons.At(pictureIndex) : nullptr;
  }

  // The entry of the frame at `index`, for the view.
  const char* Entry(std::int32_t index) const { return entries.Entry(index); }

  avi::AviFileInfo fileInfo{};
  std::int32_t position = 0;
  std::int32_t playbackRate = kDefaultRate;
  std::int32_t lastFrame = 0;
  std::int32_t entryCount = 0;
  bool playing = false;
  bool overrideRate = false;
  bool logLoaded = false;
  bool recordingOpen = false;
  const video::BitmapInfoHeader* currentPicture =
      nullptr;  // the reader's, valid until the next fetch
  EntryTable entries;
  // Why each frame was taken, from NAME.csv when the recording has one.
  ReasonTable reasons;
  // The frame the current picture is; its reason is what the view shows.
  std::int32_t pictureIndex = 0;
  bool showZone = false;  // View > Show Zone
  // The frames on the clock of their log lines, and the bursts; built when the log is read.
  review::LogTimeline timeline;
  // The frames marked with [ and ], -1 for none.
  std::int32_t markIn = -1;
  std::int32_t markOut = -1;
  std::string logPath;
  std::string videoPath;

  static constexpr std::int32_t kDefaultRate = 5;
  static constexpr std::size_t kMaxPathChars = 1023;

 private:
  void registerCommands();
  // Fetches frame `index` into the current picture; a frame that cannot be had leaves the
  // picture as it was.
  bool Fetch(std::int32_t index);
  bool Fetch(std::int32_t index, std::string& error);
  bool Fail(const std::string& text);
  int MessageBox(const std::string& text, unsigned type);

  framework::ProfileStore& profile_;
  CasebookShell& shell_;
  avi::AviReader reader_;
};

}  // namespace casebook
