#include "platform/framework/MemoryProfileStore.h"

#include "platform/base/ProfileNumber.h"

#include <charconv>
#include <cstdint>
#include <limits>

namespace framework {

namespace {

// The whole text must be the number: "12abc" is not 12.
std::optional<int> ParseWholeNumber(const std::string& text) {
  long long value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return base::ProfileNumber(value);
}

}  // namespace

const MemoryProfileStore::Value* MemoryProfileStore::find(const std::string& section,
                                                          const std::string& key) const {
  const auto it = values_.find({section, key});
  return it == values_.end() ? nullptr : &it->second;
}

int MemoryProfileStore::GetProfileInt(const std::string& section, const std::string& key,
                                      int fallback) const {
  const Value* value = find(section, key);
  if (value == nullptr) return fallback;
  if (const int* number = std::get_if<int>(value)) return *number;
  return ParseWholeNumber(std::get<std::string>(*value)).value_or(fallback);
}

std::string MemoryProfileStore::GetProfileString(const std::string& section, const std::string& key,
                                                 const std::string& fallback) const {
  return rawText(section, key).value_or(fallback);
}

bool MemoryProfileStore::WriteProfileInt(const std::string& section, const std::string& key,
                                         int value) {
  seedInt(section, key, value);
  return true;
}

bool MemoryProfileStore::WriteProfileString(const std::string& section, const std::string& key,
                                            const std::string& value) {
  seedText(section, key, value);
  return true;
}

void MemoryProfileStore::seedInt(const std::string& section, const std::string& key, int value) {
  values_.insert_or_assign({section, key}, Value(value));
}

void MemoryProfileStore::seedText(const std::string& section, const std::string& key,
                                  std::string value) {
  values_.insert_or_assign({section, key}, Value(std::move(value)));
}

bool MemoryProfileStore::contains(const std::string& section, const std::string& key) const {
  return find(section, key) != nullptr;
}

bool MemoryProfileStore::isNumber(const std::string& section, const std::string& key) const {
  const Value* value = find(section, key);
  return value != nullptr && std::holds_alternative<int>(*value);
}

std::optional<std::string> MemoryProfileStore::rawText(const std::string& section,
                                                       const std::string& key) const {
  const Value* value = find(section, key);
  if (value == nullptr) return std::nullopt;
  if (const int* number = std::get_if<int>(value)) return std::to_string(*number);
  return std::get<std::string>(*value);
}

}  // namespace framework
