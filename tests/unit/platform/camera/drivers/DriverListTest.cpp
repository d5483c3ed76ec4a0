#include "platform/camera/drivers/DriverList.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "TestVideo.h"
#include "platform/camera/drivers/DriverSupport.h"
#include "platform/camera/drivers/V4l2Driver.h"

#include "tests/support/FrameLimit.h"

namespace camera {
namespace {

using testing_support::kMaxFrameBytes;

using Kind = CameraListItem::Kind;

// Sets CORVANE_CAMERAS (nullptr: unsets it) for one test and puts back what was there.
class CamerasVariable {
 public:
  explicit CamerasVariable(const char* value) {
    if (const char* old = std::getenv("CORVANE_CAMERAS")) saved_ = old;
    Set(value);
  }
  ~CamerasVariable() { Set(saved_ ? saved_->c_str() : nullptr); }

 private:
  static void Set(const char* value) {
    if (value != nullptr)
      setenv("CORVANE_CAMERAS", value, 1);
    else
      unsetenv("CORVANE_CAMERAS");
  }
  std::optional<std::string> saved_;
};

TEST(DriverListTest, ParsesTheCameraList) {
  struct Case {
    const char* value;
    std::optional<std::vector<CameraListItem>> expected;
  };
  const Case cases[] = {
      {nullptr, std::nullopt},
      {"", std::vector<CameraListItem>{}},
      {" ;; ; ", std::vector<CameraListItem>{}},
      {"pattern", std::vector<CameraListItem>{{Kind::Pattern, ""}}},
      {"  pattern ;file:/tmp/a b.avi ;;/dev/video3\t",
       std::vector<CameraListItem>{
           {Kind::Pattern, ""}, {Kind::File, "/tmp/a b.avi"}, {Kind::Device, "/dev/video3"}}},
      {"/dev/video1;pattern;pattern",
       std::vector<CameraListItem>{
           {Kind::Device, "/dev/video1"}, {Kind::Pattern, ""}, {Kind::Pattern, ""}}},
      {"file:", std::vector<CameraListItem>{{Kind::File, ""}}},
      {"file:x;y:z", std::vector<CameraListItem>{{Kind::File, "x"}, {Kind::Device, "y:z"}}},
      {"Pattern", std::vector<CameraListItem>{{Kind::Device, "Pattern"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value != nullptr ? c.value : "(unset)");
    EXPECT_EQ(ParseCameraList(c.value), c.expected);
  }
}

TEST(DriverListTest, ListsVideoNodesInNumericOrder) {
  videotest::TempDir folder;
  ASSERT_TRUE(folder.ok());
  for (const char* name : {"video10", "video2", "video0", "vbi0", "video", "videox", "video1a",
                           "media0", "video99999999999"})
    std::ofstream(folder.file(name)) << "";
  EXPECT_EQ(ListVideoNodes(folder.file("")),
            (std::vector<std::string>{folder.file("video0"), folder.file("video2"),
                                      folder.file("video10")}));
  EXPECT_TRUE(ListVideoNodes(folder.file("no-such-folder")).empty());
}

TEST(DriverListTest, TheVariableSaysWhichDriversExist) {
  videotest::TempDir folder;
  ASSERT_TRUE(folder.ok());
  const std::string missing = folder.file("gone.avi");
  const std::string list = "pattern;file:" + missing + ";/dev/corvane-no-such-video";
  CamerasVariable variable(list.c_str());

  auto drivers = EnumerateDrivers(kMaxFrameBytes);
  ASSERT_EQ(drivers.size(), 3u);
  EXPECT_EQ(drivers[0]->name(), "Corvane test pattern");
  EXPECT_EQ(drivers[1]->name(), "gone.avi");
  for (std::size_t i = 1; i < drivers.size(); ++i) {
    std::string error;
    EXPECT_FALSE(drivers[i]->connect(error)) << i;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
  }
  for (const auto& driver : drivers) {
    EXPECT_FALSE(driver->name().empty());
    EXPECT_LE(driver->name().size(), 199u);
    EXPECT_LE(driver->version().size(), 199u);
  }
}

TEST(DriverListTest, SetButEmptyMeansNoDriver) {
  for (const char* value : {"", " ; "}) {
    CamerasVariable variable(value);
    EXPECT_TRUE(EnumerateDrivers(kMaxFrameBytes).empty()) << '"' << value << '"';
  }
}

TEST(DriverListTest, UnsetMeansTheCamerasOrElseTheTestPattern) {
  CamerasVariable variable(nullptr);
  std::size_t cameras = 0;
  for (const std::string& node : ListVideoNodes())
    cameras += V4l2Driver(node, kMaxFrameBytes).listed();
  const auto drivers = EnumerateDrivers(kMaxFrameBytes);
  if (cameras == 0) {
    ASSERT_EQ(drivers.size(), 1u);
    EXPECT_EQ(drivers[0]->name(), "Corvane test pattern");
  } else {
    EXPECT_EQ(drivers.size(), cameras);
    for (const auto& driver : drivers) EXPECT_NE(driver->name(), "Corvane test pattern");
  }
}

TEST(DriverListTest, DriverTextsAreCutTo199BytesOnACharacterBoundary) {
  struct Case {
    std::string text;
    std::size_t length;
  };
  const std::string e = "\xC3\xA9";  // é, two bytes
  std::string accents;
  for (int i = 0; i < 120; ++i) accents += e;
  const Case cases[] = {{"", 0},
                        {std::string(199, 'a'), 199},
                        {std::string(200, 'a'), 199},
                        {std::string(1000, 'a'), 199},
                        {accents, 198},  // 199 would split the hundredth é
                        {"a" + accents, 199}};
  for (const Case& c : cases) {
    const std::string cut = CutDriverText(c.text);
    EXPECT_EQ(cut.size(), c.length);
    EXPECT_EQ(c.text.compare(0, cut.size(), cut), 0);
  }
}

TEST(DriverListTest, FrameSizesShrinkToFitTheFrameStore) {
  const FrameSize cases[] = {{640, 480},   {1600, 1024}, {100000, 2}, {1920, 1080},
                             {4096, 2160}, {3000000, 1}, {1, 3000000}};
  for (const FrameSize& size : cases) {
    SCOPED_TRACE(::testing::Message() << size.width << "x" << size.height);
    const FrameSize fitted = ShrinkToFit(size, kMaxFrameBytes);
    EXPECT_TRUE(FitsFrameStore(fitted, kMaxFrameBytes));
    if (FitsFrameStore(size, kMaxFrameBytes)) {
      EXPECT_EQ(fitted, size);
    } else if (size.width > 100 && size.height > 100) {
      EXPECT_EQ(fitted.width % 2 + fitted.height % 2, 0);
      EXPECT_NEAR(static_cast<double>(fitted.width) / fitted.height,
                  static_cast<double>(size.width) / size.height, 0.01);
      EXPECT_FALSE(FitsFrameStore({fitted.width + 4, fitted.height + 4},
                                  kMaxFrameBytes));  // not needlessly small
    }
  }
}

}  // namespace
}  // namespace camera
