#pragma once

#include <QWidget>

#include <functional>
#include <string>

#include "platform/framework/Command.h"
#include "platform/framework/WindowTimer.h"
#include "viewer/view/ViewerDialogs.h"

class QMenuBar;
class QMimeData;

namespace framework {
class CStatusBar;
class RecentFileList;
}  // namespace framework

namespace casebook {

class CCasebookDoc;
class CCasebookView;

// Casebook's main window: the menu, the view over the client area, the status bar, and the
// playback timer that steps the document.
class CMainFrame : public QWidget, public framework::CCmdTarget {
 public:
  // Files dropped on the window go to `openFile`.
  CMainFrame(framework::CommandRouter& router, std::function<void(const std::string&)> openFile);
  ~CMainFrame() override;

  // The menu bar, the keys and the status bar: false when the status bar could not be made.
  bool OnCreate(const framework::RecentFileList& recentFiles);
  void SetActiveView(CCasebookDoc* document, CCasebookView* view);
  CCasebookDoc* GetActiveDocument() const { return document_; }
  CCasebookView* GetActiveView() const { return view_; }

  QWidget* clientWindow() const { return client_; }
  framework::CStatusBar* statusBar() const { return statusBar_; }
  QMenuBar* menuBar() const { return menuBar_; }
  framework::WindowTimers& timers() { return timers_; }
  CAviPropertiesDlg& propertiesDialog() { return properties_; }
  void OnTitleChanged(const std::string& title);

  void OnStopStart();
  void OnForward();
  void OnBack();
  void OnTimer(int id);
  void OnProperties();
  void OnHelp();
  // Files dropped on the window: the first local one opens. False when there was none.
  bool OnDropFiles(const QMimeData& data);
  // Room for a picture of width x height below the band of controls, at the screen's corner.
  void FitToPicture(int width, int height);

  // A panel to the right of the view, over the client area's height less the status bar; the
  // view gives it the room while it is not hidden. The window widens or narrows by the panel's
  // width when it is shown or hidden (ShowSidePanel).
  void SetSidePanel(QWidget* panel, int width);
  void ShowSidePanel(bool show);
  // Playing at a pace of its own (at recorded times): how long until the next tick, asked when
  // playback starts and after every tick; a negative answer plays at the playback rate.
  void SetPlayPacing(std::function<int(bool starting)> pacing);

  static constexpr int kPlayTimerId = 0;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void registerCommands();
  void LayOutClient();
  bool SidePanelShown() const;
  void StopPlaying();
  int PlayIntervalMs(bool starting);

  framework::CommandRouter& router_;
  std::function<void(const std::string&)> openFile_;
  CAviPropertiesDlg properties_;
  QWidget* client_;
  QMenuBar* menuBar_ = nullptr;
  framework::CStatusBar* statusBar_ = nullptr;
  framework::WindowTimers timers_;
  CCasebookDoc* document_ = nullptr;
  CCasebookView* view_ = nullptr;
  QWidget* sidePanel_ = nullptr;
  int sidePanelWidth_ = 0;
  std::function<int(bool)> pacing_;
  int playIntervalMs_ = 0;  // the play timer's period
};

}  // namespace casebook
