#include "char_offsets.hpp"

#include <algorithm>

#include "jrl/source_map.hpp"

namespace jrl_native {

void CharOffsets::count() {
  std::sort(bytes_.begin(), bytes_.end());
  bytes_.erase(std::unique(bytes_.begin(), bytes_.end()), bytes_.end());
  chars_.clear();
  chars_.reserve(bytes_.size());
  // Offsets of the core lie between characters, so the count can go on
  // from the previous offset.
  std::size_t byte = 0;
  std::size_t chars = 0;
  for (std::size_t next : bytes_) {
    next = std::min(next, text_.size());
    chars += jrl::character_offset(text_.substr(byte), next - byte);
    byte = next;
    chars_.push_back(chars);
  }
}

std::size_t CharOffsets::at(std::size_t byte) const {
  const auto found = std::lower_bound(bytes_.begin(), bytes_.end(), byte);
  if (found == bytes_.end() || *found != byte) {
    return jrl::character_offset(text_, byte);  // not added: counted alone
  }
  return chars_[static_cast<std::size_t>(found - bytes_.begin())];
}

}  // namespace jrl_native
