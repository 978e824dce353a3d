// Byte offsets of the core turned into character indices of the Python str
// the text came from, counted by the library's one rule
// (jrl::character_offset). Lines and columns are never counted here: every
// object takes them from the library's own values.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace jrl_native {

// Collects the byte offsets of one result, then counts characters once
// through the text up to the last of them, rather than once per offset.
class CharOffsets {
 public:
  explicit CharOffsets(std::string_view text) : text_(text) {}

  void add(std::size_t byte) { bytes_.push_back(byte); }
  // Counts; call after the last add() and before at().
  void count();
  // The character index of `byte`, one of the offsets added (any other
  // is counted on its own).
  std::size_t at(std::size_t byte) const;

 private:
  std::string_view text_;
  std::vector<std::size_t> bytes_;  // sorted and unique after count()
  std::vector<std::size_t> chars_;  // the index of each of bytes_
};

}  // namespace jrl_native
