#pragma once

#include <functional>
#include <string>

#include "platform/framework/FormView.h"
#include "resources/CasebookTexts.h"
#include "viewer/view/ViewerDialogs.h"

class QMouseEvent;
class QPaintEvent;
class QPainter;
class QRect;

namespace casebook {

class CCasebookDoc;
struct FrameReason;

// The viewer's screen: a band of controls (the position's log entry, a slider, the number of
// frames) above the picture of the frame fetched last, stretched to the rest of the view.
class CCasebookView : public framework::CFormView {
 public:
  // `stopStart` is the main frame's Stop/Start, which a click on the picture runs.
  CCasebookView(CCasebookDoc& document, std::function<void()> stopStart, QWidget* parent = nullptr);
  ~CCasebookView() override;

  void OnInitialUpdate() override;
  // A step moves the slider and repaints the picture and its entry; nothing else of the band.
  void OnUpdate(framework::CView* sender, framework::UpdateHint hint) override;
  // A slider notification (TrackbarCodes.h).
  void OnHScroll(int code);
  void OnSpeed();
  // The picture on the screen to the clipboard.
  void OnEditCopy();
  // Forget the picture: paint the empty area until the next recording is shown.
  void DropPicture();
  bool showsPicture() const { return drawing_; }
  // The line under the log entry as last painted; empty when the picture has no reason.
  const std::string& reasonShown() const { return reasonShown_; }
  // A widget of the band that the line under the log entry stops short of while it is shown
  // (the activity strip under the slider); null for none.
  void SetReasonNeighbour(const QWidget* neighbour) { reasonNeighbour_ = neighbour; }

  std::string totalText = res::text::kTotalBeforeOpen;
  std::string entryText = res::text::kEntryBeforeOpen;
  CPlaybackSpeedDlg speedDialog;

  // The band of controls; the picture is drawn below it.
  static constexpr int kBandHeight = 40;
  // The line under the log entry.
  static constexpr int kReasonLeft = 8, kReasonTop = 25;

 protected:
  void DoDataExchange(framework::CDataExchange& dx) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // The text of the entry at the document's position, as the band shows it.
  std::string PositionEntry() const;
  // What the picture area shows: the frame stretched to it, or the empty colour.
  void DrawPicture(QPainter& painter);
  // The zone the picture was compared in, over it.
  void DrawZone(QPainter& painter, const QRect& area, const FrameReason& reason);
  // Why the picture was taken, in the line under its log entry.
  void DrawReason(QPainter& painter);

  CCasebookDoc& document_;
  std::function<void()> stopStart_;
  bool drawing_ = false;  // a recording is shown
  std::string reasonShown_;
  const QWidget* reasonNeighbour_ = nullptr;
};

}  // namespace casebook
