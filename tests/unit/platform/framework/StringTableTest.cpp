#include "platform/framework/StringTable.h"

#include <gtest/gtest.h>

namespace framework {
namespace {

TEST(StringTable, FindsByNumberAndTellsAMissingTextFromAnEmptyOne) {
  constexpr StringResource kStrings[] = {{1, "one"}, {2, ""}, {3, nullptr}};
  const StringTable table(kStrings);
  EXPECT_EQ(table.Find(1), "one");
  EXPECT_EQ(table.Find(2), "");
  EXPECT_FALSE(table.Find(3).has_value());
  EXPECT_FALSE(table.Find(4).has_value());
  EXPECT_EQ(table.LoadString(4), "");
  EXPECT_FALSE(StringTable().Find(1).has_value());
}

TEST(StringTable, PromptsEndAtTheLineBreakAndDocumentFieldsSplitOnIt) {
  struct Case {
    const char* text;
    int field;
    const char* expected;
  };
  for (const Case c : {Case{"a\n\nc", 0, "a"}, Case{"a\n\nc", 1, ""}, Case{"a\n\nc", 2, "c"},
                       Case{"a\n\nc", 3, ""}, Case{"a\n", 1, ""}, Case{"", 0, ""}}) {
    EXPECT_EQ(DocStringField(c.text, c.field), c.expected) << c.text << " #" << c.field;
  }
  EXPECT_EQ(PromptOf("Quit the application\nExit"), "Quit the application");
  EXPECT_EQ(PromptOf("No tip"), "No tip");
  EXPECT_EQ(PromptOf("\nTip only"), "");
}

}  // namespace
}  // namespace framework
