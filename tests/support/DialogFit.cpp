#include "tests/support/DialogFit.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QWidget>

#include <climits>
#include <sstream>

namespace testing_support {
namespace {

QString Shown(QString text) {
  text.replace(QLatin1String("&&"), QLatin1String("\x01"));
  text.remove(u'&');
  text.replace(u'\x01', u'&');
  return text;
}

std::string Fault(const QString& text, const char* what, int need, int have) {
  std::ostringstream out;
  out << '"' << text.toStdString() << "\" " << what << ": needs " << need << " px, has " << have;
  return out.str();
}

}  // namespace

std::vector<std::string> ClippedTexts(const QWidget& dialog) {
  std::vector<std::string> faults;
  const QList<QWidget*> children =
      dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (const QWidget* child : children) {
    const QFontMetrics metrics(child->font());
    if (const auto* label = qobject_cast<const QLabel*>(child)) {
      if (label->text().isEmpty()) continue;
      const QRect room = label->contentsRect();
      const QString text = label->buddy() != nullptr ? Shown(label->text()) : label->text();
      const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), INT_MAX),
                                                Qt::TextWordWrap | Qt::AlignLeft, text);
      if (needed.height() > room.height()) {
        faults.push_back(Fault(text, "height", needed.height(), room.height()));
      }
      if (needed.width() > room.width()) {
        faults.push_back(Fault(text, "width", needed.width(), room.width()));
      }
    } else if (const auto* button = qobject_cast<const QPushButton*>(child)) {
      const int margin = child->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, child);
      const int need = metrics.horizontalAdvance(Shown(button->text())) + 2 * margin;
      if (need > button->width())
        faults.push_back(Fault(button->text(), "width", need, button->width()));
    } else if (qobject_cast<const QRadioButton*>(child) != nullptr ||
               qobject_cast<const QCheckBox*>(child) != nullptr) {
      const auto* box = static_cast<const QAbstractButton*>(child);
      if (box->sizeHint().width() > box->width()) {
        faults.push_back(Fault(box->text(), "width", box->sizeHint().width(), box->width()));
      }
      if (metrics.height() > box->height()) {
        faults.push_back(Fault(box->text(), "height", metrics.height(), box->height()));
      }
    } else if (const auto* group = qobject_cast<const QGroupBox*>(child)) {
      const int need = metrics.horizontalAdvance(Shown(group->title())) + 2 * metrics.height();
      if (need > group->width())
        faults.push_back(Fault(group->title(), "width", need, group->width()));
    }
  }

  const auto name = [](const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
      return button->text().toStdString();
    return std::string(w->metaObject()->className());
  };
  for (qsizetype i = 0; i < children.size(); ++i) {
    for (qsizetype j = i + 1; j < children.size(); ++j) {
      const QWidget* a = children[i];
      const QWidget* b = children[j];
      if (qobject_cast<const QGroupBox*>(a) != nullptr ||
          qobject_cast<const QGroupBox*>(b) != nullptr ||
          !a->geometry().intersects(b->geometry())) {
        continue;
      }
      std::ostringstream out;
      out << '"' << name(a) << "\" overlaps \"" << name(b) << '"';
      faults.push_back(out.str());
    }
  }
  return faults;
}

}  // namespace testing_support
