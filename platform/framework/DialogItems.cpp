#include "platform/framework/DialogItems.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

#include <algorithm>
#include <utility>

#include "platform/framework/CaptionFit.h"
#include "platform/framework/DataExchange.h"
#include "platform/framework/EditRules.h"
#include "platform/framework/Icons.h"
#include "platform/framework/LeftTextCheckBox.h"
#include "platform/framework/TrackbarSlider.h"
#include "platform/framework/UpDownControl.h"

namespace framework {
namespace {

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

// Icons show at the size of the desktop's large icons, whatever rectangle the template gave.
constexpr int kIconPixels = 32;

void ShowIcon(QLabel& label, const QIcon& icon) {
  label.setPixmap(icon.pixmap(QSize(kIconPixels, kIconPixels), label.devicePixelRatioF()));
  label.resize(kIconPixels, kIconPixels);
}

}  // namespace

QRect ControlPixelRect(const ControlTemplate& control) {
  return {DialogXToPixels(control.x), DialogYToPixels(control.y), DialogXToPixels(control.w),
          DialogYToPixels(control.h)};
}

DialogItems::DialogItems(QWidget& host, std::span<const ControlTemplate> controls)
    : host_(host), context_(std::make_unique<QObject>()) {
  host_.setFont(DialogFont());

  int group = 0;
  for (const ControlTemplate& control : controls) {
    if ((control.style & WS_GROUP) != 0) ++group;
    QWidget* widget = createControl(control);
    widget->setGeometry(ControlPixelRect(control));
    widget->setEnabled((control.style & WS_DISABLED) == 0);
    if ((control.style & NOT_WS_VISIBLE) != 0) widget->hide();
    if (control.kind == ControlKind::GroupBox) widget->lower();  // a frame behind its controls
    if (control.kind == ControlKind::Icon && control.caption != nullptr &&
        *control.caption != '\0') {
      ShowIcon(*static_cast<QLabel*>(widget), LoadIcon(QString::fromUtf8(control.caption)));
    }
    if (control.kind == ControlKind::RadioButton) {
      QButtonGroup*& buttons = radioGroups_[group];
      if (buttons == nullptr) buttons = new QButtonGroup(&host_);
      buttons->addButton(static_cast<QAbstractButton*>(widget));
    }
    if (auto* upDown = dynamic_cast<UpDownControl*>(widget); upDown && !controls_.empty()) {
      upDown->attach(qobject_cast<QLineEdit*>(controls_.back().widget));
      upDown->placeBesideBuddy();
    }
    if (control.id != IDC_STATIC) byId_.emplace(control.id, controls_.size());
    controls_.push_back({&control, widget, group});
  }

  // "&Name:" gives its key to the control after it.
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    auto* label = qobject_cast<QLabel*>(controls_[i].widget);
    if (label == nullptr || !IsStatic(controls_[i].source->kind)) continue;
    const auto next =
        std::find_if(controls_.begin() + static_cast<std::ptrdiff_t>(i) + 1, controls_.end(),
                     [](const Control& c) { return c.widget->focusPolicy() != Qt::NoFocus; });
    if (next != controls_.end() && label->text().contains(u'&')) {
      label->setBuddy(next->widget);
    } else {
      label->setText(WithoutMnemonic(label->text()));
    }
  }
  for (const Control& control : controls_) TightenToFit(*control.widget);
}

DialogItems::~DialogItems() = default;

QWidget* DialogItems::createControl(const ControlTemplate& control) {
  const QString caption = QString::fromUtf8(control.caption != nullptr ? control.caption : "");
  const int id = control.id;
  QObject* context = context_.get();
  QWidget* host = &host_;
  switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
      auto* button = new QPushButton(caption, host);
      button->setAutoDefault(true);  // a focused button takes Enter, as on the original
      button->setDefault(control.kind == ControlKind::DefPushButton);
      QObject::connect(button, &QAbstractButton::clicked, context, [this, id] { clicked(id); });
      return button;
    }
    case ControlKind::RadioButton:
    case ControlKind::CheckBox: {
      QAbstractButton* button = nullptr;
      if ((control.style & BS_PUSHLIKE) != 0) {
        auto* push = new QPushButton(caption, host);
        push->setCheckable(true);
        push->setAutoDefault(false);
        button = push;
      } else if (control.kind == ControlKind::RadioButton) {
        button = new QRadioButton(caption, host);
      } else if ((control.style & BS_LEFTTEXT) != 0) {
        button = new LeftTextCheckBox(caption, host);
      } else {
        button = new QCheckBox(caption, host);
      }
      QObject::connect(button, &QAbstractButton::clicked, context, [this, id] { clicked(id); });
      return button;
    }
    case ControlKind::GroupBox: {
      auto* box = new QGroupBox(caption, host);
      box->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks reach the controls in it
      // The frame's top line runs through the middle of the title, where the templates expect
      // it; Qt's styles put it under the title, onto the first row of controls.
      box->setStyleSheet(QStringLiteral(
          "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
          "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
          " left: 6px; padding: 0px 2px; }"));
      return box;
    }
    case ControlKind::LText:
    case ControlKind::CText:
    case ControlKind::RText: {
      auto* label = new QLabel(caption, host);
      label->setTextFormat(Qt::PlainText);
      label->setWordWrap(true);
      const Qt::Alignment across = control.kind == ControlKind::LText   ? Qt::AlignLeft
                                   : control.kind == ControlKind::CText ? Qt::AlignHCenter
                                                                        : Qt::AlignRight;
      label->setAlignment(across | Qt::AlignTop);
      if ((control.style & SS_SUNKEN) != 0) {
        // The frame takes a pixel each side; a 10-unit box then still holds a whole line.
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
        label->setIndent(2);  // off the frame at the aligned side
        label->setAlignment(across | Qt::AlignVCenter);
      }
      return label;
    }
    case ControlKind::Edit: {
      auto* edit = new QLineEdit(caption, host);
      edit->setReadOnly((control.style & ES_READONLY) != 0);
      if ((control.style & ES_RIGHT) != 0) edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      edit->setValidator(new EditRules(edit, (control.style & ES_NUMBER) != 0));
      QObject::connect(edit, &QLineEdit::textChanged, context, [this, id] { editChanged(id); });
      // A dialog presses its default button on Enter by itself; any other host is told here.
      if (qobject_cast<QDialog*>(host) == nullptr) {
        QObject::connect(edit, &QLineEdit::returnPressed, context, [this] {
          for (const Control& c : controls_) {
            auto* button = qobject_cast<QPushButton*>(c.widget);
            if (button != nullptr && button->isDefault() && button->isEnabled()) {
              button->click();
              return;
            }
          }
        });
      }
      return edit;
    }
    case ControlKind::ListBox: {
      auto* list = new QListWidget(host);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      list->setVerticalScrollBarPolicy((control.style & WS_VSCROLL) != 0 ? Qt::ScrollBarAsNeeded
                                                                         : Qt::ScrollBarAlwaysOff);
      list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      QObject::connect(list, &QListWidget::itemSelectionChanged, context, [this, id] {
        if (!settingSelection_) runHandler(&Handlers::selChanged, id);
      });
      QObject::connect(list, &QListWidget::itemDoubleClicked, context,
                       [this, id] { runHandler(&Handlers::dblClicked, id); });
      return list;
    }
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(host);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::UpDown: return new UpDownControl(host);
    case ControlKind::Trackbar: {
      auto* slider = new TrackbarSlider(host);
      slider->setRange(0, 100);
      slider->setTickPosition(QSlider::NoTicks);
      slider->setFocusPolicy(Qt::StrongFocus);
      ConnectScrollCodes(
          *slider, *context, [this, id](int code) { runHandler(&Handlers::scrollCode, id, code); },
          [this, id, slider] {
            // The value follows the position only after the move's signal; make them agree
            // first, so the handlers read the new place.
            slider->setValue(slider->sliderPosition());
            runHandler(&Handlers::scrolled, id);
          });
      return slider;
    }
    case ControlKind::Icon: break;
  }
  auto* icon = new QLabel(host);
  icon->setAlignment(Qt::AlignCenter);
  return icon;
}

const DialogItems::Control* DialogItems::findControl(int id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : &controls_[it->second];
}

QWidget* DialogItems::GetDlgItem(int id) const {
  const Control* control = findControl(id);
  return control != nullptr ? control->widget : nullptr;
}

int DialogItems::FirstTabStop() const {
  const auto first = std::find_if(controls_.begin(), controls_.end(), [](const Control& c) {
    return (c.widget->focusPolicy() & Qt::TabFocus) != 0 && c.widget->isEnabled() &&
           !c.widget->isHidden();
  });
  return first != controls_.end() ? first->source->id : 0;
}

bool DialogItems::UpdateData(bool saveAndValidate) {
  const QScopedValueRollback<int> transfer(transfers_, transfers_ + 1);
  CDataExchange dx(this, saveAndValidate);
  DoDataExchange(dx);
  return !dx.failed();
}

void DialogItems::DoDataExchange(CDataExchange& /*dx*/) {}

void DialogItems::OnUnhandledClick(int /*id*/) {}

template <class... Args>
bool DialogItems::runHandler(std::function<void(Args...)> Handlers::*which, int id, Args... args) {
  const auto it = handlers_.find(id);
  if (it == handlers_.end() || !(it->second.*which)) return false;
  const std::function<void(Args...)> handler = it->second.*which;  // it may register another
  handler(args...);
  return true;
}

void DialogItems::clicked(int id) {
  if (!runHandler(&Handlers::clicked, id)) OnUnhandledClick(id);
}

void DialogItems::editChanged(int id) {
  if (transfers_ > 0 || editsInHandler_.count(id) != 0) return;
  editsInHandler_.insert(id);
  runHandler(&Handlers::editChanged, id);
  editsInHandler_.erase(id);
}

void DialogItems::setEditText(int id, const QString& text) {
  auto* edit = GetDlgItemAs<QLineEdit>(id);
  if (edit == nullptr) return;
  EditRules* rules = RulesOf(edit);
  if (rules != nullptr) rules->setPassAll(true);
  edit->setText(text);
  if (rules != nullptr) rules->setPassAll(false);
}

void DialogItems::SetDlgItemText(int id, const std::string& text) {
  const QString value = QString::fromStdString(text);
  QWidget* widget = GetDlgItem(id);
  if (qobject_cast<QLineEdit*>(widget) != nullptr) {
    setEditText(id, value);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    if (button->text() == value) return;
    button->setText(value);
    TightenToFit(*button);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QString shown = label->buddy() != nullptr ? value : WithoutMnemonic(value);
    if (label->text() == shown) return;
    label->setText(shown);
    TightenToFit(*label);
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(value);
  }
}

std::string DialogItems::GetDlgItemText(int id) const {
  QWidget* widget = GetDlgItem(id);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text().toStdString();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
  if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->title().toStdString();
  return {};
}

void DialogItems::EnableDlgItem(int id, bool enable) {
  if (QWidget* widget = GetDlgItem(id)) widget->setEnabled(enable);
}

void DialogItems::ShowDlgItem(int id, bool show) {
  if (QWidget* widget = GetDlgItem(id)) widget->setVisible(show);
}

void DialogItems::GotoDlgCtrl(int id) {
  QWidget* widget = GetDlgItem(id);
  if (widget == nullptr) return;
  widget->setFocus(Qt::TabFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) edit->selectAll();
}

void DialogItems::SetDlgItemIcon(int id, const QIcon& icon) {
  if (auto* label = GetDlgItemAs<QLabel>(id)) ShowIcon(*label, icon);
}

void DialogItems::CheckDlgButton(int id, bool checked) {
  if (auto* button = GetDlgItemAs<QAbstractButton>(id)) SetButtonChecked(button, checked);
}

bool DialogItems::IsDlgButtonChecked(int id) const {
  const auto* button = GetDlgItemAs<QAbstractButton>(id);
  return button != nullptr && button->isChecked();
}

void DialogItems::CheckRadioButton(int firstId, int lastId, int checkId) {
  for (const Control& control : controls_) {
    const int id = control.source->id;
    if (id < firstId || id > lastId) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(control.widget);
        button != nullptr && button->isCheckable()) {
      SetButtonChecked(button, id == checkId);
    }
  }
}

int DialogItems::GetCheckedRadioButton(int firstId, int lastId) const {
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

std::vector<int> DialogItems::RadioGroupIds(int firstId) const {
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

void DialogItems::LimitText(int id, int maxChars) {
  if (EditRules* rules = RulesOf(GetDlgItemAs<QLineEdit>(id))) {
    rules->setMaxChars(std::max(maxChars, 0));
  }
}

int DialogItems::ListAddString(int id, const std::string& text) {
  const Control* control = findControl(id);
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

int DialogItems::ListInsertString(int id, int index, const std::string& text) {
  auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr || index < -1 || index > list->count()) return -1;
  if (index == -1) index = list->count();
  const QScopedValueRollback<bool> quiet(settingSelection_, true);
  list->insertItem(index, QString::fromStdString(text));
  return index;
}

int DialogItems::ListGetCount(int id) const {
  const auto* list = GetDlgItemAs<QListWidget>(id);
  return list != nullptr ? list->count() : 0;
}

int DialogItems::ListGetCurSel(int id) const {
  const auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr) return -1;
  const QList<QListWidgetItem*> selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.front());
}

bool DialogItems::ListSetCurSel(int id, int index) {
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

std::string DialogItems::ListGetText(int id, int index) const {
  const auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr || index < 0 || index >= list->count()) return {};
  return list->item(index)->text().toStdString();
}

void DialogItems::ListResetContent(int id) {
  auto* list = GetDlgItemAs<QListWidget>(id);
  if (list == nullptr) return;
  const QScopedValueRollback<bool> quiet(settingSelection_, true);
  list->clear();
}

void DialogItems::SetBarRange(int id, int minimum, int maximum) {
  if (auto* bar = GetDlgItemAs<QProgressBar>(id)) {
    bar->setRange(minimum, maximum);
  } else if (auto* slider = GetDlgItemAs<QAbstractSlider>(id)) {
    slider->setRange(minimum, maximum);
  }
}

void DialogItems::SetBarPos(int id, int position) {
  if (auto* bar = GetDlgItemAs<QProgressBar>(id)) {
    bar->setValue(std::clamp(position, bar->minimum(), std::max(bar->minimum(), bar->maximum())));
  } else if (auto* slider = GetDlgItemAs<QAbstractSlider>(id)) {
    // The thumb the user holds stays under the mouse: the end of the drag says where it went.
    if (!slider->isSliderDown()) slider->setValue(position);  // kept in range by the slider
  }
}

int DialogItems::GetBarPos(int id) const {
  if (const auto* bar = GetDlgItemAs<QProgressBar>(id)) return bar->value();
  if (const auto* slider = GetDlgItemAs<QAbstractSlider>(id)) return slider->sliderPosition();
  return 0;
}

void DialogItems::MoveControls(int dx) {
  for (const Control& control : controls_) {
    control.widget->move(control.widget->pos() + QPoint(dx, 0));
  }
}

void DialogItems::OnClicked(int id, std::function<void()> handler) {
  handlers_[id].clicked = std::move(handler);
}

void DialogItems::OnEditChange(int id, std::function<void()> handler) {
  handlers_[id].editChanged = std::move(handler);
}

void DialogItems::OnListSelChange(int id, std::function<void()> handler) {
  handlers_[id].selChanged = std::move(handler);
}

void DialogItems::OnListDblClk(int id, std::function<void()> handler) {
  handlers_[id].dblClicked = std::move(handler);
}

void DialogItems::OnScroll(int id, std::function<void()> handler) {
  handlers_[id].scrolled = std::move(handler);
}

void DialogItems::OnScrollCode(int id, std::function<void(int)> handler) {
  handlers_[id].scrollCode = std::move(handler);
}

}  // namespace framework
