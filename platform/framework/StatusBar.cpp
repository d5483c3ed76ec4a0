#include "platform/framework/StatusBar.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

#include <algorithm>
#include <utility>

#include "platform/framework/FrameIds.h"

namespace framework {
namespace {

constexpr int kLockKeyPollMs = 500;

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CStatusBar::CStatusBar(StringTable strings, QWidget* parent)
    : QStatusBar(parent),
      strings_(strings),
      readLockKeys_(ReadPlatformLockKeys),
      lockKeyTimer_(new QTimer(this)) {
  connect(lockKeyTimer_, &QTimer::timeout, this, [this] { UpdateIndicators(); });
  qApp->installEventFilter(this);
}

CStatusBar::~CStatusBar() = default;

bool CStatusBar::SetIndicators(std::span<const int> ids) {
  for (const Pane& pane : panes_) delete pane.label;
  panes_.clear();
  lockKeyTimer_->stop();

  std::vector<Pane> made;
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const int id = ids[i];
    if (id == ID_SEPARATOR) {
      if (i != 0) return false;
      made.push_back({id, nullptr, {}});
      continue;
    }
    const std::optional<std::string_view> text = strings_.Find(id);
    if (!text) return false;
    made.push_back({id, nullptr, std::string(*text)});
  }

  for (Pane& pane : made) {
    auto* label = new QLabel(this);
    label->setTextFormat(Qt::PlainText);
    // Sunken boxes, so that an unlit indicator still shows as a pane.
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setLineWidth(1);
    if (pane.id == ID_SEPARATOR) {
      label->setText(Text(strings_.LoadString(IDS_IDLE_MESSAGE)));
      label->setMinimumWidth(1);  // a long text is cut rather than widening the window
      label->setIndent(2);
      addWidget(label, 1);
    } else {
      // As wide as the lit text, so that the bar does not move as keys go on and off.
      const QFontMetrics metrics(label->font());
      label->setFixedWidth(metrics.horizontalAdvance(Text(pane.text)) + metrics.averageCharWidth() +
                           2 * label->frameWidth());
      label->setAlignment(Qt::AlignCenter);
      addPermanentWidget(label);
    }
    pane.label = label;
  }
  panes_ = std::move(made);
  textBeforePrompt_.reset();
  UpdateIndicators();
  return true;
}

int CStatusBar::CommandToIndex(int id) const {
  const auto it =
      std::find_if(panes_.begin(), panes_.end(), [id](const Pane& pane) { return pane.id == id; });
  return it == panes_.end() ? -1 : static_cast<int>(it - panes_.begin());
}

bool CStatusBar::SetPaneText(int pane, const std::string& text, bool update) {
  if (pane < 0 || pane >= GetCount()) return false;
  if (pane == 0 && textBeforePrompt_) {
    *textBeforePrompt_ = text;  // shown when the menus close
    return true;
  }
  QLabel* label = panes_[static_cast<std::size_t>(pane)].label;
  label->setText(QString::fromStdString(text));
  if (update && label->isVisible()) label->repaint();
  return true;
}

std::string CStatusBar::GetPaneText(int pane) const {
  if (pane < 0 || pane >= GetCount()) return {};
  return panes_[static_cast<std::size_t>(pane)].label->text().toStdString();
}

void CStatusBar::ShowMenuPrompt(int commandId) {
  if (panes_.empty() || panes_.front().id != ID_SEPARATOR) return;
  QLabel* message = panes_.front().label;
  if (!textBeforePrompt_) textBeforePrompt_ = message->text().toStdString();
  const std::string_view prompt =
      commandId != 0 ? PromptOf(strings_.LoadString(commandId)) : std::string_view();
  message->setText(Text(prompt));
}

void CStatusBar::EndMenuPrompt() {
  if (!textBeforePrompt_) return;
  const std::string before = std::move(*textBeforePrompt_);
  textBeforePrompt_.reset();
  SetPaneText(0, before);
}

void CStatusBar::SetLockKeyReader(LockKeyReader reader) {
  readLockKeys_ = std::move(reader);
  UpdateIndicators();
}

void CStatusBar::UpdateIndicators() {
  const std::optional<LockKeyState> keys = readLockKeys_ ? readLockKeys_() : std::nullopt;
  bool anyIndicator = false;
  for (const Pane& pane : panes_) {
    bool lit = false;
    if (pane.id == ID_INDICATOR_CAPS) {
      lit = keys && keys->caps;
    } else if (pane.id == ID_INDICATOR_NUM) {
      lit = keys && keys->num;
    } else if (pane.id == ID_INDICATOR_SCRL) {
      lit = keys && keys->scroll;
    } else {
      continue;
    }
    anyIndicator = true;
    pane.label->setText(lit ? Text(pane.text) : QString());
  }
  // Polling only helps where the platform answers.
  if (anyIndicator && keys) {
    if (!lockKeyTimer_->isActive()) lockKeyTimer_->start(kLockKeyPollMs);
  } else {
    lockKeyTimer_->stop();
  }
}

bool CStatusBar::eventFilter(QObject* watched, QEvent* event) {
  if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
      watched->isWidgetType()) {
    UpdateIndicators();
  }
  return QStatusBar::eventFilter(watched, event);
}

}  // namespace framework
