#include "platform/framework/MemoryProfileStore.h"
#include "platform/framework/QtProfileStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>

namespace framework {
namespace {

namespace fs = std::filesystem;

// Each Qt store gets a file of its own so that tests cannot see each other's values.
std::string FreshAppName() {
  static int serial = 0;
  return "ProfileStoreTest" + std::to_string(++serial);
}

fs::path ConfigFile(const std::string& appName) {
  const char* home = std::getenv("XDG_CONFIG_HOME");
  return fs::path(home != nullptr ? home : "") / "Tamsford" / (appName + ".conf");
}

struct MemoryStoreMaker {
  static std::unique_ptr<ProfileStore> Make() { return std::make_unique<MemoryProfileStore>(); }
};
struct QtStoreMaker {
  static std::unique_ptr<ProfileStore> Make() {
    return std::make_unique<QtProfileStore>(FreshAppName());
  }
};

template <typename Maker>
class ProfileStoreContract : public testing::Test {
 protected:
  std::unique_ptr<ProfileStore> store = Maker::Make();
};

using StoreMakers = testing::Types<MemoryStoreMaker, QtStoreMaker>;
TYPED_TEST_SUITE(ProfileStoreContract, StoreMakers);

TYPED_TEST(ProfileStoreContract, AbsentValuesGiveTheFallback) {
  EXPECT_EQ(this->store->GetProfileInt("Settings", "Missing", 17), 17);
  EXPECT_EQ(this->store->GetProfileInt("Settings", "Missing", -3), -3);
  EXPECT_EQ(this->store->GetProfileString("Settings", "Missing", "C:\\Avi"), "C:\\Avi");
}

TYPED_TEST(ProfileStoreContract, NumbersRoundTrip) {
  for (int value : {0, -1, 250, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
    ASSERT_TRUE(this->store->WriteProfileInt("Settings", "N", value));
    EXPECT_EQ(this->store->GetProfileInt("Settings", "N", 99), value);
    EXPECT_EQ(this->store->GetProfileString("Settings", "N", "x"), std::to_string(value));
  }
}

TYPED_TEST(ProfileStoreContract, TextsRoundTrip) {
  for (const std::string text :
       {"", "C:\\Avi", "/home/me/My Videos", "a=b; #c [d]", "Überwachung", "0.250000"}) {
    ASSERT_TRUE(this->store->WriteProfileString("Settings", "T", text));
    EXPECT_EQ(this->store->GetProfileString("Settings", "T", "fallback"), text);
  }
}

TYPED_TEST(ProfileStoreContract, TextReadAsNumberMustBeAWholeNumber) {
  struct Case {
    const char* text;
    int expected;
  };
  for (const Case c : {Case{"42", 42}, Case{"-7", -7}, Case{"abc", 5}, Case{"12abc", 5},
                       Case{"", 5}, Case{"3.5", 5}, Case{"99999999999", 5}, Case{"4294967295", -1},
                       Case{"4294967296", 5}, Case{"-2147483649", 5}}) {
    ASSERT_TRUE(this->store->WriteProfileString("Settings", "T", c.text));
    EXPECT_EQ(this->store->GetProfileInt("Settings", "T", 5), c.expected) << '"' << c.text << '"';
  }
}

TYPED_TEST(ProfileStoreContract, SectionsAreKeptApart) {
  ASSERT_TRUE(this->store->WriteProfileInt("Settings", "Key", 1));
  ASSERT_TRUE(this->store->WriteProfileInt("Peek", "Key", 2));
  ASSERT_TRUE(this->store->WriteProfileString("Other", "Key", "three"));

  EXPECT_EQ(this->store->GetProfileInt("Settings", "Key", 0), 1);
  EXPECT_EQ(this->store->GetProfileInt("Peek", "Key", 0), 2);
  EXPECT_EQ(this->store->GetProfileString("Other", "Key", ""), "three");
  EXPECT_EQ(this->store->GetProfileInt("Unused", "Key", -1), -1);
}

TEST(QtProfileStoreTest, PersistsToTheUserConfigFileAndAcrossInstances) {
  const std::string app = FreshAppName();
  {
    QtProfileStore store(app);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Threshold", 123));
    ASSERT_TRUE(store.WriteProfileString("Settings", "CurrentDirectory", "/srv/video"));
  }
  const fs::path file = ConfigFile(app);
  ASSERT_TRUE(fs::is_regular_file(file)) << file;
  std::stringstream contents;
  contents << std::ifstream(file).rdbuf();
  EXPECT_NE(contents.str().find("[Settings]"), std::string::npos) << contents.str();
  EXPECT_NE(contents.str().find("Threshold=123"), std::string::npos) << contents.str();

  QtProfileStore reopened(app);
  EXPECT_EQ(reopened.GetProfileInt("Settings", "Threshold", 0), 123);
  EXPECT_EQ(reopened.GetProfileString("Settings", "CurrentDirectory", ""), "/srv/video");
}

TEST(QtProfileStoreTest, WritesReportAFileThatCannotBeWritten) {
  // The file's folder is taken by a plain file: the store opens (nothing to read) but cannot
  // save, whoever runs the test.
  const std::string folder = FreshAppName();
  const fs::path blocker = ConfigFile(folder).replace_extension();
  fs::create_directories(blocker.parent_path());
  std::ofstream(blocker) << "not a folder";
  QtProfileStore store(folder + "/Corvane");

  EXPECT_FALSE(store.WriteProfileInt("Settings", "Threshold", 1));
  EXPECT_FALSE(store.WriteProfileString("Settings", "CurrentDirectory", "/srv"));
  EXPECT_FALSE(fs::exists(ConfigFile(folder + "/Corvane")));

  // Once the way is clear, a write reports its own success, not the earlier failure.
  fs::remove(blocker);
  EXPECT_TRUE(store.WriteProfileInt("Settings", "Limit", 40));
  EXPECT_EQ(QtProfileStore(folder + "/Corvane").GetProfileInt("Settings", "Limit", 0), 40);
}

}  // namespace
}  // namespace framework
