// Numbers as text: the one place the library turns an unsigned integer into
// its digits.
#pragma once

#include <charconv>
#include <concepts>
#include <cstddef>
#include <limits>
#include <string>

namespace jrl::number_text {

// The most digits `T` needs in base 10 (or any larger base).
template <std::unsigned_integral T>
inline constexpr std::size_t MAX_DIGITS = std::numeric_limits<T>::digits10 + 1;

// How many decimal digits `value` has.
template <std::unsigned_integral T>
constexpr std::size_t decimal_size(T value) {
  std::size_t size = 1;
  for (; value >= 10; value /= 10) ++size;
  return size;
}

// Writes the digits of `value` at `out`, which has room for MAX_DIGITS<T>
// characters; returns the end of what was written.
template <std::unsigned_integral T>
char* write(char* out, T value, int base = 10) {
  return std::to_chars(out, out + MAX_DIGITS<T>, value, base).ptr;
}

// Appends the digits of `value` to `out` (a string or any buffer with
// `append(data, size)`).
template <std::unsigned_integral T, typename Out>
void append(Out& out, T value, int base = 10) {
  char digits[MAX_DIGITS<T>];
  const char* end = write(digits, value, base);
  out.append(digits, static_cast<std::size_t>(end - digits));
}

// The decimal digits of `value`.
template <std::unsigned_integral T>
std::string decimal(T value) {
  std::string out;
  append(out, value);
  return out;
}

}  // namespace jrl::number_text
