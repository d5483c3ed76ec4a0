#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace framework {

// Two arrows beside an edit that count its number up and down within 0 to 100; the edit's Up
// and Down keys do the same. Built by DialogItems for an up-down control of a template.
class UpDownControl : public QWidget {
 public:
  static constexpr int kMinimum = 0, kMaximum = 100;

  explicit UpDownControl(QWidget* host);

  void attach(QLineEdit* buddy);
  // Fills the right end of the buddy, which gives up that room.
  void placeBesideBuddy();
  void step(int delta);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  QLineEdit* buddy_ = nullptr;
};

}  // namespace framework
