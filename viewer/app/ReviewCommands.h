#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/Command.h"
#include "platform/framework/Document.h"
#include "platform/framework/ProfileStore.h"

namespace casebook {

class CCasebookDoc;
class CCasebookView;
class CMainFrame;

namespace review {
class ActivityStrip;
class BurstList;
class SkipCard;
}  // namespace review

// Reviewing a night's recording: Next and Previous Burst, the marks [ and ], the activity strip
// under the slider, the burst list beside the picture and playing at recorded times. Its
// commands sit first in the router's chain; its widgets are children of the view and the frame.
// With the strip, the list and recorded times off, the program is as it was without them.
class ReviewCommands : public framework::CCmdTarget, public framework::CView {
 public:
  // Loads "ActivityStrip", "BurstList" and "PlayAtRecordedTimes".
  ReviewCommands(CCasebookDoc& document, CCasebookView& view, CMainFrame& frame,
                 framework::ProfileStore& profile);
  // Stores the three settings.
  ~ReviewCommands() override;

  // After every open, whether it worked or not: the strip and the list follow the recording.
  void OnRecordingChanged();
  // The position moved: the current burst is lit on the strip and selected in the list.
  void OnUpdate(framework::CView* sender, framework::UpdateHint hint) override;

  void OnNextBurst();
  void OnPreviousBurst();
  void OnMarkIn();
  void OnMarkOut();
  void OnActivityStrip();
  void OnBurstList();
  void OnPlayRecordedTimes();
  // To the first frame of burst `index`, its log line and the status text naming it.
  void GoToBurst(int index);
  // To `frame`, as the slider's let-go does.
  void GoToFrame(std::int32_t frame);

  bool stripShown() const { return stripShown_; }
  bool listShown() const { return listShown_; }
  bool recordedTimes() const { return recordedTimes_; }
  review::ActivityStrip& strip() const { return *strip_; }
  review::BurstList& burstList() const { return *list_; }
  review::SkipCard& card() const { return *card_; }

 private:
  void registerCommands();
  // The frame's pacing: the next wait at recorded times, -1 for the playback rate.
  int PlayIntervalMs(bool starting);
  void UpdateMarks();
  // `text` in the status bar's first pane.
  void Say(const std::string& text);

  CCasebookDoc& document_;
  CCasebookView& view_;
  CMainFrame& frame_;
  framework::ProfileStore& profile_;
  review::ActivityStrip* strip_;  // children of the view and the frame
  review::BurstList* list_;
  review::SkipCard* card_;
  bool stripShown_ = false;
  bool listShown_ = false;
  bool recordedTimes_ = false;
  std::int32_t lastShown_ = -1;  // the frame playback showed last, for the card
};

}  // namespace casebook
