// Unsigned 16-bit decimal numbers.
#include "parser/number.hpp"

#include <limits>

#include "jrl/model_rules.hpp"
#include "text/char_classes.hpp"

namespace jrl {

std::expected<std::uint16_t, Error> parse_u16(std::string_view text,
                                              Fault fault) {
  constexpr std::uint16_t MAX = std::numeric_limits<std::uint16_t>::max();
  if (text.empty()) {
    return std::unexpected(
        Error::conversion("cannot parse integer from empty string", {fault}));
  }
  if (text.size() > 1 && text.front() == '+') text.remove_prefix(1);
  // Digits are read left to right; the first fault found is the one named.
  std::uint32_t value = 0;
  for (char c : text) {
    if (!chars::is_digit(c)) {
      return std::unexpected(
          Error::conversion("invalid digit found in string", {fault}));
    }
    value = value * 10 + static_cast<std::uint32_t>(c - chars::DIGIT.first);
    if (value > MAX) {
      return std::unexpected(Error::conversion(
          std::string(model_rules::NUMBER_TOO_LARGE), {fault, {}, MAX}));
    }
  }
  return static_cast<std::uint16_t>(value);
}

}  // namespace jrl
