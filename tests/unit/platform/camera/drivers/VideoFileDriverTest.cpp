#include "platform/camera/drivers/VideoFileDriver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "TestVideo.h"
#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

using videotest::AwaitFrame;
using videotest::FrameOfPicture;
using videotest::IsRed;
using videotest::PixelAt;

void WriteGarbage(const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int i = 0; i < 4096; ++i) out.put(static_cast<char>(i * 7 + 3));
}

class VideoFileDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    clip = folder.file("clip.avi");
  }
  void writeClip(const videotest::TestVideo& video = {}) {
    ASSERT_TRUE(videotest::WriteTestVideo(clip, video, error)) << error;
  }
  FrameResult next(VideoDriver& driver, double seconds = 5.0) {
    return AwaitFrame(driver, frame, sequence, format, error, seconds);
  }

  videotest::TempDir folder;
  std::string clip;
  std::vector<std::uint8_t> frame = std::vector<std::uint8_t>(kMaxFrameBytes);
  std::uint64_t sequence = 0;
  FrameFormat format;
  std::string error;
};

TEST_F(VideoFileDriverTest, FilesThatDoNotPlayFailConnectWithTheReason) {
  struct Case {
    const char* name;
    void (*make)(const std::string&);
    const char* reason;
  };
  const Case cases[] = {
      {"missing.avi", [](const std::string&) {}, "No such file or directory"},
      {"garbage.avi", WriteGarbage, "Invalid data found when processing input"},
      {"empty.avi", [](const std::string& path) { std::ofstream{path}; }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.file(c.name);
    c.make(path);
    VideoFileDriver driver(path, kMaxFrameBytes);
    EXPECT_EQ(driver.name(), c.name);  // listed even so
    std::string why;
    EXPECT_FALSE(driver.connect(why));
    EXPECT_FALSE(driver.connected());
    EXPECT_NE(why.find(path), std::string::npos) << why;
    EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    EXPECT_GT(why.size(), path.size() + 2) << why;  // a reason beyond the path
  }
}

TEST_F(VideoFileDriverTest, DescribesTheFileAndDefaultsToItsOwnSize) {
  writeClip();
  VideoFileDriver driver(clip, kMaxFrameBytes);
  EXPECT_EQ(driver.name(), "clip.avi");
  EXPECT_EQ(driver.version().rfind("FFmpeg ", 0), 0u) << driver.version();
  EXPECT_NE(driver.version().find("ffv1"), std::string::npos) << driver.version();
  EXPECT_EQ(driver.format(), (FrameFormat{64, 48, 24}));
  const auto sizes = driver.frameSizes();
  for (const FrameSize size : {FrameSize{64, 48}, FrameSize{640, 480}, FrameSize{1600, 1024}})
    EXPECT_NE(std::find(sizes.begin(), sizes.end(), size), sizes.end()) << size.width;
  EXPECT_TRUE(driver.controls().empty());
}

TEST_F(VideoFileDriverTest, AFileTooLargeForTheFrameStoreDefaultsToAFittingSize) {
  writeClip({2, 10, 1920, 1080, "ffv1"});
  VideoFileDriver driver(clip, kMaxFrameBytes);
  const FrameFormat own = driver.format();
  EXPECT_LE(own.bytes(), kMaxFrameBytes);
  EXPECT_NEAR(static_cast<double>(own.width) / own.height, 1920.0 / 1080.0, 0.01);
  for (const FrameSize size : driver.frameSizes())
    EXPECT_LE((FrameFormat{size.width, size.height, 24}.bytes()), kMaxFrameBytes);
  ASSERT_TRUE(driver.connect(error)) << error;
  ASSERT_EQ(next(driver), FrameResult::NewFrame) << error;
  EXPECT_EQ(format, own);
  EXPECT_GE(FrameOfPicture(frame, format), 0);
}

TEST_F(VideoFileDriverTest, PlaysTheFramesInOrderInALoopAtTheFileRate) {
  writeClip();  // 10 frames at 10 per second
  VideoFileDriver driver(clip, kMaxFrameBytes);
  ASSERT_TRUE(driver.connect(error)) << error;

  std::vector<int> order;
  ASSERT_EQ(next(driver), FrameResult::NewFrame) << error;
  const auto started = std::chrono::steady_clock::now();
  constexpr int kFrames = 25;
  while (order.size() < kFrames) {
    ASSERT_EQ(next(driver), FrameResult::NewFrame) << error;
    order.push_back(FrameOfPicture(frame, format));
    ASSERT_GE(order.back(), 0) << "frame " << order.size() << " is not a picture of the file";
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  // 2.5 s at the file's rate; 25 per second would be 1 s, flat out far less.
  EXPECT_GT(seconds, 1.5);
  EXPECT_LT(seconds, 10.0);

  int wraps = 0;
  for (std::size_t i = 1; i < order.size(); ++i) {
    const int step = (order[i] - order[i - 1] + 10) % 10;
    EXPECT_TRUE(step >= 1 && step <= 3) << order[i - 1] << " then " << order[i];
    wraps += order[i] < order[i - 1];
  }
  EXPECT_GE(wraps, 1);  // looped, back from the last frame to the first
}

TEST_F(VideoFileDriverTest, DeliversTheChosenFormatUprightForEveryCodec) {
  const FrameFormat formats[] = {{320, 240, 24}, {160, 120, 32}, {64, 48, 24}, {99, 77, 24}};
  for (const char* codec : {"ffv1", "mjpeg", "mpeg4"}) {
    SCOPED_TRACE(codec);
    writeClip({10, 10, 64, 48, codec});
    VideoFileDriver driver(clip, kMaxFrameBytes);
    ASSERT_TRUE(driver.connect(error)) << error;
    for (const FrameFormat& wanted : formats) {
      SCOPED_TRACE(::testing::Message()
                   << wanted.width << "x" << wanted.height << "x" << wanted.bitCount);
      ASSERT_TRUE(driver.setFormat(wanted, error)) << error;  // while connected: restarts
      EXPECT_EQ(driver.format(), wanted);
      ASSERT_EQ(next(driver), FrameResult::NewFrame) << error;
      EXPECT_EQ(format, wanted);
      // Red on top of the picture, so in the last rows of the bottom-up buffer.
      EXPECT_TRUE(IsRed(PixelAt(frame, format, format.width / 2, 0)));
      const std::size_t lastRow =
          format.bytes() - static_cast<std::size_t>(format.width) * format.bitCount / 8;
      EXPECT_GT(frame[lastRow + 2], 200);  // red byte of the last row's first pixel
      EXPECT_LT(frame[lastRow + 0], 60);
      EXPECT_GE(FrameOfPicture(frame, format), 0);
    }
    driver.disconnect();
  }
}

TEST_F(VideoFileDriverTest, AFileThatGoesAwayMidRunFailsAndNeverPassesForGood) {
  struct Case {
    const char* what;
    void (*spoil)(const std::string&);
    const char* reason;
  };
  const Case cases[] = {
      {"deleted", [](const std::string& path) { std::remove(path.c_str()); },
       "No such file or directory"},
      {"replaced by garbage",
       [](const std::string& path) {
         WriteGarbage(path + ".new");
         std::rename((path + ".new").c_str(), path.c_str());
       },
       "Invalid data found"},
      {"overwritten with garbage", WriteGarbage, "Invalid data found"},
      {"truncated", [](const std::string& path) { ASSERT_EQ(truncate(path.c_str(), 0), 0); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    writeClip();
    VideoFileDriver driver(clip, kMaxFrameBytes);
    ASSERT_TRUE(driver.connect(error)) << error;
    ASSERT_EQ(next(driver), FrameResult::NewFrame) << error;
    c.spoil(clip);

    FrameResult result = FrameResult::NewFrame;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (result != FrameResult::Failed && std::chrono::steady_clock::now() < deadline)
      result = next(driver, 0.2);
    ASSERT_EQ(result, FrameResult::Failed);
    EXPECT_NE(error.find(clip), std::string::npos) << error;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    // It stays failed: no stale frame passes for a new one.
    EXPECT_EQ(next(driver, 0.3), FrameResult::Failed);
    driver.disconnect();
    EXPECT_FALSE(driver.connected());
  }
}

TEST_F(VideoFileDriverTest, ASlowConsumerCostsOneFramePerDeliveryAndGetsTheNewest) {
  struct Case {
    const char* codec;
    bool decodesOnlyWhatItDelivers;  // every picture stands alone
  };
  for (const Case& c : {Case{"mjpeg", true}, Case{"mpeg4", false}}) {
    SCOPED_TRACE(c.codec);
    writeClip({10, 10, 64, 48, c.codec});  // 1 s at 10 per second
    VideoFileDriver driver(clip, kMaxFrameBytes);
    ASSERT_TRUE(driver.connect(error)) << error;
    ASSERT_TRUE(driver.setFormat({160, 120, 32}, error)) << error;
    std::uint64_t deliveries = 0;
    int wraps = 0, previous = -1, leaps = 0;
    for (int ask = 0; ask < 10; ++ask) {  // 2.5 s at the default preview rate
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      const FrameResult result = videotest::LatestInto(driver, frame, sequence, format, error);
      ASSERT_NE(result, FrameResult::Failed) << error;
      if (result != FrameResult::NewFrame) continue;
      ++deliveries;
      EXPECT_EQ(format, (FrameFormat{160, 120, 32}));
      const int number = FrameOfPicture(frame, format);
      ASSERT_GE(number, 0);
      // A quarter second on is 2 or 3 frames on; a frame made at the last call, or queued, would
      // be the next in line.
      if (previous >= 0) leaps += (number - previous + 10) % 10 >= 2;
      wraps += number < previous;
      previous = number;
    }
    const VideoFileReader::Counts counts = driver.replayCounts();
    EXPECT_GE(deliveries, 7u);
    EXPECT_GE(leaps + 3, static_cast<int>(deliveries));  // a late wake-up may lose one
    EXPECT_LE(counts.made, deliveries + 1);
    if (c.decodesOnlyWhatItDelivers)
      EXPECT_LE(counts.decoded, deliveries + 1);
    else
      EXPECT_GT(counts.decoded, 2 * deliveries);  // keeps to the file's clock
    EXPECT_GE(wraps, 1);                          // and loops
  }
}

// Pictures that stand alone wait in the file until a frame is asked for; then the replay reads
// its way to the one due now. The others are decoded as their time comes.
TEST_F(VideoFileDriverTest, NobodyAskingCostsNothingWherePicturesStandAlone) {
  for (const bool standAlone : {true, false}) {
    SCOPED_TRACE(standAlone ? "mjpeg" : "mpeg4");
    writeClip({10, 10, 64, 48, standAlone ? "mjpeg" : "mpeg4"});  // 1 s at 10 per second
    VideoFileDriver driver(clip, kMaxFrameBytes);
    sequence = 0;
    ASSERT_TRUE(driver.connect(error)) << error;
    std::this_thread::sleep_for(std::chrono::milliseconds(750));
    const std::uint64_t passedUnasked = driver.replayCounts().passed;
    if (standAlone)
      EXPECT_LE(passedUnasked, 1u);
    else
      EXPECT_GE(passedUnasked, 5u);
    ASSERT_EQ(videotest::AwaitFrame(driver, frame, sequence, format, error), FrameResult::NewFrame)
        << error;
    // Still on the file's clock: three quarters of a second in is its seventh or eighth picture.
    const int number = FrameOfPicture(frame, format);
    EXPECT_GE(number, 6);
    EXPECT_LE(number, 9);
    EXPECT_EQ(driver.replayCounts().made, 1u);
  }
}

}  // namespace
}  // namespace camera
