#include "viewer/review/SkipCard.h"

#include <QPainter>
#include <QTimer>

namespace casebook::review {

SkipCard::SkipCard(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, [this] { Dismiss(); });
  hide();
}

void SkipCard::ShowFor(const std::string& text, const QRect& area, int ms) {
  text_ = text;
  setGeometry(area);
  show();
  raise();
  update();
  timer_->start(ms);
}

void SkipCard::Dismiss() {
  timer_->stop();
  hide();
}

void SkipCard::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setPixelSize(std::max(12, std::min(height() / 8, 22)));
  font.setBold(true);
  painter.setFont(font);
  const QString text = QString::fromStdString(text_);
  const QFontMetrics metrics(font);
  // A dark band across the middle, wide enough for the text, narrower than the picture.
  const int w = std::min(metrics.horizontalAdvance(text) + 2 * metrics.height(), width() - 8);
  const int h = metrics.height() * 2;
  const QRect card((width() - w) / 2, (height() - h) / 2, w, h);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(0, 0, 0, 170));
  painter.drawRoundedRect(card, 6, 6);
  painter.setPen(Qt::white);
  painter.drawText(card, Qt::AlignCenter | Qt::TextSingleLine,
                   metrics.elidedText(text, Qt::ElideRight, card.width() - 8));
}

}  // namespace casebook::review
