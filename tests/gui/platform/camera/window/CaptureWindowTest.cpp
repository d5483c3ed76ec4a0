// The capture window end to end on a scripted driver: frames to the callback, painting,
// overlay, formats, single-frame recording and the errors each step can report.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/camera/CaptureService.h"
#include "platform/camera/window/QtCaptureService.h"
#include "tests/support/FrameLimit.h"
#include "tests/support/AviProbe.h"
#include "tests/support/FakeVideoDriver.h"

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
    window_ = service_->createCaptureWindow("WardenCam", 128, 0, 0, 64, 48, nullptr, 0);
    ASSERT_TRUE(service_->isWindow(window_));
    service_->setCallbackError(window_, [this](CaptureWindowHandle, int id, const char* text) {
      errors_.push_back({id, text});
      return LRESULT{1};
    });
    service_->setCallbackStatus(window_, [this](CaptureWindowHandle, int id, const char* text) {
      statuses_.push_back({id, text});
      return LRESULT{1};
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
    ASSERT_EQ(service_->driverConnect(window_, 0), 1);
    service_->setCallbackFrame(window_, [this](CaptureWindowHandle, VideoHdr* frame) {
      ++framesSeen_;
      lastBytesUsed_ = frame->dwBytesUsed;
      if (onFrame_) onFrame_(*frame);
      return LRESULT{1};
    });
    service_->setScale(window_, true);
    service_->setPreviewRate(window_, rateMs);
    service_->setPreview(window_, true);
  }

  // Pushes one frame and waits until the callback has seen it.
  bool Deliver(std::uint8_t value, int topValue = -1) {
    const int before = framesSeen_;
    camera_->pushFilled(value, topValue);
    return WaitUntil([&] { return framesSeen_ > before; });
  }

  QImage Painted() { return service_->widget(window_)->grab().toImage(); }

  std::unique_ptr<QtCaptureService> service_;
  FakeVideoDriver* camera_ = nullptr;
  FakeVideoDriver* other_ = nullptr;
  CaptureWindowHandle window_ = 0;
  std::vector<Report> errors_;
  std::vector<Report> statuses_;
  int framesSeen_ = 0;
  std::uint32_t lastBytesUsed_ = 0;
  std::function<void(VideoHdr&)> onFrame_;
  std::filesystem::path folder_;
};

TEST_F(CaptureWindowTest, DriversAreDescribedInIndexOrderWithinTheirBuffers) {
  char name[200];
  char version[200];
  ASSERT_TRUE(service_->getDriverDescription(0, name, sizeof name, version, sizeof version));
  EXPECT_STREQ(name, "First camera");
  EXPECT_STREQ(version, "1.0");
  ASSERT_TRUE(service_->getDriverDescription(1, name, sizeof name, version, sizeof version));
  EXPECT_EQ(std::string(name), std::string(199, 'n'));
  EXPECT_EQ(std::string(version), std::string(199, 'v'));
  EXPECT_FALSE(service_->getDriverDescription(2, name, sizeof name, version, sizeof version));
}

TEST_F(CaptureWindowTest, FramesReachTheCallbackInTheReportedFormat) {
  StartPreview();
  ASSERT_TRUE(Deliver(7));
  BitmapInfo format{};
  EXPECT_EQ(service_->getVideoFormat(window_, &format, kVideoFormatBytes), 44);
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
    for (std::uint32_t i = 0; i < f.dwBytesUsed; ++i) f.lpData[i] = static_cast<std::uint8_t>(~f.lpData[i]);
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
  service_->setCallbackFrame(window_, [&](CaptureWindowHandle, VideoHdr*) {
    service_->setCallbackFrame(window_, [&](CaptureWindowHandle, VideoHdr*) {
      ++replacedCalls;
      return LRESULT{1};
    });
    return LRESULT{1};
  });
  camera_->pushFilled(2);
  ASSERT_TRUE(WaitUntil([&] {
    camera_->pushFilled(3);
    return replacedCalls > 0;
  }));
}

TEST_F(CaptureWindowTest, OverlayShowsVideoButDeliversNoFrames) {
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  service_->setPreview(window_, false);
  service_->setOverlay(window_, true);
  const int before = framesSeen_;
  camera_->pushFilled(200);
  ASSERT_TRUE(WaitUntil([&] { return Painted().pixelColor(10, 10) == QColor(200, 200, 200); }));
  EXPECT_EQ(framesSeen_, before);

  service_->setOverlay(window_, false);
  service_->setPreview(window_, true);
  ASSERT_TRUE(Deliver(3));
}

TEST_F(CaptureWindowTest, AnEtchedRectangleStaysUntilTheNextFrame) {
  StartPreview();
  ASSERT_TRUE(Deliver(128));
  CaptureWidget* w = service_->widget(window_);
  w->drawEtchedRect(QRect(10, 10, 20, 20));
  const QColor grey(128, 128, 128);
  ASSERT_TRUE(WaitUntil([&] { return Painted().pixelColor(10, 15) != grey; }));
  ASSERT_TRUE(Deliver(128));
  EXPECT_EQ(Painted().pixelColor(10, 15), grey);
}

TEST_F(CaptureWindowTest, TheWindowCanBeReparentedPlacedAndDetached) {
  QWidget frame;
  frame.resize(400, 300);
  CaptureWidget* w = service_->widget(window_);
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
  EXPECT_TRUE(service_->isWindow(window_));
  StartPreview();
  EXPECT_TRUE(Deliver(9));
}

TEST_F(CaptureWindowTest, AWindowDestroyedWithItsParentIsNoLongerAWindow) {
  auto parent = std::make_unique<QWidget>();
  service_->widget(window_)->setParent(parent.get());
  parent.reset();
  EXPECT_FALSE(service_->isWindow(window_));
  EXPECT_EQ(service_->driverConnect(window_, 0), 0);
  BitmapInfo format{};
  EXPECT_EQ(service_->getVideoFormat(window_, &format, 44), 0);
}

TEST_F(CaptureWindowTest, AFailedConnectIsReportedAsADriverError) {
  camera_->failConnect("Device or resource busy");
  EXPECT_EQ(service_->driverConnect(window_, 0), 0);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].id, kDriverErrorId);
  EXPECT_NE(errors_[0].text.find("Device or resource busy"), std::string::npos);

  EXPECT_EQ(service_->driverConnect(window_, 7), 0) << "no driver 7";
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
  const auto second = service_->createCaptureWindow("Second", 0, 0, 0, 32, 24, nullptr, 0);
  ASSERT_EQ(service_->driverConnect(window_, 0), 1);
  ASSERT_EQ(service_->driverConnect(second, 0), 1);
  EXPECT_EQ(service_->widget(window_)->driver(), nullptr);
  EXPECT_EQ(service_->widget(second)->driver(), camera_);
}

// The frames a run appends: the frame as delivered, before the callback marked it, at the rate
// of the sequence set-up in force when the file was opened.
TEST_F(CaptureWindowTest, SingleFrameCaptureWritesAnUprightAviAtTheSetUpRate) {
  const std::string path = (folder_ / "run.avi").string();
  StartPreview();
  ASSERT_TRUE(Deliver(1));
  CaptureParms parms{};
  parms.dwRequestMicroSecPerFrame = 250000;
  service_->setSequenceSetup(window_, &parms, kCaptureParmsBytes);
  EXPECT_EQ(service_->fileSetCaptureFile(window_, path), 1);
  EXPECT_EQ(service_->fileAllocate(window_, 1 << 20), 1);
  ASSERT_EQ(service_->singleFrameOpen(window_), 1);
  // A later set-up does not change the open file's rate.
  parms.dwRequestMicroSecPerFrame = 100000;
  service_->setSequenceSetup(window_, &parms, kCaptureParmsBytes);

  onFrame_ = [this](VideoHdr& f) {
    service_->singleFrame(window_);
    for (std::uint32_t i = 0; i < f.dwBytesUsed; ++i) f.lpData[i] = 0;  // marks after capture
  };
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(Deliver(10, 0xFF));
  onFrame_ = nullptr;
  ASSERT_EQ(service_->singleFrameClose(window_), 1);
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
  service_->fileSetCaptureFile(window_, (folder_ / "missing" / "run.avi").string());
  CaptureParms parms{};
  parms.dwRequestMicroSecPerFrame = 250000;
  service_->setSequenceSetup(window_, &parms, kCaptureParmsBytes);
  EXPECT_EQ(service_->singleFrameOpen(window_), 0);
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_EQ(errors_[0].id, kFileCreateErrorId);
  EXPECT_NE(errors_[0].text.find("No such file or directory"), std::string::npos);
  EXPECT_EQ(service_->singleFrame(window_), 0);
}

TEST_F(CaptureWindowTest, CapturingWithoutASourceIsRefused) {
  service_->fileSetCaptureFile(window_, (folder_ / "run.avi").string());
  EXPECT_EQ(service_->singleFrameOpen(window_), 0);
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
  service_->setSequenceSetup(window_, &parms, kCaptureParmsBytes);
  service_->fileSetCaptureFile(window_, "/dev/full");
  if (service_->singleFrameOpen(window_) == 1) {
    service_->singleFrame(window_);
    service_->singleFrameClose(window_);
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
  CaptureWidget* widget = service_->widget(window_);
  ASSERT_EQ(service_->setParentWindow(window_, &frame), 1);
  EXPECT_EQ(widget->parentWidget(), &frame);
  EXPECT_EQ(frame.children().indexOf(widget), frame.children().indexOf(&sibling) - 1)
      << "below its siblings, so that they get the mouse over it";
  EXPECT_TRUE(widget->isVisibleTo(&frame));
  service_->setWindowPos(window_, 140, 3, -134, -19);
  EXPECT_EQ(widget->geometry(), QRect(140, 3, 0, 0));
  service_->setWindowPos(window_, 140, 3, 256, 197);
  int width = 0, height = 0;
  EXPECT_EQ(service_->getClientSize(window_, &width, &height), 1);
  EXPECT_EQ(QSize(width, height), QSize(256, 197));

  ASSERT_EQ(service_->setParentWindow(window_, nullptr), 1);
  EXPECT_TRUE(widget->isWindow());
  EXPECT_TRUE(widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(widget->windowFlags().testFlag(Qt::FramelessWindowHint));
  service_->setWindowPos(window_, 0, 0, 0, -5);
  EXPECT_EQ(widget->size(), QSize(1, 1));

  ASSERT_EQ(service_->setParentWindow(window_, &frame), 1);  // docked again
  EXPECT_FALSE(widget->isWindow());
  const CaptureWindowRef gone(service_.get(), 99);
  EXPECT_EQ(gone.getClientSize(&width, &height), 0);
  EXPECT_EQ(QSize(width, height), QSize(0, 0));
  EXPECT_EQ(gone.setWindowPos(0, 0, 10, 10), 0);
}

}  // namespace
}  // namespace camera
