#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace shell {

// An icon in the desktop's notification area with a tip and a double-click. Where the desktop
// has no notification area (a bare X server, the offscreen platform) a small window of its own,
// always on top at the right edge of the screen, stands in for it with the same tip and the same
// double-click.
class NotificationIcon : public QObject {
 public:
  enum class Mouse { Move, DoubleClick };
  // `onMouse` hears the mouse over the icon. The tray hosts read the tip themselves whenever
  // they show it, so while a tray icon is shown a Move comes every second to keep it current.
  // Not every notification area tells a double-click: the tray icon also has a menu with one
  // item, `restoreText`, that counts as one.
  NotificationIcon(std::function<void(Mouse)> onMouse, std::string restoreText,
                   QObject* parent = nullptr);
  ~NotificationIcon() override;
  NotificationIcon(const NotificationIcon&) = delete;
  NotificationIcon& operator=(const NotificationIcon&) = delete;

  void add(const QIcon& icon);
  // The picture of the icon that a message brings with it when no icon is shown.
  void setMessageIcon(const QIcon& icon) { messageIconPicture_ = icon; }
  void setTip(const std::string& tip);  // UTF-8
  // Harmless when no icon is shown.
  void remove();
  // A message shown beside the icon, where the desktop's notification area shows them; false,
  // and nothing shown, where it does not (the stand-in window, no notification area). With no
  // icon shown, one appears for the message's time only. A warning, or else an information.
  bool showMessage(const std::string& title, const std::string& text, bool warning = true);
  // Hears a click on a message.
  void setMessageClicked(std::function<void()> onClicked) {
    onMessageClicked_ = std::move(onClicked);
  }

  bool isShown() const { return shown_; }
  std::string tip() const { return tip_; }
  // The stand-in window while it shows; null with a real notification area or no icon.
  QWidget* standInWindow() const;

 private:
  class StandIn;

  std::function<void(Mouse)> onMouse_;
  // The double-click is passed on from the event loop, not from inside the icon's own event
  // handling, so that the handler may remove the icon at once.
  void doubleClicked();
  void messageClicked();

  std::string restoreText_;
  std::unique_ptr<QSystemTrayIcon> trayIcon_;
  std::unique_ptr<QMenu> trayMenu_;
  std::unique_ptr<QWidget> standIn_;
  std::unique_ptr<QSystemTrayIcon> messageIcon_;  // only while a message shows without an icon
  QTimer messageEnd_;
  QIcon messageIconPicture_;
  std::function<void()> onMessageClicked_;
  QTimer tipRefresh_;
  std::string tip_;
  bool shown_ = false;
};

}  // namespace shell
