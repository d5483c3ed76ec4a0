#include "capture/frame/MainFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QThread>

#include "capture/frame/PeekWindowDlg.h"
#include "capture/panel/WatchpostView.h"
#include "capture/session/WatchpostDoc.h"
#include "platform/base/Text.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/Icons.h"
#include "platform/framework/Menus.h"
#include "platform/framework/StatusBar.h"
#include "resources/WatchpostCommands.h"
#include "resources/WatchpostIcons.h"
#include "resources/WatchpostMenus.h"
#include "resources/WatchpostStrings.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

constexpr int kIndicators[] = {framework::ID_SEPARATOR, framework::ID_INDICATOR_CAPS,
                               framework::ID_INDICATOR_NUM, framework::ID_INDICATOR_SCRL};

// Where the capture window sits in the client area: right of the 140-pixel panel, 3 pixels from
// the top, 24 pixels left free at the bottom.
constexpr int kDockX = 140, kDockY = 3, kDockRightMargin = 144, kDockBottomMargin = 24;

// The size the frame shrinks to while it hides.
constexpr QRect kHiddenGeometry{0, 0, 4, 3};

}  // namespace

// The frame's client area: its size changes are the frame's OnSize.
class CMainFrame::Client : public QWidget {
 public:
  explicit Client(CMainFrame& frame) : QWidget(&frame), frame_(frame) {}

 protected:
  void resizeEvent(QResizeEvent*) override {
    frame_.OnSize(frame_.isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED, width(), height());
  }

 private:
  CMainFrame& frame_;
};

CMainFrame::CMainFrame(framework::ProfileStore& profile, framework::CommandRouter& router)
    // A tool window: a small caption and no task-bar button.
    : QWidget(nullptr, Qt::Tool),
      profile_(profile),
      router_(router),
      client_(new Client(*this)),
      icon_([this](shell::NotificationIcon::Mouse mouse) { OnTrayNotify(mouse); },
            res::text::kRestoreTip) {
  LoadPeekValues(profile_, peek);
  setWindowIcon(framework::LoadIcon(res::kMainIconPath));
  registerCommands();
}

CMainFrame::~CMainFrame() {
  SavePeekValues(profile_, peek);
  icon_.remove();
}

bool CMainFrame::OnCreate() {
  menuBar_ = framework::CreateMenuBar(res::kMainMenu, router_, this);
  framework::LoadAccelerators(res::kMainAccelerators, router_, *this);
  statusBar_ = new framework::CStatusBar(res::kStringTable, client_);
  if (!statusBar_->SetIndicators(kIndicators)) return false;
  framework::ShowMenuPrompts(*menuBar_, *statusBar_);
  OnTitleChanged(document_ != nullptr ? document_->title() : res::text::kUntitled);
  return true;
}

void CMainFrame::registerCommands() {
  OnCommand(cmd::Hide, [this] { OnHide(); });
  OnCommand(cmd::Peek, [this] { OnPeek(); });
  OnCommand(cmd::PeekWindowSettings, [this] { OnPeekWindowSettings(); });
  OnCommand(framework::ID_VIEW_STATUS_BAR, [this] { OnViewStatusBar(); });
  OnUpdateCommandUI(framework::ID_VIEW_STATUS_BAR, [this](framework::CCmdUI& ui) {
    ui.Enable(true);
    ui.SetCheck(statusBar_ != nullptr && !statusBar_->isHidden() ? 1 : 0);
  });
  OnCommand(framework::ID_APP_EXIT, [this] { close(); });
}

void CMainFrame::SetActiveView(CWatchpostDoc* document, CWatchpostView* view) {
  document_ = document;
  view_ = view;
  if (view_ != nullptr) view_->setParent(client_);
  OnSize(isMaximized() ? SIZE_MAXIMIZED : SIZE_RESTORED, client_->width(), client_->height());
}

void CMainFrame::OnTitleChanged(const std::string& title) {
  setWindowTitle(QString::fromStdString(base::FillIn(res::text::kTitle, {title})));
}

void CMainFrame::resizeEvent(QResizeEvent*) { LayOutFrame(); }

void CMainFrame::LayOutFrame() {
  const int menuHeight = menuBar_ != nullptr ? menuBar_->sizeHint().height() : 0;
  if (menuBar_ != nullptr) menuBar_->setGeometry(0, 0, width(), menuHeight);
  client_->setGeometry(0, menuHeight, width(), std::max(height() - menuHeight, 0));
  // A hidden window gets its size changes only when shown; what is inside is laid out now.
  if (!isVisible()) LayOutClient();
}

void CMainFrame::LayOutClient() {
  const int cx = client_->width(), cy = client_->height();
  int viewHeight = cy;
  if (statusBar_ != nullptr && !statusBar_->isHidden()) {
    const int barHeight = statusBar_->sizeHint().height();
    statusBar_->setGeometry(0, cy - barHeight, cx, barHeight);
    viewHeight -= barHeight;
  }
  if (view_ != nullptr) view_->setGeometry(0, 0, cx, std::max(viewHeight, 0));
}

void CMainFrame::OnSize(int sizeType, int cx, int cy) {
  // Before the document and view are in place there is nothing to lay out; the frame is laid
  // out again when they are.
  if (document_ == nullptr || view_ == nullptr) return;
  LayOutClient();
  if (sizeType != SIZE_RESTORED && sizeType != SIZE_MAXIMIZED) return;
  if (view_->parentWidget() != client_) {
    view_->setParent(client_);
    view_->show();
  }
  camera::CaptureWindow& capture = document_->captureRef().get();
  capture.setParentWindow(client_);
  // Sizes below zero (a frame shrunk to nothing) are the capture window's to make harmless.
  capture.setWindowPos(QRect(kDockX, kDockY, cx - kDockRightMargin, cy - kDockBottomMargin));
}

void CMainFrame::OnViewStatusBar() {
  if (statusBar_ == nullptr) return;
  statusBar_->setVisible(statusBar_->isHidden());
  // Only the layout follows: the capture window keeps its place.
  LayOutClient();
}

void CMainFrame::DetachCaptureWindow() {
  iconShown = 1;
  hide();
  setGeometry(kHiddenGeometry);
  if (document_ != nullptr) document_->captureRef()->setParentWindow(nullptr);
}

void CMainFrame::AddIcon() { icon_.add(framework::LoadIcon(res::kTrayIconPath)); }

void CMainFrame::OnHide() {
  DetachCaptureWindow();
  if (document_ != nullptr) document_->captureRef()->setWindowPos(QRect(0, 0, 1, 1));
  AddIcon();
}

void CMainFrame::OnPeek() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  // An invalid work area stands for one the screen did not tell.
  const QRect workArea = screen != nullptr ? screen->availableGeometry() : QRect();
  DetachCaptureWindow();
  if (const auto place = PeekPlacement(workArea, peek); place && document_ != nullptr) {
    document_->captureRef()->setWindowPos(*place);
  }
  AddIcon();
}

void CMainFrame::OnTrayNotify(shell::NotificationIcon::Mouse mouse) {
  if (iconShown == 0) return;
  switch (mouse) {
    case shell::NotificationIcon::Mouse::Move:
      if (document_ != nullptr) {
        std::string tip = TrayTipText(document_->title(), document_->mode, document_->sampledCount,
                                      document_->capturedCount);
        if (const std::string line = tipLine ? tipLine() : std::string(); !line.empty()) {
          tip += '\n';
          tip += line;
        }
        icon_.setTip(tip);
      }
      break;
    case shell::NotificationIcon::Mouse::DoubleClick:
      iconShown = 0;
      icon_.remove();
      MoveFrame(kRestoredGeometry.x(), kRestoredGeometry.y(), kRestoredGeometry.width(),
                kRestoredGeometry.height());
      show();
      raise();
      activateWindow();
      // The size change docks the capture window; a frame that comes back at the size it
      // already had gets no size change, so dock it here all the same.
      OnSize(SIZE_RESTORED, client_->width(), client_->height());
      break;
  }
}

void CMainFrame::BringBack() {
  if (iconShown != 0 && isHidden()) {
    OnTrayNotify(shell::NotificationIcon::Mouse::DoubleClick);
    return;
  }
  show();
  raise();
  activateWindow();
}

void CMainFrame::OnPeekWindowSettings() { RunPeekWindowSettings(peek, this); }

void CMainFrame::MoveFrame(int x, int y, int width, int height) {
  placement_ = QRect(x, y, width, height);
  ApplyPlacement();
}

void CMainFrame::ApplyPlacement() {
  placedBorders_ = FrameBorders();
  move(placement_.topLeft());  // a widget's position is its frame's
  resize(std::max(placement_.width() - placedBorders_.left() - placedBorders_.right(), 1),
         std::max(placement_.height() - placedBorders_.top() - placedBorders_.bottom(), 1));
  LayOutFrame();
}

QMargins CMainFrame::FrameBorders() const {
  const QRect outer = frameGeometry(), inner = geometry();
  return {inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
          outer.bottom() - inner.bottom()};
}

bool CMainFrame::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // The borders arrive with a move or a resize after the window is shown. Once the placement
  // has been made with them it is done: what the user does with the window later stays.
  const QEvent::Type type = event->type();
  if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::Show) &&
      placement_.isValid() && windowState() == Qt::WindowNoState &&
      FrameBorders() != placedBorders_) {
    ApplyPlacement();
    if (!placedBorders_.isNull()) placement_ = QRect();
  }
  return handled;
}

void CMainFrame::SetMessageText(const std::string& text) {
  if (statusBar_ == nullptr) return;
  // The status line closes with a line feed after its capture time; one line is drawn.
  const bool closed = !text.empty() && text.back() == '\n';
  statusBar_->SetPaneText(0, closed ? text.substr(0, text.size() - 1) : text, true);
}

namespace {
// Like a quit message, it waits in the queue for the program's event loop: events processed
// before that loop runs (start-up) must not swallow it.
void PostExit(int exitCode) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [exitCode] {
        if (QThread::currentThread()->loopLevel() == 0) {
          PostExit(exitCode);
        } else {
          QCoreApplication::exit(exitCode);
        }
      },
      Qt::QueuedConnection);
}
}  // namespace

void CMainFrame::PostQuitMessage(int exitCode) { PostExit(exitCode); }

void CMainFrame::closeEvent(QCloseEvent* event) {
  event->accept();
  // The program ends with its frame, whatever else is still on the screen (the peek window).
  QCoreApplication::exit(0);
}

}  // namespace watchpost
