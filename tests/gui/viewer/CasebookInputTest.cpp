// Casebook driven as a person drives it: keys, the wheel and mouse drags on the real slider,
// the band's scroll bar on recordings narrower than the band, and the files a person picks.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWheelEvent>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/gui/viewer/CasebookFixture.h"
#include "tests/support/ModalScript.h"

namespace casebook {
namespace {

using namespace res;

// Where a part of a slider or scroll bar is drawn, as the style draws it.
QRect PartRect(const QAbstractSlider& slider, QStyle::ComplexControl control,
               QStyle::SubControl part) {
  QStyleOptionSlider option;
  option.initFrom(&slider);
  option.orientation = slider.orientation();
  option.minimum = slider.minimum();
  option.maximum = slider.maximum();
  option.sliderPosition = slider.sliderPosition();
  option.sliderValue = slider.value();
  option.singleStep = slider.singleStep();
  option.pageStep = slider.pageStep();
  if (const auto* ticks = qobject_cast<const QSlider*>(&slider)) {
    option.tickPosition = ticks->tickPosition();
  }
  option.subControls = QStyle::SC_All;
  return slider.style()->subControlRect(control, &option, part, &slider);
}

// The screen repaints the window, as it does between two moves of the mouse.
void LetTheScreenPaint(QWidget& window) {
  QCoreApplication::processEvents();
  window.repaint();
}

// Presses the handle and moves the mouse sideways a pixel at a time, the window repainting in
// between, until `reached` holds or the bar's end; then lets go unless `release` is false.
void DragHandle(QAbstractSlider& slider, QStyle::ComplexControl control, QWidget& window,
                const std::function<bool()>& reached, bool release = true) {
  const QStyle::SubControl handle =
      control == QStyle::CC_Slider ? QStyle::SC_SliderHandle : QStyle::SC_ScrollBarSlider;
  QPoint at = PartRect(slider, control, handle).center();
  QTest::mousePress(&slider, Qt::LeftButton, {}, at);
  while (!reached() && at.x() < slider.width() + 20) {
    at.rx() += 1;
    QTest::mouseMove(&slider, at);
    LetTheScreenPaint(window);
  }
  if (release) QTest::mouseRelease(&slider, Qt::LeftButton, {}, at);
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

void Wheel(QWidget& widget, int steps) {  // positive: away from the user
  const QPointF at(widget.width() / 2.0, widget.height() / 2.0);
  QWheelEvent wheel(at, widget.mapToGlobal(at), QPoint(), QPoint(0, 120 * steps), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(&widget, &wheel);
}

class CasebookInputTest : public CasebookTest {
 protected:
  QSlider& Slider() { return *View().GetDlgItemAs<QSlider>(IDC_SLIDER); }
  void DragSliderTo(int value, bool release = true) {
    DragHandle(
        Slider(), QStyle::CC_Slider, Frame(), [&] { return Slider().sliderPosition() >= value; },
        release);
  }
  std::string EntryPrefix(int position) { return "Frame# " + std::to_string(position + 1) + " "; }
};

// A recording as wide as the band: every key, wheel and drag on the slider, from frame 0.
TEST_F(CasebookInputTest, EveryMoveOfTheSliderShowsItsFrameAndEntry) {
  constexpr int kFrames = 12;  // a page is 2 frames
  MakeRecording(In("wide"), kFrames, kFrames, 250000, avi::UncompressedDib(), 640, 48);
  Start();
  const auto key = [this](Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    return [this, k, modifiers] { QTest::keyClick(&Slider(), k, modifiers); };
  };
  const auto wheel = [this](int steps) { return [this, steps] { Wheel(Slider(), steps); }; };
  const auto drag = [this](int value) { return [this, value] { DragSliderTo(value); }; };
  struct Row {
    const char* input;
    std::vector<std::function<void()>> steps;
    int frame;     // the picture on the screen
    int position;  // the entry shown and the slider
  };
  const Row rows[] = {
      {"Right", {key(Qt::Key_Right)}, 1, 1},
      {"Right x3", {key(Qt::Key_Right), key(Qt::Key_Right), key(Qt::Key_Right)}, 3, 3},
      {"Down", {key(Qt::Key_Down)}, 1, 1},
      {"Right Right Left", {key(Qt::Key_Right), key(Qt::Key_Right), key(Qt::Key_Left)}, 1, 1},
      {"Right Right Up", {key(Qt::Key_Right), key(Qt::Key_Right), key(Qt::Key_Up)}, 1, 1},
      {"Left at the start", {key(Qt::Key_Left)}, 0, 0},
      {"Page Down", {key(Qt::Key_PageDown)}, 2, 2},
      {"Page Down, Page Up", {key(Qt::Key_PageDown), key(Qt::Key_PageUp)}, 0, 0},
      {"End", {key(Qt::Key_End)}, kFrames - 1, kFrames - 1},
      {"End, Right", {key(Qt::Key_End), key(Qt::Key_Right)}, kFrames - 1, kFrames - 1},
      {"End, Home", {key(Qt::Key_End), key(Qt::Key_Home)}, 0, 0},
      {"wheel towards the user", {wheel(-1)}, 1, 1},
      {"wheel towards, towards, away", {wheel(-1), wheel(-1), wheel(1)}, 1, 1},
      {"drag to 7", {drag(7)}, 7, 7},
      {"drag to 7, Right", {drag(7), key(Qt::Key_Right)}, 8, 8},
      {"drag to 9, Left", {drag(9), key(Qt::Key_Left)}, 8, 8},
      // Forward fetches the frame of the position and moves the entry one ahead of it.
      {"Ctrl+F", {key(Qt::Key_F, Qt::ControlModifier)}, 0, 1},
      {"Ctrl+F x2",
       {key(Qt::Key_F, Qt::ControlModifier), key(Qt::Key_F, Qt::ControlModifier)},
       1,
       2},
      {"Ctrl+F x2, Ctrl+B",
       {key(Qt::Key_F, Qt::ControlModifier), key(Qt::Key_F, Qt::ControlModifier),
        key(Qt::Key_B, Qt::ControlModifier)},
       0,
       1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.input);
    ASSERT_TRUE(Open(In("wide.avi")));
    LetTheScreenPaint(Frame());
    Slider().setFocus();
    for (const auto& step : row.steps) {
      step();
      LetTheScreenPaint(Frame());
    }
    EXPECT_EQ(FrameShown(Doc()), row.frame);
    EXPECT_EQ(Doc().position, row.position);
    EXPECT_EQ(EntryShown().rfind(EntryPrefix(row.position), 0), 0u) << EntryShown();
    EXPECT_EQ(Slider().value(), row.position);
  }
}

// While the thumb is held it stays under the mouse and the picture waits; letting go shows the
// frame it was let go at.
TEST_F(CasebookInputTest, TheHeldThumbFollowsTheMouseAndThePictureFollowsTheRelease) {
  MakeRecording(In("drag"), 20, 20, 250000, avi::UncompressedDib(), 640, 48);
  Start();
  ASSERT_TRUE(Open(In("drag.avi")));
  DragSliderTo(13, false);
  EXPECT_EQ(Slider().sliderPosition(), 13) << "each repaint must leave the thumb where it is";
  EXPECT_EQ(FrameShown(Doc()), 0) << "nothing while the thumb moves";
  const QPoint at = PartRect(Slider(), QStyle::CC_Slider, QStyle::SC_SliderHandle).center();
  QTest::mouseRelease(&Slider(), Qt::LeftButton, {}, at);
  LetTheScreenPaint(Frame());
  EXPECT_EQ(FrameShown(Doc()), 13);
  EXPECT_EQ(Doc().position, 13);
  EXPECT_EQ(EntryShown().rfind(EntryPrefix(13), 0), 0u) << EntryShown();
}

// At sizes Watchpost records, the band is wider than the window: its scroll bar brings each of
// its controls into reach, and its own moves drive the recording as the slider's do.
TEST_F(CasebookInputTest, ANarrowRecordingScrollsTheBandIntoReach) {
  for (const QSize size : {QSize(320, 240), QSize(160, 120)}) {
    SCOPED_TRACE(size.width());
    const std::string stem = "narrow" + std::to_string(size.width());
    MakeRecording(In(stem), 6, 6, 250000, avi::UncompressedDib(), size.width(), size.height());
    Start();
    ASSERT_TRUE(Open(In(stem + ".avi")));
    LetTheScreenPaint(Frame());
    QScrollBar* bar = View().horizontalScrollBar();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(View().width(), size.width());
    EXPECT_EQ(View().clientRect().height(), CCasebookView::kBandHeight + size.height())
        << "the picture keeps its own height above the scroll bar";
    QWidget* total = View().GetDlgItem(IDC_TOTAL);
    EXPECT_FALSE(View().rect().contains(total->geometry()));

    // Dragging the scroll bar to its end brings the count in, and moves no frame.
    DragHandle(*bar, QStyle::CC_ScrollBar, Frame(), [&] { return bar->value() == bar->maximum(); });
    LetTheScreenPaint(Frame());
    EXPECT_TRUE(View().rect().contains(total->geometry())) << total->geometry().x();
    EXPECT_EQ(View().GetDlgItemText(IDC_TOTAL), "6");
    EXPECT_EQ(FrameShown(Doc()), 0);

    // Page by page back to the slider, which the keys then move.
    while (!View().rect().contains(Slider().geometry().center()) && bar->value() > 0) {
      QTest::mouseClick(bar, Qt::LeftButton, {},
                        PartRect(*bar, QStyle::CC_ScrollBar, QStyle::SC_ScrollBarSubPage).center());
      LetTheScreenPaint(Frame());
    }
    ASSERT_TRUE(View().rect().contains(Slider().geometry().center()));
    Slider().setFocus();
    QTest::keyClick(&Slider(), Qt::Key_End);
    EXPECT_EQ(FrameShown(Doc()), 5);

    // The arrow of the scroll bar is a line step of the recording too.
    QTest::keyClick(&Slider(), Qt::Key_Home);
    QTest::mouseClick(bar, Qt::LeftButton, {},
                      PartRect(*bar, QStyle::CC_ScrollBar, QStyle::SC_ScrollBarAddLine).center());
    LetTheScreenPaint(Frame());
    EXPECT_EQ(FrameShown(Doc()), 1);
    EXPECT_EQ(Doc().position, 1);
    app_.reset();
  }
}

// A recording wide enough for the band shows no scroll bar and keeps the band where it is.
TEST_F(CasebookInputTest, ARecordingAsWideAsTheBandHasNoScrollBar) {
  MakeRecording(In("wide"), 3, 3, 250000, avi::UncompressedDib(), 640, 48);
  Start();
  ASSERT_TRUE(Open(In("wide.avi")));
  LetTheScreenPaint(Frame());
  EXPECT_FALSE(View().horizontalScrollBar()->isVisible());
  EXPECT_EQ(View().clientRect().height(), View().height());
  EXPECT_TRUE(View().rect().contains(View().GetDlgItem(IDC_TOTAL)->geometry()));
}

// The partner of the chosen file: the name with its last three characters replaced, or else
// the one file that differs from that only in the case of those three.
TEST_F(CasebookInputTest, ThePartnerIsFoundWhateverTheCaseOfItsExtension) {
  struct Row {
    std::vector<std::string> files;  // the folder's files
    const char* chosen;
    const char* video;  // expected AVI, "" for the open failure
    const char* log;    // expected log, "" for none read
  };
  const Row rows[] = {
      {{"CLIP.AVI", "CLIP.LOG"}, "CLIP.AVI", "CLIP.AVI", "CLIP.LOG"},
      {{"CLIP.AVI", "CLIP.LOG"}, "CLIP.LOG", "CLIP.AVI", "CLIP.LOG"},
      {{"MVI_0001.AVI", "MVI_0001.log"}, "MVI_0001.AVI", "MVI_0001.AVI", "MVI_0001.log"},
      {{"MVI_0001.AVI", "MVI_0001.log"}, "MVI_0001.log", "MVI_0001.AVI", "MVI_0001.log"},
      {{"Run.Avi"}, "Run.Avi", "Run.Avi", ""},
      // The exact name wins over one that differs in case.
      {{"both.avi", "both.AVI", "both.log"}, "both.AVI", "both.avi", "both.log"},
      // Two that differ only in case: neither is the partner.
      {{"twice.AVI", "twice.Avi", "twice.log"}, "twice.log", "", ""},
      // Only the three replaced characters may differ.
      {{"Stem.AVI", "stem.log"}, "stem.log", "", ""},
  };
  Start();
  int folder = 0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.chosen);
    const fs::path dir = In("case" + std::to_string(folder++));
    fs::create_directory(dir);
    for (const std::string& name : row.files) {
      // "avi" in any case is a video of 3 frames, anything else a log of 3 frame lines.
      const bool video = name.size() > 3 && SameIgnoringCase(name.substr(name.size() - 3), "avi");
      MakeRecording(dir / "made", 3, video ? -1 : 3);
      if (video) {
        fs::rename(dir / "made.avi", dir / name);
      } else {
        fs::remove(dir / "made.avi");
        fs::rename(dir / "made.log", dir / name);
      }
    }
    testing_support::ModalScript script;
    if (*row.video == '\0') script.expectMessage(res::text::kOpenFailure);
    const bool opened = Open(dir / row.chosen);
    EXPECT_EQ(opened, *row.video != '\0');
    if (!opened) continue;
    EXPECT_EQ(Doc().videoPath, (dir / row.video).string());
    EXPECT_EQ(Doc().logLoaded, *row.log != '\0');
    if (*row.log != '\0') {
      EXPECT_EQ(Doc().logPath, (dir / row.log).string());
      EXPECT_EQ(Status(), "Log File contains 3 entries");
    }
  }
}

// Pipes and folders named like a recording are refused before anything waits on them.
TEST_F(CasebookInputTest, OnlyPlainFilesAreOpened) {
  MakeRecording(In("pipe"), 3, 3);
  fs::remove(In("pipe.avi"));
  ASSERT_EQ(::mkfifo(In("pipe.avi").c_str(), 0600), 0);
  MakeRecording(In("logpipe"), 3, -1);
  ASSERT_EQ(::mkfifo(In("logpipe.log").c_str(), 0600), 0);
  fs::create_directory(In("folder.avi"));
  std::ofstream(In("folder.log")) << "Frame# 1 \n";
  Start();
  for (const char* chosen : {"pipe.log", "pipe.avi", "folder.log"}) {
    SCOPED_TRACE(chosen);
    testing_support::ModalScript script;
    script.expectMessage(res::text::kOpenFailure);
    EXPECT_FALSE(Open(In(chosen)));
    EXPECT_FALSE(Doc().recordingOpen);
  }
  // A log that is a pipe is no log: the recording plays without it.
  ASSERT_TRUE(Open(In("logpipe.avi")));
  EXPECT_FALSE(Doc().logLoaded);
  EXPECT_EQ(Status(), "Unable to open a Corvane Log File");
}

// A file opened by a name relative to the folder the program started in goes into the recent
// files with its full path, so it opens again from anywhere.
TEST_F(CasebookInputTest, RecentFilesHoldFullPaths) {
  MakeRecording(In("rel"), 2, 2);
  Start();
  const fs::path cwd = fs::current_path();
  fs::current_path(temp_.path());
  const bool opened = app_->OpenDocumentFile("rel.avi");
  fs::current_path(cwd);
  ASSERT_TRUE(opened);
  EXPECT_EQ(app_->recentFiles().files().front(), In("rel.avi").string());
  EXPECT_EQ(Doc().videoPath, In("rel.avi").string());
  EXPECT_EQ(Frame().windowTitle().toStdString(), "rel.avi - Casebook");
}

}  // namespace
}  // namespace casebook
