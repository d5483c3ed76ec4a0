#include "viewer/document/EventLogReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/base/UniqueFd.h"

namespace casebook {
namespace {

constexpr std::size_t kBlockBytes = 64 * 1024;

// The log as a text stream: CR LF arrives as LF, a lone CR stays. Read from the file in large
// blocks, handed out a bounded piece of one line at a time; nothing is allocated.
class TextReader {
 public:
  explicit TextReader(int fd) : fd_(fd) {}

  // At most `max` characters of one line into `into` (LF kept), then a terminator. False at the
  // end of the file, with `into` left as it was.
  bool ReadLine(char* into, std::size_t max) {
    std::size_t n = 0;
    while (n < max) {
      if (pos_ == end_ && !Refill()) break;
      // Copy up to the line end, or up to a CR, which the slow step below settles.
      const char* from = bytes_ + pos_;
      const std::size_t span = std::min(max - n, end_ - pos_);
      const auto* lf = static_cast<const char*>(std::memchr(from, '\n', span));
      std::size_t take = lf != nullptr ? static_cast<std::size_t>(lf - from) + 1 : span;
      const auto* cr = static_cast<const char*>(std::memchr(from, '\r', take));
      if (cr != nullptr) take = static_cast<std::size_t>(cr - from);
      std::memcpy(into + n, from, take);
      n += take;
      pos_ += take;
      if (cr == nullptr) {
        if (lf != nullptr) break;
        continue;
      }
      if (pos_ + 1 == end_) Refill();  // the pair may straddle two blocks
      if (pos_ + 1 < end_ && bytes_[pos_ + 1] == '\n') {
        pos_ += 2;
        into[n++] = '\n';
        break;
      }
      ++pos_;
      into[n++] = '\r';
    }
    if (n == 0) return false;
    into[n] = '\0';
    return true;
  }

 private:
  // Keeps the bytes not yet taken and reads more after them; false when nothing more came. A
  // read error ends the log as its end would: what came before it is kept.
  bool Refill() {
    if (ended_) return false;
    const std::size_t kept = end_ - pos_;
    std::memmove(bytes_, bytes_ + pos_, kept);
    pos_ = 0;
    end_ = kept;
    for (;;) {
      const ssize_t got = ::read(fd_, bytes_ + end_, sizeof bytes_ - end_);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        ended_ = true;
        return false;
      }
      end_ += static_cast<std::size_t>(got);
      return true;
    }
  }

  int fd_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool ended_ = false;
  char bytes_[kBlockBytes];
};

// Only a plain file is a log: a FIFO named like one would block the open, a device or a folder
// would never end or never read.
base::UniqueFd OpenLog(const std::string& path) {
  base::UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat about {};
  if (file && (::fstat(file.get(), &about) != 0 || !S_ISREG(about.st_mode))) file.reset();
  return file;
}

void Say(const StatusText& status, const std::string& text) {
  if (status) status(text);
}

}  // namespace

EventLogResult ReadEventLog(const std::string& path, std::int32_t frameCount, EntryTable& table,
                            const StatusText& status) {
  const std::int64_t frames = frameCount;  // wide, so that F + 1 never overflows
  table.Reset(frames);
  EventLogResult result;
  const base::UniqueFd file = OpenLog(path);
  if (!file) {
    Say(status, res::text::kUnableToOpenLog);
    return result;
  }
  result.loaded = true;
  Say(status, res::text::kProcessingLog);

  TextReader log(file.get());
  // Slots past the table's limit are read into this one, so that counting stays exact.
  char spare[EntryTable::kEntryChars];
  std::int64_t spareSlot = -1;
  std::int64_t counted = 0;
  std::int64_t slotIndex = 0;
  bool more = true;
  while (more) {
    char* slot = table.Slot(slotIndex);
    if (slot == nullptr) {
      if (spareSlot != slotIndex) std::memcpy(spare, kNoLogEntry, sizeof kNoLogEntry);
      spareSlot = slotIndex;
      slot = spare;
    }
    more = log.ReadLine(slot, kLogReadChars);
    // A blank line (or the end of a line just over a read long) is read over, once.
    if (std::strlen(slot) < kShortLineChars) more = log.ReadLine(slot, kLogReadChars);
    if (counted < frames + 1) {
      ++counted;
      char
          number[24];  // "%d" of the count; to_chars, as a printf per line costs more than the read
      const auto digits = static_cast<std::size_t>(
          std::to_chars(number, number + sizeof number, counted).ptr - number);
      // A prefix test of the number's own length: "12" passes where "1" is expected. Text that
      // ends before the digits fails, and then the mark lands past its terminator, unseen.
      const std::size_t length = std::strlen(slot);
      if (length < kFrameNumberAt + digits ||
          std::memcmp(slot + kFrameNumberAt, number, digits) != 0) {
        std::memcpy(slot + kLogSuspectMarkAt, res::text::kLogSuspectMark,
                    sizeof res::text::kLogSuspectMark);
      }
      ++slotIndex;
    }
    // Once F + 1 lines are counted the rest is still read to the end, into the slot after the
    // last one kept.
  }

  result.entryCount = static_cast<std::int32_t>(counted - 2);
  result.entriesShown = static_cast<std::int32_t>(counted - 1);
  char text[64];
  std::snprintf(text, sizeof text, res::text::kLogEntries, result.entriesShown);
  Say(status, text);
  result.suspect = frames - 1 != counted - 2;
  return result;
}

}  // namespace casebook
