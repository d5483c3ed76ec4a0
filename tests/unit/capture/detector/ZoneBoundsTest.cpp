#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

#include "capture/detector/ZoneBounds.h"
#include "capture/settings/CaptureSettings.h"

namespace watchpost {
namespace {

camera::BitmapInfoHeader Format(int width, int height, int bits) {
  camera::BitmapInfoHeader f;
  f.biWidth = width;
  f.biHeight = height;
  f.biBitCount = static_cast<std::uint16_t>(bits);
  return f;
}

CaptureSettings Zone(float left, float right, float top, float bottom) {
  CaptureSettings s;
  s.ZoneLeft = left;
  s.ZoneRight = right;
  s.ZoneTop = top;
  s.ZoneBottom = bottom;
  s.ZoneSet = 1;
  return s;
}

struct BoundsCase {
  const char* name;
  camera::BitmapInfoHeader format;
  CaptureSettings zone;
  ZoneBounds expected;
};

void PrintTo(const BoundsCase& c, std::ostream* os) { *os << c.name; }

class ComputeZoneBoundsTest : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(ComputeZoneBoundsTest, GivesTheExpectedBounds) {
  const BoundsCase& c = GetParam();
  EXPECT_EQ(ComputeZoneBounds(c.format, c.zone), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, ComputeZoneBoundsTest,
    ::testing::Values(
        // The middle quarter of a VGA picture at 24 bits.
        BoundsCase{"Vga24Middle",
                   Format(640, 480, 24),
                   Zone(0.25f, 0.75f, 0.25f, 0.75f),
                   {3, 1920, 121, 360, 486, 1440}},
        // The whole picture: the left edge still moves two pixels right.
        BoundsCase{"WholeAt32", Format(320, 240, 32), Zone(0, 1, 0, 1), {4, 1280, 1, 240, 8, 1280}},
        BoundsCase{"WholeAt16", Format(320, 240, 16), Zone(0, 1, 0, 1), {2, 640, 1, 240, 4, 640}},
        BoundsCase{"WholeAt8", Format(320, 240, 8), Zone(0, 1, 0, 1), {1, 320, 1, 240, 2, 320}},
        // Below 8 bits a pixel counts as one byte rather than none.
        BoundsCase{"FourBitsAsOneByte",
                   Format(100, 10, 4),
                   Zone(0.1f, 0.5f, 0, 1),
                   {1, 100, 1, 10, 12, 50}},
        BoundsCase{
            "OneBitAsOneByte", Format(100, 10, 1), Zone(0, 1, 0, 1), {1, 100, 1, 10, 2, 100}},
        // Column bounds fall back to pixel boundaries: 0.3f * 1920 + 6 gives 582, 0.7f * 1920 gives
        // 1343 (0.7f is a little under 0.7), rounded down to 1341.
        BoundsCase{"ColumnsOnPixels",
                   Format(640, 480, 24),
                   Zone(0.3f, 0.7f, 0, 1),
                   {3, 1920, 1, 480, 582, 1341}},
        // A zone drawn upside down is empty: rowStart >= rowEnd.
        BoundsCase{"Inverted",
                   Format(640, 480, 24),
                   Zone(0.75f, 0.25f, 0.75f, 0.25f),
                   {3, 1920, 361, 120, 1446, 480}},
        // Top-down frames give negative rows; nothing is refused here.
        BoundsCase{"TopDown", Format(10, -10, 24), Zone(0, 1, 0, 1), {3, 30, 1, -10, 6, 30}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComputeZoneBounds, SaturatesFractionsNoFrameCouldHold) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const ZoneBounds b = ComputeZoneBounds(Format(640, 480, 24), Zone(-inf, 1e30f, nan, -1e30f));
  EXPECT_EQ(b.rowEnd, 0);  // NaN
  EXPECT_EQ(b.rowStart, std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(b.byteStart % 3, 0);
  EXPECT_LE(b.byteStart, std::numeric_limits<std::int32_t>::min() + 2);
  EXPECT_EQ(b.byteEnd, std::numeric_limits<std::int32_t>::max() -
                           std::numeric_limits<std::int32_t>::max() % 3);
}

TEST(ComputeZoneBounds, AHugeWidthSaturatesTheStride) {
  const ZoneBounds b =
      ComputeZoneBounds(Format(std::numeric_limits<std::int32_t>::max(), 2, 32), Zone(0, 0, 0, 0));
  EXPECT_EQ(b.rowStride, std::numeric_limits<std::int32_t>::max());
}

TEST(ClampZone, DropsRowsThatStartPastTheFrame) {
  // 10 rows of 30 bytes, but only 4.5 rows delivered.
  const ClampedZone z = ClampZone({3, 30, 1, 10, 6, 30}, 135);
  EXPECT_EQ(z.rowStart, 1u);
  EXPECT_EQ(z.rowEnd, 5u);  // row 4 starts at 126 < 135, row 5 at 156
  EXPECT_FALSE(z.empty());
  EXPECT_TRUE(z.disjointRows());
}

TEST(ClampZone, LeavesNothingForDegenerateBounds) {
  struct Row {
    ZoneBounds bounds;
    const char* why;
  } rows[] = {
      {{3, 0, 0, 10, 0, 30}, "zero stride"},
      {{3, 30, 0, 10, 30, 30}, "empty columns"},
      {{3, 30, 0, 10, 40, 20}, "inverted columns"},
      {{3, 30, 5, 2, 0, 30}, "inverted rows"},
      {{3, 30, -5, 2, 0, 30}, "negative first row reads as a huge one"},
      {{3, 30, 0, 10, 400, 500}, "columns past the frame"},
  };
  for (const Row& r : rows) {
    const ClampedZone z = ClampZone(r.bounds, 300);
    EXPECT_TRUE(z.empty()) << r.why;
    EXPECT_TRUE(z.disjointRows()) << r.why;
  }
}

TEST(ClampZone, OverlappingRowsAreNotDisjoint) {
  EXPECT_FALSE(ClampZone({3, 29, 0, 10, 0, 30}, 300).disjointRows());
  EXPECT_TRUE(ClampZone({3, 31, 0, 9, 0, 30}, 300).disjointRows());
}

}  // namespace
}  // namespace watchpost
