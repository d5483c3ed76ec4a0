#include "platform/framework/CaptionFit.h"

#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <algorithm>

#include "platform/framework/DialogItems.h"
#include "platform/framework/LeftTextCheckBox.h"

namespace framework {
namespace {

// The size the templates were laid out for: 13 pixels a line in the faces we ask for.
constexpr int kFontPixels = 11;
// Where only a wider face is installed (plain DejaVu Sans: 6.8 pixels a letter), a pixel less
// keeps the texts inside.
constexpr int kWideFacePixels = 10;
// What the alphabet below may take at kFontPixels: the templates' rectangles hold texts at
// about 6 pixels a letter, and a face past this is the wide one.
constexpr int kAlphabetPixels = 322;
constexpr const char* kAlphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
// A room taller than any caption, so wrapping measures the text's whole height.
constexpr int kUnboundedHeight = 1 << 20;
// Letter spacings tried in turn: the least that fits, and no more than 0.6 pixel, where the
// letters would start to crowd.
constexpr qreal kTighterSpacings[] = {-0.2, -0.4, -0.6};

QString WithoutAmpersands(QString text) {
  text.replace(QLatin1String("&&"), QLatin1String("\x01"));
  text.remove(u'&');
  text.replace(u'\x01', u'&');
  return text;
}

// Whether the caption shows whole at the control's width: a static text wraps onto no more
// lines than its rectangle holds (or than its own line breaks ask for, where the rectangle is
// too low even for those), a check box, radio button or push button has room for its text.
bool CaptionFits(const QWidget& widget) {
  const QFontMetrics metrics(widget.font());
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    const QString text =
        label->buddy() != nullptr ? WithoutAmpersands(label->text()) : label->text();
    if (text.isEmpty()) return true;
    const QRect room = label->contentsRect();
    const QRect wrapped = metrics.boundingRect(QRect(0, 0, room.width(), kUnboundedHeight),
                                               Qt::TextWordWrap | Qt::AlignLeft, text);
    const int line = std::max(metrics.lineSpacing(), 1);
    const int lines = (wrapped.height() + line - 1) / line;
    const int allowed = std::max(room.height() / line, static_cast<int>(text.count(u'\n')) + 1);
    return wrapped.width() <= room.width() && lines <= allowed;
  }
  if (const auto* push = qobject_cast<const QPushButton*>(&widget)) {
    const int margin = push->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, push);
    return metrics.horizontalAdvance(WithoutAmpersands(push->text())) + 2 * margin <= push->width();
  }
  if (const auto* box = dynamic_cast<const LeftTextCheckBox*>(&widget)) {
    return box->sizeHint().width() <= box->width();
  }
  // Radio buttons and check boxes keep their size hint from before a font change; ask the style.
  const auto* button = qobject_cast<const QAbstractButton*>(&widget);
  if (button == nullptr) return true;
  QStyleOptionButton option;
  option.initFrom(button);
  option.text = button->text();
  const QSize text = button->style()
                         ->itemTextRect(metrics, QRect(), Qt::TextShowMnemonic, false, option.text)
                         .size();
  const QStyle::ContentsType type = qobject_cast<const QRadioButton*>(button) != nullptr
                                        ? QStyle::CT_RadioButton
                                        : QStyle::CT_CheckBox;
  return button->style()->sizeFromContents(type, &option, text, button).width() <= button->width();
}

}  // namespace

QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kFontPixels);
  if (QFontMetrics(font).horizontalAdvance(QLatin1String(kAlphabet)) > kAlphabetPixels) {
    font.setPixelSize(kWideFacePixels);
  }
  return font;
}

void TightenToFit(QWidget& widget) {
  if (widget.font().letterSpacing() != 0) {
    QFont font = widget.font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    widget.setFont(font);
  }
  if (CaptionFits(widget)) return;
  for (const qreal spacing : kTighterSpacings) {
    QFont font = widget.font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    widget.setFont(font);
    if (CaptionFits(widget)) return;
  }
}

}  // namespace framework
