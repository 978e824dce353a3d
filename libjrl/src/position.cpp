// Lines and columns of byte offsets, by the one rule every place uses.
#include "jrl/position.hpp"

#include <algorithm>
#include <cstring>

#include "text/utf8.hpp"

namespace jrl {

LineIndex::LineIndex(std::string_view text)
    : text_(text), bom_(byte_order_mark_length(text)) {
  starts_.push_back(0);
  const char* data = text.data();
  std::size_t from = 0;
  while (from < text.size()) {
    const void* lf = std::memchr(data + from, '\n', text.size() - from);
    if (lf == nullptr) break;
    from = static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1;
    starts_.push_back(from);
  }
}

std::size_t LineIndex::line_start(std::size_t offset) const {
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  return *(after - 1);
}

LineCol LineIndex::at(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), offset);
  const std::size_t line = static_cast<std::size_t>(after - starts_.begin());
  std::size_t from = *(after - 1);
  if (line == 1) from = std::min(std::max(from, bom_), offset);
  // No line feed lies in between, so every character is one column.
  return {line, 1 + utf8::count_characters(text_.substr(from, offset - from))};
}

std::size_t character_offset(std::string_view input, std::size_t offset) {
  return utf8::count_characters(input.substr(0, std::min(offset, input.size())));
}

std::size_t byte_offset(std::string_view input, std::size_t characters) {
  std::size_t offset = 0;
  for (; characters > 0 && offset < input.size(); --characters) {
    offset += utf8::decode(input, offset).length;
  }
  return offset;
}

}  // namespace jrl
