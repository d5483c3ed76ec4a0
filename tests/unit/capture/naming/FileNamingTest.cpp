#include "capture/naming/FileNaming.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/LocalTime.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

using testing_support::LocalTime;

// Monday 5 March 2001 at 09:07 local time.
const std::time_t kMonday = LocalTime(2001, 3, 5, 9, 7, 42);

TEST(BuildStemTest, TheFourSchemes) {
  const struct {
    const char* name;
    int scheme;
    int driverIndex;
    NamingTexts texts;
    const char* stem;
  } cases[] = {
      {"standard", 1, 0, {}, "WTV0103050907"},
      {"detailed, driver 0", 2, 0, {}, "Warden00 Monday 05 March 2001 09-07"},
      {"detailed, driver 1", 2, 1, {}, "Warden01 Monday 05 March 2001 09-07"},
      {"detailed, driver 2 is 01 too", 2, 2, {}, "Warden01 Monday 05 March 2001 09-07"},
      {"detailed, driver -1 is 01 too", 2, -1, {}, "Warden01 Monday 05 March 2001 09-07"},
      {"prefix, short time", 4, 0, {"", "Yard", 1}, "Yard0103050907"},
      {"prefix, long time", 4, 0, {"", "Yard", 2}, "YardMonday 05 March 2001 09-07"},
      {"custom", 3, 0, {"Garage", "", 0}, "Garage"},
      {"custom after Standard and OK", 3, 0, {"WTV0103050907.avi", "WTV", 0}, "WTV0103050907.avi"},
      {"custom never typed", 3, 0, {}, ""},
      {"prefix never typed", 4, 0, {}, "Monday 05 March 2001 09-07"},
      {"scheme 0 records as Standard", 0, 0, {"Garage", "Yard", 1}, "WTV0103050907"},
      {"scheme 5 records as Standard", 5, 0, {}, "WTV0103050907"},
      {"scheme -1 records as Standard", -1, 0, {}, "WTV0103050907"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildStem(c.scheme, c.driverIndex, c.texts, kMonday), c.stem) << c.name;
  }
}

TEST(BuildStemTest, TheLongFormNamesEveryDayAndMonthInEnglish) {
  EXPECT_EQ(FormatLocalTime(LocalTime(2026, 9, 27, 23, 59), kLongTimeFormat),
            "Sunday 27 September 2026 23-59");
  EXPECT_EQ(FormatLocalTime(LocalTime(2026, 12, 9, 0, 5), kLongTimeFormat),
            "Wednesday 09 December 2026 00-05");
  EXPECT_EQ(FormatLocalTime(LocalTime(2026, 12, 9, 0, 5), kShortTimeFormat), "2612090005");
}

TEST(BuildStemTest, ALongStemIsCutOnAWholeCharacterAndAlwaysFitsTheLogName) {
  std::string name;
  for (int i = 0; i < 80; ++i) name += "\xE2\x82\xAC";  // 80 euro signs, 240 bytes
  const std::string stem = BuildStem(SchemeCustom, 0, {name, "", 0}, kMonday);
  EXPECT_LE(stem.size(), kMaxStemBytes);
  EXPECT_EQ(stem.size() % 3, 0u) << "no character cut in two";

  RunFileNames names;
  SetRunFileNames(stem + "-99", names);
  EXPECT_EQ(std::string(names.logFileName.data()), stem + "-99.log");
  EXPECT_EQ(std::string(names.aviFileName.data()), stem + "-99.avi");
}

class FreeStemTest : public ::testing::Test {
 protected:
  void Touch(const std::string& name) { std::ofstream(folder_ / name) << "x"; }
  std::string Free(const std::string& stem) { return FreeStem(folder_.string(), stem); }
  testing_support::TempFolder temp_{"naming"};
  const std::filesystem::path& folder_ = temp_.path();
};

TEST_F(FreeStemTest, ARunNeverReplacesAnEarlierRecording) {
  EXPECT_EQ(Free("WTV0103050907"), "WTV0103050907");
  Touch("WTV0103050907.avi");  // a run earlier in the same minute
  EXPECT_EQ(Free("WTV0103050907"), "WTV0103050907-2");
  Touch("WTV0103050907-2.log");  // a log alone takes the name as well
  EXPECT_EQ(Free("WTV0103050907"), "WTV0103050907-3");
  // A fixed custom name, and the empty one of a custom name never typed.
  Touch("Garage.avi");
  Touch("Garage.log");
  Touch("Garage-2.avi");
  EXPECT_EQ(Free("Garage"), "Garage-3");
  Touch(".avi");
  EXPECT_EQ(Free(""), "-2");
  EXPECT_EQ(FreeStem(folder_.string() + "/", "Garage"), "Garage-3");
  // A name that cannot be looked at is not taken: creating the file will say why.
  Touch("plain");
  EXPECT_EQ(Free("plain/run"), "plain/run");
}

}  // namespace
}  // namespace watchpost
