#include "viewer/app/MainFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QUrl>

#include <algorithm>
#include <optional>

#include "platform/base/Text.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/Icons.h"
#include "platform/framework/Menus.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/RecentFileList.h"
#include "platform/framework/StatusBar.h"
#include "resources/CasebookResources.h"
#include "resources/CasebookTexts.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/view/CasebookView.h"

namespace casebook {
namespace {

constexpr int kIndicators[] = {framework::ID_SEPARATOR, framework::ID_INDICATOR_CAPS,
                               framework::ID_INDICATOR_NUM, framework::ID_INDICATOR_SCRL};

}  // namespace

class FrameClient : public QWidget {
 public:
  FrameClient(QWidget* parent, std::function<void()> laidOut)
      : QWidget(parent), laidOut_(std::move(laidOut)) {}

 protected:
  void resizeEvent(QResizeEvent*) override { laidOut_(); }

 private:
  std::function<void()> laidOut_;
};

CMainFrame::CMainFrame(framework::CommandRouter& router,
                       std::function<void(const std::string&)> openFile)
    : router_(router),
      openFile_(std::move(openFile)),
      properties_(this),
      client_(new FrameClient(this, [this] { LayOutClient(); })),
      timers_([this](int id) { OnTimer(id); }, this) {
  setWindowIcon(framework::LoadIcon(res::kMainIconPath));
  setAcceptDrops(true);
  registerCommands();
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::OnCreate(const framework::RecentFileList& recentFiles) {
  menuBar_ = framework::CreateMenuBar(res::kMainMenu, router_, this);
  framework::LoadAccelerators(res::kMainAccelerators, router_, *this);
  framework::ShowRecentFiles(*menuBar_, recentFiles, openFile_);
  statusBar_ = new framework::CStatusBar(res::kStringTable, client_);
  if (!statusBar_->SetIndicators(kIndicators)) return false;
  framework::ShowMenuPrompts(*menuBar_, *statusBar_);
  OnTitleChanged(res::text::kUntitled);
  return true;
}

void CMainFrame::registerCommands() {
  OnCommand(res::cmd::StopStart, [this] { OnStopStart(); });
  OnCommand(res::cmd::StopStartKey, [this] { OnStopStart(); });
  OnCommand(res::cmd::Forward, [this] { OnForward(); });
  OnCommand(res::cmd::Back, [this] { OnBack(); });
  OnCommand(res::cmd::Properties, [this] { OnProperties(); });
  for (const int id : {framework::ID_HELP_FINDER, framework::ID_HELP, framework::ID_CONTEXT_HELP,
                       framework::ID_DEFAULT_HELP}) {
    OnCommand(id, [this] { OnHelp(); });
  }
  OnCommand(framework::ID_APP_EXIT, [this] { close(); });
}

void CMainFrame::SetActiveView(CCasebookDoc* document, CCasebookView* view) {
  document_ = document;
  view_ = view;
  LayOutClient();
}

void CMainFrame::OnTitleChanged(const std::string& title) {
  setWindowTitle(QString::fromStdString(base::FillIn(res::text::kTitle, {title})));
}

void CMainFrame::resizeEvent(QResizeEvent*) {
  const int menuHeight = menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
  if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, width(), menuHeight);
  client_->setGeometry(0, menuHeight, width(), std::max(height() - menuHeight, 0));
  if (!isVisible()) LayOutClient();  // a hidden window hears of its size only when shown
}

// The status bar along the bottom; the view keeps the size it was given, or fills the rest
// when it has none of its own yet.
void CMainFrame::LayOutClient() {
  const int cx = client_->width(), cy = client_->height();
  int barHeight = 0;
  if (statusBar_ != nullptr) {
    barHeight = statusBar_->sizeHint().height();
    statusBar_->setGeometry(0, cy - barHeight, cx, barHeight);
  }
  const int panel = SidePanelShown() ? std::min(sidePanelWidth_, cx) : 0;
  if (view_ != nullptr) view_->setGeometry(0, 0, cx - panel, std::max(cy - barHeight, 0));
  if (panel > 0) sidePanel_->setGeometry(cx - panel, 0, panel, std::max(cy - barHeight, 0));
}

bool CMainFrame::SidePanelShown() const { return sidePanel_ != nullptr && !sidePanel_->isHidden(); }

void CMainFrame::SetSidePanel(QWidget* panel, int width) {
  sidePanel_ = panel;
  sidePanelWidth_ = width;
  LayOutClient();
}

void CMainFrame::ShowSidePanel(bool show) {
  if (sidePanel_ == nullptr || SidePanelShown() == show) return;
  // The picture keeps its size: the window takes the panel's room from the screen.
  QSize size = this->size() + QSize(show ? sidePanelWidth_ : -sidePanelWidth_, 0);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size());
  }
  sidePanel_->setVisible(show);
  resize(size);
  resizeEvent(nullptr);
  LayOutClient();
}

// The window just holds the menu, the band, the picture at its own size and the status bar,
// as far as the screen has room.
void CMainFrame::FitToPicture(int width, int height) {
  const int menuHeight = menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
  const int barHeight = statusBar_ != nullptr ? statusBar_->sizeHint().height() : 0;
  // A picture narrower than the band leaves room for the band's scroll bar below it.
  const int scrollHeight = view_ != nullptr ? view_->ScrollBarHeightAt(width) : 0;
  const int panel = SidePanelShown() ? sidePanelWidth_ : 0;
  QSize size(std::max(width, 1) + panel, menuHeight + CCasebookView::kBandHeight +
                                             std::max(height, 0) + scrollHeight + barHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    size = size.boundedTo(screen->availableGeometry().size());
  }
  move(0, 0);
  resize(size);
  resizeEvent(nullptr);
}

void CMainFrame::StopPlaying() {
  if (document_ != nullptr) document_->playing = false;
  timers_.KillTimer(kPlayTimerId);
}

void CMainFrame::OnStopStart() {
  if (document_ == nullptr) return;
  if (document_->playing) {
    StopPlaying();
  } else if (document_->position < document_->lastFrame) {
    document_->playing = true;
    playIntervalMs_ = PlayIntervalMs(true);
    timers_.SetTimer(kPlayTimerId, playIntervalMs_);
  }
}

void CMainFrame::SetPlayPacing(std::function<int(bool)> pacing) { pacing_ = std::move(pacing); }

int CMainFrame::PlayIntervalMs(bool starting) {
  const int paced = pacing_ ? pacing_(starting) : -1;
  return paced >= 0 ? paced : document_->TimerIntervalMs();
}

void CMainFrame::OnForward() {
  if (document_ == nullptr) return;
  if (document_->playing) {
    StopPlaying();
  } else {
    document_->StepForward();
  }
}

void CMainFrame::OnBack() {
  if (document_ == nullptr) return;
  if (document_->playing) {
    StopPlaying();
  } else {
    document_->StepBack();
  }
}

void CMainFrame::OnTimer(int) {
  if (document_ == nullptr) return;
  if (!document_->PlayTick()) {
    StopPlaying();
  } else if (document_->playing) {
    // Each frame has its own wait at recorded times: the timer starts afresh with it. Switched
    // off while playing, the wait of the playback rate comes back.
    const int next = PlayIntervalMs(false);
    if (next != playIntervalMs_) {
      playIntervalMs_ = next;
      timers_.SetTimer(kPlayTimerId, next);
    }
  }
}

void CMainFrame::OnProperties() {
  if (document_ != nullptr) properties_.ShowProperties(*document_);
}

void CMainFrame::OnHelp() {
  framework::AppMessageBox(this, res::text::kHelp,
                           framework::MB_OK | framework::MB_ICONINFORMATION);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
  StopPlaying();
  event->accept();
  QCoreApplication::exit(0);
}

namespace {
std::optional<std::string> FirstLocalFile(const QMimeData& data) {
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile()) return url.toLocalFile().toStdString();
  }
  return std::nullopt;
}
}  // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
  if (FirstLocalFile(*event->mimeData())) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
  if (OnDropFiles(*event->mimeData())) event->acceptProposedAction();
}

bool CMainFrame::OnDropFiles(const QMimeData& data) {
  const std::optional<std::string> path = FirstLocalFile(data);
  if (!path) return false;
  // Opened once the drop is over: a message box now would hold the other program's drag.
  QMetaObject::invokeMethod(
      this, [this, file = *path] { openFile_(file); }, Qt::QueuedConnection);
  return true;
}

}  // namespace casebook
