#pragma once

#include <cstddef>

namespace testing_support {

// The largest frame the tests give the capture window and its drivers: what Watchpost passes.
inline constexpr std::size_t kMaxFrameBytes = 4'915'200;

}  // namespace testing_support
