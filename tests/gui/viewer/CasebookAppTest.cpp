// The Casebook program on real recordings (made here with Watchpost's own AVI writer and event
// log): opening either file of a pair, the failures, stepping, playing and scrubbing, the speed
// and properties dialogs, the keys, the clipboard.
#include "viewer/app/CasebookApp.h"

#include <gtest/gtest.h>

#include "tests/gui/viewer/CasebookFixture.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSlider>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "capture/eventlog/EventLog.h"
#include "capture/settings/CaptureSettings.h"
#include "platform/avi/AviWriter.h"
#include "platform/framework/FrameIds.h"
#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/StatusBar.h"
#include "platform/video/FrameFormat.h"
#include "resources/CasebookResources.h"
#include "tests/support/ModalScript.h"
#include "tests/support/TempFolder.h"
#include "viewer/app/MainFrame.h"
#include "viewer/document/CasebookDoc.h"
#include "viewer/view/CasebookView.h"

namespace casebook {
namespace {

using namespace res;
using testing_support::ModalScript;

TEST_F(CasebookTest, StartsEmptyWithTheCommandsOfNoRecording) {
  Start();
  EXPECT_EQ(Frame().windowTitle().toStdString(), "Untitled - Casebook");
  EXPECT_EQ(View().GetDlgItemText(IDC_ENTRY), "Log Entry Details");
  EXPECT_EQ(View().GetDlgItemText(IDC_TOTAL), "----");
  auto* slider = View().GetDlgItemAs<QSlider>(IDC_SLIDER);
  EXPECT_EQ(slider->maximum(), 1000);
  EXPECT_EQ(slider->value(), 0);
  EXPECT_FALSE(View().showsPicture());
  const QImage painted = View().grab().toImage();
  EXPECT_EQ(painted.pixelColor(5, View().height() - 5), QColor(128, 128, 192));
  for (int id :
       {cmd::StopStart, cmd::Properties, cmd::Back, cmd::Forward, framework::ID_EDIT_COPY}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }
  EXPECT_TRUE(Enabled(cmd::Speed));
  EXPECT_TRUE(Enabled(cmd::StopStartKey));
  // The keys of Stop/Start work with the menu item greyed: with nothing open they do nothing.
  QTest::keyClick(&Frame(), Qt::Key_Space);
  QTest::keyClick(&Frame(), Qt::Key_Return);
  EXPECT_FALSE(Doc().playing);
}

TEST_F(CasebookTest, EitherFileOfThePairOpensTheRecordingAndItsLog) {
  MakeRecording(In("run7"), 5, 5);
  Start();
  for (const char* chosen : {"run7.log", "run7.avi"}) {
    SCOPED_TRACE(chosen);
    ASSERT_TRUE(Open(In(chosen)));
    EXPECT_EQ(Doc().videoPath, In("run7.avi").string());
    EXPECT_EQ(Doc().logPath, In("run7.log").string());
    EXPECT_TRUE(Doc().recordingOpen);
    EXPECT_EQ(Doc().lastFrame, 4);
    EXPECT_EQ(FrameShown(Doc()), 0);
    EXPECT_EQ(Doc().playbackRate, 4);
    EXPECT_TRUE(Doc().logLoaded);
    EXPECT_EQ(Status(), "Log File contains 5 entries");
    EXPECT_EQ(View().GetDlgItemText(IDC_TOTAL), "5");
    EXPECT_EQ(EntryShown().rfind("Frame# 1 ", 0), 0u) << EntryShown();
    EXPECT_EQ(Frame().windowTitle().toStdString(), std::string(chosen) + " - Casebook");
    EXPECT_EQ(Frame().pos(), QPoint(0, 0));
    // The band and the picture at its own size: nothing stretched.
    EXPECT_EQ(View().width(), kWidth);
    EXPECT_EQ(View().clientRect().height(), CCasebookView::kBandHeight + kHeight);
  }
  EXPECT_TRUE(Enabled(cmd::Forward));
  EXPECT_EQ(app_->recentFiles().files().front(), In("run7.avi").string());
}

TEST_F(CasebookTest, TheLastThreeCharactersAreReplacedWhateverTheyAre) {
  MakeRecording(In("CLIP"), 3, 3);
  std::ofstream(In("CLIP.AVI")) << "the name chosen";
  std::ofstream(In("clip.mpeg")) << "not a recording";
  std::ofstream(In("abc")) << "too short a name";
  Start();
  ASSERT_TRUE(Open(In("CLIP.AVI")));
  EXPECT_EQ(Doc().videoPath, In("CLIP.avi").string());
  {
    ModalScript script;
    script.expectMessage(res::text::kOpenFailure);
    EXPECT_FALSE(Open(In("clip.mpeg")));  // clip.mavi and clip.mlog
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].caption, "Casebook Error");
    EXPECT_EQ(script.seen()[0].icon, framework::MB_ICONERROR);
  }
  EXPECT_EQ(Doc().videoPath, In("clip.mavi").string());
  EXPECT_FALSE(Doc().recordingOpen) << "the recording shown before is closed";
  EXPECT_FALSE(View().showsPicture());

  const fs::path cwd = fs::current_path();
  fs::current_path(temp_.path());
  {
    ModalScript script;
    script.expectMessage(res::text::kOpenFailure);
    EXPECT_FALSE(Open("abc"));
  }
  fs::current_path(cwd);
}

TEST_F(CasebookTest, AFileThatCannotBeReadChangesNothing) {
  MakeRecording(In("run"), 3, 3);
  Start();
  ASSERT_TRUE(Open(In("run.avi")));
  {
    ModalScript script;
    script.expectMessage("Cannot open " + In("gone.log").string() + ": No such file or directory");
    EXPECT_FALSE(Open(In("gone.log")));
  }
  EXPECT_TRUE(Doc().recordingOpen);
  EXPECT_EQ(Doc().videoPath, In("run.avi").string());
}

TEST_F(CasebookTest, ARecordingWithoutItsLogPlaysAndSaysLogReady) {
  MakeRecording(In("nolog"), 3, -1);
  Start();
  ASSERT_TRUE(Open(In("nolog.avi")));
  EXPECT_FALSE(Doc().logLoaded);
  EXPECT_EQ(Status(), "Unable to open a Corvane Log File");
  EXPECT_EQ(EntryShown(), "Log Ready");
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(EntryShown(), "Log Ready");
}

TEST_F(CasebookTest, AShortLogIsReportedAndItsFramesShowNoLogEntry) {
  MakeRecording(In("short"), 5, -1);
  {
    std::ofstream log(In("short.log"), std::ios::binary);  // three frame lines, nothing after
    for (int k = 1; k <= 3; ++k) log << "Frame# " << k << " Sun Mar 04 06:13:20 2001\r\n";
  }
  Start();
  {
    ModalScript script;
    script.expectMessage("  The Corvane Log File is Suspect  ");
    ASSERT_TRUE(Open(In("short.avi")));
    ASSERT_EQ(script.seen().size(), 1u);
    EXPECT_EQ(script.seen()[0].icon, framework::MB_ICONWARNING);
  }
  EXPECT_EQ(Status(), "Log File contains 3 entries");
  Doc().position = 4;
  Doc().ShowPosition();
  EXPECT_EQ(EntryShown(), "No Log Entry");
}

TEST_F(CasebookTest, TheRecordedRateIsTruncatedAndShownInTheProperties) {
  MakeRecording(In("ntsc"), 2, 2, 33367);  // 29.97 frames a second
  Start();
  ASSERT_TRUE(Open(In("ntsc.avi")));
  EXPECT_EQ(Doc().RecordedRate(), 29);
  EXPECT_EQ(Doc().playbackRate, 29);
  EXPECT_EQ(Doc().TimerIntervalMs(), 34);
  ModalScript script;
  script.expectDialog<CAviPropertiesDlg>([](CAviPropertiesDlg& dialog) {
    EXPECT_EQ(dialog.GetDlgItemText(IDC_RECORDING_RATE), "29");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_TOTAL_FRAMES), "2");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_WIDTH), std::to_string(kWidth));
    EXPECT_EQ(dialog.GetDlgItemText(IDC_HEIGHT), std::to_string(kHeight));
    return framework::IDOK;
  });
  QTest::keyClick(&Frame(), Qt::Key_R, Qt::ControlModifier);
  EXPECT_EQ(script.pending(), 0u);
}

TEST_F(CasebookTest, ForwardAndBackMoveThroughTheRecording) {
  MakeRecording(In("steps"), 6, 6);
  Start();
  ASSERT_TRUE(Open(In("steps.avi")));
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);  // frame 0 again, the entry one ahead
  EXPECT_EQ(FrameShown(Doc()), 0);
  EXPECT_EQ(Doc().position, 1);
  EXPECT_EQ(EntryShown().rfind("Frame# 2 ", 0), 0u);
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(FrameShown(Doc()), 1);
  QTest::keyClick(&Frame(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Doc().position, 1);
  EXPECT_EQ(FrameShown(Doc()), 0);
  QTest::keyClick(&Frame(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Doc().position, 0);
  EXPECT_EQ(FrameShown(Doc()), 0);
}

TEST_F(CasebookTest, PlaybackShowsEndOfAviThenStopsAndWrapsToTheStart) {
  MakeRecording(In("play"), 4, 4);
  Start();
  ASSERT_TRUE(Open(In("play.avi")));
  Doc().position = 3;  // the last frame: Start does nothing
  QTest::keyClick(&Frame(), Qt::Key_Space);
  EXPECT_FALSE(Doc().playing);

  Doc().position = 2;
  QTest::keyClick(&Frame(), Qt::Key_Space);
  ASSERT_TRUE(Doc().playing);
  EXPECT_TRUE(Frame().timers().isTimerSet(CMainFrame::kPlayTimerId));
  EXPECT_FALSE(Enabled(cmd::Speed)) << "the speed waits while playing";
  Frame().OnTimer(CMainFrame::kPlayTimerId);
  EXPECT_EQ(FrameShown(Doc()), 2);
  Frame().OnTimer(CMainFrame::kPlayTimerId);
  EXPECT_EQ(FrameShown(Doc()), 3);
  EXPECT_EQ(EntryShown(), "End of AVI");
  Frame().OnTimer(CMainFrame::kPlayTimerId);
  EXPECT_FALSE(Doc().playing);
  EXPECT_FALSE(Frame().timers().isTimerSet(CMainFrame::kPlayTimerId));
  EXPECT_EQ(Doc().position, 0);
  EXPECT_EQ(FrameShown(Doc()), 3) << "the last picture stays";

  // Enter plays and stops as well, with the focus anywhere in the window.
  View().GetDlgItem(IDC_SLIDER)->setFocus();
  QTest::keyClick(&Frame(), Qt::Key_Return);
  EXPECT_TRUE(Doc().playing);
  QTest::keyClick(&Frame(), Qt::Key_Return);
  EXPECT_FALSE(Doc().playing);

  // Forward or Back while playing only stops.
  QTest::keyClick(&Frame(), Qt::Key_T, Qt::ControlModifier);
  ASSERT_TRUE(Doc().playing);
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_FALSE(Doc().playing);
  EXPECT_EQ(Doc().position, 0);
}

TEST_F(CasebookTest, AOneFrameRecordingNeverPlaysAndForwardAlternates) {
  MakeRecording(In("one"), 1, 1);
  Start();
  ASSERT_TRUE(Open(In("one.avi")));
  QTest::keyClick(&Frame(), Qt::Key_Space);
  EXPECT_FALSE(Doc().playing);
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(EntryShown(), "End of AVI");
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(Doc().position, 0);
  QTest::keyClick(&Frame(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(Doc().position, 1);
  EXPECT_EQ(EntryShown(), "End of AVI");
}

TEST_F(CasebookTest, AClickOnThePictureTogglesPlaybackAndOneOnTheBandDoesNot) {
  MakeRecording(In("click"), 4, 4);
  Start();
  ASSERT_TRUE(Open(In("click.avi")));
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(10, 20));
  EXPECT_FALSE(Doc().playing);
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(10, 50));
  EXPECT_TRUE(Doc().playing);
  QTest::mouseClick(&View(), Qt::LeftButton, {}, QPoint(10, 50));
  EXPECT_FALSE(Doc().playing);
}

// The speed dialog on a 25-frames-a-second recording: with the override off the recording's
// own rate shows, and OK and the check box still work.
TEST_F(CasebookTest, TheOverrideCanBeTurnedOnForAFastRecording) {
  MakeRecording(In("fast"), 3, 3, 40000);
  Start();
  ASSERT_TRUE(Open(In("fast.avi")));
  {
    ModalScript script;
    script.expectDialog<CPlaybackSpeedDlg>([](CPlaybackSpeedDlg& dialog) {
      EXPECT_EQ(dialog.GetDlgItemText(IDC_SPEED), "25");
      EXPECT_FALSE(dialog.GetDlgItem(IDC_SPEED)->isEnabled());
      // OK is refused no more: any message box here fails the test.
      QTest::mouseClick(static_cast<QAbstractButton*>(dialog.GetDlgItem(framework::IDOK)),
                        Qt::LeftButton);
    });
    QTest::keyClick(&Frame(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(script.pending(), 0u);
  }
  EXPECT_FALSE(Doc().overrideRate);
  EXPECT_EQ(Doc().playbackRate, 25);
  {
    ModalScript script;
    script.expectDialog<CPlaybackSpeedDlg>([](CPlaybackSpeedDlg& dialog) {
      QTest::mouseClick(dialog.GetDlgItemAs<QAbstractButton>(IDC_OVERRIDE), Qt::LeftButton);
      EXPECT_EQ(dialog.GetDlgItemText(IDC_SPEED), "15");
      EXPECT_TRUE(dialog.GetDlgItem(IDC_SPEED)->isEnabled());
      QTest::mouseClick(static_cast<QAbstractButton*>(dialog.GetDlgItem(framework::IDOK)),
                        Qt::LeftButton);
    });
    QTest::keyClick(&Frame(), Qt::Key_E, Qt::ControlModifier);
  }
  EXPECT_TRUE(Doc().overrideRate);
  EXPECT_EQ(Doc().playbackRate, 15);
  EXPECT_EQ(Doc().TimerIntervalMs(), 66);
}

TEST_F(CasebookTest, TheSpeedDialogValidatesOnlyTheUsersRateAndCancelKeepsTheCheckBox) {
  profile_.seedInt("Settings", "OverRideFrameRate", 1);
  profile_.seedInt("Settings", "FrameRate", 12);
  MakeRecording(In("rec"), 3, 3);  // 4 frames a second
  Start();
  EXPECT_EQ(Doc().playbackRate, 12);
  ASSERT_TRUE(Open(In("rec.avi")));
  EXPECT_EQ(Doc().playbackRate, 12) << "the override wins over the recording's rate";
  EXPECT_EQ(Doc().TimerIntervalMs(), 83);
  {
    ModalScript script;
    script
        .expectDialog<CPlaybackSpeedDlg>([](CPlaybackSpeedDlg& dialog) {
          EXPECT_EQ(dialog.GetDlgItemText(IDC_SPEED), "12");
          EXPECT_TRUE(dialog.GetDlgItem(IDC_SPEED)->isEnabled());
          dialog.SetDlgItemText(IDC_SPEED, "20");
          // Refused: the message comes and the dialog stays.
          QTest::mouseClick(static_cast<QAbstractButton*>(dialog.GetDlgItem(framework::IDOK)),
                            Qt::LeftButton);
          QTest::mouseClick(dialog.GetDlgItemAs<QAbstractButton>(IDC_OVERRIDE),
                            Qt::LeftButton);  // off
          EXPECT_FALSE(dialog.GetDlgItem(IDC_SPEED)->isEnabled());
          EXPECT_EQ(dialog.GetDlgItemText(IDC_SPEED), "4");
          QTest::mouseClick(static_cast<QAbstractButton*>(dialog.GetDlgItem(framework::IDCANCEL)),
                            Qt::LeftButton);
        })
        .expectMessage("Please enter an integer between 1 and 15.");
    QTest::keyClick(&Frame(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(script.pending(), 0u);
  }
  EXPECT_FALSE(Doc().overrideRate) << "Cancel keeps what the check box set";
  EXPECT_EQ(Doc().playbackRate, 4);
  app_.reset();
  EXPECT_EQ(profile_.GetProfileInt("Settings", "OverRideFrameRate", -1), 0);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "FrameRate", -1), 4);
}

TEST_F(CasebookTest, TheRateIsFiveUntilSomethingSetsItAndIsSavedAtExit) {
  Start();
  EXPECT_EQ(Doc().playbackRate, 5);
  app_.reset();
  EXPECT_EQ(profile_.GetProfileInt("Settings", "FrameRate", -1), 5);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "OverRideFrameRate", -1), 0);
}

TEST_F(CasebookTest, RatesBelowOneAndAMissingScalePlayAFrameASecond) {
  profile_.seedInt("Settings", "OverRideFrameRate", 1);
  profile_.seedInt("Settings", "FrameRate", 0);
  Start();
  EXPECT_EQ(Doc().playbackRate, 1);
  Doc().fileInfo.dwScale = 0;
  EXPECT_EQ(Doc().RecordedRate(), 1);
  Doc().fileInfo = {};
  Doc().fileInfo.dwRate = 1;
  Doc().fileInfo.dwScale = 3;
  EXPECT_EQ(Doc().RecordedRate(), 1);
  Doc().playbackRate = 0;
  EXPECT_EQ(Doc().TimerIntervalMs(), 1000);
}

TEST_F(CasebookTest, CopyPutsThePictureUprightAndItsLogLineOnTheClipboard) {
  MakeRecording(In("copy"), 3, 3);
  Start();
  ASSERT_TRUE(Open(In("copy.avi")));
  QGuiApplication::clipboard()->clear();
  QTest::keyClick(&Frame(), Qt::Key_Insert, Qt::ControlModifier);
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_FALSE(copied.isNull());
  EXPECT_EQ(copied.size(), QSize(kWidth, kHeight));
  EXPECT_EQ(copied.pixelColor(0, 0), QColor(5, 5, 5));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), EntryShown());
  EXPECT_EQ(EntryShown().rfind("Frame# 1 ", 0), 0u);
}

// Every compressor Watchpost offers: its recordings open and show their frames and lines.
TEST_F(CasebookTest, RecordingsOfEveryCompressorOpenAndShowTheirLines) {
  Start();
  int index = 0;
  for (const avi::Compressor& compressor : avi::AvailableCompressors()) {
    SCOPED_TRACE(compressor.codec);
    const fs::path stem = In("codec" + std::to_string(index++));
    MakeRecording(stem, 4, 4, 250000, compressor);
    ASSERT_TRUE(Open(stem.string() + ".avi"));
    EXPECT_EQ(Doc().lastFrame, 3);
    Doc().position = 3;
    Doc().ShowPosition();
    EXPECT_EQ(FrameShown(Doc()), 3) << "frame 3 decoded";
    EXPECT_EQ(EntryShown().rfind("Frame# 4 ", 0), 0u);
  }
}

// Recent files come back in the File menu; a file dropped on the window opens like one chosen.
TEST_F(CasebookTest, RecentFilesAndDroppedFilesOpenRecordings) {
  MakeRecording(In("first"), 2, 2);
  MakeRecording(In("second"), 3, 3);
  Start();
  ASSERT_TRUE(Open(In("first.avi")));
  ASSERT_TRUE(Open(In("second.log")));
  QMenu* file = nullptr;
  for (QMenu* menu : Frame().menuBar()->findChildren<QMenu*>()) {
    if (menu->title() == "&File") file = menu;
  }
  ASSERT_NE(file, nullptr);
  emit file->aboutToShow();
  QStringList texts;
  QAction* first = nullptr;
  for (QAction* action : file->actions()) {
    if (!action->isVisible() || action->isSeparator()) continue;
    texts << action->text();
    if (action->text() == "&2 first.avi") first = action;
  }
  EXPECT_EQ(texts, (QStringList{"&Open...\tCtrl+O", "&1 second.log", "&2 first.avi", "P&roperties",
                                "&Export Clip...", "E&xit"}));
  ASSERT_NE(first, nullptr);
  first->trigger();
  EXPECT_EQ(Doc().videoPath, In("first.avi").string());
  EXPECT_EQ(Doc().lastFrame, 1);

  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(In("second.avi").string()))});
  // Dragged from a file manager and let go over the window.
  const QPoint over(20, 60);
  QDragEnterEvent enter(over, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Frame(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(over), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&Frame(), &drop);
  ASSERT_TRUE(drop.isAccepted());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Doc().videoPath == In("second.avi").string(); }))
      << Doc().videoPath;
  EXPECT_EQ(Doc().lastFrame, 2);
  app_.reset();
  EXPECT_EQ(profile_.GetProfileString("Recent File List", "File1", ""), In("second.avi").string());
}

}  // namespace
}  // namespace casebook
