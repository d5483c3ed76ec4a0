#include "platform/framework/LeftTextCheckBox.h"

#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace framework {

QSize LeftTextCheckBox::sizeHint() const {
  const QFontMetrics metrics = fontMetrics();
  const QSize text =
      style()->itemTextRect(metrics, QRect(), Qt::TextShowMnemonic, false, this->text()).size();
  return {text.width() + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this) +
              style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this),
          std::max(text.height(), style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this))};
}

void LeftTextCheckBox::paintEvent(QPaintEvent* /*event*/) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const int boxWidth = style()->pixelMetric(QStyle::PM_IndicatorWidth, &option, this);
  const int boxHeight = style()->pixelMetric(QStyle::PM_IndicatorHeight, &option, this);
  const int gap = style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, &option, this);

  QStyleOptionButton box = option;
  box.rect = QRect(width() - boxWidth, (height() - boxHeight) / 2, boxWidth, boxHeight);
  painter.drawPrimitive(QStyle::PE_IndicatorCheckBox, box);

  QStyleOptionButton label = option;
  label.rect = QRect(0, 0, std::max(width() - boxWidth - gap, 0), height());
  painter.drawControl(QStyle::CE_CheckBoxLabel, label);
  if ((option.state & QStyle::State_HasFocus) != 0) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = style()->itemTextRect(fontMetrics(), label.rect,
                                       Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
                                       isEnabled(), text());
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace framework
