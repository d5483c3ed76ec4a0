#include "capture/unattended/DiskSpace.h"

#include <QStorageInfo>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/base/Text.h"
#include "resources/WatchpostTexts.h"

namespace watchpost {

std::optional<std::uint64_t> StorageInfoReading::freeBytes(const std::string& folder) {
  const QStorageInfo storage(QString::fromStdString(folder));
  if (!storage.isValid() || !storage.isReady() || storage.bytesAvailable() < 0) return {};
  return static_cast<std::uint64_t>(storage.bytesAvailable());
}

void RecordingRate::observe(std::uint32_t nowSeconds, std::uint64_t totalBytes) {
  if (!firstSeen_) {
    firstSeen_ = nowSeconds;
    lastTotal_ = totalBytes;
    return;
  }
  // A total that shrank (files removed by someone) recorded nothing.
  const std::uint64_t added = totalBytes > lastTotal_ ? totalBytes - lastTotal_ : 0;
  lastTotal_ = totalBytes;
  const std::uint32_t minute = nowSeconds / 60;
  const std::uint32_t bucket = minute % kMinutes;
  if (minuteOf_[bucket] != minute) {
    minuteOf_[bucket] = minute;
    bytes_[bucket] = 0;
  }
  bytes_[bucket] += added;
}

std::optional<double> RecordingRate::bytesPerSecond(std::uint32_t nowSeconds) const {
  if (!firstSeen_ || nowSeconds < *firstSeen_ + 60) return {};
  const std::uint32_t watched = std::min<std::uint32_t>(nowSeconds - *firstSeen_, kMinutes * 60);
  const std::uint32_t minute = nowSeconds / 60;
  std::uint64_t sum = 0;
  for (std::uint32_t i = 0; i < kMinutes; ++i) {
    if (minuteOf_[i] + kMinutes > minute && minuteOf_[i] <= minute) sum += bytes_[i];
  }
  return static_cast<double>(sum) / watched;
}

std::uint64_t FloorBytes(int minFreeMiB) {
  return minFreeMiB > 0 ? static_cast<std::uint64_t>(minFreeMiB) * kMiB : 0;
}

std::string SizeText(std::uint64_t bytes) {
  char text[32];
  const double gb = static_cast<double>(bytes) / 1e9;
  if (gb >= 10.0) {
    std::snprintf(text, sizeof text, "%.0f GB", std::floor(gb));
  } else if (gb >= 1.0) {
    std::snprintf(text, sizeof text, "%.1f GB", std::floor(gb * 10.0) / 10.0);
  } else {
    std::snprintf(text, sizeof text, "%.0f MB", std::floor(static_cast<double>(bytes) / 1e6));
  }
  return text;
}

std::string DurationText(double seconds) {
  if (!(seconds >= 60.0)) return res::text::kLessThanAMinute;
  const auto count = [](double value, const char* one, const char* many) {
    const long long n = static_cast<long long>(value);
    return n == 1 ? std::string(one) : base::FillIn(many, {std::to_string(n)});
  };
  if (seconds < 3600.0) return count(seconds / 60.0, res::text::kOneMinute, res::text::kMinutes);
  if (seconds < 48 * 3600.0) return count(seconds / 3600.0, res::text::kOneHour, res::text::kHours);
  return count(std::min(seconds / 86400.0, 99999.0), res::text::kOneDay, res::text::kDays);
}

std::string FreeSpaceText(std::uint64_t freeBytes, std::optional<double> bytesPerSecond,
                          std::uint64_t floorBytes) {
  const std::string size = SizeText(freeBytes);
  if (!bytesPerSecond || *bytesPerSecond <= 0.0) return base::FillIn(res::text::kFreeSpace, {size});
  const double room = freeBytes > floorBytes ? static_cast<double>(freeBytes - floorBytes) : 0.0;
  const double seconds = room / *bytesPerSecond;
  if (seconds < 60.0) return base::FillIn(res::text::kFreeSpaceShort, {size});
  return base::FillIn(res::text::kFreeSpaceLasting, {size, DurationText(seconds)});
}

}  // namespace watchpost
