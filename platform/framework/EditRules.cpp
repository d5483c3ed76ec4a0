#include "platform/framework/EditRules.h"

#include <QLineEdit>

#include <algorithm>

namespace framework {
namespace {

int CharCount(const QString& text) {
  return static_cast<int>(
      std::count_if(text.begin(), text.end(), [](QChar c) { return !c.isLowSurrogate(); }));
}

}  // namespace

EditRules::EditRules(QLineEdit* edit, bool digitsOnly) : QValidator(edit), digitsOnly_(digitsOnly) {
  // The last text the edit took: an over-long one set by the program may still be shortened.
  connect(edit, &QLineEdit::textChanged, this,
          [this](const QString& text) { acceptedChars_ = CharCount(text); });
}

QValidator::State EditRules::validate(QString& input, int& /*pos*/) const {
  if (passAll_) return Acceptable;
  if (digitsOnly_ &&
      std::any_of(input.begin(), input.end(), [](QChar c) { return c < u'0' || c > u'9'; })) {
    return Invalid;
  }
  const int chars = CharCount(input);
  if (maxChars_ > 0 && chars > maxChars_ && chars > acceptedChars_) return Invalid;
  return Acceptable;
}

EditRules* RulesOf(QLineEdit* edit) {
  return edit == nullptr ? nullptr
                         : dynamic_cast<EditRules*>(
                               edit->findChild<QValidator*>(QString(), Qt::FindDirectChildrenOnly));
}

}  // namespace framework
