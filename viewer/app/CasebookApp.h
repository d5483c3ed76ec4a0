#pragma once

#include <QStringList>

#include <memory>
#include <string>

#include "platform/framework/Command.h"
#include "platform/framework/ProfileStore.h"
#include "platform/framework/RecentFileList.h"
#include "viewer/document/CasebookShell.h"

namespace casebook {

class CCasebookDoc;
class CCasebookView;
class CMainFrame;
class ReviewCommands;

// The Casebook program: the document, the main frame and the view tied together, opening
// recordings from the menu, the recent-file list, the command line and dropped files.
class CCasebookApp : public framework::CCmdTarget, public CasebookShell {
 public:
  // `profile` is the program's settings store (root Tamsford/Casebook).
  explicit CCasebookApp(framework::ProfileStore& profile);
  // The frame goes, then the document (which stores its two settings).
  ~CCasebookApp() override;

  // Start-up; `arguments` without the program name. A file name opens that recording; false
  // when it cannot be shown (the reason has been) or the window could not be made.
  bool InitInstance(const QStringList& arguments);
  // Opens a recording as File > Open does once a file is chosen.
  bool OpenDocumentFile(const std::string& path);
  void OnFileOpen();
  void OnAppAbout();

  CMainFrame* mainFrame() const { return frame_.get(); }
  CCasebookDoc* document() const { return document_.get(); }
  CCasebookView* view() const { return view_; }
  ReviewCommands* review() const { return review_.get(); }
  framework::CommandRouter& router() { return router_; }
  const framework::RecentFileList& recentFiles() const { return recentFiles_; }

  // CasebookShell
  QWidget* mainWindow() override;
  void setStatusText(const std::string& text) override;
  void killPlayTimer() override;
  void fitToPicture(int width, int height) override;
  void dropPicture() override;

  static constexpr std::size_t kRecentFiles = 8;

 private:
  framework::ProfileStore& profile_;
  framework::RecentFileList recentFiles_{kRecentFiles};
  framework::CommandRouter router_;
  std::unique_ptr<CCasebookDoc> document_;
  std::unique_ptr<CMainFrame> frame_;
  CCasebookView* view_ = nullptr;           // a child of the frame
  std::unique_ptr<ReviewCommands> review_;  // its widgets are children of the frame and view
};

}  // namespace casebook
