// Reviewing a night's recording as a person does: Ctrl+Right and Ctrl+Left from burst to burst,
// [ and ] on the activity strip, clicks on the strip and the burst list, Enter on the list, and
// playing at recorded times with its card over the frame after a long gap.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>

#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/gui/viewer/CasebookFixture.h"
#include "tests/support/LocalTime.h"
#include "viewer/app/ReviewCommands.h"
#include "viewer/review/ActivityStrip.h"
#include "viewer/review/BurstList.h"
#include "viewer/review/SkipCard.h"

namespace casebook {
namespace {

using namespace res;

// The slider in sight, and room on the screen for the burst list beside the picture.
constexpr int kW = 480, kH = 96;

// A night: four frames at 01:00:00, three at 04:12:00 and :02, five at 04:20:00 to :04.
const std::time_t kNight = testing_support::LocalTime(2026, 12, 9, 1, 0, 0);
const std::vector<int> kOffsets = {0,     0,     0,     0,     11520, 11520,
                                   11522, 12000, 12001, 12002, 12003, 12004};
constexpr int kBurstFirst[] = {0, 4, 7};

class CasebookReviewTest : public CasebookTest {
 protected:
  // The night's recording, its log written from the offsets (none when `withLog` is false).
  void Night(const std::string& stem, bool withLog = true) {
    MakeRecording(In(stem), static_cast<int>(kOffsets.size()), -1, 250000, avi::UncompressedDib(),
                  kW, kH);
    if (!withLog) return;
    std::vector<std::uint32_t> times;
    for (const int offset : kOffsets) times.push_back(static_cast<std::uint32_t>(kNight + offset));
    std::ofstream(In(stem + ".log"), std::ios::binary) << watchpost::EventLogText(
        times.data(), static_cast<std::int32_t>(times.size()), watchpost::CaptureSettings{});
  }
  ReviewCommands& Review() { return *app_->review(); }
  review::ActivityStrip& Strip() { return Review().strip(); }
  QListWidget& Rows() { return Review().burstList().rows(); }
  QSlider& Slider() { return *View().GetDlgItemAs<QSlider>(IDC_SLIDER); }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &Frame(),
                    key, modifiers);
    QCoreApplication::processEvents();
  }
  // A menu item by its letters, as the keyboard reaches it: Alt+`menu`, then `item`; `atOnce`
  // looks at the window before the event loop runs again.
  void Menu(Qt::Key menu, Qt::Key item, const std::function<void()>& atOnce = {}) {
    QTest::keyClick(&Frame(), menu, Qt::AltModifier);
    QMenu* popup = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return (popup = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr;
    }));
    QTest::keyClick(popup, item);
    if (atOnce) atOnce();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == nullptr; }));
    // Offscreen, the closed menu is activated late; a window manager gives the window back.
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(&Frame());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &Frame(); }));
  }
  void ClickStripAt(std::int32_t frame) {
    QTest::mouseClick(&Strip(), Qt::LeftButton, {},
                      QPoint(Strip().ColumnX(frame), review::ActivityStrip::kHeight / 2));
    QCoreApplication::processEvents();
  }
  // Frame, entry and slider all at `frame`, as after the slider is let go there.
  void ExpectAt(int frame) {
    EXPECT_EQ(FrameShown(Doc()), frame);
    EXPECT_EQ(Doc().position, frame);
    EXPECT_EQ(EntryShown().rfind("Frame# " + std::to_string(frame + 1) + " ", 0), 0u)
        << EntryShown();
    EXPECT_EQ(Slider().value(), frame);
  }
};

TEST_F(CasebookReviewTest, CtrlArrowsAndTheMenuGoFromBurstToBurst) {
  Night("night");
  Start();
  const auto next = [this] { Key(Qt::Key_Right, Qt::ControlModifier); };
  const auto previous = [this] { Key(Qt::Key_Left, Qt::ControlModifier); };
  const auto forward = [this] { Key(Qt::Key_F, Qt::ControlModifier); };
  const auto nextByMenu = [this] { Menu(Qt::Key_A, Qt::Key_N); };
  const auto previousByMenu = [this] { Menu(Qt::Key_A, Qt::Key_P); };
  const std::string opened = "Log File contains 12 entries";
  const std::string second = "Burst 2 of 3, 04:12:00, 3 frames";
  const std::string third = "Burst 3 of 3, 04:20:00, 5 frames";
  struct Row {
    const char* input;
    std::vector<std::function<void()>> steps;
    int frame;
    std::string status;
  } rows[] = {
      {"Ctrl+Right", {next}, 4, second},
      {"Ctrl+Right x2", {next, next}, 7, third},
      {"past the last burst nothing moves", {next, next, next}, 7, third},
      {"Ctrl+Right x2, Ctrl+Left", {next, next, previous}, 4, second},
      {"inside a burst, its own start first",
       {forward, forward, forward, previous},
       0,
       "Burst 1 of 3, 01:00:00, 4 frames"},
      {"Ctrl+Left at the start does nothing", {previous}, 0, opened},
      {"Action > Next Burst", {nextByMenu}, 4, second},
      {"Action > Previous Burst", {nextByMenu, nextByMenu, previousByMenu}, 4, second},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.input);
    ASSERT_TRUE(Open(In("night.avi")));
    Slider().setFocus();  // the slider's own Ctrl+arrows must not win
    for (const auto& step : row.steps) step();
    ExpectAt(row.frame);
    EXPECT_EQ(Status(), row.status);
  }
  EXPECT_TRUE(Enabled(cmd::NextBurst));
  next();
  EXPECT_FALSE(Enabled(cmd::NextBurst)) << "at the last burst";
  EXPECT_TRUE(Enabled(cmd::PreviousBurst));
}

TEST_F(CasebookReviewTest, AJumpWhilePlayingStopsPlaybackFirst) {
  Night("night");
  Start();
  ASSERT_TRUE(Open(In("night.avi")));
  Key(Qt::Key_Space);
  ASSERT_TRUE(Doc().playing);
  Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_FALSE(Doc().playing);
  EXPECT_FALSE(Frame().timers().isTimerSet(CMainFrame::kPlayTimerId));
  ExpectAt(4);
}

TEST_F(CasebookReviewTest, TheStripShowsFramesPerMinuteUnderTheSliderAndAClickGoesThere) {
  Night("night");
  Start();
  ASSERT_TRUE(Open(In("night.avi")));
  EXPECT_TRUE(Strip().isHidden()) << "off until chosen: the band is as it was";
  Menu(Qt::Key_V, Qt::Key_S);
  ASSERT_TRUE(Strip().isVisible());
  EXPECT_TRUE(app_->router().query(cmd::ActivityStrip).checked);
  const QRect slider = Slider().geometry();
  EXPECT_EQ(Strip().geometry(),
            QRect(slider.x(), slider.bottom() + 1, slider.width(), review::ActivityStrip::kHeight));
  EXPECT_LE(Strip().geometry().bottom(), CCasebookView::kBandHeight) << "inside the band";

  std::vector<std::pair<int, int>> minutes;
  for (const review::MinuteBucket& b : Strip().buckets()) minutes.emplace_back(b.first, b.count);
  EXPECT_EQ(minutes, (std::vector<std::pair<int, int>>{{0, 4}, {4, 3}, {7, 5}}));

  // The strip's columns are where the slider puts its handle for the same frame.
  for (const int frame : {4, 7, 11, 0, 2}) {
    SCOPED_TRACE(frame);
    ClickStripAt(frame);
    ExpectAt(frame);
    QStyleOptionSlider option;
    option.initFrom(&Slider());
    option.orientation = Qt::Horizontal;
    option.minimum = Slider().minimum();
    option.maximum = Slider().maximum();
    option.sliderPosition = option.sliderValue = Slider().value();
    const QRect handle = Slider().style()->subControlRect(QStyle::CC_Slider, &option,
                                                          QStyle::SC_SliderHandle, &Slider());
    EXPECT_NEAR(Strip().ColumnX(frame), handle.center().x(), 1);
  }

  // Bars as tall as their minute's frames (the busiest fills the strip), the current burst lit.
  ClickStripAt(5);
  const QImage strip = Strip().grab().toImage();
  const QColor empty = Strip().palette().color(QPalette::Base);
  const int top = 1, bottom = review::ActivityStrip::kHeight - 2;
  EXPECT_NE(strip.pixelColor(Strip().ColumnX(9), top), empty) << "five frames: the full height";
  EXPECT_NE(strip.pixelColor(Strip().ColumnX(1), bottom), empty);
  EXPECT_EQ(strip.pixelColor(Strip().ColumnX(1), top), empty) << "four frames: short of the top";
  EXPECT_NE(strip.pixelColor(Strip().ColumnX(5), top), empty) << "the current burst is lit";

  Menu(Qt::Key_V, Qt::Key_S);
  EXPECT_TRUE(Strip().isHidden());
}

TEST_F(CasebookReviewTest, BracketKeysMarkTheFrameOnTheScreenAndTheStripShowsTheMarks) {
  Night("night");
  Start();
  ASSERT_TRUE(Open(In("night.avi")));
  Menu(Qt::Key_V, Qt::Key_S);
  Key(Qt::Key_BracketLeft);
  EXPECT_EQ(Doc().markIn, 0);
  EXPECT_EQ(Status(), "Mark in at frame 1");
  Key(Qt::Key_Right, Qt::ControlModifier);
  Key(Qt::Key_BracketRight);
  EXPECT_EQ(Doc().markOut, 4);
  EXPECT_EQ(Status(), "Mark out at frame 5");
  const QColor red(200, 0, 0);
  QImage strip = Strip().grab().toImage();
  EXPECT_EQ(strip.pixelColor(Strip().ColumnX(0), review::ActivityStrip::kHeight / 2), red);
  EXPECT_EQ(strip.pixelColor(Strip().ColumnX(4), review::ActivityStrip::kHeight / 2), red);
  EXPECT_NE(strip.pixelColor(Strip().ColumnX(2), review::ActivityStrip::kHeight / 2), red);

  // A mark in after the mark out starts a range of its own.
  Key(Qt::Key_Right, Qt::ControlModifier);
  Key(Qt::Key_BracketLeft);
  EXPECT_EQ(Doc().markIn, 7);
  EXPECT_EQ(Doc().markOut, -1);
  strip = Strip().grab().toImage();
  EXPECT_NE(strip.pixelColor(Strip().ColumnX(4), review::ActivityStrip::kHeight / 2), red);

  ASSERT_TRUE(Open(In("night.log")));
  EXPECT_EQ(Doc().markIn, -1);
  EXPECT_EQ(Doc().markOut, -1);
}

TEST_F(CasebookReviewTest, TheBurstListComesAtOnceAndItsPicturesFollow) {
  Night("night");
  Start();
  ASSERT_TRUE(Open(In("night.avi")));
  const QSize before = Frame().size();
  review::BurstList& list = Review().burstList();
  Menu(Qt::Key_V, Qt::Key_B, [&] {
    // No picture can have come yet: they are handed over through the event loop.
    ASSERT_EQ(Rows().count(), 3);
    EXPECT_EQ(list.PicturesShown(), 0);
    EXPECT_EQ(Rows().item(1)->text().toStdString(), "04:12:00\n3 s, 3 frames");
  });
  ASSERT_TRUE(list.isVisible());
  EXPECT_EQ(Frame().width(), before.width() + review::BurstList::kWidth);
  EXPECT_EQ(View().width(), kW) << "the picture keeps its size";
  EXPECT_EQ(list.geometry().left(), View().geometry().right() + 1);

  ASSERT_TRUE(QTest::qWaitFor([&] { return list.PicturesShown() == 3; })) << list.PicturesShown();
  for (int row = 0; row < 3; ++row) {
    const QImage picture = Rows().item(row)->icon().pixmap(Rows().iconSize()).toImage();
    const int value = 10 * kBurstFirst[row] + 5;  // the first frame's grey
    EXPECT_EQ(picture.pixelColor(picture.width() / 2, picture.height() / 2),
              QColor(value, value, value))
        << row;
  }

  const auto clickRow = [this](int row) {
    QTest::mouseClick(Rows().viewport(), Qt::LeftButton, {},
                      Rows().visualItemRect(Rows().item(row)).center());
    QCoreApplication::processEvents();
  };
  clickRow(2);
  ExpectAt(7);
  EXPECT_EQ(Status(), "Burst 3 of 3, 04:20:00, 5 frames");
  // The keys of the list move its row; Enter goes there, and does not start playback.
  Key(Qt::Key_Up);
  EXPECT_EQ(FrameShown(Doc()), 7) << "moving the row does not go";
  Key(Qt::Key_Return);
  ExpectAt(4);
  EXPECT_FALSE(Doc().playing);
  EXPECT_EQ(Status(), "Burst 2 of 3, 04:12:00, 3 frames");
  // The row follows the position.
  Key(Qt::Key_Left, Qt::ControlModifier);
  ExpectAt(0);
  EXPECT_EQ(Rows().currentRow(), 0);

  Menu(Qt::Key_V, Qt::Key_B);
  EXPECT_TRUE(list.isHidden());
  EXPECT_EQ(Frame().size(), before);
}

// The list's worker reads the file for itself: when it cannot, each row says why.
TEST_F(CasebookReviewTest, APictureThatCannotBeHadShowsTheReasonOnItsRow) {
  Night("gone");
  Start();
  ASSERT_TRUE(Open(In("gone.avi")));
  fs::remove(In("gone.avi"));  // the document keeps its own reader open
  Menu(Qt::Key_V, Qt::Key_B);
  ASSERT_EQ(Rows().count(), 3);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Rows().item(0)->toolTip().isEmpty(); }));
  const std::string reason = Rows().item(0)->toolTip().toStdString();
  EXPECT_EQ(reason.rfind("No picture of frame 1: ", 0), 0u) << reason;
  EXPECT_NE(reason.find("No such file"), std::string::npos) << reason;
  EXPECT_EQ(Review().burstList().PicturesShown(), 0);
  Key(Qt::Key_Right, Qt::ControlModifier);
  ExpectAt(4);  // the recording itself still moves
}

TEST_F(CasebookReviewTest, ARecordingWithoutALogHasNoBurstsAndPlaysAtItsRate) {
  Night("nolog", false);
  Start();
  ASSERT_TRUE(Open(In("nolog.avi")));
  EXPECT_FALSE(Enabled(cmd::NextBurst));
  EXPECT_FALSE(Enabled(cmd::PreviousBurst));
  Menu(Qt::Key_V, Qt::Key_B);
  EXPECT_EQ(Rows().count(), 0);
  Menu(Qt::Key_A, Qt::Key_R);
  ASSERT_TRUE(Review().recordedTimes());
  Key(Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([&] { return FrameShown(Doc()) >= 3; }));
  EXPECT_FALSE(Review().card().isVisible());
  Key(Qt::Key_Space);
}

TEST_F(CasebookReviewTest, PlayingAtRecordedTimesShowsACardOverTheFrameAfterALongGap) {
  Night("night");
  Start();
  ASSERT_TRUE(Open(In("night.avi")));
  Menu(Qt::Key_A, Qt::Key_R);
  EXPECT_TRUE(app_->router().query(cmd::PlayRecordedTimes).checked);
  for (int k = 0; k < 4; ++k) Key(Qt::Key_F, Qt::ControlModifier);  // frame 3, the last before
  ASSERT_EQ(FrameShown(Doc()), 3);
  Key(Qt::Key_Space);
  review::SkipCard& card = Review().card();
  ASSERT_TRUE(QTest::qWaitFor([&] { return card.isVisible(); }, 5000));
  EXPECT_EQ(FrameShown(Doc()), 4) << "over the frame after the gap";
  EXPECT_EQ(card.text(), "- 3 h 12 min later -");
  // Drawn over the picture: the frame is one grey, the card's text is white.
  const QImage painted = View().grab().toImage();
  bool white = false;
  for (int y = CCasebookView::kBandHeight; y < painted.height() && !white; ++y) {
    for (int x = 0; x < painted.width() && !white; ++x)
      white = painted.pixelColor(x, y).value() > 200;
  }
  EXPECT_TRUE(white);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !card.isVisible(); }, 5000));
  Key(Qt::Key_Space);
  EXPECT_FALSE(Doc().playing);

  // At the recording's own rate the gap is played as any step, without a card.
  Menu(Qt::Key_A, Qt::Key_R);
  ASSERT_FALSE(Review().recordedTimes());
  ASSERT_TRUE(Open(In("night.avi")));
  for (int k = 0; k < 4; ++k) Key(Qt::Key_F, Qt::ControlModifier);
  Key(Qt::Key_Space);
  bool cardSeen = false;
  QElapsedTimer waited;
  waited.start();
  while (FrameShown(Doc()) < 6 && waited.elapsed() < 5000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    cardSeen = cardSeen || card.isVisible();
  }
  EXPECT_GE(FrameShown(Doc()), 6);
  EXPECT_FALSE(cardSeen);
  Key(Qt::Key_Space);
}

// Switched off while playing, the recording goes on at its rate (4 frames a second), not at
// the wait recorded times gave the frame on the screen (1.5 s from frame 6 to frame 7).
TEST_F(CasebookReviewTest, RecordedTimesSwitchedOffWhilePlayingGoOnAtTheRate) {
  Night("night");
  Start();
  ASSERT_TRUE(Open(In("night.avi")));
  Menu(Qt::Key_A, Qt::Key_R);
  for (int k = 0; k < 4; ++k) Key(Qt::Key_F, Qt::ControlModifier);
  Key(Qt::Key_Space);
  ASSERT_TRUE(QTest::qWaitFor([&] { return FrameShown(Doc()) == 5; }, 5000));
  Menu(Qt::Key_A, Qt::Key_R);
  ASSERT_FALSE(Review().recordedTimes());
  // At most one wait of the old kind, then a quarter of a second a frame: frame 9 within 2.5 s;
  // at waits of 1.5 s it would be at 7 at most.
  ASSERT_TRUE(QTest::qWaitFor([&] { return FrameShown(Doc()) >= 9; }, 2500));
  Key(Qt::Key_Space);
}

TEST_F(CasebookReviewTest, TheStripTheListAndRecordedTimesAreKeptForTheNextTime) {
  Night("night");
  Start();
  Menu(Qt::Key_V, Qt::Key_S);
  Menu(Qt::Key_V, Qt::Key_B);
  Menu(Qt::Key_A, Qt::Key_R);
  app_.reset();
  EXPECT_EQ(profile_.GetProfileInt("Settings", "ActivityStrip", 0), 1);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "BurstList", 0), 1);
  EXPECT_EQ(profile_.GetProfileInt("Settings", "PlayAtRecordedTimes", 0), 1);
  Start();
  EXPECT_TRUE(Review().stripShown());
  EXPECT_FALSE(Strip().isHidden());
  EXPECT_FALSE(Review().burstList().isHidden());
  EXPECT_TRUE(Review().recordedTimes());
  ASSERT_TRUE(Open(In("night.avi")));
  EXPECT_EQ(View().width(), kW);
  EXPECT_EQ(Frame().width(), kW + review::BurstList::kWidth);
  EXPECT_EQ(Rows().count(), 3);
}

}  // namespace
}  // namespace casebook
