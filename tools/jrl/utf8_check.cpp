#include "utf8_check.hpp"

namespace jrl::cli {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

std::size_t utf8_sequence_length(std::string_view text, std::size_t offset) {
  const auto at = [&](std::size_t i) {
    return static_cast<unsigned char>(text[offset + i]);
  };
  const std::size_t left = text.size() - offset;
  const unsigned char lead = at(0);
  if (lead < 0x80) return 1;

  std::size_t length = 0;
  // The allowed range of the second byte narrows for leads whose shortest
  // forms would be overlong, surrogates or beyond U+10FFFF.
  unsigned char second_min = 0x80;
  unsigned char second_max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) second_min = 0xA0;
    if (lead == 0xED) second_max = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) second_min = 0x90;
    if (lead == 0xF4) second_max = 0x8F;
  } else {
    return 0;
  }
  if (left < length) return 0;
  if (at(1) < second_min || at(1) > second_max) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (!is_continuation(at(i))) return 0;
  }
  return length;
}

std::optional<Utf8Fault> find_invalid_utf8(std::string_view text) {
  Utf8Fault place;
  std::size_t offset = 0;
  while (offset < text.size()) {
    const std::size_t length = utf8_sequence_length(text, offset);
    if (length == 0) {
      place.offset = offset;
      place.byte = static_cast<unsigned char>(text[offset]);
      return place;
    }
    if (text[offset] == '\n') {
      ++place.line;
      place.column = 1;
    } else {
      ++place.column;
    }
    offset += length;
  }
  return std::nullopt;
}

}  // namespace jrl::cli
