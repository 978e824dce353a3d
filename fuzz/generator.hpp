// Builds requirement files from fuzz bytes: each byte is a choice in a walk
// over the grammar, so every input is a well-formed file, and the generator
// knows the compact JSON the parser must produce for it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace jrl::fuzz {

// Reads choices from the fuzz bytes; once they run out every choice is 0,
// which always picks the smallest continuation, so generation ends.
class Choices {
 public:
  explicit Choices(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint8_t byte() { return at_ < bytes_.size() ? bytes_[at_++] : 0; }
  // A value in [0, n); n must be positive.
  std::size_t below(std::size_t n);
  // True with probability about percent/100.
  // A spent input (byte 0) answers no.
  bool chance(unsigned percent) { return byte() % 100 + percent >= 100; }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

struct GeneratedFile {
  std::string text;
  // The compact JSON of the file, or none when its nesting is past the
  // parser's limit (which must then reject it).
  std::optional<std::string> json;
  std::size_t depth = 0;  // deepest statement nesting, top level is 1
};

// A valid file built from the choices.
GeneratedFile generate_file(Choices& choices);

// Damages `text` with one to four edits (deletions, copies, inserted
// grammar fragments, stray bytes including ones that are not UTF-8).
void mutate_text(std::string& text, Choices& choices);

}  // namespace jrl::fuzz
