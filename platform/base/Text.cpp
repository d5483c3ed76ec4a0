#include "platform/base/Text.h"

#include <algorithm>
#include <cstring>

namespace base {
namespace {

// glibc offers the GNU strerror_r (returns the text), others the POSIX one (fills the buffer).
[[maybe_unused]] const char* PickText(int result, const char* buffer) {
  return result == 0 ? buffer : "unknown error";
}
[[maybe_unused]] const char* PickText(const char* text, const char*) { return text; }

}  // namespace

std::size_t Utf8PrefixBytes(std::string_view text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return text.size();
  std::size_t end = maxBytes;
  // Back off over continuation bytes so the cut lands before a character's first byte.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return end;
}

std::string CutUtf8(std::string text, std::size_t maxBytes) {
  text.resize(Utf8PrefixBytes(text, maxBytes));
  return text;
}

void CopyBounded(std::string_view text, char* into, std::size_t chars) {
  if (into == nullptr || chars == 0) return;
  const std::size_t n = Utf8PrefixBytes(text, chars - 1);
  std::memcpy(into, text.data(), n);
  into[n] = '\0';
}

std::string ErrnoText(int error) {
  char buffer[256] = {};
  return PickText(strerror_r(error, buffer, sizeof buffer), buffer);
}

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string text;
  text.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const auto index = static_cast<std::size_t>(next - '1');
    if (pattern[i] == '%' && next >= '1' && next <= '9' && index < values.size()) {
      text += values.begin()[index];
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

}  // namespace base
