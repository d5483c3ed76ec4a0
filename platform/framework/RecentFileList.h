#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/framework/ProfileStore.h"

namespace framework {

// The most recently opened files, newest first, kept in the profile section
// "Recent File List" as File1..FileN. Opening a file again moves it to the front.
class RecentFileList {
 public:
  explicit RecentFileList(std::size_t capacity) : capacity_(capacity) {}

  void Load(const ProfileStore& store);
  // Writes every slot, the unused ones empty, so that a shorter list leaves no stale entry.
  void Save(ProfileStore& store) const;

  void Add(const std::string& path);
  void Remove(const std::string& path);
  const std::vector<std::string>& files() const { return files_; }
  std::size_t capacity() const { return capacity_; }

 private:
  std::size_t capacity_;
  std::vector<std::string> files_;
};

}  // namespace framework
