// File > Export Clip... as a person uses it: the menu item clicked, the choices of the dialog
// clicked and typed, Cancel clicked in the progress dialog.
#include <QAbstractButton>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/framework/Menus.h"
#include "platform/framework/MessageBox.h"
#include "tests/gui/viewer/CasebookFixture.h"
#include "tests/support/ExportClips.h"
#include "tests/support/ModalScript.h"
#include "viewer/export/ClipExporter.h"
#include "viewer/view/ExportClipDlg.h"

namespace casebook {
namespace {

using testing_support::ModalScript;

class CasebookExportTest : public CasebookTest {
 protected:
  // A 160 x 120 recording of 12 frames: a burst of 5, a minute's gap, a burst of 7.
  void OpenRecording() {
    testing_support::MakeClipRecording(In("yard"), 12, 160, 120, 200000,
                                       {0, 1, 2, 3, 4, 64, 65, 66, 67, 68, 69, 70});
    Start();
    ASSERT_TRUE(Open(In("yard.avi")));
  }
  // File > Export Clip... clicked on the menu bar; the item, as the open menu shows it.
  QAction* OpenFileMenu() {
    QMenuBar* bar = Frame().menuBar();
    QAction* file = nullptr;
    for (QAction* action : bar->actions()) {
      if (action->text() == "&File") file = action;
    }
    if (file == nullptr) return nullptr;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(file).center());
    if (!QTest::qWaitForWindowExposed(file->menu())) return nullptr;
    return framework::FindMenuItem(*bar, res::cmd::ExportClip);
  }
  void ClickExportItem() {
    QAction* item = OpenFileMenu();
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    QMenu* menu = Frame().menuBar()->actions().at(0)->menu();
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
  }
  static void Click(CExportClipDlg& dialog, int id) {
    QWidget* control = dialog.GetDlgItem(id);
    ASSERT_NE(control, nullptr);
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
  }
  static void TypeFile(CExportClipDlg& dialog, const std::string& path) {
    auto* edit = dialog.GetDlgItemAs<QLineEdit>(res::IDC_EXPORT_FILE);
    ASSERT_NE(edit, nullptr);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromStdString(path));
  }
  static bool Checked(CExportClipDlg& dialog, int id) { return dialog.IsDlgButtonChecked(id); }
  static bool Enabled(CExportClipDlg& dialog, int id) { return dialog.GetDlgItem(id)->isEnabled(); }
  static std::int32_t FramesIn(const fs::path& path) {
    exporter::WrittenVideo written;
    std::string error;
    EXPECT_TRUE(exporter::ReadWrittenVideo(path.string(), written, error)) << error;
    return written.frames;
  }
};

TEST_F(CasebookExportTest, TheMenuItemIsGreyedWithoutARecording) {
  Start();
  QAction* item = OpenFileMenu();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->text(), "&Export Clip...");
  EXPECT_FALSE(item->isEnabled());
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
}

// The choices: the whole recording, the burst on the screen, the marks (greyed until set); a
// click on one and a file typed export those frames, and the file holds them.
TEST_F(CasebookExportTest, ExportsTheChoiceClickedInTheDialog) {
  OpenRecording();
  // Frame 7 (counted from 1) on the screen: the second burst.
  for (int k = 0; k < 7; ++k) QTest::keyClick(&View(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(Doc().pictureIndex, 6);
  const fs::path whole = In("whole.mp4"), burst = In("burst.mp4");
  {
    ModalScript script;
    script.expectDialog<CExportClipDlg>([&](CExportClipDlg& d) {
      EXPECT_TRUE(Checked(d, res::IDC_EXPORT_BURST)) << "the burst on the screen is offered first";
      EXPECT_EQ(d.GetDlgItemText(res::IDC_EXPORT_WHOLE), "&Whole recording, frames 1 to 12");
      EXPECT_EQ(d.GetDlgItemText(res::IDC_EXPORT_BURST), "Current &burst, frames 6 to 12");
      EXPECT_FALSE(Enabled(d, res::IDC_EXPORT_MARKS)) << "no marks set";
      EXPECT_TRUE(Enabled(d, res::IDC_EXPORT_RECORDED));
      EXPECT_TRUE(Checked(d, res::IDC_EXPORT_AT_RATE));
      EXPECT_EQ(d.GetDlgItemText(res::IDC_EXPORT_FILE), In("yard-clip.mp4").string());
      Click(d, res::IDC_EXPORT_WHOLE);
      TypeFile(d, whole.string());
      Click(d, framework::IDOK);
    });
    script.expectMessage("Exported 12 frames to " + whole.string());
    ClickExportItem();
    EXPECT_EQ(script.pending(), 0u);
  }
  EXPECT_EQ(FramesIn(whole), 12);
  EXPECT_EQ(Status(), "Exported 12 frames to " + whole.string());
  {
    ModalScript script;
    script.expectDialog<CExportClipDlg>([&](CExportClipDlg& d) {
      Click(d, res::IDC_EXPORT_RECORDED);
      TypeFile(d, burst.string());
      QTest::keyClick(d.GetDlgItem(res::IDC_EXPORT_FILE), Qt::Key_Return);
    });
    script.expectMessage("Exported 7 frames to " + burst.string());
    ClickExportItem();
  }
  EXPECT_EQ(FramesIn(burst), 7);

  // Marks set with [ and ] (frames 3 and 10), and the file there already: replaced when the
  // user says so, not before.
  // The dialogs have closed; a window manager would give the window back.
  QApplication::setActiveWindow(&Frame());
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &Frame(); }));
  const auto key = [this](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : &Frame(), key, modifiers);
  };
  for (int k = 0; k < 4; ++k) key(Qt::Key_B, Qt::ControlModifier);
  ASSERT_EQ(Doc().pictureIndex, 2);
  key(Qt::Key_BracketLeft);
  for (int k = 0; k < 7; ++k) key(Qt::Key_F, Qt::ControlModifier);
  key(Qt::Key_BracketRight);
  ASSERT_EQ(Doc().markIn, 2);
  ASSERT_EQ(Doc().markOut, 9);
  {
    ModalScript script;
    script.expectDialog<CExportClipDlg>([&](CExportClipDlg& d) {
      EXPECT_TRUE(Enabled(d, res::IDC_EXPORT_MARKS));
      EXPECT_TRUE(Checked(d, res::IDC_EXPORT_MARKS)) << "what the user marked comes first";
      EXPECT_EQ(d.GetDlgItemText(res::IDC_EXPORT_MARKS), "Between the &marks, frames 3 to 10");
      TypeFile(d, burst.string());
      Click(d, framework::IDOK);
      EXPECT_TRUE(d.isVisible()) << "No keeps the dialog open";
      Click(d, framework::IDOK);
    });
    script.expectMessage(burst.string() + " exists already.\nDo you want to replace it?",
                         framework::IDNO);
    script.expectMessage(burst.string() + " exists already.\nDo you want to replace it?",
                         framework::IDYES);
    script.expectMessage("Exported 8 frames to " + burst.string());
    ClickExportItem();
    EXPECT_EQ(script.pending(), 0u);
  }
  EXPECT_EQ(FramesIn(burst), 8) << "the marked frames took the earlier burst's place";
}

// Cancel clicked while the frames are written: nothing is left, the status bar says so.
TEST_F(CasebookExportTest, CancelInTheProgressDialogLeavesNoFile) {
  OpenRecording();
  const fs::path target = In("cancelled.mp4");
  int clicked = 0;
  QTimer watcher;
  watcher.setInterval(0);
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      auto* progress = qobject_cast<QProgressDialog*>(window);
      if (progress == nullptr || !progress->isVisible() || progress->value() < 2) continue;
      EXPECT_EQ(progress->windowTitle(), "Export Clip");
      EXPECT_TRUE(progress->labelText().startsWith("Exporting frame "))
          << progress->labelText().toStdString();
      QPushButton* cancel = progress->findChild<QPushButton*>();
      ASSERT_NE(cancel, nullptr);
      EXPECT_EQ(cancel->text(), "Cancel");
      QTest::mouseClick(cancel, Qt::LeftButton);
      ++clicked;
      watcher.stop();
    }
  });
  {
    ModalScript script;
    script.expectDialog<CExportClipDlg>([&](CExportClipDlg& d) {
      Click(d, res::IDC_EXPORT_WHOLE);
      TypeFile(d, target.string());
      Click(d, framework::IDOK);
      watcher.start();
    });
    ClickExportItem();
  }
  EXPECT_EQ(clicked, 1);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(testing_support::FolderNames(temp_.path()),
            (std::vector<std::string>{"yard.avi", "yard.log"}));
  EXPECT_EQ(Status(), res::text::kExportCancelled);
}

// A folder that is not there: the user is told why, and nothing is left.
TEST_F(CasebookExportTest, AFailedExportSaysWhy) {
  OpenRecording();
  const fs::path target = In("gone") / "clip.mp4";
  ModalScript script;
  script.expectDialog<CExportClipDlg>([&](CExportClipDlg& d) {
    TypeFile(d, "");
    Click(d, framework::IDOK);
    EXPECT_TRUE(d.isVisible()) << "an export needs a file name";
    TypeFile(d, target.string());
    Click(d, framework::IDOK);
  });
  script.expectMessage(res::text::kExportNoFile);
  script.expect(
      "the failure",
      [](QDialog& d) {
        const auto info = framework::DescribeMessageBox(d);
        return info &&
               info->text.starts_with(
                   "The clip could not be exported: Cannot write in the folder of ") &&
               info->text.ends_with("No such file or directory");
      },
      [](QDialog& d) {
        d.reject();
        return framework::IDOK;
      });
  ClickExportItem();
  EXPECT_EQ(script.pending(), 0u);
  EXPECT_EQ(testing_support::FolderNames(temp_.path()),
            (std::vector<std::string>{"yard.avi", "yard.log"}));
}

}  // namespace
}  // namespace casebook
