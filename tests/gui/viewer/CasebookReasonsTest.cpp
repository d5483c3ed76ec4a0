// Casebook with the file of reasons beside a recording: the line under the log entry and the
// zone over the picture, driven by keys as a person drives them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <fstream>
#include <string>

#include "tests/gui/viewer/CasebookFixture.h"

namespace casebook {
namespace {

constexpr int kW = 160, kH = 120;
const QColor kZoneLine(255, 220, 0);

class CasebookReasonsTest : public CasebookTest {
 protected:
  void Recording(const char* csv) {
    MakeRecording(In("run"), 4, 4, 250000, avi::UncompressedDib(), kW, kH);
    if (csv != nullptr) std::ofstream(In("run.csv"), std::ios::binary) << csv;
  }
  void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
    QTest::keyClick(&Frame(), key, modifiers);
  }
  // View > Show Zone from the keyboard: Alt+V, then the item's letter.
  void ToggleZone() {
    QTest::keyClick(&Frame(), Qt::Key_V, Qt::AltModifier);
    QMenu* menu = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
      return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) != nullptr;
    }));
    QTest::keyClick(menu, Qt::Key_Z);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == nullptr; }));
  }
  std::string ReasonShown() {
    View().repaint();
    return View().reasonShown();
  }
  // Whether the zone's line is painted within three pixels, across, of a point of the picture
  // area given in fractions of it.
  bool LineAt(double fx, double fy) {
    const QImage painted = View().grab().toImage();
    const int top = CCasebookView::kBandHeight;
    const int x = static_cast<int>(fx * painted.width());
    const int y = top + static_cast<int>(fy * (painted.height() - top));
    for (int dx = -3; dx <= 3; ++dx) {
      if (painted.pixelColor(std::clamp(x + dx, 0, painted.width() - 1), y) == kZoneLine) {
        return true;
      }
    }
    return false;
  }
};

constexpr char kReasons[] =
    "frame,time,kind,changed_bytes,differential,threshold,zone,interval_ms\r\n"
    "1,2001-03-04T12:00:00.000+00:00,before,17,40,200,0.25 0.75 0.5 1,250\r\n"
    "2,2001-03-04T12:00:00.250+00:00,hit,12345,40,200,0.25 0.75 0.5 1,250\r\n"
    "3,2001-03-04T12:00:00.500+00:00,hit,,40,200,whole,250\r\n"  // damaged: skipped
    "4,2001-03-04T12:00:00.750+00:00,hit,1234567,12,3000,whole,250\r\n";

TEST_F(CasebookReasonsTest, EachFrameShowsItsReasonAndShowZoneDrawsTheZoneInForce) {
  Recording(kReasons);
  Start();
  ASSERT_TRUE(Open(In("run.avi")));
  EXPECT_EQ(ReasonShown(), "Frame 1: before the hit");
  EXPECT_EQ(EntryShown().rfind("Frame# 1 ", 0), 0u) << "the log entry is as it was";
  EXPECT_TRUE(Enabled(res::cmd::ShowZone));
  EXPECT_FALSE(LineAt(0.25, 0.75)) << "no zone until asked for";

  ToggleZone();
  EXPECT_TRUE(Doc().showZone);
  EXPECT_TRUE(app_->router().query(res::cmd::ShowZone).checked);
  // The left edge, half way down the zone; the zone's inside and the picture outside it are
  // the picture's own.
  EXPECT_TRUE(LineAt(0.25, 0.75));
  EXPECT_TRUE(LineAt(0.75, 0.75));
  EXPECT_FALSE(LineAt(0.5, 0.75));
  EXPECT_FALSE(LineAt(0.25, 0.25)) << "the zone is the lower half";
  QImage shot = Frame().grab().toImage();
  shot.save(QString::fromStdString(In("casebook-reasons.png").string()));

  Key(Qt::Key_F);  // the first step forward shows frame 1 again
  Key(Qt::Key_F);
  EXPECT_EQ(ReasonShown(), "Frame 2: 12,345 bytes changed (Threshold 200, Differential 40)");
  Key(Qt::Key_F);
  EXPECT_EQ(ReasonShown(), "") << "a damaged row is skipped";
  EXPECT_FALSE(LineAt(0.25, 0.75));
  Key(Qt::Key_F);
  EXPECT_EQ(ReasonShown(), "Frame 4: 1,234,567 bytes changed (Threshold 3000, Differential 12)");
  EXPECT_FALSE(LineAt(0.25, 0.75)) << "the whole frame: nothing to draw";

  ToggleZone();
  EXPECT_FALSE(Doc().showZone);
}

TEST_F(CasebookReasonsTest, WithoutTheFileNothingElseChanges) {
  for (const char* csv : {static_cast<const char*>(nullptr), "\x01\x02 not, a, file\n,,,,,,,\n"}) {
    SCOPED_TRACE(csv == nullptr ? "missing" : "damaged");
    fs::remove(In("run.csv"));
    Recording(csv);
    Start();
    ASSERT_TRUE(Open(In("run.log")));
    EXPECT_EQ(ReasonShown(), "");
    EXPECT_EQ(EntryShown().rfind("Frame# 1 ", 0), 0u);
    EXPECT_EQ(Doc().lastFrame, 3);
    EXPECT_EQ(Enabled(res::cmd::ShowZone), csv != nullptr);
    app_.reset();
  }
}

}  // namespace
}  // namespace casebook
