#include "platform/framework/UpDownControl.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace framework {

UpDownControl::UpDownControl(QWidget* host) : QWidget(host) {
  auto* up = new QToolButton(this);
  auto* down = new QToolButton(this);
  up->setArrowType(Qt::UpArrow);
  down->setArrowType(Qt::DownArrow);
  for (QToolButton* b : {up, down}) {
    b->setAutoRepeat(true);
    b->setFocusPolicy(Qt::NoFocus);
  }
  QObject::connect(up, &QToolButton::clicked, this, [this] { step(1); });
  QObject::connect(down, &QToolButton::clicked, this, [this] { step(-1); });
  up_ = up;
  down_ = down;
}

void UpDownControl::attach(QLineEdit* buddy) {
  buddy_ = buddy;
  if (buddy_ != nullptr) buddy_->installEventFilter(this);
}

void UpDownControl::placeBesideBuddy() {
  if (buddy_ == nullptr) return;
  const QRect edit = buddy_->geometry();
  const int width = std::max(edit.height() * 3 / 4, 10);
  buddy_->setGeometry(edit.adjusted(0, 0, -width, 0));
  setGeometry(edit.right() - width + 1, edit.top(), width, edit.height());
}

void UpDownControl::step(int delta) {
  if (buddy_ == nullptr || !buddy_->isEnabled()) return;
  bool ok = false;
  const int value = buddy_->text().trimmed().toInt(&ok);
  const int next = std::clamp(ok ? value + delta : kMinimum, kMinimum, kMaximum);
  buddy_->setText(QString::number(next));
}

void UpDownControl::resizeEvent(QResizeEvent* /*event*/) {
  const int half = height() / 2;
  up_->setGeometry(0, 0, width(), half);
  down_->setGeometry(0, half, width(), height() - half);
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      step(key == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return false;
}

}  // namespace framework
