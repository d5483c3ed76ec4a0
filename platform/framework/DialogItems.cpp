#include "platform/framework/DialogItems.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QToolButton>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QValidator>

#include <algorithm>
#include <utility>

#include "platform/framework/DataExchange.h"
#include "platform/framework/Icons.h"
#include "platform/framework/TrackbarCodes.h"

namespace framework {
namespace {

// Two arrows beside an edit that count its number up and down within 0 to 100; the edit's Up
// and Down keys do the same.
class UpDownControl : public QWidget {
 public:
  static constexpr int kMinimum = 0, kMaximum = 100;

  explicit UpDownControl(QWidget* host) : QWidget(host) {
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

  void attach(QLineEdit* buddy) {
    buddy_ = buddy;
    if (buddy_ != nullptr) buddy_->installEventFilter(this);
  }
  // Fills the right end of the buddy, which gives up that room.
  void placeBesideBuddy() {
    if (buddy_ == nullptr) return;
    const QRect edit = buddy_->geometry();
    const int width = std::max(edit.height() * 3 / 4, 10);
    buddy_->setGeometry(edit.adjusted(0, 0, -width, 0));
    setGeometry(edit.right() - width + 1, edit.top(), width, edit.height());
  }
  void step(int delta) {
    if (buddy_ == nullptr || !buddy_->isEnabled()) return;
    bool ok = false;
    const int value = buddy_->text().trimmed().toInt(&ok);
    const int next = std::clamp(ok ? value + delta : kMinimum, kMinimum, kMaximum);
    buddy_->setText(QString::number(next));
  }

 protected:
  void resizeEvent(QResizeEvent*) override {
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
  }
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Up || key == Qt::Key_Down) {
        step(key == Qt::Key_Up ? 1 : -1);
        return true;
      }
    }
    return false;
  }

 private:
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  QLineEdit* buddy_ = nullptr;
};

// A horizontal slider whose Up, Page Up and wheel turned away from the user go towards the
// start, as on a trackbar (Qt's sliders count them up); Left and Right stay as they are.
class TrackbarSlider : public QSlider {
 public:
  explicit TrackbarSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const Qt::Key swapped = Swapped(Qt::Key(event->key()));
    if (swapped == event->key()) {
      QSlider::keyPressEvent(event);
      return;
    }
    QKeyEvent other(event->type(), swapped, event->modifiers(), event->text(),
                    event->isAutoRepeat(), static_cast<quint16>(event->count()));
    QSlider::keyPressEvent(&other);
    event->setAccepted(other.isAccepted());
  }
  void wheelEvent(QWheelEvent* event) override {
    QWheelEvent other(event->position(), event->globalPosition(), -event->pixelDelta(),
                      -event->angleDelta(), event->buttons(), event->modifiers(),
                      event->phase(), event->inverted(), event->source());
    QSlider::wheelEvent(&other);
    event->setAccepted(other.isAccepted());
  }

 private:
  static Qt::Key Swapped(Qt::Key key) {
    switch (key) {
      case Qt::Key_Up: return Qt::Key_Down;
      case Qt::Key_Down: return Qt::Key_Up;
      case Qt::Key_PageUp: return Qt::Key_PageDown;
      case Qt::Key_PageDown: return Qt::Key_PageUp;
      default: return key;
    }
  }
};

// A slider's action as the trackbar notification it stands for; -1 for none.
int TrackbarCode(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return TB_LINEUP;
    case QAbstractSlider::SliderSingleStepAdd: return TB_LINEDOWN;
    case QAbstractSlider::SliderPageStepSub: return TB_PAGEUP;
    case QAbstractSlider::SliderPageStepAdd: return TB_PAGEDOWN;
    case QAbstractSlider::SliderMove: return TB_THUMBTRACK;
    case QAbstractSlider::SliderToMinimum: return TB_TOP;
    case QAbstractSlider::SliderToMaximum: return TB_BOTTOM;
    default: return -1;
  }
}

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
    if (digitsOnly_ &&
        std::any_of(input.begin(), input.end(), [](QChar c) { return c < u'0' || c > u'9'; })) {
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

// A check box with its text at the left and the box at the right edge, so that a column of
// them lines their boxes up. The whole control takes the click.
class LeftTextCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

  // What this layout needs: the text, the gap and the box, and nothing else the style would add
  // for its own arrangement.
  QSize sizeHint() const override {
    const QFontMetrics metrics = fontMetrics();
    const QSize text =
        style()->itemTextRect(metrics, QRect(), Qt::TextShowMnemonic, false, this->text()).size();
    return {
        text.width() + style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, this) +
            style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this),
        std::max(text.height(), style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this))};
  }

 protected:
  void paintEvent(QPaintEvent* /*event*/) override {
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
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
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
                         : dynamic_cast<EditRules*>(
                               edit->findChild<QValidator*>(QString(), Qt::FindDirectChildrenOnly));
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
    const QRect wrapped = metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20),
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

// Our face is a little wider than the one the templates were drawn for, which some tight
// captions feel. Such a caption gets its letters set closer, by at most 0.6 pixel, rather than
// wrapping onto a line its rectangle does not show or running under its check box.
void TightenToFit(QWidget& widget) {
  if (widget.font().letterSpacing() != 0) {
    QFont font = widget.font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0);
    widget.setFont(font);
  }
  if (CaptionFits(widget)) return;
  for (const qreal spacing : {-0.2, -0.4, -0.6}) {
    QFont font = widget.font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
    widget.setFont(font);
    if (CaptionFits(widget)) return;
  }
}

// Icons show at the size of the desktop's large icons, whatever rectangle the template gave.
constexpr int kIconPixels = 32;

void ShowIcon(QLabel& label, const QIcon& icon) {
  label.setPixmap(icon.pixmap(QSize(kIconPixels, kIconPixels), label.devicePixelRatioF()));
  label.resize(kIconPixels, kIconPixels);
}

}  // namespace

void ConnectScrollCodes(QAbstractSlider& slider, QObject& context,
                        std::function<void(int)> onCode, std::function<void()> onMove) {
  // Fired for the user's moves only, with the position already at its new place.
  QObject::connect(&slider, &QAbstractSlider::actionTriggered, &context,
                   [&slider, onCode, onMove](int action) {
                     int code = TrackbarCode(action);
                     // A move without the knob held is the wheel: a line step.
                     if (code == TB_THUMBTRACK && !slider.isSliderDown()) {
                       code = slider.sliderPosition() < slider.value() ? TB_LINEUP : TB_LINEDOWN;
                     }
                     if (onMove) onMove();
                     if (code < 0) return;
                     onCode(code);
                     if (code != TB_THUMBTRACK) onCode(TB_ENDTRACK);
                   });
  QObject::connect(&slider, &QAbstractSlider::sliderReleased, &context, [onCode] {
    onCode(TB_THUMBPOSITION);
    onCode(TB_ENDTRACK);
  });
}

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
        if (!settingSelection_) runHandler(selChangeHandlers_, id);
      });
      QObject::connect(list, &QListWidget::itemDoubleClicked, context,
                       [this, id] { runHandler(dblClkHandlers_, id); });
      return list;
    }
    case ControlKind::Progress: {
      auto* bar = new QProgressBar(host);
      bar->setRange(0, 100);
      bar->setValue(0);
      bar->setTextVisible(false);
      return bar;
    }
    case ControlKind::UpDown:
      return new UpDownControl(host);
    case ControlKind::Trackbar: {
      auto* slider = new TrackbarSlider(host);
      slider->setRange(0, 100);
      slider->setTickPosition(QSlider::NoTicks);
      slider->setFocusPolicy(Qt::StrongFocus);
      ConnectScrollCodes(*slider, *context, [this, id](int code) { runScrollCode(id, code); },
                         [this, id, slider] {
                           // The value follows the position only after the move's signal;
                           // make them agree first, so the handlers read the new place.
                           slider->setValue(slider->sliderPosition());
                           runHandler(scrollHandlers_, id);
                         });
      return slider;
    }
    case ControlKind::Icon:
      break;
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

void DialogItems::runHandler(const std::map<int, std::function<void()>>& handlers, int id) {
  const auto it = handlers.find(id);
  if (it == handlers.end()) return;
  const std::function<void()> handler = it->second;  // it may register another
  handler();
}

void DialogItems::clicked(int id) {
  if (clickHandlers_.count(id) != 0) {
    runHandler(clickHandlers_, id);
  } else {
    OnUnhandledClick(id);
  }
}

void DialogItems::editChanged(int id) {
  if (transfers_ > 0 || editsInHandler_.count(id) != 0 || editHandlers_.count(id) == 0) return;
  editsInHandler_.insert(id);
  runHandler(editHandlers_, id);
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
  for (const Control& control : controls_) control.widget->move(control.widget->pos() + QPoint(dx, 0));
}

void DialogItems::OnClicked(int id, std::function<void()> handler) {
  clickHandlers_[id] = std::move(handler);
}

void DialogItems::OnEditChange(int id, std::function<void()> handler) {
  editHandlers_[id] = std::move(handler);
}

void DialogItems::OnListSelChange(int id, std::function<void()> handler) {
  selChangeHandlers_[id] = std::move(handler);
}

void DialogItems::OnListDblClk(int id, std::function<void()> handler) {
  dblClkHandlers_[id] = std::move(handler);
}

void DialogItems::runScrollCode(int id, int code) {
  const auto it = scrollCodeHandlers_.find(id);
  if (it == scrollCodeHandlers_.end()) return;
  const std::function<void(int)> handler = it->second;  // it may register another
  handler(code);
}

void DialogItems::OnScrollCode(int id, std::function<void(int)> handler) {
  scrollCodeHandlers_[id] = std::move(handler);
}

void DialogItems::OnScroll(int id, std::function<void()> handler) {
  scrollHandlers_[id] = std::move(handler);
}

}  // namespace framework
