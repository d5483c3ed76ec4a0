#include "platform/shell/NotificationIcon.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>

namespace shell {

namespace {
constexpr int kStandInPixels = 32;
constexpr int kTipRefreshMs = 1000;
constexpr int kMessageMs = 15000;
}  // namespace

class NotificationIcon::StandIn : public QWidget {
 public:
  StandIn(NotificationIcon& owner, const QIcon& icon)
      : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
        owner_(owner),
        icon_(icon) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Never activated, and the program's other windows are hidden: tips must show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMouseTracking(true);
    setFixedSize(kStandInPixels, kStandInPixels);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect area = screen->availableGeometry();
      move(area.right() - kStandInPixels + 1, area.center().y() - kStandInPixels / 2);
    }
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    icon_.paint(&painter, rect().adjusted(2, 2, -2, -2));
  }
  void mouseMoveEvent(QMouseEvent*) override { owner_.onMouse_(Mouse::Move); }
  void enterEvent(QEnterEvent*) override { owner_.onMouse_(Mouse::Move); }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) owner_.doubleClicked();
  }

 private:
  NotificationIcon& owner_;
  QIcon icon_;
};

NotificationIcon::NotificationIcon(std::function<void(Mouse)> onMouse, std::string restoreText,
                                   QObject* parent)
    : QObject(parent), onMouse_(std::move(onMouse)), restoreText_(std::move(restoreText)) {
  tipRefresh_.setInterval(kTipRefreshMs);
  connect(&tipRefresh_, &QTimer::timeout, this, [this] { onMouse_(Mouse::Move); });
  messageEnd_.setSingleShot(true);
  // Past the message's time the icon it brought has nothing more to offer.
  connect(&messageEnd_, &QTimer::timeout, this, [this] { messageIcon_.reset(); });
}

NotificationIcon::~NotificationIcon() { remove(); }

void NotificationIcon::doubleClicked() {
  QMetaObject::invokeMethod(
      this, [this] { onMouse_(Mouse::DoubleClick); }, Qt::QueuedConnection);
}

void NotificationIcon::add(const QIcon& icon) {
  remove();
  shown_ = true;
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    trayIcon_ = std::make_unique<QSystemTrayIcon>(icon);
    connect(trayIcon_.get(), &QSystemTrayIcon::messageClicked, this, [this] { messageClicked(); });
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
              if (reason == QSystemTrayIcon::DoubleClick) doubleClicked();
            });
    // Some notification areas (StatusNotifierItem hosts) never report a double-click: the
    // icon's menu offers the same.
    trayMenu_ = std::make_unique<QMenu>();
    QObject::connect(trayMenu_->addAction(QString::fromStdString(restoreText_)),
                     &QAction::triggered, this, [this] { doubleClicked(); });
    trayIcon_->setContextMenu(trayMenu_.get());
    trayIcon_->show();
    tipRefresh_.start();
  } else {
    standIn_ = std::make_unique<StandIn>(*this, icon);
    standIn_->show();
  }
  // Like the notification area's own icon, a new one carries no tip until the mouse comes.
  tip_.clear();
}

void NotificationIcon::setTip(const std::string& tip) {
  tip_ = tip;
  const QString text = QString::fromStdString(tip);
  if (trayIcon_) trayIcon_->setToolTip(text);
  if (standIn_) standIn_->setToolTip(text);
}

void NotificationIcon::remove() {
  tipRefresh_.stop();
  messageEnd_.stop();
  messageIcon_.reset();
  trayIcon_.reset();
  trayMenu_.reset();
  standIn_.reset();
  shown_ = false;
}

bool NotificationIcon::showMessage(const std::string& title, const std::string& text,
                                   bool warning) {
  if (standIn_ || !QSystemTrayIcon::isSystemTrayAvailable() ||
      !QSystemTrayIcon::supportsMessages()) {
    return false;
  }
  QSystemTrayIcon* icon = trayIcon_.get();
  if (icon == nullptr) {
    if (!messageIcon_) {
      messageIcon_ = std::make_unique<QSystemTrayIcon>(messageIconPicture_);
      connect(messageIcon_.get(), &QSystemTrayIcon::messageClicked, this,
              [this] { messageClicked(); });
      messageIcon_->show();
    }
    messageEnd_.start(kMessageMs);
    icon = messageIcon_.get();
  }
  icon->showMessage(QString::fromStdString(title), QString::fromStdString(text),
                    warning ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
  return true;
}

void NotificationIcon::messageClicked() {
  // From the event loop, like the double-click: the handler may take the icon away.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (onMessageClicked_) onMessageClicked_();
      },
      Qt::QueuedConnection);
}

QWidget* NotificationIcon::standInWindow() const { return standIn_.get(); }

}  // namespace shell
