#pragma once

#include <QValidator>

class QLineEdit;

namespace framework {

// Typing rules of an edit: digits only (ES_NUMBER) and a length limit. Only what the user types
// is checked; the program's own SetDlgItemText passes, as it does on the original controls.
class EditRules : public QValidator {
 public:
  EditRules(QLineEdit* edit, bool digitsOnly);
  void setMaxChars(int maxChars) { maxChars_ = maxChars; }
  void setPassAll(bool passAll) { passAll_ = passAll; }

  State validate(QString& input, int& pos) const override;

 private:
  bool digitsOnly_;
  int maxChars_ = 0;
  int acceptedChars_ = 0;
  bool passAll_ = false;
};

// The rules an edit was built with, or null (also for a null edit).
EditRules* RulesOf(QLineEdit* edit);

}  // namespace framework
