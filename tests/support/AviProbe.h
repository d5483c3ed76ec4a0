#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// What FFmpeg makes of an AVI: its stream's rate and size, and every frame it decodes, as
// top-down BGR24 rows (the way the picture is seen).
struct AviProbe {
  bool opened = false;
  std::string error;
  int rateNum = 0;  // frames per second = rateNum / rateDen
  int rateDen = 0;
  int width = 0;
  int height = 0;
  std::string codec;
  std::vector<std::vector<std::uint8_t>> frames;
};

AviProbe ProbeAvi(const std::string& path);

}  // namespace testing_support
