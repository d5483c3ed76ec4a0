#include "platform/camera/drivers/TestPatternDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "TestVideo.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

using videotest::IsRed;
using videotest::PixelAt;

std::vector<std::uint8_t> Render(const PatternSettings& settings, std::uint64_t index,
                                 const FrameFormat& format, std::uint8_t filler = 0xAA) {
  std::vector<std::uint8_t> frame(format.bytes(), filler);
  RenderTestPattern(settings, index, format, frame.data());
  return frame;
}

struct Difference {
  int largest = 0;
  std::size_t over40 = 0;  // bytes the detector's default sensitivity counts as changed
  std::size_t changed = 0;
};

Difference Compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  Difference d;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int delta = std::abs(a[i] - b[i]);
    d.largest = std::max(d.largest, delta);
    d.over40 += delta > 40;
    d.changed += delta > 0;
  }
  return d;
}

const FrameFormat kFormats[] = {{160, 120, 24}, {320, 240, 32}, {161, 97, 24}};

TEST(TestPatternRenderTest, SameIndexGivesTheSameBytesAndEveryByteIsWritten) {
  for (const FrameFormat& format : kFormats) {
    for (const std::uint64_t index : {0ULL, 37ULL, 150ULL, 123456789ULL}) {
      // Different fillers before: equal after means no byte was left unwritten.
      EXPECT_TRUE(Render({}, index, format, 0x00) == Render({}, index, format, 0xFF))
          << format.width << " frame " << index;
    }
  }
}

TEST(TestPatternRenderTest, StillFramesDifferByNoMoreThanTheNoise) {
  struct Case {
    PatternScene scene;
    std::uint64_t first, second;
  };
  const Case cases[] = {{PatternScene::MovingObject, 100, 101},
                        {PatternScene::MovingObject, 120, 199},
                        {PatternScene::Still, 10, 510},
                        {PatternScene::Bars, 7, 8}};
  for (const FrameFormat& format : kFormats) {
    for (const Case& c : cases) {
      for (const int noise : {0, 1, 4, kPatternMaxNoise}) {
        SCOPED_TRACE(testing::Message()
                     << "scene " << static_cast<int>(c.scene) << " frame " << c.first << " noise "
                     << noise << " width " << format.width);
        const Difference d = Compare(Render({c.scene, noise}, c.first, format),
                                     Render({c.scene, noise}, c.second, format));
        EXPECT_LE(d.largest, noise);
        EXPECT_EQ(d.over40, 0u);
        // Noise that a Differential below its level sees, in a good share of the bytes.
        if (noise >= 2) {
          EXPECT_GT(d.changed, format.bytes() / 4);
        }
      }
    }
  }
}

TEST(TestPatternRenderTest, MovingObjectChangesManyBytesByMoreThan40) {
  const PatternSettings clean{PatternScene::MovingObject, 0};
  for (const FrameFormat& format : kFormats) {
    for (std::uint64_t index = 2; index + 3 < kPatternMotionFrames; index += 7) {
      SCOPED_TRACE(testing::Message() << format.width << " frame " << index);
      const Difference d = Compare(Render({}, index, format), Render({}, index + 1, format));
      // At least the object's leading and trailing edges, a few bytes per row it covers.
      EXPECT_GE(d.over40, static_cast<std::size_t>(format.height / 8));
      // The next cycle repeats the scene (the noise is new every frame).
      EXPECT_TRUE(Render(clean, index, format) ==
                  Render(clean, index + kPatternCycleFrames, format));
    }
  }
}

TEST(TestPatternRenderTest, PictureIsUprightAndThirtyTwoBitsMatchTwentyFour) {
  const FrameFormat rgb{160, 120, 24}, rgbx{160, 120, 32};
  for (const PatternScene scene : {PatternScene::MovingObject, PatternScene::Bars}) {
    const auto a = Render({scene, 4}, 30, rgb), b = Render({scene, 4}, 30, rgbx);
    for (std::size_t pixel = 0; pixel < a.size() / 3; pixel += 13) {
      ASSERT_TRUE(std::equal(&a[pixel * 3], &a[pixel * 3 + 3], &b[pixel * 4])) << pixel;
      ASSERT_EQ(b[pixel * 4 + 3], 0) << pixel;
    }
  }
  // Bars on top, the grey ramp at the bottom: the bottom-up buffer starts with the ramp.
  const auto bars = Render({PatternScene::Bars, 0}, 0, rgb);
  EXPECT_EQ(PixelAt(bars, rgb, 1, 0).r, 191);
  EXPECT_EQ(PixelAt(bars, rgb, rgb.width - 1, rgb.height - 1).g, 255);
  EXPECT_EQ(bars[0], 0);  // the dark end of the ramp, bottom left
}

class TestPatternDriverTest : public ::testing::Test {
 protected:
  FrameResult next() { return videotest::AwaitFrame(driver, frame, sequence, format, error); }
  TestPatternDriver driver{kMaxFrameBytes};
  std::vector<std::uint8_t> frame = std::vector<std::uint8_t>(kMaxFrameBytes);
  std::uint64_t sequence = 0;
  FrameFormat format;
  std::string error;
};

TEST_F(TestPatternDriverTest, OffersTheStandardSizesAndRefusesWhatDoesNotFit) {
  EXPECT_EQ(driver.format(), (FrameFormat{640, 480, 24}));
  EXPECT_EQ(driver.frameSizes().size(), 6u);
  struct Case {
    FrameFormat format;
    bool accepted;
  };
  const Case cases[] = {{{1600, 1024, 24}, true},
                        {{1600, 1024, 32}, false},
                        {{320, 240, 16}, false},
                        {{0, 240, 24}, false},
                        {{320, 240, 32}, true}};
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(driver.setFormat(c.format, why), c.accepted)
        << c.format.width << "x" << c.format.bitCount;
    EXPECT_EQ(why.empty(), c.accepted) << why;
    EXPECT_EQ(driver.format() == c.format, c.accepted);
  }
}

TEST_F(TestPatternDriverTest, DeliversFramesInRealTimeAndFollowsFormatChanges) {
  EXPECT_EQ(videotest::LatestInto(driver, frame, sequence, format, error),
            FrameResult::Failed);  // not connected yet
  ASSERT_TRUE(driver.setFormat({160, 120, 24}, error)) << error;
  ASSERT_TRUE(driver.connect(error)) << error;
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_EQ(format, (FrameFormat{160, 120, 24}));

  // About 25 frames a second; the bounds only catch a clock that is badly off.
  const std::uint64_t first = sequence;
  const auto started = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
  const double rate = static_cast<double>(sequence - first) / elapsed.count();
  EXPECT_GT(rate, 8.0);
  EXPECT_LT(rate, 40.0);

  ASSERT_TRUE(driver.setFormat({320, 240, 32}, error)) << error;  // while connected
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_EQ(format, (FrameFormat{320, 240, 32}));

  driver.disconnect();
  driver.disconnect();  // twice is harmless
  EXPECT_FALSE(driver.connected());
  EXPECT_EQ(videotest::LatestInto(driver, frame, sequence, format, error), FrameResult::Failed);
}

TEST_F(TestPatternDriverTest, ControlsChooseSceneAndNoise) {
  const auto controls = driver.controls();
  ASSERT_EQ(controls.size(), 3u);
  EXPECT_EQ(controls[0].menuItems.size(), static_cast<std::size_t>(controls[0].maximum + 1));
  EXPECT_EQ(controls[1].maximum, kPatternMaxNoise);
  EXPECT_EQ(controls[2].kind, DriverControl::Kind::Path);
  struct Case {
    std::uint32_t id;
    int value;
    bool accepted;
  };
  const Case cases[] = {{TestPatternDriver::kSceneControl, 3, false},
                        {TestPatternDriver::kNoiseControl, -1, false},
                        {TestPatternDriver::kNoiseControl, kPatternMaxNoise + 1, false},
                        {99, 0, false},
                        {TestPatternDriver::kSceneControl, 1, true},
                        {TestPatternDriver::kNoiseControl, 0, true}};
  for (const Case& c : cases) {
    std::string why;
    EXPECT_EQ(driver.setControl(c.id, c.value, {}, why), c.accepted) << c.id << "=" << c.value;
    EXPECT_EQ(why.empty(), c.accepted);
  }
  EXPECT_EQ(driver.controls()[0].value, 1);
  EXPECT_EQ(driver.controls()[1].value, 0);

  // Still scene without noise: the live frames do not change at all.
  ASSERT_TRUE(driver.setFormat({160, 120, 24}, error));
  ASSERT_TRUE(driver.connect(error)) << error;
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  const std::vector<std::uint8_t> first(frame.begin(), frame.begin() + format.bytes());
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_TRUE(std::equal(first.begin(), first.end(), frame.begin()));
}

TEST_F(TestPatternDriverTest, ReplaysAVideoFileInPlaceOfThePattern) {
  videotest::TempDir folder;
  const std::string clip = folder.file("clip.avi");
  ASSERT_TRUE(videotest::WriteTestVideo(clip, {}, error)) << error;
  ASSERT_TRUE(driver.setFormat({160, 120, 24}, error));
  ASSERT_TRUE(driver.connect(error)) << error;
  const auto replaying = [&] {
    return IsRed(PixelAt(frame, format, format.width / 2, format.height / 8)) &&
           videotest::FrameOfPicture(frame, format) >= 0;
  };
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_FALSE(replaying());

  ASSERT_TRUE(driver.setControl(TestPatternDriver::kReplayControl, 0, clip, error)) << error;
  EXPECT_EQ(driver.controls()[2].text, clip);
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_EQ(format, (FrameFormat{160, 120, 24}));  // scaled to the pattern's format
  EXPECT_TRUE(replaying());

  // A file that does not play is refused, and the replay goes on.
  std::string why;
  EXPECT_FALSE(driver.setControl(TestPatternDriver::kReplayControl, 0, folder.file("no.avi"), why));
  EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_TRUE(replaying());

  ASSERT_TRUE(driver.setControl(TestPatternDriver::kReplayControl, 0, "", error)) << error;
  ASSERT_EQ(next(), FrameResult::NewFrame) << error;
  EXPECT_FALSE(replaying());
}

}  // namespace
}  // namespace camera
