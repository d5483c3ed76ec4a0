// What every capture window promises the programs, held against the widget and the test fake
// alike: a fake that drifts from the widget would let the program tests pass on a lie.
#include <gtest/gtest.h>

#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "platform/camera/window/QtCaptureService.h"
#include "platform/video/FrameFormat.h"
#include "tests/support/FakeCaptureService.h"
#include "tests/support/FakeVideoDriver.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

constexpr FrameFormat kFormat{64, 48, 24};

std::string TempAvi(const char* tag) {
  return (std::filesystem::temp_directory_path() /
          ("corvane-contract-" + std::string(tag) + "-" + std::to_string(::getpid()) + ".avi"))
      .string();
}

// The widget on a scripted driver; frames are polled by hand, so nothing depends on timers.
class WidgetWindow {
 public:
  static constexpr const char* kName = "widget";
  WidgetWindow() {
    std::vector<std::unique_ptr<VideoDriver>> drivers;
    auto driver = std::make_unique<testing_support::FakeVideoDriver>("Camera", kFormat);
    driver_ = driver.get();
    drivers.push_back(std::move(driver));
    service_ =
        std::make_unique<QtCaptureService>(testing_support::kMaxFrameBytes, std::move(drivers));
    window = service_->createCaptureWindow("WardenCam", 0, QRect(0, 0, 64, 48), nullptr, 0);
  }
  void failConnect(const std::string& reason) { driver_->failConnect(reason); }
  // Unplugged: the window finds out at its next look for a frame.
  void dropOut(const std::string& reason) {
    driver_->dropOut(reason);
    if (CaptureWidget* widget = QtCaptureService::widget(window)) widget->pollFrame();
  }
  void comeBack() { driver_->comeBack(); }
  void deliver(std::uint8_t value) {
    driver_->pushFilled(value);
    if (CaptureWidget* widget = QtCaptureService::widget(window)) widget->pollFrame();
  }
  void destroy() { delete QtCaptureService::widget(window); }

  CaptureWindowRef window;

 private:
  testing_support::FakeVideoDriver* driver_ = nullptr;
  std::unique_ptr<QtCaptureService> service_;
};

class FakeWindow {
 public:
  static constexpr const char* kName = "fake";
  FakeWindow() {
    fake_.setDrivers({{"Camera", "1.0"}});
    fake_.setVideoFormat(video::ToBitmapInfo(kFormat));
    window = fake_.createCaptureWindow("WardenCam", 0, QRect(0, 0, 64, 48), nullptr, 0);
  }
  void failConnect(const std::string& reason) { fake_.setConnectFails(true, reason); }
  void dropOut(const std::string& reason) { fake_.dropOut(reason); }
  void comeBack() { fake_.comeBack(); }
  void deliver(std::uint8_t value) {
    fake_.deliverFrame(std::vector<std::uint8_t>(kFormat.bytes(), value));
  }
  void destroy() { fake_.destroyWindow(); }

  CaptureWindowRef window;

 private:
  testing_support::FakeCaptureService fake_;
};

template <class Harness>
class CaptureWindowContract : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(h.window.exists());
    h.window->setCallbackError([this](int id, const std::string& text) {
      errors.push_back({id, text});
    });
    h.window->setCallbackFrame([this](VideoHdr& frame) {
      frames.push_back(frame.dwBytesUsed);
      if (onFrame) onFrame(frame);
    });
  }
  void TearDown() override { std::filesystem::remove(avi); }

  struct Report {
    int id;
    std::string text;
  };
  Harness h;
  std::vector<Report> errors;
  std::vector<std::uint32_t> frames;  // bytes used of each frame the callback saw
  std::function<void(VideoHdr&)> onFrame;
  std::string avi = TempAvi(Harness::kName);
};

struct Names {
  template <class T>
  static std::string GetName(int) {
    return T::kName;
  }
};
using Windows = ::testing::Types<WidgetWindow, FakeWindow>;
TYPED_TEST_SUITE(CaptureWindowContract, Windows, Names);

TYPED_TEST(CaptureWindowContract, FramesOfTheReportedFormatReachTheCallbackOnlyInPreview) {
  CaptureWindow& w = this->h.window.get();
  ASSERT_TRUE(w.driverConnect(0));
  const BitmapInfo format = w.videoFormat();
  EXPECT_EQ(format.bmiHeader.biWidth, kFormat.width);
  EXPECT_EQ(format.bmiHeader.biHeight, kFormat.height);
  EXPECT_EQ(format.bmiHeader.biBitCount, kFormat.bitCount);

  this->h.deliver(1);  // preview is off until asked for
  w.setPreview(true);
  this->h.deliver(2);
  w.setOverlay(true);
  this->h.deliver(3);
  w.setOverlay(false);
  this->h.deliver(4);
  EXPECT_EQ(this->frames, (std::vector<std::uint32_t>(2, kFormat.bytes())));
}

TYPED_TEST(CaptureWindowContract, SingleFramesAppendOnlyWhileTheFileIsOpen) {
  CaptureWindow& w = this->h.window.get();
  ASSERT_TRUE(w.driverConnect(0));
  w.setPreview(true);
  w.setSequenceSetup(CaptureParms{.dwRequestMicroSecPerFrame = 250000});
  w.fileSetCaptureFile(this->avi);
  std::vector<bool> appended;
  this->onFrame = [&](VideoHdr&) { appended.push_back(w.singleFrame()); };

  this->h.deliver(1);
  EXPECT_FALSE(w.singleFrameClose()) << "nothing open";
  ASSERT_TRUE(w.singleFrameOpen());
  this->h.deliver(2);
  this->h.deliver(3);
  EXPECT_TRUE(w.singleFrameClose());
  EXPECT_FALSE(w.singleFrameClose()) << "closed once";
  this->h.deliver(4);
  EXPECT_EQ(appended, (std::vector<bool>{false, true, true, false}));
  EXPECT_TRUE(this->errors.empty()) << this->errors.front().text;
}

TYPED_TEST(CaptureWindowContract, AFailedConnectIsReportedAsADriverError) {
  this->h.failConnect("Device or resource busy");
  EXPECT_FALSE(this->h.window->driverConnect(0));
  ASSERT_EQ(this->errors.size(), 1u);
  EXPECT_EQ(this->errors[0].id, kDriverErrorId);
  EXPECT_NE(this->errors[0].text.find("Device or resource busy"), std::string::npos);
}

// An unplugged camera: reported once as a lost source, no frames and no connection while it is
// away, and frames again once it is back and connected.
TYPED_TEST(CaptureWindowContract, ASourceThatDropsOutIsLostUntilItIsBackAndConnected) {
  CaptureWindow& w = this->h.window.get();
  ASSERT_TRUE(w.driverConnect(0));
  w.setPreview(true);
  this->h.deliver(10);
  ASSERT_EQ(this->frames.size(), 1u);

  this->h.dropOut("unplugged");
  ASSERT_EQ(this->errors.size(), 1u);
  EXPECT_EQ(this->errors[0].id, kSourceLostErrorId);
  EXPECT_NE(this->errors[0].text.find("unplugged"), std::string::npos);
  this->h.deliver(20);
  EXPECT_EQ(this->frames.size(), 1u) << "nothing comes from a camera that is away";
  EXPECT_FALSE(w.driverConnect(0));
  ASSERT_EQ(this->errors.size(), 2u);
  EXPECT_EQ(this->errors[1].id, kDriverErrorId);

  this->h.comeBack();
  ASSERT_TRUE(w.driverConnect(0));
  this->h.deliver(30);
  EXPECT_EQ(this->frames.size(), 2u);
  EXPECT_EQ(this->errors.size(), 2u);
}

TYPED_TEST(CaptureWindowContract, ACompressorIsChosenByItsEncoderNameOrNotAtAll) {
  CaptureWindow& w = this->h.window.get();
  EXPECT_EQ(w.compressorName(), "rawvideo") << "the default";
  ASSERT_TRUE(w.selectCompressor("mjpeg", 55));
  EXPECT_EQ(w.compressorName(), "mjpeg");
  EXPECT_EQ(w.compressorQuality(), 55);
  EXPECT_FALSE(w.selectCompressor("corvane-no-such-codec", 10));
  EXPECT_EQ(w.compressorName(), "mjpeg") << "a refused choice changes nothing";
  EXPECT_EQ(w.compressorQuality(), 55);
}

TYPED_TEST(CaptureWindowContract, ADockedWindowTakesNoSizeBelowZero) {
  QWidget frame;
  frame.resize(400, 300);
  CaptureWindow& w = this->h.window.get();
  w.setParentWindow(&frame);
  w.setWindowPos(QRect(140, 3, -134, -19));
  EXPECT_EQ(w.clientSize(), QSize(0, 0));
  w.setWindowPos(QRect(140, 3, 256, 197));
  EXPECT_EQ(w.clientSize(), QSize(256, 197));
}

// Every operation a program may send, and whether it reported success.
std::vector<std::pair<const char*, std::function<bool(CaptureWindow&)>>> EveryStep(
    const std::string& avi) {
  return {
      {"driverConnect", [](CaptureWindow& w) { return w.driverConnect(0); }},
      {"driverDisconnect", [](CaptureWindow& w) { return w.driverDisconnect(), false; }},
      {"setCallbackStatus", [](CaptureWindow& w) { return w.setCallbackStatus(nullptr), false; }},
      {"setCallbackError", [](CaptureWindow& w) { return w.setCallbackError(nullptr), false; }},
      {"setCallbackFrame", [](CaptureWindow& w) { return w.setCallbackFrame(nullptr), false; }},
      {"videoFormat", [](CaptureWindow& w) { return w.videoFormat().bmiHeader.biWidth != 0; }},
      {"setScale", [](CaptureWindow& w) { return w.setScale(true), false; }},
      {"setSequenceSetup", [](CaptureWindow& w) { return w.setSequenceSetup({}), false; }},
      {"setPreviewRate", [](CaptureWindow& w) { return w.setPreviewRate(250), false; }},
      {"setPreview", [](CaptureWindow& w) { return w.setPreview(true), false; }},
      {"setOverlay", [](CaptureWindow& w) { return w.setOverlay(true), false; }},
      {"fileSetCaptureFile", [avi](CaptureWindow& w) { return w.fileSetCaptureFile(avi), false; }},
      {"fileAllocate", [](CaptureWindow& w) { return w.fileAllocate(1 << 20), false; }},
      {"singleFrameOpen", [](CaptureWindow& w) { return w.singleFrameOpen(); }},
      {"singleFrame", [](CaptureWindow& w) { return w.singleFrame(); }},
      {"singleFrameClose", [](CaptureWindow& w) { return w.singleFrameClose(); }},
      {"dlgVideoCompression", [](CaptureWindow& w) { return w.dlgVideoCompression(60); }},
      {"dlgVideoFormat", [](CaptureWindow& w) { return w.dlgVideoFormat(); }},
      {"dlgVideoSource", [](CaptureWindow& w) { return w.dlgVideoSource(); }},
      {"selectCompressor", [](CaptureWindow& w) { return w.selectCompressor("mjpeg", 50); }},
      {"clientSize", [](CaptureWindow& w) { return !w.clientSize().isEmpty(); }},
      {"drawEtchedRect",
       [](CaptureWindow& w) {
         return w.drawEtchedRect({1, 1, 9, 9}), false;
       }},
      {"setParentWindow", [](CaptureWindow& w) { return w.setParentWindow(nullptr), false; }},
      {"setWindowPos",
       [](CaptureWindow& w) {
         return w.setWindowPos({0, 0, 9, 9}), false;
       }},
  };
}

// The window goes with its parent while the program still holds it: every step is skipped.
TYPED_TEST(CaptureWindowContract, EveryStepOnAWindowThatHasGoneIsSkipped) {
  const CaptureWindowRef held = this->h.window;
  this->h.destroy();
  EXPECT_FALSE(held.exists());
  for (const auto& [op, step] : EveryStep(this->avi)) EXPECT_FALSE(step(held.get())) << op;
  EXPECT_TRUE(this->errors.empty());
  EXPECT_FALSE(std::filesystem::exists(this->avi));
}

TEST(CaptureWindowRefTest, ARefToNoWindowSkipsEveryStep) {
  const CaptureWindowRef none;
  EXPECT_FALSE(none.exists());
  for (const auto& [op, step] : EveryStep(TempAvi("none"))) EXPECT_FALSE(step(none.get())) << op;
}

TEST(CaptureWindowRefTest, TheFakesStepsOnAGoneWindowNeverReachIt) {
  testing_support::FakeCaptureService fake;
  fake.setCompressionResult(true);
  const CaptureWindowRef window =
      fake.createCaptureWindow("WardenCam", 0, QRect(0, 0, 64, 48), nullptr, 0);
  fake.destroyWindow();
  fake.clearCalls();
  for (const auto& [op, step] : EveryStep(TempAvi("fake"))) step(window.get());
  EXPECT_TRUE(fake.calls().empty());
  EXPECT_TRUE(fake.strayCalls().empty()) << fake.strayCalls().front().op << " was sent";
}

}  // namespace
}  // namespace camera
