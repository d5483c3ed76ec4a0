#include "viewer/document/ReasonsReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace casebook {
namespace {

constexpr char kHit[] = "2,2026-12-07T06:31:15.373+01:00,hit,12345,40,200,whole,250";

TEST(ReasonRowParseTest, TakesTheRowsWatchpostWritesAndNothingElse) {
  struct Case {
    const char* name;
    std::string row;
    bool parses;
  };
  const std::vector<Case> cases = {
      {"a hit, whole frame", kHit, true},
      {"with its CR", std::string(kHit) + "\r", true},
      {"before, in a zone", "1,t,before,17,40,200,0.25 0.75 0.5 1,250", true},
      {"the header", "frame,time,kind,changed_bytes,differential,threshold,zone,interval_ms",
       false},
      {"empty", "", false},
      {"seven fields", "2,t,hit,12345,40,200,whole", false},
      {"nine fields", std::string(kHit) + ",9", false},
      {"frame 0", "0,t,hit,1,40,200,whole,250", false},
      {"negative frame", "-3,t,hit,1,40,200,whole,250", false},
      {"no time", "2,,hit,1,40,200,whole,250", false},
      {"another kind", "2,t,miss,1,40,200,whole,250", false},
      {"negative count", "2,t,hit,-1,40,200,whole,250", false},
      {"count cut", "2,t,hit,,40,200,whole,250", false},
      {"count with text after it", "2,t,hit,12x,40,200,whole,250", false},
      {"threshold past 32 bits", "2,t,hit,1,40,2147483648,whole,250", false},
      {"three fractions", "2,t,hit,1,40,200,0.1 0.2 0.3,250", false},
      {"five fractions", "2,t,hit,1,40,200,0.1 0.2 0.3 0.4 0.5,250", false},
      {"a fraction that is no number", "2,t,hit,1,40,200,0.1 x 0.3 0.4,250", false},
      {"not a number at all", "2,t,hit,1,40,200,nan nan nan nan,250", false},
      {"frame past 64 bits", "99999999999999999999,t,hit,1,40,200,whole,250", false},
  };
  for (const Case& c : cases) {
    std::int64_t frame = -1;
    FrameReason reason;
    EXPECT_EQ(ParseReasonRow(c.row, frame, reason), c.parses) << c.name;
    EXPECT_EQ(reason.present, c.parses) << c.name << ": a refused row leaves the reason as it was";
  }
}

TEST(ReasonRowParseTest, EachFieldLandsWhereTheViewLooksAndFractionsStayInThePicture) {
  std::int64_t frame = 0;
  FrameReason r;
  ASSERT_TRUE(ParseReasonRow("7,t,before,17,-5,2147483647,-0.5 0.75 0.125 3e9,0", frame, r));
  EXPECT_EQ(frame, 7);
  EXPECT_TRUE(r.before);
  EXPECT_EQ(r.changedBytes, 17);
  EXPECT_EQ(r.differential, -5);
  EXPECT_EQ(r.threshold, 2147483647);
  EXPECT_FALSE(r.wholeFrame);
  EXPECT_EQ(r.zoneLeft, 0.0f);
  EXPECT_EQ(r.zoneRight, 0.75f);
  EXPECT_EQ(r.zoneTop, 0.125f);
  EXPECT_EQ(r.zoneBottom, 1.0f);
}

TEST(ReasonTextTest, CountsAreGroupedByThousands) {
  struct Case {
    std::int64_t changed;
    bool before;
    const char* expected;
  };
  for (const Case& c : std::vector<Case>{
           {12345, false, "12,345 bytes changed (Threshold 200, Differential 40)"},
           {999, false, "999 bytes changed (Threshold 200, Differential 40)"},
           {1000, false, "1,000 bytes changed (Threshold 200, Differential 40)"},
           {0, false, "0 bytes changed (Threshold 200, Differential 40)"},
           {4915200, false, "4,915,200 bytes changed (Threshold 200, Differential 40)"},
           {17, true, "before the hit"},
       }) {
    FrameReason r;
    r.changedBytes = c.changed;
    r.before = c.before;
    r.differential = 40;
    r.threshold = 200;
    EXPECT_EQ(ReasonText(r), c.expected);
  }
}

class ReasonTableTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& text) {
    const std::string path = (folder_.path() / "run.csv").string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  testing_support::TempFolder folder_{"reasons-reader"};
  ReasonTable table_;
};

TEST_F(ReasonTableTest, ASlotPerFrameOfTheVideoWithWhatTheFileSaid) {
  const std::string longRow = "3,t,hit,1,40,200,whole," + std::string(600, '5');
  const std::string path =
      Write("frame,time,kind,changed_bytes,differential,threshold,zone,interval_ms\r\n" +
            std::string(kHit) + "\r\n" + longRow + "\r\n" + "4,t,hit,9,1,2,whole,3\r\n" +
            "9,t,hit,9,1,2,whole,3\r\n" + "1,t,before,5,40,200,whole,250");  // cut: no line end
  ASSERT_TRUE(table_.Load(path, 5));
  EXPECT_TRUE(table_.loaded());
  ASSERT_NE(table_.At(0), nullptr) << "a last row without its line end is whole all the same";
  EXPECT_TRUE(table_.At(0)->before);
  ASSERT_NE(table_.At(1), nullptr);
  EXPECT_EQ(table_.At(1)->changedBytes, 12345);
  EXPECT_EQ(table_.At(2), nullptr) << "a row past the limit is skipped, not cut";
  EXPECT_NE(table_.At(3), nullptr);
  EXPECT_EQ(table_.At(4), nullptr);
  EXPECT_EQ(table_.At(8), nullptr) << "a frame the video does not have";
  EXPECT_EQ(table_.At(-1), nullptr);
  EXPECT_EQ(table_.rowsRead(), 3);

  table_.Clear();
  EXPECT_FALSE(table_.loaded());
  EXPECT_EQ(table_.At(1), nullptr);
}

TEST_F(ReasonTableTest, NoFileIsNoTableAndAnEmptyOneHoldsNoReasons) {
  EXPECT_FALSE(table_.Load((folder_.path() / "none.csv").string(), 5));
  EXPECT_FALSE(table_.loaded());
  ASSERT_TRUE(table_.Load(Write(""), 5));
  EXPECT_EQ(table_.At(0), nullptr);
  ASSERT_TRUE(table_.Load(Write(kHit), -3)) << "a video of no frames";
  EXPECT_EQ(table_.At(1), nullptr);
}

}  // namespace
}  // namespace casebook
