#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace watchpost {

// How much room the target folder's disk has: the real reading, or what a test puts in its
// place so that no disk has to fill.
class FreeSpaceReading {
 public:
  virtual ~FreeSpaceReading() = default;
  // Bytes this user may still write in the file system of `folder`; none when it cannot tell.
  virtual std::optional<std::uint64_t> freeBytes(const std::string& folder) = 0;
};

// The reading of QStorageInfo.
class StorageInfoReading final : public FreeSpaceReading {
 public:
  std::optional<std::uint64_t> freeBytes(const std::string& folder) override;
};

// How fast recordings grew over the last hour, kept in sixty one-minute buckets: a fixed table
// that nothing is allocated for as it counts.
class RecordingRate {
 public:
  // `totalBytes` is all that has been recorded so far, as seen at `nowSeconds`.
  void observe(std::uint32_t nowSeconds, std::uint64_t totalBytes);
  // Bytes per second over the last hour, or over the time watched when that is shorter; none
  // before a whole minute has been watched.
  std::optional<double> bytesPerSecond(std::uint32_t nowSeconds) const;

 private:
  static constexpr std::uint32_t kMinutes = 60;
  std::array<std::uint64_t, kMinutes> bytes_{};
  std::array<std::uint32_t, kMinutes> minuteOf_{};  // which minute each bucket holds
  std::optional<std::uint32_t> firstSeen_;
  std::uint64_t lastTotal_ = 0;
};

inline constexpr std::uint64_t kMiB = 1024 * 1024;

// The floor of free space below which nothing records; a negative setting keeps none.
std::uint64_t FloorBytes(int minFreeMiB);
// "38 GB free", or with a rate "38 GB free, about 9 days at this rate": how long until the
// floor is reached.
std::string FreeSpaceText(std::uint64_t freeBytes, std::optional<double> bytesPerSecond,
                          std::uint64_t floorBytes);
// "38 GB", "3.2 GB", "512 MB": decimal units, as disks are sold.
std::string SizeText(std::uint64_t bytes);
// "less than a minute", "1 minute", "5 hours", "9 days".
std::string DurationText(double seconds);

}  // namespace watchpost
