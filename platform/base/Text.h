#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace base {

// The longest prefix of `text` of at most `maxBytes` bytes that ends on a whole UTF-8
// character.
std::size_t Utf8PrefixBytes(std::string_view text, std::size_t maxBytes);

// `text` cut to at most `maxBytes` bytes, never inside a character.
std::string CutUtf8(std::string text, std::size_t maxBytes);

// Copies as much of `text` as fits a buffer of `chars` characters, terminator included, never
// half a character. A null or empty buffer is left alone.
void CopyBounded(std::string_view text, char* into, std::size_t chars);
template <std::size_t N>
void CopyBounded(std::string_view text, std::array<char, N>& into) {
  CopyBounded(text, into.data(), N);
}

// `pattern` with "%1", "%2", ... replaced by the values in order; a number without a value,
// and "%%", stand as they are. Texts live in one table, what fills them in comes at run time.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values);

// strerror, but safe on any thread.
std::string ErrnoText(int error);

}  // namespace base
