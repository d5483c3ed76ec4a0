#include "platform/video/FrameFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace video {
namespace {

// The limit the capture program passes.
constexpr std::size_t kMaxFrameBytes = 4'915'200;

BitmapInfoHeader Header(int width, int height, int bits) {
  BitmapInfoHeader h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<std::uint16_t>(bits);
  return h;
}

std::vector<std::uint8_t> Bytes(const BitmapInfoHeader& h,
                                std::size_t size = sizeof(BitmapInfoHeader)) {
  std::vector<std::uint8_t> bytes(size, 0);
  std::memcpy(bytes.data(), &h, std::min(size, sizeof h));
  return bytes;
}

TEST(ParseVideoFormatTest, AcceptsWhatTheCaptureProgramCanHoldAndRefusesTheRest) {
  BitmapInfoHeader compressed = Header(640, 480, 24);
  compressed.biCompression = 0x47504a4d;  // "MJPG"
  BitmapInfoHeader oversized = Header(640, 480, 24);
  oversized.biSize = 44;
  BitmapInfoHeader undersized = Header(640, 480, 24);
  undersized.biSize = 36;

  const struct {
    const char* name;
    std::vector<std::uint8_t> record;
    bool accepted;
    FrameFormat format;  // when accepted
    const char* reason;  // part of the message when refused
  } cases[] = {
      {"640x480x24", Bytes(Header(640, 480, 24)), true, {640, 480, 24}, ""},
      {"640x480x32", Bytes(Header(640, 480, 32)), true, {640, 480, 32}, ""},
      {"1600x1024x24 is exactly the limit",
       Bytes(Header(1600, 1024, 24)),
       true,
       {1600, 1024, 24},
       ""},
      {"1600x1024x32 is over it", Bytes(Header(1600, 1024, 32)), false, {}, "4915200"},
      {"1-bit", Bytes(Header(640, 480, 1)), false, {}, "1 bits"},
      {"16-bit", Bytes(Header(640, 480, 16)), false, {}, "16 bits"},
      {"compressed", Bytes(compressed), false, {}, "uncompressed"},
      {"negative height (top-down)", Bytes(Header(640, -480, 24)), false, {}, "bottom-up"},
      {"zero width", Bytes(Header(0, 480, 24)), false, {}, "empty"},
      {"short record", Bytes(Header(640, 480, 24), 39), false, {}, "too short"},
      {"biSize past the record", Bytes(oversized), false, {}, "size field"},
      {"biSize 44 in a 44-byte record", Bytes(oversized, 44), true, {640, 480, 24}, ""},
      {"biSize below the header", Bytes(undersized), false, {}, "size field"},
      {"huge sides do not wrap", Bytes(Header(0x7fffffff, 0x7fffffff, 32)), false, {}, "larger"},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    const FrameFormat before{7, 9, 32};
    FrameFormat format = before;
    std::string error;
    EXPECT_EQ(ParseVideoFormat(t.record.data(), t.record.size(), kMaxFrameBytes, format, error),
              t.accepted)
        << error;
    if (t.accepted) {
      EXPECT_EQ(format, t.format);
    } else {
      EXPECT_EQ(format, before) << "a refused record must leave the format alone";
      EXPECT_NE(error.find(t.reason), std::string::npos) << error;
    }
  }
  FrameFormat format;
  std::string error;
  EXPECT_FALSE(ParseVideoFormat(nullptr, 44, kMaxFrameBytes, format, error));
}

TEST(ParseVideoFormatTest, TheLimitIsTheCallers) {
  const BitmapInfo vga = ToBitmapInfo({640, 480, 24});
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&vga);
  FrameFormat format;
  std::string error;
  EXPECT_TRUE(ParseVideoFormat(bytes, sizeof vga, 921'600, format, error)) << error;
  EXPECT_FALSE(ParseVideoFormat(bytes, sizeof vga, 921'599, format, error));
  EXPECT_NE(error.find("921599"), std::string::npos) << error;
}

TEST(ParseVideoFormatTest, ReadsBackTheRecordItsFormatGives) {
  for (const FrameFormat f :
       {FrameFormat{640, 480, 24}, FrameFormat{1, 1, 32}, FrameFormat{1600, 1024, 24}}) {
    const BitmapInfo info = ToBitmapInfo(f);
    EXPECT_EQ(info.bmiHeader.biSizeImage, f.bytes());
    FrameFormat back;
    std::string error;
    ASSERT_TRUE(ParseVideoFormat(reinterpret_cast<const std::uint8_t*>(&info), sizeof info,
                                 kMaxFrameBytes, back, error))
        << error;
    EXPECT_EQ(back, f);
  }
}

}  // namespace
}  // namespace video
