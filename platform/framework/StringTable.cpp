#include "platform/framework/StringTable.h"

#include <algorithm>

namespace framework {

std::optional<std::string_view> StringTable::Find(int id) const {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [id](const StringResource& entry) { return entry.id == id; });
  if (it == entries_.end() || it->text == nullptr) return std::nullopt;
  return std::string_view(it->text);
}

std::string_view PromptOf(std::string_view commandString) {
  return commandString.substr(0, commandString.find('\n'));
}

std::string_view DocStringField(std::string_view docString, int index) {
  for (int field = 0; field < index; ++field) {
    const std::size_t end = docString.find('\n');
    if (end == std::string_view::npos) return {};
    docString.remove_prefix(end + 1);
  }
  return docString.substr(0, docString.find('\n'));
}

}  // namespace framework
