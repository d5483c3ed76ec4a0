#include "viewer/document/ReasonsReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/base/UniqueFd.h"

namespace casebook {
namespace {

// A video header may claim any length; the table never holds more slots than this.
constexpr std::int32_t kMostFrames = 10'000'000;

template <class Number>
bool ParseNumber(std::string_view text, Number& value) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && at == end;
}

bool ParseFraction(std::string_view text, float& value) {
  double parsed = 0;
  if (!ParseNumber(text, parsed) || !std::isfinite(parsed)) return false;
  value = static_cast<float>(std::clamp(parsed, 0.0, 1.0));
  return true;
}

bool ParseZone(std::string_view text, FrameReason& reason) {
  if (text == "whole") {
    reason.wholeFrame = true;
    return true;
  }
  float* parts[] = {&reason.zoneLeft, &reason.zoneRight, &reason.zoneTop, &reason.zoneBottom};
  for (std::size_t i = 0; i < 4; ++i) {
    const std::size_t space = i < 3 ? text.find(' ') : text.size();
    if (space == std::string_view::npos || !ParseFraction(text.substr(0, space), *parts[i])) {
      return false;
    }
    text.remove_prefix(i < 3 ? space + 1 : space);
  }
  reason.wholeFrame = false;
  return true;
}

std::string Grouped(std::int64_t value) {
  // Only counts come here, never negative. Built backwards in a buffer of its own: the widest
  // count with its commas is 25 characters.
  std::uint64_t left = static_cast<std::uint64_t>(std::max<std::int64_t>(value, 0));
  char text[32];
  char* at = text + sizeof text;
  int digits = 0;
  do {
    if (digits != 0 && digits % 3 == 0) *--at = ',';
    *--at = static_cast<char>('0' + left % 10);
    left /= 10;
    ++digits;
  } while (left != 0);
  return std::string(at, text + sizeof text);
}

}  // namespace

bool ParseReasonRow(std::string_view row, std::int64_t& frame, FrameReason& reason) {
  if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
  std::string_view fields[8];
  for (std::size_t i = 0; i < 8; ++i) {
    const std::size_t comma = row.find(',');
    if ((comma == std::string_view::npos) != (i == 7)) return false;
    fields[i] = row.substr(0, comma);
    row.remove_prefix(i == 7 ? row.size() : comma + 1);
  }
  FrameReason parsed;
  std::int32_t interval = 0;
  if (!ParseNumber(fields[0], frame) || frame < 1 || fields[1].empty()) return false;
  if (fields[2] != "hit" && fields[2] != "before") return false;
  parsed.before = fields[2] == "before";
  if (!ParseNumber(fields[3], parsed.changedBytes) || parsed.changedBytes < 0) return false;
  if (!ParseNumber(fields[4], parsed.differential) || !ParseNumber(fields[5], parsed.threshold) ||
      !ParseZone(fields[6], parsed) || !ParseNumber(fields[7], interval)) {
    return false;
  }
  parsed.present = true;
  reason = parsed;
  return true;
}

std::string ReasonText(const FrameReason& reason) {
  if (reason.before) return "before the hit";
  std::string text = Grouped(reason.changedBytes);
  text += " bytes changed (Threshold ";
  text += std::to_string(reason.threshold);
  text += ", Differential ";
  text += std::to_string(reason.differential);
  text += ")";
  return text;
}

void ReasonTable::Clear() {
  reasons_.clear();
  loaded_ = false;
  rowsRead_ = 0;
}

bool ReasonTable::Load(const std::string& path, std::int32_t frameCount) {
  Clear();
  // Non-blocking, so that a pipe of that name cannot hold the viewer up.
  const base::UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!file) return false;
  loaded_ = true;
  reasons_.resize(static_cast<std::size_t>(std::clamp(frameCount, 0, kMostFrames)));

  char block[64 * 1024];
  std::string row;
  bool tooLong = false;
  const auto take = [&] {
    std::int64_t frame = 0;
    FrameReason reason;
    if (!tooLong && ParseReasonRow(row, frame, reason) &&
        frame <= static_cast<std::int64_t>(reasons_.size())) {
      reasons_[static_cast<std::size_t>(frame - 1)] = reason;
      ++rowsRead_;
    }
    row.clear();
    tooLong = false;
  };
  for (;;) {
    const ssize_t n = ::read(file.get(), block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // a read error ends the file where it stands
    for (ssize_t i = 0; i < n; ++i) {
      if (block[i] == '\n') {
        take();
      } else if (row.size() < kMaxReasonRowChars) {
        row += block[i];
      } else {
        tooLong = true;
      }
    }
  }
  if (!row.empty()) take();  // a last row without its line end, as a killed writer leaves it
  return true;
}

const FrameReason* ReasonTable::At(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= reasons_.size()) return nullptr;
  const FrameReason& reason = reasons_[static_cast<std::size_t>(index)];
  return reason.present ? &reason : nullptr;
}

}  // namespace casebook
