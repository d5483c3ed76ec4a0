#include "viewer/review/ActivityStrip.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cmath>

namespace casebook::review {
namespace {

const QColor kBar(70, 70, 96);
const QColor kMark(200, 0, 0);

}  // namespace

ActivityStrip::ActivityStrip(QSlider& slider, std::function<void(std::int32_t)> goTo,
                             QWidget* parent)
    : QWidget(parent), slider_(slider), goTo_(std::move(goTo)) {
  slider_.installEventFilter(this);
  setCursor(Qt::PointingHandCursor);
  Follow();
}

void ActivityStrip::SetRecording(const LogTimeline& timeline) {
  buckets_ = MinuteBuckets(timeline);
  lastFrame_ = std::max(timeline.frameCount() - 1, 0);
  maxCount_ = 0;
  for (const MinuteBucket& bucket : buckets_) maxCount_ = std::max(maxCount_, bucket.count);
  peaksSpan_ = -1;
  burstLast_ = markIn_ = markOut_ = -1;
  update();
}

void ActivityStrip::SetMarks(std::int32_t burstFirst, std::int32_t burstLast, std::int32_t markIn,
                             std::int32_t markOut) {
  if (burstFirst == burstFirst_ && burstLast == burstLast_ && markIn == markIn_ &&
      markOut == markOut_) {
    return;
  }
  burstFirst_ = burstFirst;
  burstLast_ = burstLast;
  markIn_ = markIn;
  markOut_ = markOut;
  update();
}

bool ActivityStrip::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &slider_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
    Follow();
  }
  return false;
}

void ActivityStrip::Follow() {
  const QRect at = slider_.geometry();
  setGeometry(at.x(), at.bottom() + 1, at.width(), kHeight);
}

void ActivityStrip::HandleTravel(int& origin, int& span) const {
  QStyleOptionSlider option;
  option.initFrom(&slider_);
  option.orientation = slider_.orientation();
  option.minimum = slider_.minimum();
  option.maximum = slider_.maximum();
  option.sliderPosition = slider_.sliderPosition();
  option.sliderValue = slider_.value();
  option.tickPosition = slider_.tickPosition();
  option.subControls = QStyle::SC_All;
  const QStyle* style = slider_.style();
  const QRect groove =
      style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, &slider_);
  const QRect handle =
      style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider_);
  origin = groove.x() + handle.width() / 2;
  span = std::max(groove.width() - handle.width(), 0);
}

int ActivityStrip::ColumnX(std::int32_t frame) const {
  int origin = 0, span = 0;
  HandleTravel(origin, span);
  return origin + StripColumnOf(frame, lastFrame_, span);
}

void ActivityStrip::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect box = rect();
  painter.fillRect(box, palette().base());
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  int origin = 0, span = 0;
  HandleTravel(origin, span);
  const int top = 1, bottom = box.height() - 2;  // inside the border
  const int barRoom = bottom - top + 1;

  if (burstLast_ >= burstFirst_) {
    const int from = origin + StripColumnOf(burstFirst_, lastFrame_, span);
    const int to = origin + StripColumnOf(burstLast_, lastFrame_, span);
    QColor lit = palette().color(QPalette::Highlight);
    lit.setAlpha(70);
    painter.fillRect(QRect(QPoint(from, top), QPoint(to, bottom)), lit);
  }

  if (peaksSpan_ != span) {
    peaks_ = ColumnPeaks(buckets_, lastFrame_, span);
    peaksSpan_ = span;
  }
  if (maxCount_ > 0) {
    const QColor current = palette().color(QPalette::Highlight).darker(130);
    for (int c = 0; c <= span && c < static_cast<int>(peaks_.size()); ++c) {
      const std::int32_t peak = peaks_[static_cast<std::size_t>(c)];
      if (peak == 0) continue;
      // Even a minute of one frame shows.
      const int height =
          std::max(1, static_cast<int>(std::lround(double(peak) * barRoom / maxCount_)));
      const std::int32_t frame = StripFrameAt(c, lastFrame_, span);
      const bool inBurst = burstLast_ >= burstFirst_ && frame >= burstFirst_ && frame <= burstLast_;
      painter.fillRect(QRect(origin + c, bottom - height + 1, 1, height), inBurst ? current : kBar);
    }
  }

  // [ at the mark in, ] at the mark out: a bar the strip's height with its ends turned inwards.
  painter.setPen(QPen(kMark, 1));
  const auto bracket = [&](std::int32_t frame, int inward) {
    if (frame < 0) return;
    const int x = origin + StripColumnOf(frame, lastFrame_, span);
    painter.drawLine(x, 0, x, box.height() - 1);
    painter.drawLine(x, 0, x + 2 * inward, 0);
    painter.drawLine(x, box.height() - 1, x + 2 * inward, box.height() - 1);
  };
  bracket(markIn_, 1);
  bracket(markOut_, -1);
}

void ActivityStrip::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  int origin = 0, span = 0;
  HandleTravel(origin, span);
  const int column = std::clamp(qRound(event->position().x()) - origin, 0, span);
  if (goTo_) goTo_(StripFrameAt(column, lastFrame_, span));
  event->accept();
}

}  // namespace casebook::review
