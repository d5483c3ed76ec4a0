// Filling values into a text of the string table.
#include "platform/base/Text.h"

#include <gtest/gtest.h>

namespace base {
namespace {

TEST(FillIn, PutsEachValueInItsPlaceAndLeavesTheRest) {
  struct Row {
    const char* pattern;
    std::initializer_list<std::string_view> values;
    const char* filled;
  };
  const Row rows[] = {
      {"Cannot open %1: %2",
       {"/tmp/a.avi", "No such file"},
       "Cannot open /tmp/a.avi: No such file"},
      {"%2 before %1", {"one", "two"}, "two before one"},
      {"%1%1", {"x"}, "xx"},
      {"100% sure, %1", {"really"}, "100% sure, really"},
      {"a value with a %1 in it: %2", {"%2", "end"}, "a value with a %2 in it: end"},
      {"no value for %3", {"a"}, "no value for %3"},
      {"ends in %", {}, "ends in %"},
      {"", {"unused"}, ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FillIn(row.pattern, row.values), row.filled) << row.pattern;
  }
}

}  // namespace
}  // namespace base
