#pragma once

#include <QPoint>

#include <string>

#include "platform/framework/FormView.h"
#include "platform/framework/WindowTimer.h"

class QMouseEvent;

namespace watchpost {

class CWatchpostDoc;
class PanelFrame;

// The control panel (form 101) on the left strip of the main frame, and the trigger zone editor
// over the live picture to its right: the capture window lies beneath this view, so the mouse
// over the picture reaches the view.
class CWatchpostView : public framework::CFormView {
 public:
  CWatchpostView(CWatchpostDoc& document, PanelFrame& frame, QWidget* parent = nullptr);
  ~CWatchpostView() override;

  void OnInitialUpdate() override;
  // After every frame only the counters and the level bar; the sliders, their texts and the
  // check boxes when the settings changed, or on a full update.
  void OnUpdate(framework::CView* sender, framework::UpdateHint hint) override;

  // The Start/Stop toggle: the menu, Ctrl+T, the frame limit and the restart timer.
  void OnStartStop();
  void OnStartButton();
  void OnPauseButton();
  void OnApply();
  void OnBeepOnHit();
  void OnSpecifyPlayback();
  void OnAutoRestart();
  void OnScaleLow();
  void OnScaleMedium();
  void OnScaleHigh();
  void OnHScroll(int sliderId);
  void OnPeekHide();
  void OnProfile();
  // The restart timer starts the next run; any other timer is not ours.
  void OnTimer(int id);
  // A run asked for on the command line: it starts at once, and neither it nor the automatic
  // restarts after it ask about the default compressor (nobody may be there to answer).
  void StartUnattended();
  // Clamps the three edits into their ranges, stores them and writes them back.
  void ReadPanelEdits();

  // The zone editor. Points are in this view's coordinates.
  void OnLButtonDown(QPoint point);
  void OnMouseMove(bool leftButtonDown, QPoint point);
  void OnLButtonUp(QPoint point);
  void SetTriggerZone(int left, int top, int right, int bottom);
  void OnClearZone();
  void OnShowZone();

  // The view's window timers (the document arms the restart timer through the shell).
  framework::WindowTimers& timers() { return timers_; }

  std::string thresholdText, differentialText, capturedText, sampledText, pixelsText;
  int beepCheck = 0;
  int startCheck = 0;
  int mailCheck = 0;
  int dragging = 0;
  QPoint dragStart;

  // Where the panel strip ends; the picture's offset as the zone editor takes it.
  static constexpr int kPanelWidth = 140;
  static constexpr int kVideoOffsetX = 138;
  static constexpr int kDrawOffsetY = 1;
  static constexpr int kSmallZoneArea = 1200;

 protected:
  void DoDataExchange(framework::CDataExchange& dx) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void registerHandlers();
  // Starts or stops a run as the Start button now stands; `automatic` for the restart timer.
  void StartOrStop(bool automatic);
  void SetScale(int range, int pageSize, int scaleState);
  void EnableRunEdits(bool enable);
  void ShowPlaybackRate();
  int MessageBox(const std::string& text, const char* caption, unsigned type);

  CWatchpostDoc& document_;
  PanelFrame& frame_;
  framework::WindowTimers timers_;
  // The user accepted the default compressor once; automatic restarts then go ahead unasked.
  bool defaultCompressorAccepted_ = false;
};

}  // namespace watchpost
