#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace framework {

// One entry of a program's string table: UTF-8 text by number.
struct StringResource {
  int id;
  const char* text;
};

// Looks texts up by number in a static table.
class StringTable {
 public:
  constexpr StringTable() = default;
  constexpr explicit StringTable(std::span<const StringResource> entries) : entries_(entries) {}

  // The text of `id`, or nothing when the table has none.
  std::optional<std::string_view> Find(int id) const;
  // The text of `id`, or an empty one.
  std::string_view LoadString(int id) const { return Find(id).value_or(std::string_view()); }

  std::span<const StringResource> entries() const { return entries_; }

 private:
  std::span<const StringResource> entries_;
};

// A command's string is "prompt\ntooltip": the status bar shows the part before the line break.
std::string_view PromptOf(std::string_view commandString);
// Field `index` (from 0) of a document string, whose fields are separated by line breaks; empty
// when it has fewer fields.
std::string_view DocStringField(std::string_view docString, int index);

}  // namespace framework
