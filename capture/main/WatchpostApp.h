#pragma once

#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

#include "capture/naming/FileNamingDlg.h"
#include "capture/session/WatchpostShell.h"
#include "capture/unattended/DiskSpace.h"
#include "capture/unattended/Watchkeeper.h"
#include "platform/camera/CaptureService.h"
#include "platform/framework/Command.h"
#include "platform/framework/ProfileStore.h"
#include "platform/framework/RecentFileList.h"

namespace watchpost {

class CMainFrame;
class CWatchpostDoc;
class CWatchpostView;

// The Watchpost program: the document, the main frame and the control panel view tied
// together, and the services the document asks of the program around it.
class CWatchpostApp : public framework::CCmdTarget, public WatchpostShell, public WatchDesktop {
 public:
  // `profile` is the program's settings store (root Tamsford/Corvane).
  CWatchpostApp(camera::CaptureService& service, framework::ProfileStore& profile);
  // The frame goes first (its peek values, the icon), then the document (its log, its
  // settings).
  ~CWatchpostApp() override;

  // Start-up. `arguments` are the command line's, without the program name: nothing makes a
  // new document (settings, target folder, capture), a file name opens that file instead, and
  // kStartOption starts a run as soon as the program is up; kHiddenOption starts in the
  // notification area, as Hide leaves the program.
  // False when the program cannot start; the reason has been shown.
  bool InitInstance(const QStringList& arguments);
  void OnAppAbout();

  CMainFrame* mainFrame() const { return frame_.get(); }
  CWatchpostDoc* document() const { return document_.get(); }
  CWatchpostView* view() const { return view_; }
  Watchkeeper* watchkeeper() const { return keeper_.get(); }
  framework::CommandRouter& router() { return router_; }

  // WatchpostShell
  QWidget* mainWindow() override;
  std::uint32_t now() override;
  std::int64_t nowMs() override;
  void beep() override;
  void setStatusText(const std::string& text) override;
  void setFrameCaption(const std::string& caption) override;
  void titleChanged(const std::string& title) override;
  void setTimer(int id, int periodMs) override;
  void killTimer(int id) override;
  std::optional<std::string> browseForFolder(const std::string& title,
                                             const std::string& current) override;
  void startStop() override;
  void enableControlPanel() override;
  void notify(const std::string& caption, const std::string& text) override;

  // WatchDesktop
  bool windowAway() override;
  bool showNotice(const std::string& title, const std::string& text) override;

  static constexpr std::size_t kRecentFiles = 4;
  static constexpr const char* kStartOption = "--start";
  static constexpr const char* kHiddenOption = "--hidden";

 private:
  camera::CaptureService& service_;
  framework::ProfileStore& profile_;
  framework::RecentFileList recentFiles_{kRecentFiles};
  CFileNamingDlg namingDialog_;
  framework::CommandRouter router_;
  StorageInfoReading storage_;
  std::unique_ptr<Watchkeeper> keeper_;  // after the document, which reports to it to the end
  std::unique_ptr<CWatchpostDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
  CWatchpostView* view_ = nullptr;  // a child of the frame
};

}  // namespace watchpost
