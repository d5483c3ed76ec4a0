#include "viewer/app/CasebookApp.h"

#include <QFileDialog>
#include <QFileInfo>

#include "platform/framework/Dialog.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/Modal.h"
#include "platform/framework/StatusBar.h"
#include "resources/CasebookResources.h"
#include "resources/CasebookTexts.h"
#include "viewer/app/MainFrame.h"
#include "viewer/app/ReviewCommands.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/view/CasebookView.h"
#include "viewer/view/ExportClipDlg.h"

namespace casebook {

CCasebookApp::CCasebookApp(framework::ProfileStore& profile) : profile_(profile) {
  OnCommand(framework::ID_APP_ABOUT, [this] { OnAppAbout(); });
  OnCommand(framework::ID_FILE_OPEN, [this] { OnFileOpen(); });
  OnCommand(res::cmd::ExportClip, [this] {
    if (document_) ExportClipFromMenu(*document_, *this);
  });
  OnUpdateCommandUI(res::cmd::ExportClip, [this](framework::CCmdUI& ui) {
    ui.Enable(document_ && document_->recordingOpen);
  });
}

CCasebookApp::~CCasebookApp() {
  // Before the frame and the view its widgets live on; it stores its settings.
  router_.setChain({view_, document_.get(), frame_.get(), this});
  review_.reset();
  std::unique_ptr<CMainFrame> frame = std::move(frame_);
  view_ = nullptr;
  router_.setChain({document_.get(), this});
  frame.reset();
  if (document_) document_->OnCloseDocument();
  document_.reset();
}

bool CCasebookApp::InitInstance(const QStringList& arguments) {
  recentFiles_.Load(profile_);
  document_ = std::make_unique<CCasebookDoc>(profile_, *this);
  frame_ = std::make_unique<CMainFrame>(router_, [this](const std::string& path) {
    // A recent file that no longer opens leaves the list.
    if (!OpenDocumentFile(path)) {
      recentFiles_.Remove(path);
      recentFiles_.Save(profile_);
    }
  });
  if (!frame_->OnCreate(recentFiles_)) return false;
  view_ = new CCasebookView(
      *document_, [this] { frame_->OnStopStart(); }, frame_->clientWindow());
  frame_->SetActiveView(document_.get(), view_);
  frame_->resize(view_->sizeHint().width(), 480);
  review_ = std::make_unique<ReviewCommands>(*document_, *view_, *frame_, profile_);
  router_.setChain({review_.get(), view_, document_.get(), frame_.get(), this});

  QString file;
  for (const QString& argument : arguments) {
    if (!argument.startsWith('-') && file.isEmpty()) file = argument;
  }
  if (file.isEmpty()) {
    document_->OnNewDocument();
    view_->OnInitialUpdate();
  } else if (!OpenDocumentFile(file.toStdString())) {
    return false;
  }
  frame_->show();
  return true;
}

bool CCasebookApp::OpenDocumentFile(const std::string& chosen) {
  // Held as a full path: the recent-file list must open it from any folder.
  const QFileInfo file(QString::fromStdString(chosen));
  const std::string path = file.absoluteFilePath().toStdString();
  const bool opened = document_->OnOpenDocument(path);
  // The strip and the burst list follow the document, open or emptied.
  if (review_) review_->OnRecordingChanged();
  if (!opened) return false;
  frame_->OnTitleChanged(file.fileName().toStdString());
  recentFiles_.Add(path);
  recentFiles_.Save(profile_);
  view_->OnInitialUpdate();
  return true;
}

void CCasebookApp::OnFileOpen() {
  QFileDialog dialog(frame_.get(), res::text::kOpenDialogCaption);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(
      {res::text::kVideoFilter, res::text::kLogFilter, res::text::kAllFilesFilter});
  if (framework::RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return;
  }
  OpenDocumentFile(dialog.selectedFiles().first().toStdString());
}

void CCasebookApp::OnAppAbout() {
  framework::CDialog about(res::kAboutDialog, frame_.get());
  about.DoModal();
}

QWidget* CCasebookApp::mainWindow() { return frame_.get(); }

void CCasebookApp::setStatusText(const std::string& text) {
  if (frame_ && frame_->statusBar() != nullptr) frame_->statusBar()->SetPaneText(0, text, true);
}

void CCasebookApp::killPlayTimer() {
  if (frame_) frame_->timers().KillTimer(CMainFrame::kPlayTimerId);
}

void CCasebookApp::fitToPicture(int width, int height) {
  if (frame_) frame_->FitToPicture(width, height);
}

void CCasebookApp::dropPicture() {
  if (view_ != nullptr) view_->DropPicture();
}

}  // namespace casebook
