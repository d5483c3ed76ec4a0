#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "resources/CasebookTexts.h"

namespace casebook {

// What a frame without a line of its own shows.
using res::text::kNoLogEntry;

// The log line of every frame, one slot per frame. Each slot holds a NUL-terminated text of at
// most kEntryChars - 1 characters. The table is sized to the recording when its log is read (one
// allocation at most per open, none per line), so every frame of a long run keeps its own line.
class EntryTable {
 public:
  static constexpr std::size_t kEntryChars = 100;
  // 100 MiB. Frames past it keep no line of their own and show "No Log Entry"; Watchpost's
  // longest run is far below it, other tools' AVIs may not be.
  static constexpr std::int64_t kMaxSlots = std::int64_t{1} << 20;

  explicit EntryTable(std::int64_t maxSlots = kMaxSlots) : maxSlots_(maxSlots < 0 ? 0 : maxSlots) {}

  // Slots 0 .. frames + 1 (within the limit), each "No Log Entry". Allocates only when the
  // number of slots changes; when memory runs out the table keeps no slot at all.
  void Reset(std::int64_t frames);

  std::int64_t SlotCount() const { return slots_; }
  // Slot k's text; "No Log Entry" for any k outside the table, so no caller reads past it.
  const char* Entry(std::int64_t k) const;
  // Slot k to write into (kEntryChars characters); null outside the table.
  char* Slot(std::int64_t k);

 private:
  std::unique_ptr<char[]> chars_;
  std::int64_t slots_ = 0;
  std::int64_t maxSlots_;
};

}  // namespace casebook
