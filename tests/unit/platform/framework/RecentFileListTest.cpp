#include "platform/framework/RecentFileList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/framework/MemoryProfileStore.h"

namespace framework {
namespace {

using Files = std::vector<std::string>;

TEST(RecentFileListTest, NewestFirstEachOnceAndNoMoreThanItsCapacity) {
  RecentFileList list(4);
  for (const char* path : {"a.avi", "b.avi", "c.avi", "a.avi", "d.avi", "e.avi", ""}) {
    list.Add(path);
  }
  EXPECT_EQ(list.files(), (Files{"e.avi", "d.avi", "a.avi", "c.avi"}));
  list.Remove("a.avi");
  EXPECT_EQ(list.files(), (Files{"e.avi", "d.avi", "c.avi"}));
  RecentFileList none(0);
  none.Add("a.avi");
  EXPECT_TRUE(none.files().empty());
}

TEST(RecentFileListTest, SurvivesTheProfileAndAShorterListLeavesNoStaleEntry) {
  MemoryProfileStore store;
  RecentFileList list(4);
  for (const char* path : {"/v/a.avi", "/v/b.avi", "/v/c.avi"}) list.Add(path);
  list.Save(store);
  EXPECT_EQ(store.GetProfileString("Recent File List", "File1", ""), "/v/c.avi");

  RecentFileList back(4);
  back.Load(store);
  EXPECT_EQ(back.files(), list.files());
  back.Remove("/v/c.avi");
  back.Save(store);
  RecentFileList again(4);
  again.Load(store);
  EXPECT_EQ(again.files(), (Files{"/v/b.avi", "/v/a.avi"}));

  // A hand-edited profile with a gap and a repeat reads as each file once, in order.
  store.WriteProfileString("Recent File List", "File1", "/v/x.avi");
  store.WriteProfileString("Recent File List", "File2", "");
  store.WriteProfileString("Recent File List", "File3", "/v/x.avi");
  store.WriteProfileString("Recent File List", "File4", "/v/y.avi");
  again.Load(store);
  EXPECT_EQ(again.files(), (Files{"/v/x.avi", "/v/y.avi"}));
}

}  // namespace
}  // namespace framework
