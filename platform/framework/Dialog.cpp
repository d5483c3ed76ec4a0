#include "platform/framework/Dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QValidator>

#include <algorithm>
#include <utility>

#include "platform/framework/DataExchange.h"
#include "platform/framework/Modal.h"

namespace framework {
namespace {

int CharCount(const QString& text) {
  return static_cast<int>(
      std::count_if(text.begin(), text.end(), [](QChar c) { return !c.isLowSurrogate(); }));
}

// Typing rules of an edit: digits only (ES_NUMBER) and a length limit. Only what the user types
// is checked; the program's own SetDlgItemText passes, as it does on the original controls.
class EditRules : public QValidator {
 public:
  EditRules(QLineEdit* edit, bool digitsOnly) : QValidator(edit), digitsOnly_(digitsOnly) {
    // The last text the edit took: an over-long one set by the program may still be shortened.
    connect(edit, &QLineEdit::textChanged, this,
            [this](const QString& text) { acceptedChars_ = CharCount(text); });
  }
  void setMaxChars(int maxChars) { maxChars_ = maxChars; }
  void setPassAll(bool passAll) { passAll_ = passAll; }

  State validate(QString& input, int& /*pos*/) const override {
    if (passAll_) return Acceptable;
    if (digitsOnly_ && std::any_of(input.begin(), input.end(),
                                   [](QChar c) { return c < u'0' || c > u'9'; })) {
      return Invalid;
    }
    const int chars = CharCount(input);
    if (maxChars_ > 0 && chars > maxChars_ && chars > acceptedChars_) return Invalid;
    return Acceptable;
  }

 private:
  bool digitsOnly_;
  int maxChars_ = 0;
  int acceptedChars_ = 0;
  bool passAll_ = false;
};

bool IsStatic(ControlKind kind) {
  return kind == ControlKind::LText || kind == ControlKind::CText || kind == ControlKind::RText;
}

// A label shows '&' literally unless it has a buddy; the original statics never did.
QString WithoutMnemonic(const QString& text) {
  QString shown;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown += text[i];
  }
  return shown;
}

EditRules* RulesOf(QLineEdit* edit) {
  return edit == nullptr ? nullptr
                         : dynamic_cast<EditRules*>(edit->findChild<QValidator*>(
                               QString(), Qt::FindDirectChildrenOnly));
}

void SetButtonChecked(QAbstractButton* button, bool checked) {
  QButtonGroup* group = button->group();
  if (!checked && group != nullptr && group->exclusive() && button->isChecked()) {
    // An exclusive group keeps one button checked; the dialogs may want none.
    group->setExclusive(false);
    button->setChecked(false);
    group->setExclusive(true);
    return;
  }
  button->setChecked(checked);
}

}  // namespace

QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("Liberation Sans"),
                    QStringLiteral("Arial")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(11);
  // The templates' rectangles hold texts at about 6 pixels a letter. Where only a wider face is
  // installed (plain DejaVu Sans: 6.8), a pixel less keeps them inside.
  const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ");
  if (QFontMetrics(font).horizontalAdvance(letters) > 322) font.setPixelSize(10);
  return font;
}

QRect ControlPixelRect(const ControlTemplate& control) {
  return {DialogXToPixels(control.x), DialogYToPixels(control.y), DialogXToPixels(control.w),
          DialogYToPixels(control.h)};
}

CDialog::CDialog(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent), template_(dialogTemplate) {
  setWindowTitle(QString::fromUtf8(template_.caption != nullptr ? template_.caption : ""));
  setFont(DialogFont());
  setFixedSize(DialogXToPixels(template_.w), DialogYToPixels(template_.h));

  int group = 0;
  for (const ControlTemplate& control : template_.controls) {
    if ((control.style & WS_GROUP) != 0) ++group;
    QWidget* widget = createControl(control);
    widget->setGeometry(ControlPixelRect(control));
    widget->setEnabled((control.style & WS_DISABLED) == 0);
    if (control.kind == ControlKind::GroupBox) widget->lower();  // a frame behind its controls
    if (control.kind == ControlKind::RadioButton) {
      QButtonGroup*& buttons = radioGroups_[group];
      if (buttons == nullptr) buttons = new QButtonGroup(this);
      buttons->addButton(static_cast<QRadioButton*>(widget));
    }
    if (control.id != IDC_STATIC) byId_.emplace(control.id, controls_.size());
    controls_.push_back({&control, widget, group});
  }

  // "&Name:" gives its key to the control after it.
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    auto* label = qobject_cast<QLabel*>(controls_[i].widget);
    if (label == nullptr || !IsStatic(controls_[i].source->kind)) continue;
    const auto next = std::find_if(controls_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   controls_.end(), [](const Control& c) {
                                     return c.widget->focusPolicy() != Qt::NoFocus;
                                   });
    if (next != controls_.end() && label->text().contains(u'&')) {
      label->setBuddy(next->widget);
    } else {
      label->setText(WithoutMnemonic(label->text()));
    }
  }
}

CDialog::~CDialog() = default;

QWidget* CDialog::createControl(const ControlTemplate& control) {
  const QString caption = QString::fromUtf8(control.caption != nullptr ? control.caption : "");
  const int id = control.id;
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(caption, this);
      button->setAutoDefault(true);  // a focused button takes Enter, as on the original
      button->setDefault(control.kind == ControlKind::DefPushButton);
      connect(button, &QAbstractButton::clicked, this, [this, id] { clicked(id); });
      return button;
    }
    case ControlKind::RadioButton:
    case ControlKind::CheckBox: {
      QAbstractButton* button = control.kind == ControlKind::RadioButton
                                    ? static_cast<QAbstractButton*>(new QRadioButton(caption, this))
                                    : new QCheckBox(caption, this);
      connect(button, &QAbstractButton::clicked, this, [this, id] { clicked(id); });
      return button;
    }
    case ControlKind::GroupBox: {
      auto* box = new QGroupBox(caption, this);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the controls in it
      return box;
    }
    case ControlKind::LText:
    case ControlKind::CText:
    case ControlKind::RText: {
      auto* label = new QLabel(caption, this);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      const Qt::Alignment across = control.kind == ControlKind::LText   ? Qt::AlignLeft
                                   : control.kind == ControlKind::CText ? Qt::AlignHCenter
                                                                        : Qt::AlignRight;
      label->setAlignment(across | Qt::AlignTop);
      return label;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(caption, this);
      edit->setReadOnly((control.style & ES_READONLY) != 0);
      edit->setValidator(new EditRules(edit, (control.style & ES_NUMBER) != 0));
      connect(edit, &QLineEdit::textChanged, this, [this, id] { editChanged(id); });
      return edit;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(this);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setVerticalScrollBarPolicy((control.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                          : Qt::ScrollBarAlwaysOff);
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      connect(list, &QListWidget::itemSelectionChanged, this, [this, id] {
        if (settingSelection_) return;
        if (const auto it = selChangeHandlers_.find(id); it != selChangeHandlers_.end()) {
          const std::function<void()> handler = it->second;
          handler();
        }
      });
      connect(list, &QListWidget::itemDoubleClicked, this, [this, id] {
        if (const auto it = dblClkHandlers_.find(id); it != dblClkHandlers_.end()) {
          const std::function<void()> handler = it->second;
          handler();
        }
      });
      return list;
    }
    case ControlKind::Icon:
      break;
  }
  auto* icon = new QLabel(this);
  icon->setAlignment(Qt::AlignCenter);
  return icon;
}

const CDialog::Control* CDialog::find(int id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : &controls_[it->second];
}

QWidget* CDialog::GetDlgItem(int id) const {
  const Control* control = find(id);
  return control != nullptr ? control->widget : nullptr;
}

int CDialog::DoModal() {
  ended_ = false;
  setResult(0);
  if (OnInitDialog()) {
    const auto first = std::find_if(controls_.begin(), controls_.end(), [](const Control& c) {
      return (c.widget->focusPolicy() & Qt::TabFocus) != 0 && c.widget->isEnabled();
    });
    if (first != controls_.end()) GotoDlgCtrl(first->source->id);
  }
  if (ended_) return result();
  return RunModal(*this);
}

void CDialog::EndDialog(int result) {
  ended_ = true;
  QDialog::done(result);
}

bool CDialog::UpdateData(bool saveAndValidate) {
  const QScopedValueRollback<int> transfer(transfers_, transfers_ + 1);
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(dx);
  return !dx.failed();
}

bool CDialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void CDialog::DoDataExchange(CDataExchange& /*dx*/) {}

void CDialog::OnOK() {
  if (!UpdateData(true)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::accept() { OnOK(); }

void CDialog::reject() { OnCancel(); }

void CDialog::clicked(int id) {
  if (const auto it = clickHandlers_.find(id); it != clickHandlers_.end()) {
    const std::function<void()> handler = it->second;  // it may register another
    handler();
  } else if (id == IDOK) {
    OnOK();
  } else if (id == IDCANCEL) {
    OnCancel();
  }
}

void CDialog::editChanged(int id) {
  if (transfers_ > 0 || editsInHandler_.count(id) != 0) return;
  const auto it = editHandlers_.find(id);
  if (it == editHandlers_.end()) return;
  const std::function<void()> handler = it->second;
  editsInHandler_.insert(id);
  handler();
  editsInHandler_.erase(id);
}

void CDialog::setEditText(int id, const QString& text) {
  auto* edit = GetDlgItemAs<QLineEdit>(id);
  if (edit == nullptr) return;
  EditRules* rules = RulesOf(edit);
  if (rules != nullptr) rules->setPassAll(true);
  edit->setText(text);
  if (rules != nullptr) rules->setPassAll(false);
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
  const QString value = QString::fromStdString(text);
  QWidget* widget = GetDlgItem(id);
  if (qobject_cast<QLineEdit*>(widget) != nullptr) {
    setEditText(id, value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(value);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(label->buddy() != nullptr ? value : WithoutMnemonic(value));
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(value);
  }
}

std::string CDialog::GetDlgItemText(int id) const {
  QWidget* widget = GetDlgItem(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->title().toStdString();
  return {};
}

void CDialog::EnableDlgItem(int id, bool enable) {
  if (QWidget* widget = GetDlgItem(id)) widget->setEnabled(enable);
}

void CDialog::GotoDlgCtrl(int id) {
  QWidget* widget = GetDlgItem(id);
  if (widget == nullptr) return;
  widget->setFocus(Qt::TabFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

void CDialog::SetDlgItemIcon(int id, const QIcon& icon) {
  if (auto* label = GetDlgItemAs<QLabel>(id)) label->setPixmap(icon.pixmap(label->size()));
}

void CDialog::CheckDlgButton(int id, bool checked) {
  if (auto* button = GetDlgItemAs<QAbstractButton>(id)) SetButtonChecked(button, checked);
}

bool CDialog::IsDlgButtonChecked(int id) const {
  const auto* button = GetDlgItemAs<QAbstractButton>(id);
  return button != nullptr && button->isChecked();
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkId) {
  for (const Control& control : controls_) {
    const int id = control.source->id;
    if (id < firstId || id > lastId) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(control.widget);
        button != nullptr && button->isCheckable()) {
      SetButtonChecked(button, id == checkId);
    }
  }
}

int CDialog::GetCheckedRadioButton(int firstId, int lastId) const {
  for (const Control& control : controls_) {
    const int id = control.source->id;
    if (id < firstId || id > lastId) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(control.widget);
        button != nullptr && button->isChecked()) {
      return id;
    }
  }
  return 0;
}

std::vector<int> CDialog::RadioGroupIds(int firstId) const {
  std::vector<int> ids;
  const auto it = byId_.find(firstId);
  if (it == byId_.end()) return ids;
  for (std::size_t i = it->second; i < controls_.size(); ++i) {
    const ControlTemplate& control = *controls_[i].source;
    if (i != it->second && (control.style & WS_GROUP) != 0) break;
    if (control.kind == ControlKind::RadioButton) ids.push_back(control.id);
  }
  return ids;
}

void CDialog::LimitText(int id, int maxChars) {
  if (EditRules* rules = RulesOf(GetDlgItemAs<QLineEdit>(id))) {
    rules->setMaxChars(std::max(maxChars, 0));
  }
}

int CDialog::ListAddString(int id, const std::string& text) {
  const Control* control = find(id);
  auto* list = control != nullptr ? qobject_cast<QListWidget*>(control->widget) : nullptr;
  if (list == nullptr) return -1;
  const QString value = QString::fromStdString(text);
  int index = list->count();
  if ((control->source->style & LBS_SORT) != 0) {
    index = 0;
    while (index < list->count() &&
           list->item(index)->text().compare(value, Qt::CaseInsensitive) <= 0) {
      ++index;
    }
  }
  return ListInsertString(id, index, text);
}

int CDialog::ListInsertString(int id, int index, const std::string& text) {
  auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr || index < -1 || index > list->count()) return -1;
  if (index == -1) index = list->count();
  const QScopedValueRollback<bool> quiet(settingSelection_, true);
  list->insertItem(index, QString::fromStdString(text));
  return index;
}

int CDialog::ListGetCount(int id) const {
  const auto* list = GetDlgItemAs<QListWidget>(id);
  return list != nullptr ? list->count() : 0;
}

int CDialog::ListGetCurSel(int id) const {
  const auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr) return -1;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

bool CDialog::ListSetCurSel(int id, int index) {
  auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr) return false;
  const QScopedValueRollback<bool> quiet(settingSelection_, true);
  if (index < 0 || index >= list->count()) {
    list->clearSelection();
    return index == -1;
  }
  list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  return true;
}

std::string CDialog::ListGetText(int id, int index) const {
  const auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr || index < 0 || index >= list->count()) return {};
  return list->item(index)->text().toStdString();
}

void CDialog::ListResetContent(int id) {
  auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr) return;
  const QScopedValueRollback<bool> quiet(settingSelection_, true);
  list->clear();
}

void CDialog::OnClicked(int id, std::function<void()> handler) {
  clickHandlers_[id] = std::move(handler);
}

void CDialog::OnEditChange(int id, std::function<void()> handler) {
  editHandlers_[id] = std::move(handler);
}

void CDialog::OnListSelChange(int id, std::function<void()> handler) {
  selChangeHandlers_[id] = std::move(handler);
}

void CDialog::OnListDblClk(int id, std::function<void()> handler) {
  dblClkHandlers_[id] = std::move(handler);
}

}  // namespace framework
