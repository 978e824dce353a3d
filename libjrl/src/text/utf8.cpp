#include "text/utf8.hpp"

#include <cstdint>
#include <cstring>

namespace jrl::utf8 {
namespace {

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

Decoded decode(std::string_view text, std::size_t offset) {
  const auto byte = [&](std::size_t i) {
    return static_cast<unsigned char>(text[offset + i]);
  };
  const std::size_t left = text.size() - offset;
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {lead, 1, true};

  std::size_t length = 0;
  char32_t code_point = 0;
  // The second byte's range narrows where the shortest forms would be
  // overlong, surrogates or past U+10FFFF.
  unsigned char second_min = 0x80;
  unsigned char second_max = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code_point = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code_point = lead & 0x0F;
    if (lead == 0xE0) second_min = 0xA0;
    if (lead == 0xED) second_max = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code_point = lead & 0x07;
    if (lead == 0xF0) second_min = 0x90;
    if (lead == 0xF4) second_max = 0x8F;
  } else {
    return {REPLACEMENT_CHARACTER, 1, false};
  }
  std::size_t i = 1;
  for (; i < length && i < left; ++i) {
    const unsigned char next = byte(i);
    const bool fits = i == 1 ? next >= second_min && next <= second_max
                             : is_continuation(next);
    if (!fits) break;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  if (i < length) return {REPLACEMENT_CHARACTER, i, false};
  return {code_point, length, true};
}

std::optional<std::size_t> first_invalid(std::string_view text) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  std::size_t i = 0;
  while (i < size) {
    // ASCII runs, eight bytes at a time.
    while (i + 8 <= size) {
      std::uint64_t chunk;
      std::memcpy(&chunk, bytes + i, 8);
      if (chunk & 0x8080808080808080ULL) break;
      i += 8;
    }
    if (i >= size) break;
    if (bytes[i] < 0x80) {
      ++i;
      continue;
    }
    const Decoded decoded = decode(text, i);
    if (!decoded.valid) return i;
    i += decoded.length;
  }
  return std::nullopt;
}

std::size_t count_characters(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < text.size(); ++count) {
    // ASCII, most of any text, is one byte a character.
    i += static_cast<unsigned char>(text[i]) < 0x80 ? 1 : decode(text, i).length;
  }
  return count;
}

std::string replace_invalid(std::string_view text) {
  std::optional<std::size_t> bad = first_invalid(text);
  if (!bad) return std::string(text);
  std::string out(text.substr(0, *bad));
  for (std::size_t i = *bad; i < text.size();) {
    const Decoded decoded = decode(text, i);
    if (decoded.valid) {
      out.append(text.substr(i, decoded.length));
    } else {
      out.append(REPLACEMENT_TEXT);
    }
    i += decoded.length;
  }
  return out;
}

}  // namespace jrl::utf8
