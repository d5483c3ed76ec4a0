#include "viewer/review/LogTimeline.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace casebook::review {
namespace {

constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr char kFramePrefix[] = "Frame# ";

// Days from 1970-01-01 to the civil date y-m-d (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number of two digits at `p`, -1 when they are not two digits.
int TwoDigits(const char* p) {
  return IsDigit(p[0]) && IsDigit(p[1]) ? (p[0] - '0') * 10 + (p[1] - '0') : -1;
}

}  // namespace

std::optional<std::int64_t> FrameLineSeconds(const char* line) {
  if (line == nullptr || std::strncmp(line, kFramePrefix, sizeof kFramePrefix - 1) != 0) {
    return std::nullopt;
  }
  // Read by position rather than with sscanf: a night's log has tens of thousands of lines.
  const char* p = line + sizeof kFramePrefix - 1;
  if (!IsDigit(*p)) return std::nullopt;
  while (IsDigit(*p)) ++p;
  // " Www Mmm dd hh:mm:ss yyyy": every field must be there, as a line marked out of step has
  // lost the end of its time.
  const char* t = p;
  for (int i = 0; i < 25; ++i) {
    if (t[i] == '\0') return std::nullopt;
  }
  if (t[0] != ' ' || t[4] != ' ' || t[8] != ' ' || t[11] != ' ' || t[14] != ':' || t[17] != ':' ||
      t[20] != ' ') {
    return std::nullopt;
  }
  const auto* month = std::find_if(std::begin(kMonths), std::end(kMonths),
                                   [&](const char* m) { return std::strncmp(m, t + 5, 3) == 0; });
  const int day = TwoDigits(t + 9), hour = TwoDigits(t + 12), minute = TwoDigits(t + 15),
            second = TwoDigits(t + 18), century = TwoDigits(t + 21), ofCentury = TwoDigits(t + 23);
  if (month == std::end(kMonths) || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 60 || century < 0 || ofCentury < 0) {
    return std::nullopt;
  }
  const int year = century * 100 + ofCentury;
  const auto monthNumber = static_cast<unsigned>(month - std::begin(kMonths) + 1);
  return DaysFromCivil(year, monthNumber, static_cast<unsigned>(day)) * 86400 + hour * 3600 +
         minute * 60 + second;
}

std::string TimeOfDayText(std::int64_t seconds) {
  const std::int64_t ofDay = ((seconds % 86400) + 86400) % 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>(ofDay / 3600),
                static_cast<int>(ofDay / 60 % 60), static_cast<int>(ofDay % 60));
  return text;
}

std::string SkippedText(std::int64_t seconds) {
  char text[64];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "- %lld s later -", static_cast<long long>(seconds));
  } else if (seconds < 3600) {
    std::snprintf(text, sizeof text, "- %lld min later -", static_cast<long long>(seconds / 60));
  } else if (seconds < 86400) {
    std::snprintf(text, sizeof text, "- %lld h %lld min later -",
                  static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60));
  } else {
    std::snprintf(text, sizeof text, "- %lld d %lld h later -",
                  static_cast<long long>(seconds / 86400),
                  static_cast<long long>(seconds / 3600 % 24));
  }
  return text;
}

void LogTimeline::Clear() {
  seconds_.clear();
  recorded_.clear();
  play_.clear();
  bursts_.clear();
  hasTimes_ = false;
}

void LogTimeline::Build(const EntryTable& entries, std::int32_t frames) {
  Clear();
  if (frames <= 0) return;
  const auto count = static_cast<std::size_t>(frames);
  seconds_.resize(count);
  recorded_.resize(count);
  play_.resize(count);

  // Whole seconds: a frame without a time takes the one before it, the first ones the first
  // time found.
  std::optional<std::int64_t> last;
  std::size_t untimedAtStart = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const std::optional<std::int64_t> own =
        FrameLineSeconds(entries.Entry(static_cast<std::int64_t>(k)));
    if (own) last = own;
    if (last) {
      seconds_[k] = *last;
    } else {
      ++untimedAtStart;
    }
  }
  hasTimes_ = last.has_value();
  if (!hasTimes_) {
    std::fill(seconds_.begin(), seconds_.end(), 0);
    return;
  }
  std::fill_n(seconds_.begin(), untimedAtStart, seconds_[untimedAtStart]);

  // Frames sharing one second spread evenly over it.
  const std::int64_t origin = seconds_.front();
  for (std::size_t begin = 0; begin < count;) {
    std::size_t end = begin + 1;
    while (end < count && seconds_[end] == seconds_[begin]) ++end;
    const double share = 1.0 / static_cast<double>(end - begin);
    for (std::size_t k = begin; k < end; ++k) {
      recorded_[k] =
          static_cast<double>(seconds_[k] - origin) + share * static_cast<double>(k - begin);
    }
    begin = end;
  }

  // Playback's clock: a long gap becomes a card of one second; a clock set back counts as one
  // second forward, so that the clock never runs backwards.
  play_[0] = 0.0;
  bursts_.push_back({0, 1, seconds_[0], seconds_[0]});
  for (std::size_t k = 1; k < count; ++k) {
    const std::int64_t gap = seconds_[k] - seconds_[k - 1];
    double step = recorded_[k] - recorded_[k - 1];
    if (gap > kLongGapSeconds || gap < 0) step = static_cast<double>(kCardSeconds);
    play_[k] = play_[k - 1] + step;
    // A gap of exactly kBurstGapSeconds stays in the burst.
    if (gap > kBurstGapSeconds) {
      bursts_.push_back({static_cast<std::int32_t>(k), 0, seconds_[k], seconds_[k]});
    }
    Burst& current = bursts_.back();
    ++current.count;
    current.endSeconds = seconds_[k];
  }
}

std::int32_t LogTimeline::clamp(std::int32_t frame) const {
  return std::clamp(frame, 0, std::max(frameCount() - 1, 0));
}

std::int64_t LogTimeline::secondsOf(std::int32_t frame) const {
  return seconds_.empty() ? 0 : seconds_[static_cast<std::size_t>(clamp(frame))];
}

double LogTimeline::recordedTimeOf(std::int32_t frame) const {
  return recorded_.empty() ? 0.0 : recorded_[static_cast<std::size_t>(clamp(frame))];
}

double LogTimeline::playTimeOf(std::int32_t frame) const {
  return play_.empty() ? 0.0 : play_[static_cast<std::size_t>(clamp(frame))];
}

std::int64_t LogTimeline::skippedBefore(std::int32_t frame) const {
  if (!hasTimes_ || frame <= 0 || frame >= frameCount()) return 0;
  const auto k = static_cast<std::size_t>(frame);
  const std::int64_t gap = seconds_[k] - seconds_[k - 1];
  return gap > kLongGapSeconds ? gap : 0;
}

int LogTimeline::burstOf(std::int32_t frame) const {
  if (bursts_.empty() || frame < 0 || frame >= frameCount()) return -1;
  const auto after =
      std::upper_bound(bursts_.begin(), bursts_.end(), frame,
                       [](std::int32_t f, const Burst& burst) { return f < burst.first; });
  return static_cast<int>(after - bursts_.begin()) - 1;
}

}  // namespace casebook::review
