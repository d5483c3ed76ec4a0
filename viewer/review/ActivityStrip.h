#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <vector>

#include "viewer/review/Activity.h"

class QSlider;

namespace casebook::review {

// Frames per minute of log time as a thin bar chart under the slider, column for column where
// the slider puts its handle: each minute's bar spans its frames and is as tall as their number.
// The current burst is lit, the marks [ and ] stand at their frames, and a click goes to the
// frame under it. Built from the log alone.
class ActivityStrip : public QWidget {
 public:
  // Lies under `slider` and follows it (the band's scroll bar moves it sideways). A click on the
  // strip goes to `goTo` with the frame under the pointer.
  ActivityStrip(QSlider& slider, std::function<void(std::int32_t frame)> goTo, QWidget* parent);

  // The recording's minutes; `timeline` may go once this returns.
  void SetRecording(const LogTimeline& timeline);
  // What is lit and marked: frames first .. last of the current burst (none when last < first),
  // and the marks, -1 for none.
  void SetMarks(std::int32_t burstFirst, std::int32_t burstLast, std::int32_t markIn,
                std::int32_t markOut);

  const std::vector<MinuteBucket>& buckets() const { return buckets_; }
  // Where frame's column is drawn, in the strip's own coordinates.
  int ColumnX(std::int32_t frame) const;

  static constexpr int kHeight = 12;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // Under the slider, as wide as it.
  void Follow();
  // Where the slider's handle centre travels, in its own (and so the strip's) coordinates.
  void HandleTravel(int& origin, int& span) const;

  QSlider& slider_;
  std::function<void(std::int32_t)> goTo_;
  std::vector<MinuteBucket> buckets_;
  std::int32_t lastFrame_ = 0;
  std::int32_t maxCount_ = 0;
  std::int32_t burstFirst_ = 0, burstLast_ = -1, markIn_ = -1, markOut_ = -1;
  // The columns as last drawn, kept while the span stays.
  std::vector<std::int32_t> peaks_;
  int peaksSpan_ = -1;
};

}  // namespace casebook::review
