// Arbitrary files of reasons into ReasonTable::Load, checked against a plain model of the
// reading rule: the file split at each line feed, lines longer than the row limit dropped, each
// line parsed on its own, the last row of a frame winning. Every reason kept must be one a
// viewer can show: fractions within the picture, a count that is no less than zero.
// The first byte gives the frame count (-2 .. 253).
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "viewer/document/ReasonsReader.h"

namespace {

using casebook::FrameReason;

std::vector<FrameReason> Expected(std::string_view text, std::int32_t frames) {
  std::vector<FrameReason> slots(static_cast<std::size_t>(frames < 0 ? 0 : frames));
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.size() > casebook::kMaxReasonRowChars) continue;
    std::int64_t frame = 0;
    FrameReason reason;
    if (casebook::ParseReasonRow(line, frame, reason) &&
        frame <= static_cast<std::int64_t>(slots.size())) {
      slots[static_cast<std::size_t>(frame - 1)] = reason;
    }
  }
  return slots;
}

bool Same(const FrameReason& a, const FrameReason& b) {
  return a.present == b.present && a.before == b.before && a.changedBytes == b.changedBytes &&
         a.differential == b.differential && a.threshold == b.threshold &&
         a.wholeFrame == b.wholeFrame && a.zoneLeft == b.zoneLeft && a.zoneRight == b.zoneRight &&
         a.zoneTop == b.zoneTop && a.zoneBottom == b.zoneBottom;
}

bool Showable(const FrameReason& r) {
  for (const float f : {r.zoneLeft, r.zoneRight, r.zoneTop, r.zoneBottom}) {
    if (!(f >= 0.0f && f <= 1.0f)) return false;
  }
  const std::string text = casebook::ReasonText(r);
  return r.present && r.changedBytes >= 0 && !text.empty() && text.size() < 120;
}

int MemoryFile() {
  static const int fd = memfd_create("reasons", MFD_CLOEXEC);
  return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::int32_t frames = data[0] - 2;
  ++data;
  --size;
  const int fd = MemoryFile();
  if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
      ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
    std::abort();
  }
  casebook::ReasonTable table;
  if (!table.Load("/proc/self/fd/" + std::to_string(fd), frames)) std::abort();

  const std::vector<FrameReason> model =
      Expected(std::string_view(reinterpret_cast<const char*>(data), size), frames);
  for (std::int32_t k = -1; k <= static_cast<std::int32_t>(model.size()); ++k) {
    const FrameReason* got = table.At(k);
    const bool inside = k >= 0 && k < static_cast<std::int32_t>(model.size());
    const bool expected = inside && model[static_cast<std::size_t>(k)].present;
    if ((got != nullptr) != expected) std::abort();
    if (got != nullptr && (!Same(*got, model[static_cast<std::size_t>(k)]) || !Showable(*got))) {
      std::abort();
    }
  }
  return 0;
}
