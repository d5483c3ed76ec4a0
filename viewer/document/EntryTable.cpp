#include "viewer/document/EntryTable.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace casebook {

void EntryTable::Reset(std::int64_t frames) {
  // Slot F is read but never shown and slot F + 1 takes every line past it; both must exist.
  const std::int64_t wanted = std::min(std::max<std::int64_t>(frames, 0) + 2, maxSlots_);
  if (wanted != slots_) {
    chars_.reset();
    slots_ = 0;
    // Uninitialised: the pages are touched only by the texts written into them.
    chars_.reset(new (std::nothrow) char[static_cast<std::size_t>(wanted) * kEntryChars]);
    if (!chars_) return;
    slots_ = wanted;
  }
  char* slot = chars_.get();
  for (std::int64_t k = 0; k < slots_; ++k, slot += kEntryChars) {
    std::memcpy(slot, kNoLogEntry, sizeof kNoLogEntry);
  }
}

const char* EntryTable::Entry(std::int64_t k) const {
  if (k < 0 || k >= slots_) return kNoLogEntry;
  return chars_.get() + static_cast<std::size_t>(k) * kEntryChars;
}

char* EntryTable::Slot(std::int64_t k) {
  if (k < 0 || k >= slots_) return nullptr;
  return chars_.get() + static_cast<std::size_t>(k) * kEntryChars;
}

}  // namespace casebook
