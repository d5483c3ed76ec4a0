#include "capture/main/WatchpostApp.h"

#include <QApplication>

#include "capture/unattended/Autostart.h"

#include <cstdio>
#include <ctime>

#include "capture/frame/MainFrame.h"
#include "capture/panel/WatchpostView.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/base/Text.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/StatusBar.h"
#include "platform/shell/FolderBrowser.h"
#include "resources/WatchpostDialogs.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {

CWatchpostApp::CWatchpostApp(camera::CaptureService& service, framework::ProfileStore& profile)
    : service_(service), profile_(profile), namingDialog_([] { return std::time(nullptr); }) {
  OnCommand(framework::ID_APP_ABOUT, [this] { OnAppAbout(); });
}

CWatchpostApp::~CWatchpostApp() {
  // From here on the shell reaches no frame and no view: the capture window closing its AVI
  // as the frame takes it down still reports through the document.
  std::unique_ptr<CMainFrame> frame = std::move(frame_);
  view_ = nullptr;
  if (document_) document_->BeginClosing();
  router_.setChain({document_.get(), this});
  frame.reset();
  document_.reset();
}

bool CWatchpostApp::InitInstance(const QStringList& arguments) {
  recentFiles_.Load(profile_);

  document_ = std::make_unique<CWatchpostDoc>(service_, profile_, *this, namingDialog_);
  keeper_ = std::make_unique<Watchkeeper>(*document_, *this, *this, storage_, AutostartPath(),
                                          QCoreApplication::applicationFilePath().toStdString());
  document_->SetWatcher(keeper_.get());
  frame_ = std::make_unique<CMainFrame>(profile_, router_);
  if (!frame_->OnCreate()) return false;
  frame_->tipLine = [this] { return keeper_->TipLine(); };
  frame_->notificationIcon().setMessageIcon(frame_->windowIcon());
  frame_->notificationIcon().setMessageClicked([this] {
    if (frame_) frame_->BringBack();
  });
  view_ = new CWatchpostView(*document_, *frame_, frame_->clientWindow());
  router_.setChain({view_, document_.get(), frame_.get(), keeper_.get(), this});
  frame_->SetActiveView(document_.get(), view_);

  QStringList files;
  bool startRun = false;
  bool hidden = false;
  for (const QString& argument : arguments) {
    if (argument == QString::fromLatin1(kStartOption)) {
      startRun = true;
    } else if (argument == QString::fromLatin1(kHiddenOption)) {
      hidden = true;
    } else if (argument.startsWith('-')) {
      std::fputs(base::FillIn(res::text::kUnknownOption, {qPrintable(argument)}).c_str(), stderr);
    } else {
      files.push_back(argument);
    }
  }
  // Nobody need be there for a run asked for on the command line: from the capture's set-up
  // on, nothing waits for an answer.
  document_->SetUnattended(startRun);
  bool opened = false;
  if (files.isEmpty()) {
    opened = document_->OnNewDocument();
  } else {
    const std::string path = files.first().toStdString();
    opened = document_->OnOpenDocument(path);
    // Only a file that opened is worth offering again.
    if (opened) {
      recentFiles_.Add(path);
      recentFiles_.Save(profile_);
    }
  }
  if (!opened) return false;
  view_->OnInitialUpdate();
  if (hidden) {
    frame_->OnHide();
  } else {
    frame_->show();
  }
  // Once the event loop runs, so that a driver that failed has ended the program first.
  if (startRun && document_->captureRef().exists()) {
    QMetaObject::invokeMethod(
        frame_.get(),
        [this] {
          if (view_ != nullptr) view_->StartUnattended();
        },
        Qt::QueuedConnection);
  }
  return true;
}

void CWatchpostApp::OnAppAbout() {
  framework::CDialog about(res::kAboutDialog, frame_.get());
  about.DoModal();
}

QWidget* CWatchpostApp::mainWindow() { return frame_.get(); }

std::uint32_t CWatchpostApp::now() { return static_cast<std::uint32_t>(std::time(nullptr)); }

// The clock time() reads, so that its whole seconds are now()'s.
std::int64_t CWatchpostApp::nowMs() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return std::int64_t{t.tv_sec} * 1000 + t.tv_nsec / 1'000'000;
}

void CWatchpostApp::beep() { QApplication::beep(); }

void CWatchpostApp::setStatusText(const std::string& text) {
  if (frame_) frame_->SetMessageText(text);
}

void CWatchpostApp::setFrameCaption(const std::string& caption) {
  if (frame_) frame_->setWindowTitle(QString::fromStdString(caption));
}

void CWatchpostApp::titleChanged(const std::string& title) {
  if (frame_) frame_->OnTitleChanged(title);
}

void CWatchpostApp::setTimer(int id, int periodMs) {
  if (view_ != nullptr) view_->timers().SetTimer(id, periodMs);
}

void CWatchpostApp::killTimer(int id) {
  if (view_ != nullptr) view_->timers().KillTimer(id);
}

std::optional<std::string> CWatchpostApp::browseForFolder(const std::string& title,
                                                          const std::string& current) {
  return shell::BrowseForFolder(frame_.get(), title, current);
}

void CWatchpostApp::startStop() {
  if (view_ != nullptr) {
    view_->OnStartStop();
  } else if (document_) {
    document_->OnStartStop();
  }
}

void CWatchpostApp::enableControlPanel() {
  if (view_ != nullptr) view_->setEnabled(true);
}

void CWatchpostApp::notify(const std::string& caption, const std::string& text) {
  if (frame_) frame_->notificationIcon().showMessage(caption, text);
}

bool CWatchpostApp::windowAway() {
  return !frame_ || frame_->isHidden() || !frame_->isActiveWindow();
}

bool CWatchpostApp::showNotice(const std::string& title, const std::string& text) {
  return frame_ && frame_->notificationIcon().showMessage(title, text, false);
}

}  // namespace watchpost
