#include "platform/camera/drivers/V4l2Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "TestVideo.h"
#include "platform/camera/drivers/DriverList.h"
#include "platform/camera/drivers/V4l2Device.h"
#include "tests/support/FakeV4l2Camera.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

std::optional<std::string> FirstCaptureDevice() {
  for (const std::string& node : ListVideoNodes())
    if (ProbeV4l2Device(node).capture) return node;
  return std::nullopt;
}

TEST(V4l2DriverTest, NodesThatAreNoCameraFailConnectWithAClearReason) {
  videotest::TempDir folder;
  ASSERT_TRUE(folder.ok());
  const std::string plainFile = folder.file("video0");
  std::ofstream(plainFile) << "not a camera";
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case cases[] = {{"/dev/corvane-no-such-video", "No such file or directory"},
                        {"/dev/null", "is not a V4L2 video device"},
                        {plainFile, "is not a V4L2 video device"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    V4l2Driver driver(c.path, kMaxFrameBytes);
    EXPECT_TRUE(driver.listed());  // could not be asked: listed, and connect tells why
    EXPECT_EQ(driver.name(), c.path);
    std::string error;
    EXPECT_FALSE(driver.connect(error));
    EXPECT_FALSE(driver.connected());
    EXPECT_NE(error.find(c.path), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    std::vector<std::uint8_t> frame(16);
    std::uint64_t sequence = 0;
    FrameFormat format;
    EXPECT_EQ(videotest::LatestInto(driver, frame, sequence, format, error), FrameResult::Failed);
    EXPECT_TRUE(driver.controls().empty());
    EXPECT_FALSE(driver.setControl(V4l2Driver::kInputControl, 0, {}, error));
    // Even without a device, the sizes offered fit the frame store.
    for (const FrameSize size : driver.frameSizes())
      EXPECT_LE((FrameFormat{size.width, size.height, 24}.bytes()), kMaxFrameBytes);
  }
}

TEST(V4l2DriverTest, RangesAreSampledToTheStandardSizesThatFit) {
  struct Case {
    v4l2_frmsize_stepwise range;  // min w, max w, step w, min h, max h, step h
    std::vector<FrameSize> expected;
  };
  const Case cases[] = {
      {{1, 4096, 1, 1, 4096, 1},
       {{160, 120}, {320, 240}, {640, 480}, {800, 600}, {1280, 720}, {1600, 1024}}},
      {{100, 1000, 1, 100, 800, 1}, {{160, 120}, {320, 240}, {640, 480}, {800, 600}}},
      {{160, 1280, 160, 120, 720, 120},
       {{160, 120}, {320, 240}, {640, 480}, {800, 600}, {1280, 720}}},
      {{160, 1280, 320, 120, 720, 240}, {{160, 120}, {800, 600}}},
      {{48, 1920, 0, 32, 1080, 0},
       {{160, 120}, {320, 240}, {640, 480}, {800, 600}, {1280, 720}, {1600, 1024}}},
      // Nothing standard inside: the ends of the range, as far as they fit.
      {{2000, 4000, 2, 1500, 3000, 2}, {}},
      {{50, 100, 2, 40, 80, 2}, {{50, 40}, {100, 80}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.range.min_width << ".." << c.range.max_width);
    EXPECT_EQ(SampleFrameSizes(c.range, kMaxFrameBytes), c.expected);
  }
}

TEST(V4l2DriverTest, RowsAreFlippedBottomUpAndWidenedToBgrx) {
  // Two rows of two pixels, each row padded to 8 bytes.
  const std::vector<std::uint8_t> camera = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
  struct Case {
    int bitCount;
    std::vector<std::uint8_t> expected;
  };
  const Case cases[] = {{24, {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
                        {32, {7, 8, 9, 0, 10, 11, 12, 0, 1, 2, 3, 0, 4, 5, 6, 0}}};
  for (const Case& c : cases) {
    const FrameFormat format{2, 2, c.bitCount};
    std::vector<std::uint8_t> out(format.bytes() + 1, 0xEE);
    CopyBgrBottomUp(camera.data(), 8, format, out.data());
    EXPECT_EQ(out.back(), 0xEE) << "wrote past the frame";
    out.pop_back();
    EXPECT_EQ(out, c.expected) << c.bitCount;
  }
}

// The interval chosen for a preview period: the slowest rate that still keeps up with it.
TEST(V4l2DriverTest, TheSlowestIntervalThatKeepsUpWithThePreviewIsChosen) {
  const auto discrete = [](std::vector<v4l2_fract> intervals) {
    std::vector<v4l2_frmivalenum> offered;
    for (const v4l2_fract& interval : intervals) {
      v4l2_frmivalenum entry{};
      entry.type = V4L2_FRMIVAL_TYPE_DISCRETE;
      entry.discrete = interval;
      offered.push_back(entry);
    }
    return offered;
  };
  const auto range = [](__u32 type, v4l2_fract minimum, v4l2_fract maximum, v4l2_fract step) {
    v4l2_frmivalenum entry{};
    entry.type = type;
    entry.stepwise = {minimum, maximum, step};
    return std::vector<v4l2_frmivalenum>{entry};
  };
  const auto webcam = discrete({{1, 30}, {1, 15}, {1, 5}});
  struct Case {
    std::vector<v4l2_frmivalenum> offered;
    std::uint32_t previewMs;
    double seconds;  // 0: nothing to ask
  };
  const Case cases[] = {
      {webcam, 250, 0.2},
      {webcam, 1000, 0.2},
      {webcam, 200, 0.2},
      {webcam, 100, 1.0 / 15},
      {webcam, 66, 1.0 / 30},  // a 15th of a second is 66.7 ms
      {webcam, 60, 1.0 / 30},
      {webcam, 10, 1.0 / 30},                  // none keeps up: the fastest
      {discrete({{0, 1}, {1, 0}}), 250, 0.0},  // nonsense entries are ignored
      {{}, 250, 0.0},
      {range(V4L2_FRMIVAL_TYPE_CONTINUOUS, {1, 60}, {1, 1}, {1, 1}), 250, 0.25},
      {range(V4L2_FRMIVAL_TYPE_CONTINUOUS, {1, 60}, {1, 2}, {1, 1}), 1000, 0.5},
      {range(V4L2_FRMIVAL_TYPE_STEPWISE, {1, 30}, {1, 1}, {1, 10}), 250, 1.0 / 30 + 0.2},
      {range(V4L2_FRMIVAL_TYPE_STEPWISE, {1, 30}, {1, 1}, {1, 10}), 20, 1.0 / 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.previewMs << " ms, expected " << c.seconds);
    const auto chosen = ChooseFrameInterval(c.offered, c.previewMs);
    ASSERT_EQ(chosen.has_value(), c.seconds > 0);
    if (chosen) {
      EXPECT_NEAR(static_cast<double>(chosen->numerator) / chosen->denominator, c.seconds, 1e-4);
    }
  }
}

// The camera's thread keeps the newest frame and gives the others back; the window's buffers
// take slots in turn. A slot is never given back twice, nor while the window converts it.
TEST(V4l2DriverTest, FrameSlotsGiveBackEveryBufferOnceAndNeverTheOneInUse) {
  V4l2FrameSlots slots;
  std::uint64_t sequence = 0;
  std::size_t bytes = 0;
  EXPECT_EQ(slots.borrow(sequence, bytes), -1);  // nothing yet
  EXPECT_EQ(slots.arrived(0, 10), -1);
  EXPECT_EQ(slots.arrived(1, 11), 0);  // 0 was replaced by a newer frame
  EXPECT_EQ(slots.borrow(sequence, bytes), 1);
  EXPECT_EQ(bytes, 11u);
  EXPECT_EQ(sequence, 2u);
  EXPECT_EQ(slots.borrow(sequence, bytes), -1);  // one at a time
  EXPECT_EQ(slots.arrived(2, 12), -1);           // 1 is being converted: not given back yet
  EXPECT_EQ(slots.freeSlot(3), 0);
  EXPECT_EQ(slots.giveBack(), 1);  // converted and replaced: back to the camera
  EXPECT_EQ(slots.borrow(sequence, bytes), 2);
  EXPECT_EQ(slots.giveBack(), -1);  // still the newest: the camera's thread gives it back later
  EXPECT_EQ(slots.borrow(sequence, bytes), -1);  // and it is not handed over twice
  EXPECT_EQ(slots.arrived(3, 13), 2);
  slots.fail("");
  EXPECT_FALSE(slots.failure().empty());
  slots.reset();
  EXPECT_TRUE(slots.failure().empty());
  sequence = 0;
  EXPECT_EQ(slots.borrow(sequence, bytes), -1);
}

class FakeCameraTest : public ::testing::Test {
 protected:
  // Takes frames as the capture window does, `period` apart, and checks each is the newest.
  void takeFrames(V4l2Driver& driver, testing_support::FakeV4l2Camera& camera, int asks,
                  std::chrono::milliseconds period) {
    for (int ask = 0; ask < asks; ++ask) {
      std::this_thread::sleep_for(period);
      const int madeBefore = camera.framesMade();
      const FrameResult result = videotest::LatestInto(driver, frame, sequence, format, error);
      ASSERT_NE(result, FrameResult::Failed) << error;
      if (result != FrameResult::NewFrame) continue;
      ++deliveries;
      ASSERT_EQ(frame.size(), format.bytes());
      // Every pixel the same grey, the grey of the newest frame (or of one made just now).
      const videotest::Bgr first = videotest::PixelAt(frame, format, 0, 0);
      const videotest::Bgr last =
          videotest::PixelAt(frame, format, format.width - 1, format.height - 1);
      EXPECT_EQ(first.g, last.g);
      const int number = testing_support::FakeV4l2Camera::NumberOfGrey(first.g);
      const int behind = ((madeBefore - 1) % 50 - number + 50) % 50;
      EXPECT_TRUE(behind <= 1 || behind >= 48)
          << "frame " << number << " handed over, " << madeBefore << " made";
    }
  }

  std::vector<std::uint8_t> frame;
  std::uint64_t sequence = 0;
  FrameFormat format;
  std::string error;
  int deliveries = 0;
};

TEST_F(FakeCameraTest, AsksTheCameraForNoMoreFramesThanThePreviewTakes) {
  testing_support::FakeV4l2Camera camera;
  V4l2Driver driver(testing_support::FakeV4l2Camera::kPath, kMaxFrameBytes, camera);
  EXPECT_EQ(driver.name(), "Fake camera");
  EXPECT_EQ(driver.frameSizes(), (std::vector<FrameSize>{{320, 240}, {640, 480}}));
  driver.setPreviewPeriod(250);
  ASSERT_TRUE(driver.connect(error)) << error;
  EXPECT_EQ(camera.interval().denominator, 5u);
  EXPECT_NEAR(driver.frameInterval(), 0.2, 1e-9);
  // A faster preview asks the camera again; the same choice leaves it streaming.
  driver.setPreviewPeriod(60);
  EXPECT_EQ(camera.interval().denominator, 30u);
  driver.setPreviewPeriod(50);
  EXPECT_EQ(camera.interval().denominator, 30u);
  ASSERT_TRUE(driver.connected());
  driver.setPreviewPeriod(100);
  EXPECT_EQ(camera.interval().denominator, 15u);
  takeFrames(driver, camera, 3, std::chrono::milliseconds(100));
  EXPECT_GT(deliveries, 0);
  EXPECT_EQ(camera.misuses(), 0);
}

TEST_F(FakeCameraTest, OnlyTheFramesHandedOverAreConvertedAndTheyAreTheNewest) {
  for (const bool streaming : {true, false}) {
    SCOPED_TRACE(streaming ? "streaming" : "read");
    testing_support::FakeV4l2Camera camera({.streaming = streaming});
    V4l2Driver driver(testing_support::FakeV4l2Camera::kPath, kMaxFrameBytes, camera);
    driver.setPreviewPeriod(10);  // faster than any interval: the camera runs at 30 a second
    ASSERT_TRUE(driver.connect(error)) << error;
    deliveries = 0;
    takeFrames(driver, camera, 8, std::chrono::milliseconds(120));
    EXPECT_GE(deliveries, 6);
    EXPECT_EQ(driver.conversions(), static_cast<std::uint64_t>(deliveries));
    // About four frames made for each taken; the others went back unconverted.
    EXPECT_GE(camera.framesMade(), 2 * deliveries);
    EXPECT_EQ(camera.framesDropped(), 0) << "buffers were not given back";
    EXPECT_EQ(camera.misuses(), 0);
    EXPECT_EQ(format, (FrameFormat{640, 480, 24}));
    driver.disconnect();
    EXPECT_FALSE(camera.open());
  }
}

TEST_F(FakeCameraTest, FramesFollowAVideoFormatChange) {
  testing_support::FakeV4l2Camera camera;
  V4l2Driver driver(testing_support::FakeV4l2Camera::kPath, kMaxFrameBytes, camera);
  ASSERT_TRUE(driver.connect(error)) << error;
  for (const FrameFormat wanted :
       {FrameFormat{320, 240, 32}, FrameFormat{640, 480, 32}, FrameFormat{320, 240, 24}}) {
    SCOPED_TRACE(::testing::Message() << wanted.width << "x" << wanted.bitCount);
    ASSERT_TRUE(driver.setFormat(wanted, error)) << error;
    EXPECT_EQ(camera.size(), (FrameSize{wanted.width, wanted.height}));
    ASSERT_EQ(videotest::AwaitFrame(driver, frame, sequence, format, error), FrameResult::NewFrame)
        << error;
    EXPECT_EQ(format, wanted);
    EXPECT_EQ(frame.size(), wanted.bytes());
  }
  // A size it does not offer is refused, and the frames go on as they were.
  EXPECT_FALSE(driver.setFormat({800, 600, 24}, error));
  ASSERT_EQ(videotest::AwaitFrame(driver, frame, sequence, format, error), FrameResult::NewFrame);
  EXPECT_EQ(format, (FrameFormat{320, 240, 24}));
}

TEST_F(FakeCameraTest, AnUnpluggedCameraIsReportedWithTheReasonAndCanBeConnectedAgain) {
  testing_support::FakeV4l2Camera camera;
  V4l2Driver driver(testing_support::FakeV4l2Camera::kPath, kMaxFrameBytes, camera);
  ASSERT_TRUE(driver.connect(error)) << error;
  ASSERT_EQ(videotest::AwaitFrame(driver, frame, sequence, format, error), FrameResult::NewFrame);
  camera.unplug();
  EXPECT_EQ(videotest::AwaitFrame(driver, frame, sequence, format, error), FrameResult::Failed);
  EXPECT_NE(error.find(testing_support::FakeV4l2Camera::kPath), std::string::npos) << error;
  EXPECT_NE(error.find("No such device"), std::string::npos) << error;
  driver.disconnect();
  EXPECT_FALSE(camera.open());
  EXPECT_FALSE(driver.connect(error));
  EXPECT_NE(error.find("No such device"), std::string::npos) << error;
}

TEST(V4l2DriverTest, CapturesFromARealCamera) {
  const auto device = FirstCaptureDevice();
  if (!device) GTEST_SKIP() << "no V4L2 capture device on this machine";
  V4l2Driver driver(*device, kMaxFrameBytes);
  EXPECT_FALSE(driver.name().empty());
  EXPECT_LE(driver.name().size(), 199u);
  EXPECT_FALSE(driver.frameSizes().empty());
  std::string error;
  ASSERT_TRUE(driver.connect(error)) << error;

  std::vector<std::uint8_t> frame(kMaxFrameBytes);
  std::uint64_t sequence = 0;
  FrameFormat format;
  for (const int bitCount : {24, 32}) {
    const FrameSize size = driver.frameSizes().front();
    ASSERT_TRUE(driver.setFormat({size.width, size.height, bitCount}, error)) << error;
    ASSERT_EQ(videotest::AwaitFrame(driver, frame, sequence, format, error, 10.0),
              FrameResult::NewFrame)
        << error;
    EXPECT_EQ(format, driver.format());
    EXPECT_EQ(format.bitCount, bitCount);
  }
  for (const DriverControl& control : driver.controls()) {
    EXPECT_FALSE(control.name.empty());
    if (control.kind == DriverControl::Kind::Menu) {
      EXPECT_EQ(control.menuItems.size(),
                static_cast<std::size_t>(control.maximum - control.minimum + 1));
    }
  }
  driver.disconnect();
  driver.disconnect();
  EXPECT_FALSE(driver.connected());
}

}  // namespace
}  // namespace camera
