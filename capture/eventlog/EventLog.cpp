#include "capture/eventlog/EventLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <ctime>

#include "platform/base/CLocale.h"
#include "platform/base/Text.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {
namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// One settings line in `into`: "Key value\r\n".
void Append(std::string& into, const char* key, int value) {
  char line[kLineChars];
  std::snprintf(line, sizeof line, "%s %d\r\n", key, value);
  into += line;
}
void Append(std::string& into, const char* key, float value) {
  char line[kLineChars];
  std::snprintf(line, sizeof line, "%s %f\r\n", key, static_cast<double>(value));
  into += line;
}

}  // namespace

int WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

void FormatTimeText(std::uint32_t seconds, char (&into)[kTimeTextChars + 1]) {
  const std::time_t when = seconds;
  std::tm t{};
  if (localtime_r(&when, &t) == nullptr || t.tm_wday < 0 || t.tm_wday > 6 || t.tm_mon < 0 ||
      t.tm_mon > 11) {
    std::snprintf(into, sizeof into, "%-24s", "(no local time)");
    return;
  }
  // The year of a 32-bit time is 1970..2106: four digits, so the text is always 24 long.
  char text[64];
  std::snprintf(text, sizeof text, "%s %s %02d %02d:%02d:%02d %04d", kWeekdays[t.tm_wday],
                kMonths[t.tm_mon], t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, t.tm_year + 1900);
  std::snprintf(into, sizeof into, "%.24s", text);
}

std::size_t FormatFrameLine(std::int64_t number, std::uint32_t seconds, char (&into)[kLineChars]) {
  char time[kTimeTextChars + 1];
  FormatTimeText(seconds, time);
  const int n = std::snprintf(into, sizeof into, "Frame# %" PRId64 " %s\r\n", number, time);
  return n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof into - 1);
}

std::string SettingsLines(const CaptureSettings& s) {
  base::CLocaleScope c;  // "%f" with a point, whatever the user's locale
  std::string lines;
  Append(lines, "AutoRestart", s.AutoRestart);
  Append(lines, "Differential", s.Differential);
  Append(lines, "Threshold", s.Threshold);
  Append(lines, "Interval", s.Interval);
  Append(lines, "Limit", s.Limit);
  Append(lines, "Beep", s.Beep);
  Append(lines, "ScaleState", s.ScaleState);
  Append(lines, "SetPlayback", s.SetPlayback);
  Append(lines, "PlaybackRate", s.Playback);
  Append(lines, "ZoneSet", s.ZoneSet);
  Append(lines, "ZoneLeft", s.ZoneLeft);
  Append(lines, "ZoneRight", s.ZoneRight);
  Append(lines, "ZoneTop", s.ZoneTop);
  Append(lines, "ZoneBottom", s.ZoneBottom);
  return lines;
}

std::string EventLogText(const std::uint32_t* captureTimes, std::int32_t count,
                         const CaptureSettings& settings) {
  if (count <= 0) return {};
  std::string text;
  char line[kLineChars];
  for (std::int32_t i = 0; i < count; ++i) {
    text.append(line, FormatFrameLine(i + 1, captureTimes[i], line));
  }
  return text + SettingsLines(settings);
}

void EventLogWriter::beginRun(const std::string& path) {
  file_.reset();
  path_ = path;
  framesWritten_ = 0;
  running_ = true;
  failed_ = false;
}

bool EventLogWriter::fail(const char* pattern, int errnoValue, std::string& error) {
  failed_ = true;
  error = base::FillIn(pattern, {path_, base::ErrnoText(errnoValue)});
  return false;
}

bool EventLogWriter::write(const char* bytes, std::size_t size, std::string& error) {
  const int why = WriteAll(file_.get(), bytes, size);
  return why == 0 || fail(res::text::kCannotWriteLog, why, error);
}

bool EventLogWriter::appendFrames(const std::uint32_t* captureTimes, std::int32_t capturedCount,
                                  std::string& error) {
  if (!running_ || failed_ || framesWritten_ >= capturedCount) return true;
  if (!file_) {
    // Created at the first capture, replacing whatever stood under the name.
    file_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    const int why = errno;
    if (!file_) return fail(res::text::kCannotCreateLog, why, error);
  }
  char line[kLineChars];
  while (framesWritten_ < capturedCount) {
    const std::size_t n = FormatFrameLine(framesWritten_ + 1, captureTimes[framesWritten_], line);
    if (!write(line, n, error)) return false;
    ++framesWritten_;
  }
  return true;
}

bool EventLogWriter::finishRun(const std::uint32_t* captureTimes, std::int32_t capturedCount,
                               const CaptureSettings& settings, std::string& error) {
  if (!running_) return true;
  bool ok = appendFrames(captureTimes, capturedCount, error);
  // After a failed frame line the settings would follow a gap: the log stays as it was.
  if (ok && file_ && !failed_) {
    const std::string lines = SettingsLines(settings);
    ok = write(lines.data(), lines.size(), error);
  }
  if (file_ && file_.closeNow() != 0 && ok) {
    const int why = errno;
    ok = fail(res::text::kCannotFinishLog, why, error);
  }
  // Every capture time is still in the table: a failure on the way (a disk full since freed, a
  // folder back again) gets one more try, the whole log at once.
  if (failed_ && capturedCount > 0 && RewriteWhole(captureTimes, capturedCount, settings)) {
    ok = true;
    error.clear();
  }
  running_ = false;
  return ok;
}

bool EventLogWriter::RewriteWhole(const std::uint32_t* captureTimes, std::int32_t capturedCount,
                                  const CaptureSettings& settings) {
  const std::string text = EventLogText(captureTimes, capturedCount, settings);
  // A log that is no plain file (a device, a pipe, a link) holds no lines to keep, and must
  // never be replaced by one: it is written in place.
  struct stat info {};
  if (::lstat(path_.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    base::UniqueFd file(::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC));
    return file && WriteAll(file.get(), text.data(), text.size()) == 0 && file.closeNow() == 0;
  }
  // Written beside the log and renamed over it only once whole: a retry that fails too leaves
  // every line the run already had on disk.
  const std::string retry = path_ + ".retry";
  base::UniqueFd file(
      ::open(retry.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!file) return false;
  const bool written = WriteAll(file.get(), text.data(), text.size()) == 0 &&
                       ::fsync(file.get()) == 0 && file.closeNow() == 0;
  if (written && ::rename(retry.c_str(), path_.c_str()) == 0) return true;
  ::unlink(retry.c_str());
  return false;
}

}  // namespace watchpost
