#include "platform/camera/drivers/V4l2Driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>
#include <vector>

#include "TestVideo.h"
#include "platform/camera/drivers/DriverList.h"
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
