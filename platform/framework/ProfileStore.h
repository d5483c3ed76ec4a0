#pragma once

#include <string>

namespace framework {

// The per-user settings store: named values grouped in sections.
class ProfileStore {
 public:
  virtual ~ProfileStore() = default;

  // Returns `fallback` when the value is absent or is not a number.
  virtual int GetProfileInt(const std::string& section, const std::string& key,
                            int fallback) const = 0;
  // Returns `fallback` when the value is absent.
  virtual std::string GetProfileString(const std::string& section, const std::string& key,
                                       const std::string& fallback) const = 0;
  // Both return false when the store could not take the value.
  virtual bool WriteProfileInt(const std::string& section, const std::string& key, int value) = 0;
  virtual bool WriteProfileString(const std::string& section, const std::string& key,
                                  const std::string& value) = 0;
};

}  // namespace framework
