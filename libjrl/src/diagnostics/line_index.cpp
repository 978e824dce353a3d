// Lines and columns of byte offsets, counted as the reports count them.
#include <algorithm>
#include <cstring>

#include "jrl/diagnostics.hpp"

namespace jrl {

LineIndex::LineIndex(std::string_view text) : text_(text) {
  if (text.starts_with("\xEF\xBB\xBF")) bom_ = 3;
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
  // Each character is one column; continuation bytes of UTF-8 count
  // nothing. No line feed lies in between, so a carriage return counts too.
  std::size_t column = 1;
  for (std::size_t i = from; i < offset; ++i) {
    if ((static_cast<unsigned char>(text_[i]) & 0xC0) != 0x80) ++column;
  }
  return {line, column};
}

}  // namespace jrl
