// The capture window end to end on a scripted driver: frames to the callback, painting,
// overlay, formats, single-frame recording and the errors each step can report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/camera/window/QtCaptureService.h"
#include "tests/support/AviProbe.h"
#include "tests/support/FakeVideoDriver.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

using testing_support::FakeVideoDriver;

template <class Predicate>
bool WaitUntil(Predicate done, int timeoutMs = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

struct Report {
  int id;
  std::string text;
};

class CaptureWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::unique_ptr<VideoDriver>> drivers;
    auto first = std::make_unique<FakeVideoDriver>("First camera");
    auto second = std::make_unique<FakeVideoDriver>(std::string(300, 'n'));
    second->setVersion(std::string(250, 'v'));
    camera_ = first.get();
    other_ = second.get();
    drivers.push_back(std::move(first));
    drivers.push_back(std::move(second));
    service_ = std::make_unique<QtCaptureService>(kMaxFrameBytes, std::move(drivers));
    window_ = service_->createCaptureWindow("WardenCam", 128, QRect(0, 0, 64, 48), nullptr, 0);
    ASSERT_TRUE(window_.exists());
    window_->setCallbackError([this](int id, const std::string& text) {
      errors_.push_back({id, text});
    });
    window_->setCallbackStatus([this](int id, const std::string& text) {
      statuses_.push_back({id, text});
    });
    folder_ = std::filesystem::temp_directory_path() /
              ("corvane-window-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }

  void TearDown() override {
    service_.reset();
    std::filesystem::remove_all(folder_);
  }

  // Connects driver 0 with preview on and a frame callback that counts and may mark.
  void StartPreview(std::uint32_t rateMs = 10) {
    ASSERT_TRUE(window_->driverConnect(0));
    window_->setCallbackFrame([this](VideoHdr& frame) {
      ++framesSeen_;
      lastBytesUsed_ = frame.dwBytesUsed;
      if (onFrame_) onFrame_(frame);
    });
    window_->setScale(true);
    window_->setPreviewRate(rateMs);
    window_->setPreview(true);
  }

  // Pushes one frame and waits until the callback has seen it.
  bool Deliver(std::uint8_t value, int topValue = -1) {
    const int before = framesSeen_;
    camera_->pushFilled(value, topValue);
    return WaitUntil([&] { return framesSeen_ > before; });
  }

  QImage Painted() { return QtCaptureService::widget(window_)->grab().toImage(); }

  std::unique_ptr<QtCaptureService> service_;
  FakeVideoDriver* camera_ = nullptr;
  FakeVideoDriver* other_ = nullptr;
  CaptureWindowRef window_;
  std::vector<Report> errors_;
  std::vector<Report> statuses_;
  int framesSeen_ = 0;
  std::uint32_t lastBytesUsed_ = 0;
  std::function<void(VideoHdr&)> onFrame_;
  std::filesystem::path folder_;
};

TEST_F(CaptureWindowTest, DriversAreDescribedInIndexOrderWithinTheirBuffers) {
  const auto first = service_->driverDescription(0);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->name, "First camera");
  EXPECT_EQ(first->version, "1.0");
  const auto second = service_->driverDescription(1);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->name, std::string(kDriverTextChars - 1, 'n'));
  EXPECT_EQ(second->version, std::string(kDriverTextChars - 1, 'v'));
  EXPECT_FALSE(service_->driverDescription(2));
}

TEST_F(CaptureWindowTest, FramesReachTheCallbackInTheReportedFormat) {
  StartPreview();
  ASSERT_TRUE(Deliver(7));
  const BitmapInfo format = window_->videoFormat();
  EXPECT_EQ(format.bmiHeader.biWidth, 64);
  EXPECT_EQ(format.bmiHeader.biHeight, 48);
  EXPECT_EQ(format.bmiHeader.biBitCount, 24);
  EXPECT_EQ(lastBytesUsed_, 64u * 48u * 3u);
  EXPECT_EQ(statuses_.front().id, kStatusConnected);
}

TEST_F(CaptureWindowTest, OnlyNewFramesAreDeliveredAndAtMostOncePerPeriod) {
  StartPreview(100);
  ASSERT_TRUE(Deliver(1));
  const int afterFirst = framesSeen_;
  // Nothing new from the driver: the callback is not called again.
  WaitUntil([] { return false; }, 350);
  EXPECT_EQ(framesSeen_, afterFirst);
  // Many frames within one period reach the callback as one, the newest.
  std::uint8_t seen = 0;
  onFrame_ = [&](VideoHdr& f) { seen = f.lpData[0]; };
  for (std::uint8_t v = 10; v < 20; ++v) camera_->pushFilled(v);
  ASSERT_TRUE(WaitUntil([&] { return framesSeen_ > afterFirst; }));
  EXPECT_LE(framesSeen_, afterFirst + 1);
  EXPECT_EQ(seen, 19);
}

TEST_F(CaptureWindowTest, ThePaintedPictureIsUprightAndShowsWhatTheCallbackMarked) {
  StartPreview();
  // Bottom-up rows: the top half of the picture is the second half of the buffer. 0x00 0x00
  // 0xFF in BGR order is red.
  std::vector<std::uint8_t> frame(64 * 48 * 3, 0);
  for (std::size_t i = frame.size() / 2; i < frame.size(); i += 3) frame[i + 2] = 0xFF;
  const int before = framesSeen_;
  camera_->push(frame);
  ASSERT_TRUE(WaitUntil([&] { return framesSeen_ > before; }));
  QImage picture = Painted();
  EXPECT_EQ(picture.pixelColor(32, 5), QColor(255, 0, 0));
  EXPECT_EQ(picture.pixelColor(32, 42), QColor(0, 0, 0));

  onFrame_ = [](VideoHdr& f) {
    for (std::uint32_t i = 0; i < f.dwBytesUsed; ++i)
      f.lpData[i] = static_cast<std::uint8_t>(~f.lpData[i]);
  };
  camera_->push(frame);
  ASSERT_TRUE(WaitUntil([&] { return framesSeen_ > before + 1; }));
  picture = Painted();
  EXPECT_EQ(picture.pixelColor(32, 5), QColor(0, 255, 255));
  EXPECT_EQ(picture.pixelColor(32, 42), QColor(255, 255, 255));
}

// A callback that shows a message box runs the event loop: the next tick must not deliver a
// frame over the one still in use, and a callback may replace itself.
TEST_F(CaptureWindowTest, ACallbackThatRunsTheEventLoopOrReplacesItselfIsSafe) {
  StartPreview(5);
  int depth = 0;
  int deepest = 0;
  onFrame_ = [&](VideoHdr&) {
    ++depth;
    deepest = std::max(deepest, depth);
    camera_->pushFilled(99);
    WaitUntil([] { return false; }, 60);  // as a modal box would
    --depth;
  };
  ASSERT_TRUE(Deliver(1));
  EXPECT_EQ(deepest, 1);

  int replacedCalls = 0;
  window_->setCallbackFrame(
      [&](VideoHdr&) { window_->setCallbackFrame([&](VideoHdr&) { ++replacedCalls; }); });
  camera_->pushFilled(2);
  ASSERT_TRUE(WaitUntil([&] {
    camera_->pushFilled(3);
    return replacedCalls > 0;
  }));
}

TEST_F(CaptureWindowTest, OverlayShowsVideoButDeliversNoFrames) {
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  window_->setPreview(false);
  window_->setOverlay(true);
  const int before = framesSeen_;
  camera_->pushFilled(200);
  ASSERT_TRUE(WaitUntil([&] { return Painted().pixelColor(10, 10) == QColor(200, 200, 200); }));
  EXPECT_EQ(framesSeen_, before);

  window_->setOverlay(false);
  window_->setPreview(true);
  ASSERT_TRUE(Deliver(3));
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST_F(CaptureWindowTest, AHiddenWindowPaintsNothingButStillDeliversEveryPeriod) {
  QWidget* widget = QtCaptureService::widget(window_);
  widget->show();
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  PaintCounter counter;
  widget->installEventFilter(&counter);
  widget->hide();
  QApplication::processEvents();
  counter.paints = 0;
  for (std::uint8_t v = 2; v < 8; ++v) ASSERT_TRUE(Deliver(v));
  WaitUntil([] { return false; }, 50);
  EXPECT_EQ(counter.paints, 0);

  // Shown again, the next frame is painted.
  widget->show();
  ASSERT_TRUE(Deliver(9));
  EXPECT_TRUE(WaitUntil([&] { return counter.paints > 0; }));
  widget->removeEventFilter(&counter);
}

TEST_F(CaptureWindowTest, WhileRecordingThePictureShowsTheMarksAndTheAviTheFrameUnmarked) {
  const std::string path = (folder_ / "marked.avi").string();
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  window_->fileSetCaptureFile(path);
  ASSERT_TRUE(window_->singleFrameOpen());
  onFrame_ = [](VideoHdr& f) {
    for (std::uint32_t i = 0; i < f.dwBytesUsed; ++i) f.lpData[i] = 0x30;
  };
  ASSERT_TRUE(Deliver(0xC0));
  onFrame_ = nullptr;
  EXPECT_EQ(Painted().pixelColor(32, 24), QColor(0x30, 0x30, 0x30));
  ASSERT_TRUE(window_->singleFrame());  // after the callback: still the frame as it came
  ASSERT_TRUE(window_->singleFrameClose());
  const testing_support::AviProbe avi = testing_support::ProbeAvi(path);
  ASSERT_TRUE(avi.opened) << avi.error;
  ASSERT_EQ(avi.frames.size(), 1u);
  EXPECT_EQ(avi.frames[0].front(), 0xC0);
}

TEST_F(CaptureWindowTest, AnEtchedRectangleStaysUntilTheNextFrame) {
  StartPreview();
  ASSERT_TRUE(Deliver(128));
  CaptureWidget* w = QtCaptureService::widget(window_);
  w->drawEtchedRect(QRect(10, 10, 20, 20));
  const QColor grey(128, 128, 128);
  ASSERT_TRUE(WaitUntil([&] { return Painted().pixelColor(10, 15) != grey; }));
  ASSERT_TRUE(Deliver(128));
  EXPECT_EQ(Painted().pixelColor(10, 15), grey);
}

TEST_F(CaptureWindowTest, TheWindowCanBeReparentedPlacedAndDetached) {
  QWidget frame;
  frame.resize(400, 300);
  CaptureWidget* w = QtCaptureService::widget(window_);
  w->setParent(&frame);
  w->setGeometry(140, 3, 256, 273);
  w->show();
  EXPECT_EQ(w->geometry(), QRect(140, 3, 256, 273));
  // Detached as an always-on-top window of its own, as the peek window does.
  w->setParent(nullptr);
  w->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
  w->setGeometry(0, 0, 48, 36);
  w->show();
  EXPECT_TRUE(w->isWindow());
  EXPECT_TRUE(window_.exists());
  StartPreview();
  EXPECT_TRUE(Deliver(9));
}

TEST_F(CaptureWindowTest, AWindowDestroyedWithItsParentIsNoLongerAWindow) {
  auto parent = std::make_unique<QWidget>();
  QtCaptureService::widget(window_)->setParent(parent.get());
  parent.reset();
  EXPECT_FALSE(window_.exists());
  EXPECT_FALSE(window_->driverConnect(0));
  EXPECT_EQ(window_->videoFormat().bmiHeader.biWidth, 0);
}

TEST_F(CaptureWindowTest, AFailedConnectIsReportedAsADriverError) {
  camera_->failConnect("Device or resource busy");
  EXPECT_FALSE(window_->driverConnect(0));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].id, kDriverErrorId);
  EXPECT_NE(errors_[0].text.find("Device or resource busy"), std::string::npos);

  EXPECT_FALSE(window_->driverConnect(7)) << "no driver 7";
  EXPECT_EQ(errors_.back().id, kDriverErrorId);
}

TEST_F(CaptureWindowTest, ASourceThatStopsIsReportedOnceAndDisconnected) {
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  camera_->failSource("No such device");
  ASSERT_TRUE(WaitUntil([&] { return !errors_.empty(); }));
  EXPECT_EQ(errors_[0].id, kSourceLostErrorId);
  EXPECT_NE(errors_[0].text.find("No such device"), std::string::npos);
  WaitUntil([] { return false; }, 100);
  EXPECT_EQ(errors_.size(), 1u);
  EXPECT_FALSE(camera_->connected());
}

TEST_F(CaptureWindowTest, ADriverMovesToTheWindowThatConnectsIt) {
  const CaptureWindowRef second =
      service_->createCaptureWindow("Second", 0, QRect(0, 0, 32, 24), nullptr, 0);
  ASSERT_TRUE(window_->driverConnect(0));
  ASSERT_TRUE(second->driverConnect(0));
  EXPECT_EQ(QtCaptureService::widget(window_)->driver(), nullptr);
  EXPECT_EQ(QtCaptureService::widget(second)->driver(), camera_);
}

// The frames a run appends: the frame as delivered, before the callback marked it, at the rate
// of the sequence set-up in force when the file was opened.
TEST_F(CaptureWindowTest, SingleFrameCaptureWritesAnUprightAviAtTheSetUpRate) {
  const std::string path = (folder_ / "run.avi").string();
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  CaptureParms parms{};
  parms.dwRequestMicroSecPerFrame = 250000;
  window_->setSequenceSetup(parms);
  window_->fileSetCaptureFile(path);
  window_->fileAllocate(1 << 20);
  ASSERT_TRUE(window_->singleFrameOpen());
  // A later set-up does not change the open file's rate.
  parms.dwRequestMicroSecPerFrame = 100000;
  window_->setSequenceSetup(parms);

  onFrame_ = [this](VideoHdr& f) {
    window_->singleFrame();
    for (std::uint32_t i = 0; i < f.dwBytesUsed; ++i) f.lpData[i] = 0;  // marks after capture
  };
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Deliver(10, 0xFF));
  onFrame_ = nullptr;
  ASSERT_TRUE(window_->singleFrameClose());
  EXPECT_TRUE(errors_.empty()) << errors_.front().text;

  const testing_support::AviProbe avi = testing_support::ProbeAvi(path);
  ASSERT_TRUE(avi.opened) << avi.error;
  EXPECT_EQ(avi.frames.size(), 5u);
  EXPECT_EQ(avi.rateNum, 4);
  EXPECT_EQ(avi.rateDen, 1);
  ASSERT_EQ(avi.width, 64);
  // Top-down after decoding: the first row is the top of the picture, filled with 0xFF.
  EXPECT_EQ(avi.frames[0].front(), 0xFF);
  EXPECT_EQ(avi.frames[0].back(), 10);
  EXPECT_EQ(statuses_.back().id, kStatusCaptureDone);
}

TEST_F(CaptureWindowTest, ACaptureFileThatCannotBeCreatedIsReportedWithTheReason) {
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  window_->fileSetCaptureFile((folder_ / "missing" / "run.avi").string());
  CaptureParms parms{};
  parms.dwRequestMicroSecPerFrame = 250000;
  window_->setSequenceSetup(parms);
  EXPECT_FALSE(window_->singleFrameOpen());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].id, kFileCreateErrorId);
  EXPECT_NE(errors_[0].text.find("No such file or directory"), std::string::npos);
  EXPECT_FALSE(window_->singleFrame());
}

TEST_F(CaptureWindowTest, CapturingWithoutASourceIsRefused) {
  window_->fileSetCaptureFile((folder_ / "run.avi").string());
  EXPECT_FALSE(window_->singleFrameOpen());
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].id, kFileCreateErrorId);
}

TEST_F(CaptureWindowTest, AFullDiskIsReportedWithTheReason) {
  // /dev/full accepts the file but refuses every byte: the failure must be reported, not lost.
  std::error_code ec;
  if (!std::filesystem::exists("/dev/full", ec)) GTEST_SKIP() << "no /dev/full";
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  CaptureParms parms{};
  parms.dwRequestMicroSecPerFrame = 250000;
  window_->setSequenceSetup(parms);
  window_->fileSetCaptureFile("/dev/full");
  if (window_->singleFrameOpen()) {
    window_->singleFrame();
    window_->singleFrameClose();
  }
  ASSERT_FALSE(errors_.empty());
  EXPECT_NE(errors_.back().text.find("No space left on device"), std::string::npos)
      << errors_.back().text;
}

// The program docks the window beside its controls and detaches it into a small window of its
// own; sizes it computed below zero must do no harm.
TEST_F(CaptureWindowTest, TheWindowDocksDetachesAndTakesNoSizeBelowZero) {
  QWidget frame;
  frame.resize(400, 300);
  QWidget sibling(&frame);
  CaptureWidget* widget = QtCaptureService::widget(window_);
  window_->setParentWindow(&frame);
  EXPECT_EQ(widget->parentWidget(), &frame);
  EXPECT_EQ(frame.children().indexOf(widget), frame.children().indexOf(&sibling) - 1)
      << "below its siblings, so that they get the mouse over it";
  EXPECT_TRUE(widget->isVisibleTo(&frame));
  window_->setWindowPos(QRect(140, 3, -134, -19));
  EXPECT_EQ(widget->geometry(), QRect(140, 3, 0, 0));
  window_->setWindowPos(QRect(140, 3, 256, 197));
  EXPECT_EQ(window_->clientSize(), QSize(256, 197));

  window_->setParentWindow(nullptr);
  EXPECT_TRUE(widget->isWindow());
  EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(widget->windowFlags().testFlag(Qt::FramelessWindowHint));
  window_->setWindowPos(QRect(0, 0, 0, -5));
  EXPECT_EQ(widget->size(), QSize(1, 1));

  window_->setParentWindow(&frame);  // docked again
  EXPECT_FALSE(widget->isWindow());
  const CaptureWindowRef gone;
  EXPECT_EQ(gone->clientSize(), QSize(0, 0));
  gone->setWindowPos(QRect(0, 0, 10, 10));
}

}  // namespace
}  // namespace camera
