// Arbitrary logs into ReadEventLog, checked against a plain model of the reading rule: the whole
// file turned to text first (CR LF to LF), then reads of at most 97 characters. The reader's own
// block-wise reading must show the same text in every slot, the same counts and the same warning.
// The first byte gives the frame count (-2 .. 253), the second the table's limit (255: none).
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "viewer/document/EventLogReader.h"

namespace {

using casebook::EntryTable;

struct Model {
  std::vector<std::array<char, EntryTable::kEntryChars>> slots;
  std::int64_t counted = 0;
};

Model Expected(const std::uint8_t* data, std::size_t size, std::int64_t frames) {
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') continue;
    text += static_cast<char>(data[i]);
  }
  std::size_t at = 0;
  auto gets = [&](char* into) {
    if (at >= text.size()) return false;
    std::size_t n = 0;
    while (n < casebook::kLogReadChars && at < text.size()) {
      into[n] = text[at++];
      if (into[n++] == '\n') break;
    }
    into[n] = '\0';
    return true;
  };
  Model model;
  model.slots.resize(static_cast<std::size_t>(std::max<std::int64_t>(frames, 0) + 2));
  for (auto& slot : model.slots) std::strcpy(slot.data(), casebook::kNoLogEntry);
  std::size_t s = 0;
  bool ok = true;
  while (ok) {
    char* slot = model.slots.at(s).data();
    ok = gets(slot);
    if (std::strlen(slot) < 8) ok = gets(slot);
    if (model.counted < frames + 1) {
      char number[24];
      const int digits = std::snprintf(number, sizeof number, "%" PRId64, ++model.counted);
      if (std::strncmp(slot + 7, number, static_cast<std::size_t>(digits)) != 0) {
        std::strcpy(slot + 22, " *LOG SUSPECT*");
      }
      ++s;
    }
  }
  return model;
}

// The input goes to a file only in memory; the reader opens it again by its /proc name.
int MemoryFile() {
  static const int fd = memfd_create("event_log", MFD_CLOEXEC);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::int32_t frames = data[0] - 2;
  const std::int64_t limit = data[1] == 255 ? EntryTable::kMaxSlots : data[1];
  EntryTable table(limit);
  data += 2;
  size -= 2;

  const int fd = MemoryFile();
  if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
    std::abort();
  }
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  const casebook::EventLogResult result = casebook::ReadEventLog(path, frames, table, nullptr);

  const Model model = Expected(data, size, frames);
  if (!result.loaded || result.entriesShown != model.counted - 1 ||
      result.entryCount != model.counted - 2 ||
      result.suspect != (frames - 1 != model.counted - 2)) {
    std::abort();
  }
  if (table.SlotCount() != std::min(static_cast<std::int64_t>(model.slots.size()), limit)) {
    std::abort();
  }
  for (std::int64_t k = -1; k <= static_cast<std::int64_t>(model.slots.size()); ++k) {
    const char* shown = table.Entry(k);
    if (std::strlen(shown) >= EntryTable::kEntryChars) std::abort();
    const bool kept = k >= 0 && k < table.SlotCount();
    const char* expected =
        kept ? model.slots[static_cast<std::size_t>(k)].data() : casebook::kNoLogEntry;
    if (std::strcmp(shown, expected) != 0) std::abort();
  }
  return 0;
}
