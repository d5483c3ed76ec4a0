#include "viewer/app/ReviewCommands.h"

#include <QSlider>

#include "platform/base/Text.h"
#include "platform/framework/StatusBar.h"
#include "resources/CasebookResources.h"
#include "viewer/app/MainFrame.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/review/ActivityStrip.h"
#include "viewer/review/BurstList.h"
#include "viewer/review/Bursts.h"
#include "viewer/review/RecordedPace.h"
#include "viewer/review/SkipCard.h"
#include "viewer/view/CasebookView.h"

namespace casebook {
namespace {

constexpr const char* kSection = "Settings";
constexpr const char* kStripKey = "ActivityStrip";
constexpr const char* kListKey = "BurstList";
constexpr const char* kRecordedKey = "PlayAtRecordedTimes";

}  // namespace

ReviewCommands::ReviewCommands(CCasebookDoc& document, CCasebookView& view, CMainFrame& frame,
                               framework::ProfileStore& profile)
    : document_(document),
      view_(view),
      frame_(frame),
      profile_(profile),
      strip_(new review::ActivityStrip(
          *view.GetDlgItemAs<QSlider>(res::IDC_SLIDER), [this](std::int32_t f) { GoToFrame(f); },
          &view)),
      list_(new review::BurstList([this](int burst) { GoToBurst(burst); }, frame.clientWindow())),
      card_(new review::SkipCard(&view)) {
  stripShown_ = profile_.GetProfileInt(kSection, kStripKey, 0) != 0;
  listShown_ = profile_.GetProfileInt(kSection, kListKey, 0) != 0;
  recordedTimes_ = profile_.GetProfileInt(kSection, kRecordedKey, 0) != 0;
  strip_->setVisible(stripShown_);
  view_.SetReasonNeighbour(strip_);
  list_->hide();
  frame_.SetSidePanel(list_, review::BurstList::kWidth);
  frame_.ShowSidePanel(listShown_);
  frame_.SetPlayPacing([this](bool starting) { return PlayIntervalMs(starting); });
  document_.AddView(this);
  registerCommands();
}

ReviewCommands::~ReviewCommands() {
  document_.RemoveView(this);
  frame_.SetPlayPacing({});
  view_.SetReasonNeighbour(nullptr);
  profile_.WriteProfileInt(kSection, kStripKey, stripShown_ ? 1 : 0);
  profile_.WriteProfileInt(kSection, kListKey, listShown_ ? 1 : 0);
  profile_.WriteProfileInt(kSection, kRecordedKey, recordedTimes_ ? 1 : 0);
}

void ReviewCommands::registerCommands() {
  OnCommand(res::cmd::NextBurst, [this] { OnNextBurst(); });
  OnCommand(res::cmd::PreviousBurst, [this] { OnPreviousBurst(); });
  OnCommand(res::cmd::MarkIn, [this] { OnMarkIn(); });
  OnCommand(res::cmd::MarkOut, [this] { OnMarkOut(); });
  OnCommand(res::cmd::ActivityStrip, [this] { OnActivityStrip(); });
  OnCommand(res::cmd::BurstList, [this] { OnBurstList(); });
  OnCommand(res::cmd::PlayRecordedTimes, [this] { OnPlayRecordedTimes(); });
  OnUpdateCommandUI(res::cmd::NextBurst, [this](framework::CCmdUI& ui) {
    ui.Enable(document_.recordingOpen &&
              review::NextBurst(document_.timeline, document_.pictureIndex) >= 0);
  });
  OnUpdateCommandUI(res::cmd::PreviousBurst, [this](framework::CCmdUI& ui) {
    ui.Enable(document_.recordingOpen &&
              review::PreviousBurst(document_.timeline, document_.pictureIndex) >= 0);
  });
  for (const int id : {res::cmd::MarkIn, res::cmd::MarkOut}) {
    OnUpdateCommandUI(id, [this](framework::CCmdUI& ui) { ui.Enable(document_.recordingOpen); });
  }
  OnUpdateCommandUI(res::cmd::ActivityStrip, [this](framework::CCmdUI& ui) {
    ui.Enable();
    ui.SetCheck(stripShown_ ? 1 : 0);
  });
  OnUpdateCommandUI(res::cmd::BurstList, [this](framework::CCmdUI& ui) {
    ui.Enable();
    ui.SetCheck(listShown_ ? 1 : 0);
  });
  OnUpdateCommandUI(res::cmd::PlayRecordedTimes, [this](framework::CCmdUI& ui) {
    ui.Enable();
    ui.SetCheck(recordedTimes_ ? 1 : 0);
  });
}

void ReviewCommands::OnRecordingChanged() {
  card_->Dismiss();
  lastShown_ = -1;
  const review::LogTimeline& timeline = document_.timeline;
  if (document_.recordingOpen) {
    strip_->SetRecording(timeline);
    list_->SetRecording(document_.videoPath, timeline.bursts());
  } else {
    strip_->SetRecording(review::LogTimeline{});
    list_->SetRecording({}, {});
  }
  UpdateMarks();
}

void ReviewCommands::OnUpdate(framework::CView*, framework::UpdateHint hint) {
  if (hint.has(framework::Change::Position)) UpdateMarks();
}

void ReviewCommands::UpdateMarks() {
  const review::LogTimeline& timeline = document_.timeline;
  const int burst = document_.recordingOpen ? timeline.burstOf(document_.pictureIndex) : -1;
  std::int32_t first = 0, last = -1;
  if (burst >= 0) {
    const review::Burst& b = timeline.bursts()[static_cast<std::size_t>(burst)];
    first = b.first;
    last = b.first + b.count - 1;
  }
  strip_->SetMarks(first, last, document_.markIn, document_.markOut);
  list_->SetCurrent(burst);
}

void ReviewCommands::GoToFrame(std::int32_t frame) {
  if (!document_.recordingOpen) return;
  document_.position = frame;
  document_.ShowPosition();
}

void ReviewCommands::GoToBurst(int index) {
  const auto& bursts = document_.timeline.bursts();
  if (!document_.recordingOpen || index < 0 || index >= static_cast<int>(bursts.size())) return;
  // As Forward and Back do, a jump stops playback first.
  if (document_.playing) frame_.OnStopStart();
  GoToFrame(bursts[static_cast<std::size_t>(index)].first);
  Say(review::BurstStatusText(document_.timeline, index));
}

void ReviewCommands::Say(const std::string& text) {
  if (framework::CStatusBar* bar = frame_.statusBar()) bar->SetPaneText(0, text, true);
}

void ReviewCommands::OnNextBurst() {
  GoToBurst(review::NextBurst(document_.timeline, document_.pictureIndex));
}

void ReviewCommands::OnPreviousBurst() {
  GoToBurst(review::PreviousBurst(document_.timeline, document_.pictureIndex));
}

void ReviewCommands::OnMarkIn() {
  if (!document_.recordingOpen) return;
  document_.markIn = document_.pictureIndex;
  // A range runs forwards: a mark out before the new mark in goes.
  if (document_.markOut >= 0 && document_.markOut < document_.markIn) document_.markOut = -1;
  UpdateMarks();
  Say(base::FillIn(res::text::kMarkInStatus, {std::to_string(document_.markIn + 1)}));
}

void ReviewCommands::OnMarkOut() {
  if (!document_.recordingOpen) return;
  document_.markOut = document_.pictureIndex;
  if (document_.markIn > document_.markOut) document_.markIn = -1;
  UpdateMarks();
  Say(base::FillIn(res::text::kMarkOutStatus, {std::to_string(document_.markOut + 1)}));
}

void ReviewCommands::OnActivityStrip() {
  stripShown_ = !stripShown_;
  strip_->setVisible(stripShown_);
  view_.update();  // the line under the entry makes room for it, or takes it back
}

void ReviewCommands::OnBurstList() {
  listShown_ = !listShown_;
  frame_.ShowSidePanel(listShown_);
  if (listShown_) UpdateMarks();
}

void ReviewCommands::OnPlayRecordedTimes() {
  recordedTimes_ = !recordedTimes_;
  if (!recordedTimes_) card_->Dismiss();
}

int ReviewCommands::PlayIntervalMs(bool starting) {
  const review::LogTimeline& timeline = document_.timeline;
  // Without a log's times the recording plays at its rate.
  if (!recordedTimes_ || !timeline.hasTimes()) return -1;
  const std::int32_t shown = document_.pictureIndex;
  if (starting) {
    lastShown_ = shown;
    return review::RecordedStartMs(timeline, shown, document_.position);
  }
  const review::PlayStep step = review::RecordedStep(timeline, lastShown_, shown);
  lastShown_ = shown;
  if (step.skipped > 0) {
    const QRect client = view_.clientRect();
    const QRect picture(0, CCasebookView::kBandHeight, client.width(),
                        std::max(client.height() - CCasebookView::kBandHeight, 0));
    card_->ShowFor(review::SkippedText(step.skipped), picture,
                   static_cast<int>(review::kCardSeconds * 1000));
  }
  return step.intervalMs;
}

}  // namespace casebook
