#pragma once

#include <QWidget>

#include <string>

class QTimer;

namespace casebook::review {

// The card over the picture that tells, playing at recorded times, how much time a shortened
// gap skipped: "- 3 h 12 min later -". It lets the mouse through to the picture below.
class SkipCard : public QWidget {
 public:
  explicit SkipCard(QWidget* parent);

  // Over `area` of the parent for `ms` milliseconds.
  void ShowFor(const std::string& text, const QRect& area, int ms);
  void Dismiss();
  const std::string& text() const { return text_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::string text_;
  QTimer* timer_;
};

}  // namespace casebook::review
