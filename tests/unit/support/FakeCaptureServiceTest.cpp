#include "tests/support/FakeCaptureService.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr camera::CaptureWindowHandle kW = FakeCaptureService::kWindow;

class FakeFrames : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(fake.createCaptureWindow("Capture", 0, 0, 0, 320, 240, nullptr, 0), kW);
    fake.setPreview(kW, true);
  }
  FakeCaptureService fake;
};

TEST_F(FakeFrames, CallbackMarksThePaintedPictureButSingleFrameKeepsTheOriginal) {
  std::vector<camera::VideoHdr> seen;
  fake.setCallbackFrame(kW, [&](camera::CaptureWindowHandle, camera::VideoHdr* hdr) {
    seen.push_back(*hdr);
    hdr->lpData[0] = 0xFF;  // the marking the preview then shows
    return fake.singleFrame(kW);
  });
  const Bytes big{1, 2, 3, 4}, small{5, 6};
  ASSERT_TRUE(fake.deliverFrame(big));  // file not open yet: nothing appended
  fake.singleFrameOpen(kW);
  ASSERT_TRUE(fake.deliverFrame(big));
  ASSERT_TRUE(fake.deliverFrame(small));

  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].lpData, seen[0].lpData) << "buffer is reused";
  EXPECT_EQ(std::make_pair(seen[2].dwBufferLength, seen[2].dwBytesUsed), std::make_pair(4u, 2u));
  EXPECT_EQ(fake.recordedFrames(), (std::vector<Bytes>{big, small}));
  EXPECT_EQ(Bytes(fake.lastPainted().begin(), fake.lastPainted().end()), (Bytes{0xFF, 6}));
}

TEST_F(FakeFrames, FramesReachTheCallbackOnlyWithPreviewOnAndOverlayOff) {
  int delivered = 0;
  const Bytes frame{9};
  EXPECT_FALSE(fake.deliverFrame(frame)) << "no callback yet";
  fake.setCallbackFrame(kW, [&](camera::CaptureWindowHandle, camera::VideoHdr*) {
    return camera::LRESULT{++delivered};
  });
  fake.setOverlay(kW, true);
  EXPECT_FALSE(fake.deliverFrame(frame));
  fake.setOverlay(kW, false);
  fake.setPreview(kW, false);
  EXPECT_FALSE(fake.deliverFrame(frame));
  fake.setPreview(kW, true);
  EXPECT_TRUE(fake.deliverFrame(frame));
  fake.destroyWindow();
  EXPECT_FALSE(fake.deliverFrame(frame));
  EXPECT_EQ(delivered, 1);
}

TEST(FakeCaptureServiceTest, DriverDescriptionsAreBoundedAndTerminated) {
  FakeCaptureService fake;
  fake.setDrivers({{"Test Pattern", "1.0"}, {std::string(300, 'n'), "2.5"}});
  char name[camera::kDriverTextChars];
  char version[4];
  std::memset(name, 'x', sizeof name);

  ASSERT_TRUE(fake.getDriverDescription(1, name, sizeof name, version, sizeof version));
  EXPECT_EQ(std::string(name), std::string(camera::kDriverTextChars - 1, 'n'));
  EXPECT_STREQ(version, "2.5");
  ASSERT_TRUE(fake.getDriverDescription(0, name, sizeof name, version, 3));
  EXPECT_STREQ(name, "Test Pattern");
  EXPECT_STREQ(version, "1.");
  EXPECT_FALSE(fake.getDriverDescription(2, name, sizeof name, version, sizeof version));
}

TEST(FakeCaptureServiceTest, FailedConnectReportsTheDriverError) {
  FakeCaptureService fake;
  fake.createCaptureWindow("Capture", 0, 0, 0, 320, 240, nullptr, 0);
  std::vector<std::pair<int, std::string>> errors;
  fake.setCallbackError(kW, [&](camera::CaptureWindowHandle, int id, const char* text) {
    errors.emplace_back(id, text);
    return camera::LRESULT{1};
  });
  EXPECT_EQ(fake.driverConnect(kW, 0), 1);
  fake.setConnectFails(true, "busy");
  EXPECT_EQ(fake.driverConnect(kW, 0), 0);
  EXPECT_EQ(errors, (std::vector<std::pair<int, std::string>>{{camera::kDriverErrorId, "busy"}}));
}

TEST(FakeCaptureServiceTest, VideoFormatCopiesNoMoreThanAskedOrThanTheFormatHas) {
  FakeCaptureService fake;
  fake.createCaptureWindow("Capture", 0, 0, 0, 320, 240, nullptr, 0);
  camera::BitmapInfo format;
  format.bmiHeader.biWidth = 640;
  format.bmiColors[0].rgbRed = 7;
  fake.setVideoFormat(format);

  camera::BitmapInfo got;
  EXPECT_EQ(fake.getVideoFormat(kW, &got, 40), 40);
  EXPECT_EQ(got.bmiHeader.biWidth, 640);
  EXPECT_EQ(got.bmiColors[0].rgbRed, 0) << "only the header was asked for";
  EXPECT_EQ(fake.getVideoFormat(kW, &got, 1000), 44);
  EXPECT_EQ(got.bmiColors[0].rgbRed, 7);
}

}  // namespace
}  // namespace testing_support
