#include "platform/camera/window/PictureStretch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace camera {
namespace {

// A frame whose pixels are numbered: pixel n (in memory order) is B = n, G = 10 n, R = 100.
std::vector<std::uint8_t> NumberedFrame(const video::FrameFormat& format) {
  std::vector<std::uint8_t> frame(format.bytes(), 0);
  const int pixelBytes = format.bitCount / 8;
  for (int n = 0; n < format.width * format.height; ++n) {
    frame[static_cast<std::size_t>(n * pixelBytes)] = static_cast<std::uint8_t>(n);
    frame[static_cast<std::size_t>(n * pixelBytes + 1)] = static_cast<std::uint8_t>(10 * n);
    frame[static_cast<std::size_t>(n * pixelBytes + 2)] = 100;
  }
  return frame;
}

// Which frame pixel (memory order) each picture pixel shows, top row first.
std::vector<int> Shown(const std::vector<std::uint32_t>& picture) {
  std::vector<int> numbers;
  for (const std::uint32_t pixel : picture) {
    EXPECT_EQ(pixel >> 16, 0xFF00u + 100u) << "opaque, red as given";
    numbers.push_back(static_cast<int>(pixel & 0xFF));
  }
  return numbers;
}

TEST(PictureStretchTest, EachPicturePixelShowsTheFramePixelItFallsOnTheRightWayUp) {
  struct Case {
    video::FrameFormat frame;
    int width, height;
    std::vector<int> expected;
  };
  // A 3x2 frame in memory: bottom row 0 1 2, top row 3 4 5.
  const Case cases[] = {
      {{3, 2, 24}, 3, 2, {3, 4, 5, 0, 1, 2}},  // same size: only turned upright
      {{3, 2, 32}, 3, 2, {3, 4, 5, 0, 1, 2}},
      {{3, 2, 24}, 6, 2, {3, 3, 4, 4, 5, 5, 0, 0, 1, 1, 2, 2}},
      {{3, 2, 24}, 3, 4, {3, 4, 5, 3, 4, 5, 0, 1, 2, 0, 1, 2}},
      {{3, 2, 32}, 1, 1, {3}},
      {{3, 2, 24}, 2, 1, {3, 4}},
      {{4, 4, 24}, 2, 2, {12, 14, 4, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.frame.width << "x" << c.frame.height << "x"
                                      << c.frame.bitCount << " -> " << c.width << "x" << c.height);
    const std::vector<std::uint8_t> frame = NumberedFrame(c.frame);
    // Lines of the picture one pixel longer than it is wide: the spare pixel stays untouched.
    const int line = c.width + 1;
    std::vector<std::uint32_t> picture(static_cast<std::size_t>(line * c.height), 0xDEADBEEF);
    PictureStretch stretch;
    stretch.draw(frame.data(), c.frame, reinterpret_cast<std::uint8_t*>(picture.data()), c.width,
                 c.height, static_cast<std::size_t>(line) * 4);
    std::vector<std::uint32_t> shown;
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) shown.push_back(picture[y * line + x]);
      EXPECT_EQ(picture[y * line + c.width], 0xDEADBEEF) << "wrote past the line";
    }
    EXPECT_EQ(Shown(shown), c.expected);
  }
}

TEST(PictureStretchTest, ASizeOrFormatChangeIsFollowedAndNothingIsDrawnFromNoFrame) {
  PictureStretch stretch;
  std::vector<std::uint32_t> picture(4, 0);
  auto* bytes = reinterpret_cast<std::uint8_t*>(picture.data());
  const video::FrameFormat wide{4, 1, 24}, deep{2, 1, 32};
  const auto wideFrame = NumberedFrame(wide), deepFrame = NumberedFrame(deep);
  stretch.draw(wideFrame.data(), wide, bytes, 2, 1, 8);
  EXPECT_EQ(Shown({picture[0], picture[1]}), (std::vector<int>{0, 2}));
  stretch.draw(deepFrame.data(), deep, bytes, 2, 1, 8);  // the column map is made again
  EXPECT_EQ(Shown({picture[0], picture[1]}), (std::vector<int>{0, 1}));
  stretch.draw(deepFrame.data(), deep, bytes, 4, 1, 16);
  EXPECT_EQ(Shown(picture), (std::vector<int>{0, 0, 1, 1}));

  picture.assign(4, 7);
  stretch.draw(nullptr, deep, bytes, 4, 1, 16);
  stretch.draw(deepFrame.data(), {2, 1, 16}, bytes, 4, 1, 16);
  stretch.draw(deepFrame.data(), deep, bytes, 0, 1, 16);
  EXPECT_EQ(picture, std::vector<std::uint32_t>(4, 7));
}

}  // namespace
}  // namespace camera
