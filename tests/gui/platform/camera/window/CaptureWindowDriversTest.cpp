// The capture window on the real drivers (the test pattern, video-file replay, and V4L2 on a
// stand-in camera): frames reach the
// callback at the preview rate in the reported format, marks show in the painted picture, and
// overlay stops the callbacks.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/avi/AviWriter.h"
#include "platform/camera/drivers/TestPatternDriver.h"
#include "platform/camera/drivers/V4l2Driver.h"
#include "platform/camera/drivers/VideoFileDriver.h"
#include "platform/camera/window/QtCaptureService.h"
#include "tests/support/FakeV4l2Camera.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

void Pump(int milliseconds) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < milliseconds) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// A recording of our own to replay: 10 frames at 10 per second, the top half red.
std::string MakeClip(const std::filesystem::path& path) {
  const FrameFormat format{64, 48, 24};
  std::vector<std::uint8_t> frame(format.bytes(), 60);
  for (std::size_t i = frame.size() / 2; i < frame.size(); i += 3) {
    frame[i] = 0;
    frame[i + 1] = 0;
    frame[i + 2] = 255;
  }
  avi::AviWriter writer;
  std::string error;
  const BitmapInfo info = ToBitmapInfo(format);
  if (!writer.open(path.string(), info.bmiHeader, 100000, avi::UncompressedDib(), 0, error)) {
    return error;
  }
  for (int i = 0; i < 10; ++i) writer.writeFrame(frame.data(), frame.size(), error);
  writer.close(error);
  return error;
}

struct Source {
  const char* name;
  enum Kind { Pattern, File, Camera } kind;
  bool file() const { return kind == File; }
};

void PrintTo(const Source& source, std::ostream* os) { *os << source.name; }

class RealSourceTest : public ::testing::TestWithParam<Source> {
 protected:
  void SetUp() override {
    clip_ = std::filesystem::temp_directory_path() /
            ("corvane-replay-" + std::to_string(::getpid()) + ".avi");
    std::vector<std::unique_ptr<VideoDriver>> drivers;
    switch (GetParam().kind) {
      case Source::File:
        ASSERT_EQ(MakeClip(clip_), "");
        drivers.push_back(std::make_unique<VideoFileDriver>(clip_.string(), kMaxFrameBytes));
        break;
      case Source::Pattern:
        drivers.push_back(std::make_unique<TestPatternDriver>(kMaxFrameBytes));
        break;
      case Source::Camera:
        drivers.push_back(std::make_unique<V4l2Driver>(testing_support::FakeV4l2Camera::kPath,
                                                       kMaxFrameBytes, camera_));
        break;
    }
    service_ = std::make_unique<QtCaptureService>(kMaxFrameBytes, std::move(drivers));
    window_ = service_->createCaptureWindow("WardenCam", 0, QRect(0, 0, 160, 120), nullptr, 0);
    ASSERT_TRUE(window_->driverConnect(0));
    window_->setCallbackFrame([this](VideoHdr& frame) {
      ++frames_;
      bytesUsed_ = frame.dwBytesUsed;
      firstByte_ = frame.lpData[0];
      if (invert_) {
        for (std::uint32_t i = 0; i < frame.dwBytesUsed; ++i) frame.lpData[i] ^= 0xFF;
      }
    });
    window_->setScale(true);
  }
  void TearDown() override {
    service_.reset();
    std::filesystem::remove(clip_);
  }

  testing_support::FakeV4l2Camera camera_;  // outlives the driver that uses it
  std::unique_ptr<QtCaptureService> service_;
  CaptureWindowRef window_;
  std::filesystem::path clip_;
  int frames_ = 0;
  std::uint32_t bytesUsed_ = 0;
  bool invert_ = false;
  int firstByte_ = 0;  // of the last frame, as the driver gave it
};

TEST_P(RealSourceTest, FramesArriveAtThePreviewRateInTheReportedFormat) {
  window_->setPreviewRate(200);
  window_->setPreview(true);
  Pump(2100);
  // About ten periods; a loaded machine may lose some, but never gains any.
  EXPECT_GE(frames_, 4);
  EXPECT_LE(frames_, 11);
  const BitmapInfo format = window_->videoFormat();
  EXPECT_EQ(bytesUsed_, static_cast<std::uint32_t>(format.bmiHeader.biWidth) *
                            static_cast<std::uint32_t>(format.bmiHeader.biHeight) *
                            (format.bmiHeader.biBitCount / 8u));
  // A camera is asked for no more than that: 5 a second of the 30, 15 and 5 it offers.
  if (GetParam().kind == Source::Camera) {
    EXPECT_EQ(camera_.interval().denominator, 5u);
  }
}

TEST_P(RealSourceTest, MarksShowInThePaintedPictureAndOverlayStopsTheCallbacks) {
  window_->setPreviewRate(30);
  window_->setPreview(true);
  Pump(400);
  ASSERT_GT(frames_, 0);
  const QImage plain = QtCaptureService::widget(window_)->grab().toImage();
  invert_ = true;
  const int before = frames_;
  Pump(400);
  ASSERT_GT(frames_, before);
  const QImage marked = QtCaptureService::widget(window_)->grab().toImage();
  // Everything inverted: the picture's mean brightness flips around the middle.
  const auto mean = [](const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); y += 4) {
      for (int x = 0; x < image.width(); x += 4) sum += qGray(image.pixel(x, y));
    }
    return sum / ((image.height() + 3) / 4 * ((image.width() + 3) / 4));
  };
  if (GetParam().kind == Source::Camera) {
    // Its frames are one grey each, a new one every frame: the last one, inverted.
    EXPECT_NEAR(qGray(marked.pixel(80, 60)), 255 - firstByte_, 2);
  } else {
    EXPECT_NEAR(mean(plain) + mean(marked), 255.0, 30.0);
  }
  if (GetParam().file()) {
    EXPECT_EQ(plain.pixelColor(80, 10), QColor(255, 0, 0)) << "upright: red on top";
    EXPECT_EQ(marked.pixelColor(80, 10), QColor(0, 255, 255));
  }

  window_->setPreview(false);
  window_->setOverlay(true);
  const int atOverlay = frames_;
  Pump(300);
  EXPECT_EQ(frames_, atOverlay);
}

INSTANTIATE_TEST_SUITE_P(Sources, RealSourceTest,
                         ::testing::Values(Source{"TestPattern", Source::Pattern},
                                           Source{"FileReplay", Source::File},
                                           Source{"V4l2Camera", Source::Camera}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace camera
