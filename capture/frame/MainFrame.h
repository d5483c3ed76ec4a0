#pragma once

#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

#include "capture/frame/PeekWindow.h"
#include "capture/panel/PanelFrame.h"
#include "platform/framework/Command.h"
#include "platform/framework/ProfileStore.h"
#include "platform/shell/NotificationIcon.h"

class QMenuBar;

namespace framework {
class CStatusBar;
}

namespace watchpost {

class CWatchpostDoc;
class CWatchpostView;

// Size types of OnSize.
inline constexpr int SIZE_RESTORED = 0;
inline constexpr int SIZE_MINIMIZED = 1;
inline constexpr int SIZE_MAXIMIZED = 2;

// Watchpost's main window: a small tool window with the menu, the control panel view over its
// client area, the capture window docked right of the panel, and the status bar. It hides into
// the notification area and leaves the capture window behind as a peek window.
class CMainFrame : public QWidget, public framework::CCmdTarget, public PanelFrame {
 public:
  // Loads the peek values; the menus and keys send their commands through `router`.
  CMainFrame(framework::ProfileStore& profile, framework::CommandRouter& router);
  // Saves the peek values and removes the notification icon.
  ~CMainFrame() override;

  // Frame creation: the menu bar, the keys and the status bar. False when the status bar could
  // not be made.
  bool OnCreate();
  // The document and view are in place: size changes dock the capture window from now on.
  void SetActiveView(CWatchpostDoc* document, CWatchpostView* view);
  CWatchpostDoc* GetActiveDocument() const { return document_; }
  CWatchpostView* GetActiveView() const { return view_; }

  // The client area below the menu: the view, the capture window and the status bar live on it.
  QWidget* clientWindow() const { return client_; }
  framework::CStatusBar* statusBar() const { return statusBar_; }
  QMenuBar* menuBar() const { return menuBar_; }
  // "<title> - Corvane".
  void OnTitleChanged(const std::string& title);

  // Lays out the view and the status bar; for a restored or maximised size, docks the capture
  // window right of the panel.
  void OnSize(int sizeType, int cx, int cy);

  void OnHide();
  void OnPeek();
  void OnTrayNotify(shell::NotificationIcon::Mouse mouse);
  void OnPeekWindowSettings();
  void OnViewStatusBar();

  // PanelFrame. The size is the frame's as the desktop draws it, title bar and borders
  // included; the desktop tells its borders only once the window is shown, so the placement is
  // made again when they become known.
  void MoveFrame(int x, int y, int width, int height) override;
  void SetMessageText(const std::string& text) override;
  void Peek() override { OnPeek(); }
  void PostQuitMessage(int exitCode) override;

  // Brings the frame back to the screen and to the front, from the notification area too.
  void BringBack();

  PeekValues peek;
  std::int32_t iconShown = 1;
  // A line the tip adds below the counters; none when empty.
  std::function<std::string()> tipLine;
  shell::NotificationIcon& notificationIcon() { return icon_; }

  // The frame comes back here, at this size, from the notification area.
  static constexpr QRect kRestoredGeometry{160, 120, 480, 360};

 protected:
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  class Client;

  void registerCommands();
  // The menu bar and the client area; then LayOutClient.
  void LayOutFrame();
  void LayOutClient();
  // The common steps of Hide and Peek: the frame goes, the capture window stays as a window
  // of its own.
  void DetachCaptureWindow();
  void AddIcon();
  void ApplyPlacement();
  // The desktop's title bar and borders around the client area; none before it has said.
  QMargins FrameBorders() const;

  framework::ProfileStore& profile_;
  framework::CommandRouter& router_;
  QWidget* client_;  // a Client
  QMenuBar* menuBar_ = nullptr;
  framework::CStatusBar* statusBar_ = nullptr;
  shell::NotificationIcon icon_;
  CWatchpostDoc* document_ = nullptr;
  CWatchpostView* view_ = nullptr;
  QRect placement_;         // the last MoveFrame, outer edges
  QMargins placedBorders_;  // the borders it was made with
};

}  // namespace watchpost
