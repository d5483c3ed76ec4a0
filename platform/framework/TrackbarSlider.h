#pragma once

#include <QSlider>

namespace framework {

// A horizontal slider whose Up, Page Up and wheel turned away from the user go towards the
// start, as on a trackbar (Qt's sliders count them up); Left and Right stay as they are. Its
// moves reach the dialog through ConnectScrollCodes (DialogItems.h), defined beside it.
class TrackbarSlider : public QSlider {
 public:
  explicit TrackbarSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

}  // namespace framework
