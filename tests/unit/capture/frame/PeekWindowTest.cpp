#include "capture/frame/PeekWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "capture/detector/MotionDetector.h"
#include "platform/framework/MemoryProfileStore.h"

namespace watchpost {
namespace {

// 1024 x 768 with a 28-pixel task bar at the bottom.
const QRect kWorkArea(0, 0, 1024, 740);
const QSize kCustom(120, 90);

// --- the four values in the profile

class RecordingStore : public framework::MemoryProfileStore {
 public:
  bool WriteProfileInt(const std::string& section, const std::string& key, int value) override {
    writes.emplace_back(section + "/" + key, value);
    return MemoryProfileStore::WriteProfileInt(section, key, value);
  }
  std::vector<std::pair<std::string, int>> writes;
};

TEST(PeekValuesTest, AnEmptyProfileGivesTopLeftSmallAndA120By90Custom) {
  framework::MemoryProfileStore store;
  PeekValues values{3, 4, 7, 7};
  LoadPeekValues(store, values);
  EXPECT_EQ(values.peekPosition, 0);
  EXPECT_EQ(values.peekSize, 1);
  EXPECT_EQ(values.customWidth, 120);
  EXPECT_EQ(values.customHeight, 90);
}

TEST(PeekValuesTest, StoredValuesComeBackUncheckedFromTheSettingsSection) {
  framework::MemoryProfileStore store;
  store.seedInt("Settings", "PeekPosition", 9);
  store.seedInt("Settings", "PeekSize", -3);
  store.seedInt("Settings", "PeekWidth", 5000);
  store.seedInt("Settings", "PeekHeight", 0);
  PeekValues values;
  LoadPeekValues(store, values);
  EXPECT_EQ(values.peekPosition, 9);
  EXPECT_EQ(values.peekSize, -3);
  EXPECT_EQ(values.customWidth, 5000);
  EXPECT_EQ(values.customHeight, 0);
}

TEST(PeekValuesTest, SavingWritesAllFourAsNumbersPositionFirst) {
  RecordingStore store;
  SavePeekValues(store, PeekValues{2, 3, 200, 150});
  const std::vector<std::pair<std::string, int>> expected = {
      {"Settings/PeekPosition", 2},
      {"Settings/PeekSize", 3},
      {"Settings/PeekWidth", 200},
      {"Settings/PeekHeight", 150},
  };
  EXPECT_EQ(store.writes, expected);
  EXPECT_TRUE(store.isNumber("Settings", "PeekHeight"));

  PeekValues back;
  LoadPeekValues(store, back);
  EXPECT_EQ(back.peekPosition, 2);
  EXPECT_EQ(back.peekSize, 3);
  EXPECT_EQ(back.customWidth, 200);
  EXPECT_EQ(back.customHeight, 150);
}

// --- placement

TEST(PeekPlacementTest, EveryCornerWithEverySize) {
  const struct {
    int position;
    int size;
    QRect expected;
  } cases[] = {
      {0, 0, {0, 0, 1, 1}},        {1, 0, {0, 739, 1, 1}},      {2, 0, {1023, 0, 1, 1}},
      {3, 0, {1023, 739, 1, 1}},   {0, 1, {0, 0, 16, 12}},      {1, 1, {0, 728, 16, 12}},
      {2, 1, {1008, 0, 16, 12}},   {3, 1, {1008, 728, 16, 12}}, {0, 2, {0, 0, 32, 24}},
      {1, 2, {0, 716, 32, 24}},    {2, 2, {992, 0, 32, 24}},    {3, 2, {992, 716, 32, 24}},
      {0, 3, {0, 0, 48, 36}},      {1, 3, {0, 704, 48, 36}},    {2, 3, {976, 0, 48, 36}},
      {3, 3, {976, 704, 48, 36}},  // the Large bottom right example
      {0, 4, {0, 0, 120, 90}},     {1, 4, {0, 650, 120, 90}},   {2, 4, {904, 0, 120, 90}},
      {3, 4, {904, 650, 120, 90}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position << " size " << c.size);
    const auto placed = PeekPlacement(kWorkArea, c.position, c.size, kCustom);
    ASSERT_TRUE(placed.has_value());
    EXPECT_EQ(*placed, c.expected);
  }
}

TEST(PeekPlacementTest, TakesTheValuesAsTheFrameHoldsThem) {
  EXPECT_EQ(PeekPlacement(kWorkArea, PeekValues{3, 3, 120, 90}), QRect(976, 704, 48, 36));
  EXPECT_EQ(PeekPlacement(kWorkArea, PeekValues{2, 4, 120, 90}), QRect(904, 0, 120, 90));
}

TEST(PeekPlacementTest, OnlyTheExtentOfTheWorkAreaCountsNotWhereItStarts) {
  // A bar at the top or left: the window sits that much nearer the origin than the work area.
  EXPECT_EQ(PeekPlacement(QRect(0, 28, 1024, 740), 3, 3, kCustom), QRect(976, 704, 48, 36));
  EXPECT_EQ(PeekPlacement(QRect(60, 0, 964, 768), 0, 3, kCustom), QRect(0, 0, 48, 36));
  EXPECT_EQ(PeekPlacement(QRect(60, 0, 964, 768), 2, 3, kCustom), QRect(916, 0, 48, 36));
}

TEST(PeekPlacementTest, AnUnknownWorkAreaCountsAs640By480) {
  EXPECT_EQ(PeekPlacement(QRect(), 3, 3, kCustom), QRect(592, 444, 48, 36));
  EXPECT_EQ(PeekPlacement(QRect(0, 0, 0, 0), 1, 4, kCustom), QRect(0, 390, 120, 90));
}

TEST(PeekPlacementTest, AStoredSizeOutsideTheTableIsSmall) {
  for (int size : {-1, 5, 1000}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(PeekWindowSize(size, kCustom), QSize(16, 12));
    EXPECT_EQ(PeekPlacement(kWorkArea, 3, size, kCustom), QRect(1008, 728, 16, 12));
  }
}

TEST(PeekPlacementTest, AStoredPositionOutsideTheCornersPlacesNothing) {
  for (int position : {-1, 4, 99}) {
    SCOPED_TRACE(position);
    EXPECT_FALSE(PeekPlacement(kWorkArea, position, 3, kCustom).has_value());
  }
}

TEST(PeekPlacementTest, CustomSizesArePlacedAsStoredEvenBeyondWhatTheDialogTakes) {
  EXPECT_EQ(PeekPlacement(kWorkArea, 3, 4, QSize(500, 400)), QRect(524, 340, 500, 400));
  EXPECT_EQ(PeekPlacement(kWorkArea, 3, 4, QSize(2000, 1000)), QRect(-976, -260, 2000, 1000));
}

// --- the tray tip

TEST(TrayTipTest, BeforeTheFirstRunItReadsUntitledNotCapturing) {
  EXPECT_EQ(TrayTipText("Untitled", ModePreviewMovement, 0, 0),
            "Untitled\nNot capturing. Sampled: 0 , Captured: 0");
}

TEST(TrayTipTest, ARunningCaptureSaysCapturing) {
  EXPECT_EQ(TrayTipText("WTV0103050907", ModeDetect, 1234, 56),
            "WTV0103050907\nCapturing. Sampled: 1234 , Captured: 56");
}

TEST(TrayTipTest, OtherModesPutTheCountersStraightAfterTheTitle) {
  for (int mode : {ModeHitAcknowledge, ModeShowZone, ModeRestore, ModeProfile}) {
    SCOPED_TRACE(mode);
    EXPECT_EQ(TrayTipText("Untitled", mode, 12, 3), "Untitled12 , Captured: 3");
  }
}

// Within 63 bytes the counters stay whole, whatever they count: the title gives way.
TEST(TrayTipTest, ALongTitleGivesWayAndTheCountersStayWhole) {
  const std::string detailed = "Warden00 Monday 05 March 2001 09-07";  // 35 characters
  const struct {
    std::string title;
    std::int32_t mode, sampled, captured;
    std::string expected;
  } cases[] = {
      {detailed, ModePreviewMovement, 0, 0,
       "Warden00 Monday 05 Marc\nNot capturing. Sampled: 0 , Captured: 0"},
      {detailed, ModeDetect, 1234, 56,
       "Warden00 Monday 05 Marc\nCapturing. Sampled: 1234 , Captured: 56"},
      {detailed, ModeDetect, 2147483647, 64000,
       "Warden00 Monda\nCapturing. Sampled: 2147483647 , Captured: 64000"},
      {detailed, ModePreviewMovement, -2147483647 - 1, -2147483647 - 1,
       "War\nNot capturing. Sampled: -2147483648 , Captured: -2147483648"},
      {detailed, ModeShowZone, 12, 3, "Warden00 Monday 05 March 2001 09-0712 , Captured: 3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    const std::string tip = TrayTipText(c.title, c.mode, c.sampled, c.captured);
    EXPECT_EQ(tip, c.expected);
    EXPECT_LE(tip.size(), kTrayTipChars);
  }
}

TEST(TrayTipTest, ATipOf63FitsWhole) {
  const std::string title(63 - std::string("\nCapturing. Sampled: 1 , Captured: 2").size(), 'a');
  const std::string tip = TrayTipText(title, ModeDetect, 1, 2);
  EXPECT_EQ(tip, title + "\nCapturing. Sampled: 1 , Captured: 2");
}

TEST(TrayTipTest, TheTitleIsCutOnAWholeCharacter) {
  // "\nCapturing. Sampled: 0 , Captured: 0" takes 36 bytes: the title has 27.
  const std::string counters = "\nCapturing. Sampled: 0 , Captured: 0";
  const struct {
    std::string title;
    std::string expected;
  } cases[] = {
      {std::string(25, 'a') + "\xC3\xA9", std::string(25, 'a') + "\xC3\xA9"},  // é ends at 27
      {std::string(26, 'a') + "\xC3\xA9", std::string(26, 'a')},               // é: 28
      {std::string(25, 'a') + "\xE2\x82\xAC", std::string(25, 'a')},           // €: 28
      {std::string(24, 'a') + "\xF0\x9F\x93\xB7", std::string(24, 'a')},       // camera: 28
      {std::string(23, 'a') + "\xF0\x9F\x93\xB7", std::string(23, 'a') + "\xF0\x9F\x93\xB7"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title.size());
    EXPECT_EQ(TrayTipText(c.title, ModeDetect, 0, 0), c.expected + counters);
  }
}

}  // namespace
}  // namespace watchpost
