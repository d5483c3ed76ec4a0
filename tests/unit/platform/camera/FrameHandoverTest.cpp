#include "platform/camera/FrameHandover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

namespace camera {
namespace {

constexpr FrameFormat kSmall{8, 4, 24};

void Produce(FrameHandover& handover, const FrameFormat& format, std::uint8_t value) {
  std::memset(handover.beginFrame(format.bytes()), value, format.bytes());
  handover.publish(format);
}

struct Consumer {
  FrameResult take(FrameHandover& handover) {
    return handover.latest(taken, sequence, format, error);
  }
  bool all(std::uint8_t value, std::size_t bytes) const {
    return taken.size >= bytes && std::all_of(taken.data(), taken.data() + bytes,
                                              [value](std::uint8_t b) { return b == value; });
  }
  FrameBuffer taken;
  std::uint64_t sequence = 0;
  FrameFormat format;
  std::string error;
};

TEST(FrameHandoverTest, NewestFrameWinsAndIsHandedOverOnce) {
  FrameHandover handover;
  Consumer consumer;
  EXPECT_EQ(consumer.take(handover), FrameResult::NoNewFrame);
  for (std::uint8_t value : {11, 22, 33}) Produce(handover, kSmall, value);
  ASSERT_EQ(consumer.take(handover), FrameResult::NewFrame);
  EXPECT_TRUE(consumer.all(33, kSmall.bytes()));
  EXPECT_EQ(consumer.format, kSmall);
  EXPECT_EQ(consumer.sequence, 3u);
  EXPECT_EQ(consumer.take(handover), FrameResult::NoNewFrame);
  Produce(handover, kSmall, 44);
  ASSERT_EQ(consumer.take(handover), FrameResult::NewFrame);
  EXPECT_EQ(consumer.sequence, 4u);
}

TEST(FrameHandoverTest, FramesThatGrowAndShrinkArriveWhole) {
  FrameHandover handover;
  Consumer consumer;
  std::uint8_t value = 1;
  for (const FrameFormat& size : {FrameFormat{2, 2, 24}, FrameFormat{64, 48, 32},
                                  FrameFormat{4, 4, 24}, FrameFormat{80, 60, 24}}) {
    Produce(handover, size, ++value);
    ASSERT_EQ(consumer.take(handover), FrameResult::NewFrame);
    EXPECT_EQ(consumer.format, size);
    EXPECT_EQ(consumer.taken.size, size.bytes());
    EXPECT_TRUE(consumer.all(value, size.bytes()));
  }
}

// Frames change hands by exchanging buffers: once the producer's, the published and the
// consumer's buffer exist, the same three take turns and nothing is allocated or copied.
TEST(FrameHandoverTest, ThreeBuffersTakeTurnsWithoutAllocating) {
  FrameHandover handover;
  Consumer consumer;
  std::vector<const std::uint8_t*> seen;
  for (int frame = 1; frame <= 12; ++frame) {
    Produce(handover, kSmall, static_cast<std::uint8_t>(frame));
    ASSERT_EQ(consumer.take(handover), FrameResult::NewFrame);
    EXPECT_TRUE(consumer.all(static_cast<std::uint8_t>(frame), kSmall.bytes()));
    if (frame > 3) seen.push_back(consumer.taken.data());
  }
  std::sort(seen.begin(), seen.end());
  seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_LE(seen.size(), 3u);
  EXPECT_GE(seen.size(), 2u);  // the consumer's buffer really changes hands

  // A larger frame grows only the buffer it is made in; the consumer gets it whole.
  constexpr FrameFormat kLarge{80, 60, 32};
  Produce(handover, kLarge, 99);
  ASSERT_EQ(consumer.take(handover), FrameResult::NewFrame);
  EXPECT_GE(consumer.taken.capacity, kLarge.bytes());
  EXPECT_TRUE(consumer.all(99, kLarge.bytes()));
}

TEST(FrameHandoverTest, FailureReachesTheConsumerUntilReset) {
  for (const std::string reason : {"/dev/video0: No such device", ""}) {
    FrameHandover handover;
    Produce(handover, kSmall, 5);
    handover.fail(reason);
    Consumer consumer;
    EXPECT_EQ(consumer.take(handover), FrameResult::Failed);
    EXPECT_FALSE(consumer.error.empty());  // an empty reason must not read as success
    if (!reason.empty()) {
      EXPECT_EQ(consumer.error, reason);
    }
    handover.reset();
    EXPECT_EQ(consumer.take(handover), FrameResult::NoNewFrame);  // the old frame went too
    Produce(handover, kSmall, 6);
    EXPECT_EQ(consumer.take(handover), FrameResult::NewFrame);
    EXPECT_TRUE(consumer.all(6, kSmall.bytes()));
  }
}

// A producer filling every frame with one value, a consumer checking it never sees two values
// in one frame, that the value is that frame's, and that the sequence only moves forward.
TEST(FrameHandoverTest, ConsumerNeverSeesATornFrame) {
  constexpr FrameFormat kFormat{320, 240, 24};
  constexpr int kFrames = 3000;
  FrameHandover handover;
  std::atomic<bool> done{false};
  std::thread producer([&] {
    for (int frame = 1; frame <= kFrames; ++frame)
      Produce(handover, kFormat, static_cast<std::uint8_t>(frame % 251 + 1));
    done = true;
  });
  Consumer consumer;
  std::uint64_t previous = 0;
  int seen = 0, torn = 0;
  while (!done.load() || consumer.sequence < kFrames) {
    const FrameResult result = consumer.take(handover);
    if (result == FrameResult::Failed) {
      ADD_FAILURE() << consumer.error;  // not ASSERT: the producer must still be joined
      break;
    }
    if (result == FrameResult::NoNewFrame) {
      std::this_thread::yield();
      continue;
    }
    ++seen;
    EXPECT_GT(consumer.sequence, previous);
    previous = consumer.sequence;
    torn += !consumer.all(static_cast<std::uint8_t>(consumer.sequence % 251 + 1), kFormat.bytes());
  }
  producer.join();
  EXPECT_EQ(torn, 0);
  EXPECT_GT(seen, 0);
}

}  // namespace
}  // namespace camera
