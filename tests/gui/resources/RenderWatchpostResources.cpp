// Draws Watchpost's dialogs, control panel, menus, status bar and icons offscreen into PNG files,
// to look at after changing a template: render_watchpost_resources OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

#include <cstdio>

#include "platform/framework/Command.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/FormView.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/Icons.h"
#include "platform/framework/Menus.h"
#include "platform/framework/StatusBar.h"
#include "resources/WatchpostDialogs.h"
#include "resources/WatchpostIcons.h"
#include "resources/WatchpostMenus.h"
#include "resources/WatchpostStrings.h"

namespace {

using namespace watchpost;

bool Save(const QPixmap& pixmap, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (!pixmap.save(path)) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s (%dx%d)\n", qPrintable(path), pixmap.width(), pixmap.height());
  return true;
}

// Each icon at 16, 22, 32 and 48 pixels on a light and a dark panel, blown up four times with
// square pixels so that every pixel can be judged.
QPixmap IconSheet() {
  constexpr int kScale = 4;
  constexpr int kCell = 48 * kScale + 16;
  QPixmap sheet(4 * kCell, 4 * kCell);
  sheet.fill(Qt::white);
  QPainter painter(&sheet);
  int row = 0;
  for (const int id : {res::IDI_MAINFRAME, res::IDI_TRAY}) {
    const QIcon icon = framework::LoadIcon(QString::fromLatin1(res::IconPath(id)));
    for (const QColor background : {QColor(0xf0, 0xf0, 0xf0), QColor(0x30, 0x30, 0x30)}) {
      int column = 0;
      for (const int pixels : {16, 22, 32, 48}) {
        const QRect cell(column * kCell, row * kCell, kCell, kCell);
        painter.fillRect(cell, background);
        const QImage image = icon.pixmap(pixels, pixels).toImage();
        const QSize big = image.size() * kScale;
        painter.drawImage(QRect(cell.center() - QPoint(big.width() / 2, big.height() / 2), big),
                          image);
        ++column;
      }
      ++row;
    }
  }
  return sheet;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists() && !QDir().mkpath(folder.path())) {
    std::fprintf(stderr, "could not make %s\n", argv[1]);
    return 1;
  }
  bool ok = true;

  framework::CDialog about(res::kAboutDialog);
  about.show();
  ok &= Save(about.grab(), folder, "about-100.png");

  framework::CDialog peek(res::kPeekWindowDialog);
  peek.SetDlgItemText(res::IDC_PEEK_WIDTH, "120");
  peek.SetDlgItemText(res::IDC_PEEK_HEIGHT, "90");
  peek.CheckDlgButton(res::IDC_TOP_RIGHT, true);
  peek.CheckDlgButton(res::IDC_SIZE_CUSTOM, true);
  peek.show();
  ok &= Save(peek.grab(), folder, "peek-135.png");

  // The panel as the program shows it: a 480 x 335 frame with the view inside, numbers filled.
  QMainWindow frame;
  framework::CommandRouter router;
  framework::CCmdTarget app_target;
  app_target.OnCommand(framework::ID_APP_EXIT, [] {});
  router.setChain({&app_target});
  frame.setMenuBar(framework::CreateMenuBar(res::kMainMenu, router, &frame));
  auto* status = new framework::CStatusBar(res::kStringTable, &frame);
  static constexpr int kPanes[] = {framework::ID_SEPARATOR, framework::ID_INDICATOR_CAPS,
                                   framework::ID_INDICATOR_NUM, framework::ID_INDICATOR_SCRL};
  status->SetIndicators(kPanes);
  status->SetLockKeyReader([] { return framework::LockKeyState{false, true, false}; });
  frame.setStatusBar(status);
  auto* form = new framework::CFormView(res::kWatchpostForm, &frame);
  frame.setCentralWidget(form);
  form->SetDlgItemText(res::IDC_SAMPLED, "1234");
  form->SetDlgItemText(res::IDC_CAPTURED, "56");
  form->SetDlgItemText(res::IDC_PIXELS_HIT, "> 2000");
  form->SetDlgItemText(res::IDC_THRESHOLD_TEXT, "2000");
  form->SetDlgItemText(res::IDC_DIFFERENTIAL_TEXT, "64");
  form->SetDlgItemText(res::IDC_INTERVAL, "300");
  form->SetDlgItemText(res::IDC_LIMIT, "64000");
  form->SetDlgItemText(res::IDC_PLAYBACK, "3.33");
  form->SetBarRange(res::IDC_ACTIVITY, 0, 2000);
  form->SetBarPos(res::IDC_ACTIVITY, 1500);
  form->SetBarRange(res::IDC_THRESHOLD_SLIDER, 0, 2000);
  form->SetBarPos(res::IDC_THRESHOLD_SLIDER, 700);
  form->SetBarRange(res::IDC_DIFFERENTIAL_SLIDER, 0, 128);
  form->SetBarPos(res::IDC_DIFFERENTIAL_SLIDER, 64);
  form->CheckDlgButton(res::IDC_SCALE_LOW, true);
  form->CheckDlgButton(res::IDC_BEEP_ON_HIT, true);
  form->CheckDlgButton(res::IDC_AUTO_RESTART, true);
  form->CheckDlgButton(res::IDC_START, true);
  form->SetDlgItemText(res::IDC_START, "End");
  form->SetDlgItemText(res::IDC_PAUSE, "Pause");
  form->ShowDlgItem(res::IDC_PAUSE, true);
  form->EnableDlgItem(res::IDC_PAUSE, true);
  frame.setWindowTitle("Untitled - Corvane");
  frame.resize(480, 335);
  frame.show();
  QApplication::processEvents();  // the layouts settle through posted events
  ok &= Save(frame.grab(), folder, "frame-panel-101.png");
  ok &= Save(status->grab(), folder, "status-bar.png");

  framework::CFormView whole(res::kWatchpostForm);
  whole.show();
  ok &= Save(whole.grab(QRect(0, 0, 160, whole.height())), folder, "form-101-strip.png");

  int index = 0;
  for (QAction* title : frame.menuBar()->actions()) {
    QMenu* menu = title->menu();
    if (menu == nullptr) continue;
    menu->popup(QPoint(0, 0));
    const QByteArray name = "menu-" + QByteArray::number(index++) + ".png";
    ok &= Save(menu->grab(), folder, name.constData());
    for (QAction* item : menu->actions()) {
      if (item->menu() == nullptr) continue;
      item->menu()->popup(QPoint(0, 0));
      const QByteArray subName = "menu-" + QByteArray::number(index - 1) + "-sub-" +
                                 QByteArray::number(menu->actions().indexOf(item)) + ".png";
      ok &= Save(item->menu()->grab(), folder, subName.constData());
      item->menu()->hide();
    }
    menu->hide();
  }

  ok &= Save(IconSheet(), folder, "icons.png");
  return ok ? 0 : 1;
}
