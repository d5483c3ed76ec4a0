#include "platform/framework/RecentFileList.h"

#include <algorithm>

namespace framework {
namespace {

constexpr const char* kSection = "Recent File List";

std::string Key(std::size_t index) { return "File" + std::to_string(index + 1); }

}  // namespace

void RecentFileList::Load(const ProfileStore& store) {
  files_.clear();
  for (std::size_t i = 0; i < capacity_; ++i) {
    std::string path = store.GetProfileString(kSection, Key(i), "");
    // A hand-edited profile may repeat a file or leave gaps; the list shows each file once.
    if (!path.empty() && std::find(files_.begin(), files_.end(), path) == files_.end()) {
      files_.push_back(std::move(path));
    }
  }
}

void RecentFileList::Save(ProfileStore& store) const {
  for (std::size_t i = 0; i < capacity_; ++i) {
    store.WriteProfileString(kSection, Key(i), i < files_.size() ? files_[i] : std::string());
  }
}

void RecentFileList::Add(const std::string& path) {
  if (path.empty() || capacity_ == 0) return;
  Remove(path);
  files_.insert(files_.begin(), path);
  if (files_.size() > capacity_) files_.resize(capacity_);
}

void RecentFileList::Remove(const std::string& path) { std::erase(files_, path); }

}  // namespace framework
