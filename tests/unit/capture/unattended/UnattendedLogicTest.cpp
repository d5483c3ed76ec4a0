// The pure pieces of looking after Watchpost: its settings, the free-space text and the rate
// it is measured at, when movement is told, the command's words and environment, and the
// autostart entry (held against desktop-file-validate where it is installed).
#include <gtest/gtest.h>

#include <QDateTime>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/unattended/AlertMoments.h"
#include "capture/unattended/Autostart.h"
#include "capture/unattended/DiskSpace.h"
#include "capture/unattended/EventCommand.h"
#include "capture/unattended/UnattendedSettings.h"
#include "platform/framework/MemoryProfileStore.h"
#include "tests/support/TempFolder.h"

namespace watchpost {
namespace {

constexpr std::uint64_t kGB = 1'000'000'000;

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(UnattendedSettingsTest, AnEmptyProfileGivesTheDefaultsAndWhatIsSavedLoadsBack) {
  framework::MemoryProfileStore store;
  UnattendedSettings loaded;
  loaded.NotifyOnMovement = 7;
  loaded.MinFreeMiB = 7;
  LoadUnattendedSettings(store, loaded);
  EXPECT_EQ(loaded.NotifyOnMovement, 1);
  EXPECT_EQ(loaded.EventCommand, "");
  EXPECT_EQ(loaded.MinFreeMiB, 1024);
  EXPECT_EQ(loaded.Compressor, "");

  UnattendedSettings saved{0, "notify-send hi", 2048, "mjpeg", 40};
  SaveUnattendedSettings(store, saved);
  EXPECT_TRUE(store.isNumber("Settings", "NotifyOnMovement"));
  EXPECT_FALSE(store.isNumber("Settings", "Compressor"));
  UnattendedSettings again;
  LoadUnattendedSettings(store, again);
  EXPECT_EQ(again.NotifyOnMovement, 0);
  EXPECT_EQ(again.EventCommand, "notify-send hi");
  EXPECT_EQ(again.MinFreeMiB, 2048);
  EXPECT_EQ(again.Compressor, "mjpeg");
  EXPECT_EQ(again.CompressorQuality, 40);
}

TEST(DiskSpaceTest, SizesAndDurationsReadAsAPersonSaysThem) {
  const struct {
    std::uint64_t bytes;
    const char* text;
  } sizes[] = {{38 * kGB + 999'999'999, "38 GB"}, {10 * kGB, "10 GB"},
               {9'990'000'000, "9.9 GB"},         {kGB, "1.0 GB"},
               {999'999'999, "999 MB"},           {0, "0 MB"}};
  for (const auto& row : sizes) EXPECT_EQ(SizeText(row.bytes), row.text) << row.bytes;

  const struct {
    double seconds;
    const char* text;
  } durations[] = {{-5, "less than a minute"}, {59.9, "less than a minute"},
                   {60, "1 minute"},           {3599, "59 minutes"},
                   {3600, "1 hour"},           {47.9 * 3600, "47 hours"},
                   {48 * 3600, "2 days"},      {9.5 * 86400, "9 days"}};
  for (const auto& row : durations) EXPECT_EQ(DurationText(row.seconds), row.text) << row.seconds;
}

TEST(DiskSpaceTest, TheFreeSpaceTextCountsTheTimeUntilTheFloor) {
  EXPECT_EQ(FreeSpaceText(38 * kGB, std::nullopt, 0), "38 GB free");
  EXPECT_EQ(FreeSpaceText(38 * kGB, 0.0, 0), "38 GB free") << "nothing recorded lately";
  // 38 GB at 50 kB/s, less a 1 GiB floor: about 8.5 days.
  EXPECT_EQ(FreeSpaceText(38 * kGB, 50'000.0, FloorBytes(1024)),
            "38 GB free, about 8 days at this rate");
  EXPECT_EQ(FreeSpaceText(kGB, 50'000.0, FloorBytes(1024)),
            "1.0 GB free, less than a minute at this rate")
      << "already below the floor";
  EXPECT_EQ(FloorBytes(-3), 0u);
  EXPECT_EQ(FloorBytes(1), kMiB);
}

TEST(DiskSpaceTest, TheRateIsTheLastHoursAndNeedsAMinuteWatched) {
  RecordingRate rate;
  const std::uint32_t t0 = 1'000'020;
  rate.observe(t0, 5000);  // what was there before the watching began is no rate
  EXPECT_FALSE(rate.bytesPerSecond(t0 + 30));
  rate.observe(t0 + 30, 5000 + 60'000);
  ASSERT_TRUE(rate.bytesPerSecond(t0 + 60));
  EXPECT_DOUBLE_EQ(*rate.bytesPerSecond(t0 + 60), 1000.0);  // 60 kB over the minute watched
  // Two hours on, with nothing more recorded, that minute has dropped out.
  rate.observe(t0 + 7200, 5000 + 60'000);
  EXPECT_DOUBLE_EQ(*rate.bytesPerSecond(t0 + 7200), 0.0);
  // A steady 36 MB an hour over the last hour reads as 10 kB/s.
  for (std::uint32_t m = 1; m <= 60; ++m) {
    rate.observe(t0 + 7200 + m * 60, 65'000 + std::uint64_t{m} * 600'000);
  }
  EXPECT_NEAR(*rate.bytesPerSecond(t0 + 7200 + 3600), 10'000.0, 1.0);
  // Files taken away by someone shrink the total: that records nothing, and is no fault.
  rate.observe(t0 + 7200 + 3660, 0);
  EXPECT_GE(*rate.bytesPerSecond(t0 + 7200 + 3660), 0.0);
}

TEST(AlertMomentsTest, TheFirstHitOfARunAndOneAfterFiveQuietMinutesAreTold) {
  AlertMoments moments;
  const std::vector<std::pair<std::uint32_t, bool>> hits = {
      {1000, true}, {1001, false}, {1299, false}, {1598, false}, {1898, true}, {1900, false}};
  for (const auto& [time, told] : hits) EXPECT_EQ(moments.hit(time), told) << time;
  moments.newRun();
  EXPECT_TRUE(moments.hit(1901));
}

TEST(EventCommandTest, CommandsSplitAsAShellSplitsThemAndNothingIsExpanded) {
  const struct {
    const char* command;
    std::vector<std::string> words;
  } rows[] = {
      {"notify-send Corvane movement", {"notify-send", "Corvane", "movement"}},
      {"  spaced\t out  ", {"spaced", "out"}},
      {R"(sh -c 'echo "$CORVANE_AVI" >> ~/log')", {"sh", "-c", R"(echo "$CORVANE_AVI" >> ~/log)"}},
      {R"(curl -d "at \"$X\" \\ done" url)", {"curl", "-d", R"(at "$X" \ done)", "url"}},
      {R"(a\ b c'd'"e")", {"a b", "cde"}},
      {"empty '' \"\"", {"empty", "", ""}},
  };
  for (const auto& row : rows) {
    std::vector<std::string> words;
    std::string why;
    EXPECT_TRUE(SplitCommand(row.command, words, why)) << row.command << ": " << why;
    EXPECT_EQ(words, row.words) << row.command;
  }
  for (const char* bad : {"sh -c 'open", "say \"open", "   "}) {
    std::vector<std::string> words;
    std::string why;
    EXPECT_FALSE(SplitCommand(bad, words, why)) << bad;
    EXPECT_FALSE(why.empty());
  }
}

TEST(EventCommandTest, TheVariablesNameTheRecordingTheTimeAndTheEvent) {
  EventFacts facts{WatchEvent::CameraBack, "/r/a.avi", "/r/a.log", 1'000'000'000, 12};
  const auto variables = EventVariables(facts);
  ASSERT_EQ(variables.size(), 5u);
  EXPECT_EQ(variables[0], (std::pair<std::string, std::string>{"CORVANE_AVI", "/r/a.avi"}));
  EXPECT_EQ(variables[1], (std::pair<std::string, std::string>{"CORVANE_LOG", "/r/a.log"}));
  EXPECT_EQ(variables[3], (std::pair<std::string, std::string>{"CORVANE_FRAME", "12"}));
  EXPECT_EQ(variables[4], (std::pair<std::string, std::string>{"CORVANE_EVENT", "camera-back"}));
  EXPECT_EQ(variables[2].first, "CORVANE_TIME");
  // Local time with its offset, which reads back as the same moment.
  const QDateTime back =
      QDateTime::fromString(QString::fromStdString(variables[2].second), Qt::ISODate);
  EXPECT_TRUE(back.isValid()) << variables[2].second;
  EXPECT_EQ(back.toSecsSinceEpoch(), 1'000'000'000);
  EXPECT_EQ(EventName(WatchEvent::Movement), std::string("movement"));
  EXPECT_EQ(EventName(WatchEvent::CameraLost), std::string("camera-lost"));
}

TEST(EventCommandTest, AProgramThatIsNotThereIsRefusedWithTheReason) {
  std::string why;
  EXPECT_FALSE(LaunchEventCommand("/nonexistent/corvane-nothing here", {}, why));
  EXPECT_FALSE(why.empty());
  why.clear();
  EXPECT_FALSE(LaunchEventCommand("sh -c 'never closed", {}, why));
  EXPECT_EQ(why, "a quote is not closed");
}

TEST(AutostartTest, ExecArgumentsAreQuotedAndEscapedAsDesktopEntriesWantThem) {
  const struct {
    const char* argument;
    const char* exec;
  } rows[] = {
      {"/usr/bin/watchpost", "/usr/bin/watchpost"},
      {"/opt/my apps/watchpost", R"("/opt/my apps/watchpost")"},
      {"/opt/$dollar", R"("/opt/\\$dollar")"},
      {"/opt/100%", "/opt/100%%"},
      {"", R"("")"},
  };
  for (const auto& row : rows) EXPECT_EQ(ExecArgument(row.argument), row.exec) << row.argument;
}

TEST(AutostartTest, TheEntryIsWrittenWholeRemovedAgainAndValid) {
  testing_support::TempFolder folder("autostart");
  const std::string path = (folder.path() / "autostart" / "watchpost.desktop").string();
  EXPECT_FALSE(AutostartExists(path));
  std::string why;
  ASSERT_TRUE(WriteAutostart(path, "/opt/my apps/watchpost", why)) << why;
  EXPECT_TRUE(AutostartExists(path));
  const std::string entry = ReadFile(path);
  EXPECT_EQ(entry, AutostartEntry("/opt/my apps/watchpost"));
  EXPECT_EQ(entry.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(entry.find("\nExec=\"/opt/my apps/watchpost\" --start --hidden\n"), std::string::npos);

  if (std::system("command -v desktop-file-validate >/dev/null 2>&1") == 0) {
    const std::string check = "desktop-file-validate '" + path + "' > '" +
                              (folder.path() / "validate.txt").string() + "' 2>&1";
    EXPECT_EQ(std::system(check.c_str()), 0) << ReadFile(folder.path() / "validate.txt");
  } else {
    ADD_FAILURE() << "desktop-file-validate is not installed (package desktop-file-utils)";
  }

  ASSERT_TRUE(RemoveAutostart(path, why)) << why;
  EXPECT_FALSE(AutostartExists(path));
  EXPECT_TRUE(RemoveAutostart(path, why)) << "none is nothing to remove";
}

TEST(AutostartTest, TheEntryGoesIntoTheConfigFoldersAutostart) {
  testing_support::TempFolder config("xdg-config");
  const char* before = std::getenv("XDG_CONFIG_HOME");
  const std::string kept = before != nullptr ? before : "";
  setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  EXPECT_EQ(AutostartPath(), (config.path() / "autostart" / "watchpost.desktop").string());
  if (before != nullptr) {
    setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
}  // namespace watchpost
