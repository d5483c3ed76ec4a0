#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "platform/framework/ProfileStore.h"

namespace framework {

// A profile store held in memory, for tests. Numbers and texts are kept as they were written,
// so a test can tell which kind a value was stored as.
class MemoryProfileStore : public ProfileStore {
 public:
  int GetProfileInt(const std::string& section, const std::string& key,
                    int fallback) const override;
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& fallback) const override;
  bool WriteProfileInt(const std::string& section, const std::string& key, int value) override;
  bool WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value) override;

  // Seeding goes around the virtual writes, so a recording subclass does not see it.
  void seedInt(const std::string& section, const std::string& key, int value);
  void seedText(const std::string& section, const std::string& key, std::string value);

  bool contains(const std::string& section, const std::string& key) const;
  bool isNumber(const std::string& section, const std::string& key) const;
  // The stored value as text (numbers in decimal); nothing when absent.
  std::optional<std::string> rawText(const std::string& section, const std::string& key) const;

 private:
  using Value = std::variant<int, std::string>;
  const Value* find(const std::string& section, const std::string& key) const;

  std::map<std::pair<std::string, std::string>, Value> values_;
};

}  // namespace framework
