#include "capture/settings/CaptureSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/QtProfileStore.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

// Notes every key read and written, as "Section/Key", in order.
class RecordingStore : public framework::MemoryProfileStore {
  using Base = framework::MemoryProfileStore;

 public:
  int GetProfileInt(const std::string& s, const std::string& k, int fallback) const override {
    reads.push_back(s + "/" + k);
    return Base::GetProfileInt(s, k, fallback);
  }
  std::string GetProfileString(const std::string& s, const std::string& k,
                               const std::string& fallback) const override {
    reads.push_back(s + "/" + k);
    return Base::GetProfileString(s, k, fallback);
  }
  bool WriteProfileInt(const std::string& s, const std::string& k, int value) override {
    writes.push_back(s + "/" + k);
    return Base::WriteProfileInt(s, k, value);
  }
  bool WriteProfileString(const std::string& s, const std::string& k,
                          const std::string& value) override {
    writes.push_back(s + "/" + k);
    return Base::WriteProfileString(s, k, value);
  }
  mutable std::vector<std::string> reads;
  std::vector<std::string> writes;
};

std::vector<std::string> InSettings(std::vector<std::string> keys) {
  for (std::string& key : keys) key = "Settings/" + key;
  return keys;
}

auto Fields(const CaptureSettings& s) {
  return std::tie(s.AutoRestart, s.Differential, s.Threshold, s.Interval, s.Limit, s.Beep,
                  s.ScaleState, s.SetPlayback, s.Playback, s.FileSize, s.CurrentDirectory,
                  s.ZoneLeft, s.ZoneRight, s.ZoneTop, s.ZoneBottom, s.ZoneSet, s.FileFormatChoice);
}

// Every field away from its default, with values that survive the store unchanged.
CaptureSettings Unusual() {
  return {.AutoRestart = 1,
          .Differential = 77,
          .Threshold = 6400,
          .Interval = 1500,
          .Limit = 12,
          .Beep = 0,
          .ScaleState = 3,
          .SetPlayback = 1,
          .Playback = 15.0f,
          .FileSize = 8,
          .CurrentDirectory = "/srv/video/front door",
          .ZoneLeft = 0.125f,
          .ZoneRight = 0.75f,
          .ZoneTop = 0.25f,
          .ZoneBottom = 0.5f,
          .ZoneSet = 1,
          .FileFormatChoice = 4};
}

TEST(LoadSettingsTest, EmptyProfileGivesEveryDefault) {
  framework::MemoryProfileStore store;
  CaptureSettings s = Unusual();  // whatever was there before is replaced
  LoadSettings(store, s);

  EXPECT_EQ(std::tie(s.AutoRestart, s.Differential, s.Threshold, s.Interval, s.Limit, s.Beep,
                     s.ScaleState, s.SetPlayback, s.FileSize, s.ZoneSet, s.FileFormatChoice),
            std::make_tuple(0, 40, 200, 250, 2000, 1, 1, 0, 1, 0, 1));
  EXPECT_EQ(s.Playback, 4.0f);
  EXPECT_EQ(s.CurrentDirectory, DefaultTargetFolder());
  EXPECT_TRUE(s.CurrentDirectory.ends_with("/Corvane")) << s.CurrentDirectory;
  EXPECT_EQ(std::tie(s.ZoneLeft, s.ZoneRight, s.ZoneTop, s.ZoneBottom),
            std::make_tuple(0.0f, 0.0f, 0.0f, 0.0f));
}

TEST(LoadSettingsTest, ReadsEachKeyOnceInOrderAndPlaybackOnlyWhenSpecified) {
  const std::vector<std::string> common{
      "AutoRestart", "Differential",     "Threshold",   "Limit",     "Interval",
      "Beep",        "ScaleState",       "SetPlayback", "FileSize",  "CurrentDirectory",
      "ZoneSet",     "FileFormatChoice", "ZoneLeft",    "ZoneRight", "ZoneTop",
      "ZoneBottom"};
  for (int setPlayback : {0, 1}) {
    RecordingStore store;
    store.seedInt("Settings", "SetPlayback", setPlayback);
    store.seedInt("Settings", "Playback", 12);
    CaptureSettings s;
    LoadSettings(store, s);

    std::vector<std::string> expected = common;
    if (setPlayback == 1) expected.push_back("Playback");
    EXPECT_EQ(store.reads, InSettings(expected)) << "SetPlayback " << setPlayback;
  }
}

struct PlaybackCase {
  int setPlayback;
  int interval;
  std::optional<int> stored;
  float expected;
};

class LoadPlayback : public testing::TestWithParam<PlaybackCase> {};

TEST_P(LoadPlayback, FollowsSetPlaybackAndInterval) {
  const PlaybackCase& c = GetParam();
  framework::MemoryProfileStore store;
  store.seedInt("Settings", "SetPlayback", c.setPlayback);
  store.seedInt("Settings", "Interval", c.interval);
  if (c.stored) store.seedInt("Settings", "Playback", *c.stored);
  CaptureSettings s;
  s.Playback = 99.0f;
  LoadSettings(store, s);
  EXPECT_EQ(s.Playback, c.expected);
  EXPECT_EQ(s.Interval, c.interval);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, LoadPlayback,
    testing::Values(PlaybackCase{0, 250, std::nullopt, 4.0f},
                    PlaybackCase{0, 300, 12, 3.0f},  // whole frames; stored value ignored
                    PlaybackCase{0, 2000, std::nullopt, 0.0f},
                    PlaybackCase{0, -300, std::nullopt, -3.0f},
                    PlaybackCase{0, 0, std::nullopt, 4.0f},  // no rate: the default stays
                    PlaybackCase{1, 300, 12, 12.0f}, PlaybackCase{1, 250, std::nullopt, 4.0f},
                    PlaybackCase{1, 0, 20, 20.0f},
                    PlaybackCase{1, 250, -1, 4294967296.0f}));  // taken as unsigned

TEST(LoadSettingsTest, OutOfRangeValuesLoadUnchanged) {
  framework::MemoryProfileStore store;
  store.seedInt("Settings", "Threshold", 100000);
  store.seedInt("Settings", "Interval", 10);
  store.seedInt("Settings", "ScaleState", 9);
  store.seedInt("Settings", "Differential", -5);
  CaptureSettings s;
  LoadSettings(store, s);
  EXPECT_EQ(std::tie(s.Threshold, s.Interval, s.ScaleState, s.Differential),
            std::make_tuple(100000, 10, 9, -5));
  EXPECT_EQ(s.Playback, 100.0f);
}

TEST(LoadSettingsTest, ZoneTextsParseAsFloatsAndJunkGivesZero) {
  struct Case {
    const char* text;
    float expected;
  };
  for (const Case c : {Case{"0.250000", 0.25f}, Case{"0.5abc", 0.5f}, Case{"  0.75", 0.75f},
                       Case{"-0.125", -0.125f}, Case{"1e-1", 0.1f}, Case{"abc", 0.0f},
                       Case{"", 0.0f}, Case{",5", 0.0f}}) {
    framework::MemoryProfileStore store;
    store.seedText("Settings", "ZoneTop", c.text);
    CaptureSettings s;
    s.ZoneTop = 0.9f;
    LoadSettings(store, s);
    EXPECT_EQ(s.ZoneTop, c.expected) << '"' << c.text << '"';
  }
}

TEST(SaveSettingsTest, WritesAllSeventeenKeysInOrderWithTheirStoredForms) {
  RecordingStore store;
  CaptureSettings s = Unusual();
  s.Playback = 12.9f;  // truncated toward zero
  SaveSettings(store, s);

  EXPECT_EQ(store.writes, InSettings({"AutoRestart", "Differential", "Threshold", "Interval",
                                      "Limit", "Beep", "ScaleState", "SetPlayback", "Playback",
                                      "FileSize", "CurrentDirectory", "ZoneLeft", "ZoneRight",
                                      "ZoneTop", "ZoneBottom", "ZoneSet", "FileFormatChoice"}));
  const std::vector<std::pair<const char*, std::string>> expected{
      {"Interval", "1500"},
      {"Playback", "12"},
      {"CurrentDirectory", s.CurrentDirectory},
      {"ZoneLeft", "0.125000"},
      {"ZoneRight", "0.750000"},
      {"ZoneTop", "0.250000"},
      {"ZoneBottom", "0.500000"},
      {"FileFormatChoice", "4"}};
  for (const auto& [key, text] : expected) EXPECT_EQ(store.rawText("Settings", key), text) << key;
  for (const char* key : {"Playback", "Interval", "ZoneSet"}) {
    EXPECT_TRUE(store.isNumber("Settings", key)) << key;
  }
  for (const char* key : {"CurrentDirectory", "ZoneLeft"}) {
    EXPECT_FALSE(store.isNumber("Settings", key)) << key;
  }
}

TEST(SaveSettingsTest, PlaybackTruncatesTowardZeroAndSaturates) {
  struct Case {
    float playback;
    int stored;
  };
  constexpr int kMax = std::numeric_limits<int>::max();
  constexpr int kMin = std::numeric_limits<int>::min();
  for (const Case c : {Case{3.99f, 3}, Case{-3.99f, -3}, Case{0.5f, 0}, Case{4294967296.0f, kMax},
                       Case{-1e20f, kMin}, Case{std::numeric_limits<float>::infinity(), kMax},
                       Case{std::numeric_limits<float>::quiet_NaN(), 0}}) {
    framework::MemoryProfileStore store;
    CaptureSettings s;
    s.Playback = c.playback;
    SaveSettings(store, s);
    EXPECT_EQ(store.GetProfileInt("Settings", "Playback", 12345), c.stored) << c.playback;
  }
}

TEST(CaptureSettingsTest, RoundTripKeepsEveryField) {
  CaptureSettings derived = Unusual();
  derived.SetPlayback = 0;
  derived.Interval = 300;
  derived.Playback = 3.0f;
  for (const CaptureSettings& original : {Unusual(), derived}) {
    framework::MemoryProfileStore memory;
    SaveSettings(memory, original);
    CaptureSettings fromMemory;
    LoadSettings(memory, fromMemory);
    EXPECT_EQ(Fields(fromMemory), Fields(original));

    // Through the file: saved by one store, loaded by the next program run's.
    const std::string app = "SettingsRoundTrip" + std::to_string(original.SetPlayback);
    {
      framework::QtProfileStore saving(app);
      SaveSettings(saving, original);
    }
    const framework::QtProfileStore loading(app);
    CaptureSettings fromFile;
    LoadSettings(loading, fromFile);
    EXPECT_EQ(Fields(fromFile), Fields(original));
  }
}

struct FolderCase {
  std::size_t folderChars, pathChars, titleChars;
};

class TargetFolderTextTest : public testing::TestWithParam<FolderCase> {};

TEST_P(TargetFolderTextTest, FolderAndTitleAreCutToFitAndTerminated) {
  const FolderCase& c = GetParam();
  std::string folder(c.folderChars, ' ');
  for (std::size_t i = 0; i < folder.size(); ++i) folder[i] = static_cast<char>('a' + i % 26);
  TargetFolderText text;
  text.targetFolderPath.fill('#');  // no stale byte may survive as part of the text
  text.browseTitle.fill('#');
  FillTargetFolderText(folder, text);

  const std::string prefix = res::text::kBrowseTitlePrefix;
  ASSERT_EQ(std::strlen(text.targetFolderPath.data()), c.pathChars);
  ASSERT_EQ(std::strlen(text.browseTitle.data()), c.titleChars);
  EXPECT_EQ(text.targetFolderPath.data(), folder.substr(0, c.pathChars));
  EXPECT_EQ(text.browseTitle.data(), prefix + folder.substr(0, c.titleChars - prefix.size()));
}

TEST(TargetFolderText, ALongFolderIsNeverCutInsideACharacter) {
  // Two ASCII bytes, then é (two bytes each): 1023 bytes would end inside a character.
  std::string folder = "//";
  while (folder.size() < 1100) folder += "\xC3\xA9";
  TargetFolderText text;
  FillTargetFolderText(folder, text);
  const std::string path = text.targetFolderPath.data();
  EXPECT_EQ(path.size(), 1022u);
  EXPECT_EQ(folder.compare(0, path.size(), path), 0);
  const std::string title = text.browseTitle.data();
  EXPECT_EQ(title.size(), 1022u);
  EXPECT_EQ(title.substr(std::strlen(res::text::kBrowseTitlePrefix)), folder.substr(0, 1022 - 44));
}

INSTANTIATE_TEST_SUITE_P(Settings, TargetFolderTextTest,
                         testing::Values(FolderCase{0, 0, 44}, FolderCase{7, 7, 51},
                                         FolderCase{979, 979, 1023}, FolderCase{980, 980, 1023},
                                         FolderCase{1023, 1023, 1023}, FolderCase{1024, 1023, 1023},
                                         FolderCase{2000, 1023, 1023}));

}  // namespace
}  // namespace watchpost
