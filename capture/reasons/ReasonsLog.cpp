#include "capture/reasons/ReasonsLog.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "capture/eventlog/EventLog.h"
#include "platform/base/CLocale.h"
#include "platform/base/Text.h"
#include "resources/WatchpostRecording.h"

namespace watchpost {
namespace {

// "2026-12-07T06:31:15.123+01:00": local time, so that it reads as the log's does, with the
// offset that makes it one instant wherever it is read.
void FormatLocalTime(std::int64_t timeMs, char (&into)[64]) {
  std::int64_t seconds = timeMs / 1000;
  std::int64_t millis = timeMs % 1000;
  if (millis < 0) {
    millis += 1000;
    seconds -= 1;
  }
  const std::time_t when = static_cast<std::time_t>(seconds);
  std::tm t{};
  if (localtime_r(&when, &t) == nullptr) {
    std::snprintf(into, sizeof into, "%s", "(no local time)");
    return;
  }
  const long offset = t.tm_gmtoff / 60;
  const long offsetAbs = std::labs(offset);
  std::snprintf(into, sizeof into, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec,
                static_cast<int>(millis), offset < 0 ? '-' : '+', offsetAbs / 60, offsetAbs % 60);
}

}  // namespace

std::size_t FormatReasonRow(std::int64_t frameNumber, const FrameReason& r,
                            char (&into)[kReasonRowChars]) {
  base::CLocaleScope c;  // "%f" with a point, whatever the user's locale
  char time[64];
  FormatLocalTime(r.timeMs, time);
  // Fractions of a damaged profile may be any float; four of "%f" could pass the row's size.
  char zone[120];
  if (r.zoneSet == 1) {
    std::snprintf(zone, sizeof zone, "%.6g %.6g %.6g %.6g", static_cast<double>(r.zoneLeft),
                  static_cast<double>(r.zoneRight), static_cast<double>(r.zoneTop),
                  static_cast<double>(r.zoneBottom));
  } else {
    std::snprintf(zone, sizeof zone, "%s", "whole");
  }
  const int n = std::snprintf(into, sizeof into, "%" PRId64 ",%s,%s,%" PRId64 ",%d,%d,%s,%d\r\n",
                              frameNumber, time, r.kind == FrameReason::Before ? "before" : "hit",
                              r.changedBytes, r.differential, r.threshold, zone, r.intervalMs);
  return n < 0 ? 0 : std::min<std::size_t>(static_cast<std::size_t>(n), sizeof into - 1);
}

void ReasonsWriter::beginRun(const std::string& path) {
  file_.reset();
  path_ = path;
  rowsWritten_ = 0;
  running_ = true;
  failed_ = false;
}

void ReasonsWriter::skipRun() {
  file_.reset();
  path_.clear();
  running_ = false;
}

bool ReasonsWriter::fail(const char* pattern, int errnoValue, std::string& error) {
  failed_ = true;
  error = base::FillIn(pattern, {path_, base::ErrnoText(errnoValue)});
  return false;
}

bool ReasonsWriter::appendRows(const FrameReason* reasons, std::int32_t frameCount,
                               std::string& error) {
  if (!running_ || failed_ || rowsWritten_ >= frameCount) return true;
  if (!file_) {
    file_.reset(::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    const int why = errno;
    if (!file_) return fail(res::text::kCannotCreateReasons, why, error);
    const int failed = WriteAll(file_.get(), kReasonsHeader, sizeof kReasonsHeader - 1);
    if (failed != 0) return fail(res::text::kCannotWriteReasons, failed, error);
  }
  char row[kReasonRowChars];
  while (rowsWritten_ < frameCount) {
    const std::size_t n = FormatReasonRow(rowsWritten_ + 1, reasons[rowsWritten_], row);
    const int failed = WriteAll(file_.get(), row, n);
    if (failed != 0) return fail(res::text::kCannotWriteReasons, failed, error);
    ++rowsWritten_;
  }
  return true;
}

bool ReasonsWriter::finishRun(const FrameReason* reasons, std::int32_t frameCount,
                              std::string& error) {
  if (!running_) return true;
  bool ok = appendRows(reasons, frameCount, error);
  if (file_ && file_.closeNow() != 0 && ok) {
    const int why = errno;
    ok = fail(res::text::kCannotFinishReasons, why, error);
  }
  running_ = false;
  return ok;
}

}  // namespace watchpost
