#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace base {

// The settings store keeps numbers as 32-bit values, signed or not: 4294967295 reads as -1, as
// it would from the registry. What does not fit 32 bits is no number.
inline std::optional<int> ProfileNumber(long long value) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::uint32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int>(static_cast<std::uint32_t>(value));
}

}  // namespace base
