#include "capture/panel/WatchpostView.h"

#include <QMouseEvent>
#include <QSlider>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "capture/panel/PanelFrame.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/base/Text.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/MessageBox.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostDialogs.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

using namespace res;

// The activity bar stands here whenever a detecting sample reached the Threshold, whatever the
// scale: full on L, a quarter on M.
constexpr int kActivityFull = 2000;
constexpr int kFirstFrameX = 80, kFirstFrameY = 60, kFirstFrameWidth = 480, kFirstFrameHeight = 335;

// Preview rates while the zone is drawn, after it is set, and while it is shown again.
constexpr std::uint32_t kDragPreviewMs = 15;
constexpr std::uint32_t kZoneSetPreviewMs = 600;
constexpr std::uint32_t kShowZonePreviewMs = 1000;

// An edit's number as the panel reads it: its first nine characters, `emptyText` when it has
// none, a decimal integer at the start; a text that does not start with one counts as empty.
long ReadEditNumber(const std::string& text, const char* emptyText) {
  std::string head = text.substr(0, base::Utf8PrefixBytes(text, 9));
  if (head.empty()) head = emptyText;
  const char* begin = head.c_str();
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin) return std::strtol(emptyText, nullptr, 10);
  return value;  // nine characters always fit a long
}

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string FormatInt(long value) { return std::to_string(value); }

}  // namespace

CWatchpostView::CWatchpostView(CWatchpostDoc& document, PanelFrame& frame, QWidget* parent)
    : CFormView(kWatchpostForm, parent),
      document_(document),
      frame_(frame),
      timers_([this](int id) { OnTimer(id); }, this) {
  document_.AddView(this);
  registerHandlers();
}

CWatchpostView::~CWatchpostView() { document_.RemoveView(this); }

void CWatchpostView::registerHandlers() {
  OnClicked(IDC_START, [this] { OnStartButton(); });
  OnClicked(IDC_PAUSE, [this] { OnPauseButton(); });
  OnClicked(IDC_BEEP_ON_HIT, [this] { OnBeepOnHit(); });
  OnClicked(IDC_SPECIFY_PLAYBACK, [this] { OnSpecifyPlayback(); });
  OnClicked(IDC_APPLY, [this] { OnApply(); });
  OnClicked(IDC_AUTO_RESTART, [this] { OnAutoRestart(); });
  OnClicked(IDC_SCALE_LOW, [this] { OnScaleLow(); });
  OnClicked(IDC_SCALE_MEDIUM, [this] { OnScaleMedium(); });
  OnClicked(IDC_SCALE_HIGH, [this] { OnScaleHigh(); });
  OnClicked(IDC_PEEK_HIDE, [this] { OnPeekHide(); });
  OnScroll(IDC_THRESHOLD_SLIDER, [this] { OnHScroll(IDC_THRESHOLD_SLIDER); });
  OnScroll(IDC_DIFFERENTIAL_SLIDER, [this] { OnHScroll(IDC_DIFFERENTIAL_SLIDER); });
  // The Profile button has no click handler of its own: its click runs this command.
  OnCommand(cmd::ProfileImage, [this] { OnProfile(); });
  OnCommand(cmd::StartStop, [this] { OnStartStop(); });
  OnCommand(cmd::ClearZone, [this] { OnClearZone(); });
  OnCommand(cmd::ShowZone, [this] { OnShowZone(); });
}

void CWatchpostView::DoDataExchange(framework::CDataExchange& dx) {
  framework::DDX_Text(dx, IDC_THRESHOLD_TEXT, thresholdText);
  framework::DDX_Text(dx, IDC_DIFFERENTIAL_TEXT, differentialText);
  framework::DDX_Text(dx, IDC_CAPTURED, capturedText);
  framework::DDX_Text(dx, IDC_SAMPLED, sampledText);
  framework::DDX_Text(dx, IDC_PIXELS_HIT, pixelsText);
  framework::DDX_Check(dx, IDC_BEEP_ON_HIT, beepCheck);
  framework::DDX_Check(dx, IDC_START, startCheck);
  framework::DDX_Check(dx, IDC_AUTO_MAIL, mailCheck);
}

void CWatchpostView::OnInitialUpdate() {
  CFormView::OnInitialUpdate();
  // A driver that failed while the capture was set up ends the program once it has started.
  if (document_.driverError != 0) frame_.PostQuitMessage(1);
  frame_.MoveFrame(kFirstFrameX, kFirstFrameY, kFirstFrameWidth, kFirstFrameHeight);
  document_.captureRef()->setWindowPos(QRect(kPanelWidth, 0, width() - kPanelWidth, height()));

  startCheck = 0;
  SetBarPos(IDC_ACTIVITY, 0);
  SetBarPos(IDC_THRESHOLD_SLIDER, document_.Threshold);
  SetBarPos(IDC_DIFFERENTIAL_SLIDER, document_.Differential);
  SetBarRange(IDC_DIFFERENTIAL_SLIDER, 0, 128);
  if (auto* slider = GetDlgItemAs<QSlider>(IDC_DIFFERENTIAL_SLIDER)) slider->setPageStep(8);
  differentialText = FormatInt(document_.Differential);
  SetDlgItemText(IDC_LIMIT, FormatInt(document_.Limit));
  SetDlgItemText(IDC_INTERVAL, FormatInt(document_.Interval));
  CheckDlgButton(IDC_AUTO_RESTART, document_.AutoRestart != 0);
  CheckDlgButton(IDC_SPECIFY_PLAYBACK, document_.SetPlayback != 0);
  EnableDlgItem(IDC_PLAYBACK, document_.SetPlayback == 1);
  ShowPlaybackRate();

  switch (document_.ScaleState) {
    case 1:
      CheckRadioButton(IDC_SCALE_LOW, IDC_SCALE_LOW, IDC_SCALE_LOW);
      OnScaleLow();
      break;
    case 2:
      CheckRadioButton(IDC_SCALE_MEDIUM, IDC_SCALE_MEDIUM, IDC_SCALE_MEDIUM);
      OnScaleMedium();
      break;
    case 3:
      CheckRadioButton(IDC_SCALE_HIGH, IDC_SCALE_HIGH, IDC_SCALE_HIGH);
      OnScaleHigh();
      break;
    default: break;  // a stored scale outside the three leaves the buttons and ranges as they are
  }
}

void CWatchpostView::OnUpdate(framework::CView*, framework::UpdateHint hint) {
  sampledText = FormatInt(document_.sampledCount);
  capturedText = FormatInt(document_.capturedCount);
  if (document_.mode == ModeDetect && document_.pixelsHit >= document_.Threshold) {
    SetBarPos(IDC_ACTIVITY, kActivityFull);
    pixelsText = base::FillIn(text::kPixelsOverThreshold, {FormatInt(document_.Threshold)});
  } else {
    SetBarPos(IDC_ACTIVITY, document_.pixelsHit);
    pixelsText = FormatInt(document_.pixelsHit);
  }
  if (!hint.has(framework::Change::Settings)) {
    SetDlgItemText(IDC_SAMPLED, sampledText);
    SetDlgItemText(IDC_CAPTURED, capturedText);
    SetDlgItemText(IDC_PIXELS_HIT, pixelsText);
    return;
  }
  beepCheck = document_.Beep;
  SetBarPos(IDC_THRESHOLD_SLIDER, document_.Threshold);
  SetBarPos(IDC_DIFFERENTIAL_SLIDER, document_.Differential);
  thresholdText = FormatInt(document_.Threshold);
  differentialText = FormatInt(document_.Differential);
  UpdateData(false);
}

void CWatchpostView::OnHScroll(int) {
  // Both sliders are read, whichever moved: a slider whose range cut the stored value off
  // stores its end.
  document_.Threshold = GetBarPos(IDC_THRESHOLD_SLIDER);
  document_.Differential = GetBarPos(IDC_DIFFERENTIAL_SLIDER);
  // Frames redraw only the counters, so the slider's own texts follow here.
  thresholdText = FormatInt(document_.Threshold);
  differentialText = FormatInt(document_.Differential);
  UpdateData(false);
}

void CWatchpostView::ReadPanelEdits() {
  long limit = std::clamp(ReadEditNumber(GetDlgItemText(IDC_LIMIT), "1"), 1L, 64000L);
  document_.Limit = static_cast<int>(limit);
  SetDlgItemText(IDC_LIMIT, FormatInt(limit));

  long interval = std::clamp(ReadEditNumber(GetDlgItemText(IDC_INTERVAL), "60"),
                             long{kShortestIntervalMs}, 120000L);
  document_.Interval = static_cast<int>(interval);
  SetDlgItemText(IDC_INTERVAL, FormatInt(interval));

  if (document_.SetPlayback == 1) {
    const long rate = std::clamp(ReadEditNumber(GetDlgItemText(IDC_PLAYBACK), "1"), 1L, 20L);
    document_.Playback = static_cast<float>(rate);
  }
  ShowPlaybackRate();
}

// The rate a run will be played at: the one asked for, or one frame per sample interval.
void CWatchpostView::ShowPlaybackRate() {
  // An Interval of 0 can only come from a hand-edited profile; it has no rate of its own.
  const double rate = document_.SetPlayback == 1 || document_.Interval <= 0
                          ? double{document_.Playback}
                          : 1000.0 / document_.Interval;
  SetDlgItemText(IDC_PLAYBACK, Format("%2.2f", rate));
}

void CWatchpostView::OnApply() {
  ReadPanelEdits();
  document_.ApplySettings();
}

void CWatchpostView::OnStartButton() { StartOrStop(false); }

void CWatchpostView::StartOrStop(bool automatic) {
  ReadPanelEdits();
  UpdateData(true);
  if (startCheck == 1) {
    if (!document_.MayStartRun(automatic)) {
      CheckDlgButton(IDC_START, false);
      startCheck = 0;
      return;
    }
    if (document_.compressorChosen == 0 && !(automatic && defaultCompressorAccepted_)) {
      if (MessageBox(text::kDefaultCompressorQuestion, text::kCompressorCaption,
                     framework::MB_YESNO | framework::MB_ICONEXCLAMATION) != framework::IDYES) {
        CheckDlgButton(IDC_START, false);
        startCheck = 0;
        return;
      }
      defaultCompressorAccepted_ = true;
    }
    SetDlgItemText(IDC_START, text::kEndButton);
    ShowDlgItem(IDC_PAUSE, true);
    EnableDlgItem(IDC_PAUSE, true);
    SetDlgItemText(IDC_PAUSE, text::kPauseButton);
    EnableRunEdits(false);
    EnableDlgItem(IDC_PLAYBACK, false);
    document_.StartRun(automatic);
  } else {
    document_.StopRun();
    SetDlgItemText(IDC_START, text::kStartButton);
    ShowDlgItem(IDC_PAUSE, false);
    CheckDlgButton(IDC_PAUSE, false);
    SetDlgItemText(IDC_PAUSE, "");
    EnableRunEdits(true);
    EnableDlgItem(IDC_PLAYBACK, document_.SetPlayback == 1);
  }
}

void CWatchpostView::EnableRunEdits(bool enable) {
  EnableDlgItem(IDC_LIMIT, enable);
  EnableDlgItem(IDC_INTERVAL, enable);
  EnableDlgItem(IDC_SPECIFY_PLAYBACK, enable);
  EnableDlgItem(IDC_APPLY, enable);
}

void CWatchpostView::OnStartStop() {
  CheckDlgButton(IDC_START, !IsDlgButtonChecked(IDC_START));
  OnStartButton();
}

void CWatchpostView::OnPauseButton() {
  if (IsDlgButtonChecked(IDC_PAUSE)) {
    SetDlgItemText(IDC_PAUSE, text::kContinueButton);
    document_.mode = ModePreviewMovement;  // nothing is captured, movement is shown
  } else {
    SetDlgItemText(IDC_PAUSE, text::kPauseButton);
    document_.mode = ModeDetect;
  }
}

void CWatchpostView::OnBeepOnHit() {
  UpdateData(true);
  document_.Beep = beepCheck;
}

void CWatchpostView::OnSpecifyPlayback() {
  document_.SetPlayback = IsDlgButtonChecked(IDC_SPECIFY_PLAYBACK) ? 1 : 0;
  EnableDlgItem(IDC_PLAYBACK, document_.SetPlayback == 1);
  ShowPlaybackRate();
}

void CWatchpostView::OnAutoRestart() {
  document_.AutoRestart = IsDlgButtonChecked(IDC_AUTO_RESTART) ? 1 : 0;
}

void CWatchpostView::OnScaleLow() { SetScale(2000, 100, 1); }
void CWatchpostView::OnScaleMedium() { SetScale(8000, 400, 2); }
void CWatchpostView::OnScaleHigh() { SetScale(64000, 3200, 3); }

void CWatchpostView::SetScale(int range, int pageSize, int scaleState) {
  SetBarRange(IDC_THRESHOLD_SLIDER, 0, range);
  SetBarRange(IDC_ACTIVITY, 0, range);
  if (auto* slider = GetDlgItemAs<QSlider>(IDC_THRESHOLD_SLIDER)) slider->setPageStep(pageSize);
  document_.ScaleState = scaleState;
}

void CWatchpostView::OnTimer(int id) {
  if (id != kRestartTimerId) return;
  timers_.KillTimer(id);
  if (!document_.ReadyToRestart()) return;  // it waits for its folder, and has said so
  CheckDlgButton(IDC_START, !IsDlgButtonChecked(IDC_START));
  StartOrStop(true);
}

void CWatchpostView::StartUnattended() {
  defaultCompressorAccepted_ = true;
  if (IsDlgButtonChecked(IDC_START)) return;
  CheckDlgButton(IDC_START, true);
  StartOrStop(true);
}

void CWatchpostView::OnPeekHide() { frame_.Peek(); }

void CWatchpostView::OnProfile() {
  document_.detector().BeginProfile();
  frame_.SetMessageText(text::kPerformingAnalysis);
  // Nothing reaches the panel until the analysis is done and enables it again.
  setEnabled(false);
}

// --- the trigger zone editor

void CWatchpostView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) OnLButtonDown(event->position().toPoint());
  CFormView::mousePressEvent(event);
}

void CWatchpostView::mouseMoveEvent(QMouseEvent* event) {
  OnMouseMove((event->buttons() & Qt::LeftButton) != 0, event->position().toPoint());
  CFormView::mouseMoveEvent(event);
}

void CWatchpostView::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  // The mouse is not held for the view during a drag: a release outside it goes unseen.
  if (event->button() == Qt::LeftButton && rect().contains(point)) OnLButtonUp(point);
  CFormView::mouseReleaseEvent(event);
}

void CWatchpostView::OnLButtonDown(QPoint point) {
  if (point.x() <= kPanelWidth || dragging != 0) return;
  dragStart = point;
  document_.captureRef()->setPreviewRate(kDragPreviewMs);
  dragging = 1;
}

void CWatchpostView::OnMouseMove(bool leftButtonDown, QPoint point) {
  if (point.x() <= kPanelWidth || dragging != 1 || !leftButtonDown) return;
  // Nothing is erased: the next frame, 15 ms on, paints over the last outline.
  document_.captureRef()->drawEtchedRect(
      QRect(QPoint(dragStart.x() - kVideoOffsetX, dragStart.y() - kDrawOffsetY),
            QPoint(point.x() - kVideoOffsetX, point.y() - kDrawOffsetY)));
}

void CWatchpostView::OnLButtonUp(QPoint point) {
  if (point.x() <= kPanelWidth || dragging != 1) return;
  SetTriggerZone(dragStart.x(), dragStart.y(), point.x(), point.y());
  dragging = 0;
}

void CWatchpostView::SetTriggerZone(int left, int top, int right, int bottom) {
  const QSize picture = document_.captureRef()->clientSize();
  const int width = picture.width(), height = picture.height();
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  left = std::max(left, kPanelWidth);
  if (static_cast<long long>(right - left) * (bottom - top) < kSmallZoneArea &&
      MessageBox(text::kSmallZoneQuestion, text::kZoneCaption,
                 framework::MB_YESNO | framework::MB_ICONQUESTION | framework::MB_DEFBUTTON2) !=
          framework::IDYES) {
    return;
  }
  // Fractions of a picture that has no size yet would be infinite; the zone is kept for when
  // the picture has one, and the detector saturates what it cannot use.
  const double w = width > 0 ? width : 1.0;
  const double h = height > 0 ? height : 1.0;
  document_.ZoneLeft = static_cast<float>((left - kVideoOffsetX) / w);
  document_.ZoneRight = static_cast<float>((right - kVideoOffsetX) / w);
  document_.ZoneTop = static_cast<float>(top / h);
  document_.ZoneBottom = static_cast<float>(bottom / h);
  document_.ZoneSet = 1;
  document_.detector().ComputeZoneBounds();
  document_.captureRef()->drawEtchedRect(
      QRect(QPoint(left - kVideoOffsetX, top - kDrawOffsetY),
            QPoint(right - kVideoOffsetX, bottom - kDrawOffsetY)));
  document_.captureRef()->setPreviewRate(kZoneSetPreviewMs);
  document_.mode = ModeShowZone;
}

void CWatchpostView::OnClearZone() { document_.ZoneSet = 0; }

void CWatchpostView::OnShowZone() {
  if (document_.ZoneSet == 0) {
    MessageBox(text::kNoZoneMessage, text::kZoneCaption,
               framework::MB_OK | framework::MB_ICONEXCLAMATION);
    return;
  }
  document_.captureRef()->setPreviewRate(kShowZonePreviewMs);
  document_.mode = ModeShowZone;
}

int CWatchpostView::MessageBox(const std::string& text, const char* caption, unsigned type) {
  return framework::MessageBox(this, text, caption, type);
}

}  // namespace watchpost
