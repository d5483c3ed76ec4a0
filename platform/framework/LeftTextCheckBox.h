#pragma once

#include <QCheckBox>

namespace framework {

// A check box with its text at the left and the box at the right edge (BS_LEFTTEXT), so that a
// column of them lines their boxes up. The whole control takes the click.
class LeftTextCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

  // What this layout needs: the text, the gap and the box, and nothing else the style would add
  // for its own arrangement.
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

}  // namespace framework
