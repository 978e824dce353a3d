// The entry point: requirements text in, a parsed file or an error out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <memory>
#include <string>
#include <string_view>

#include "jrl/error.hpp"
#include "jrl/model.hpp"
#include "jrl/model_arena.hpp"

namespace jrl {

// The value of a successful parse. The texts and selector sequences of
// `parsed_jrl_file` live in `storage`, which copies share: moving and copying
// are cheap, and the records stay valid as long as one copy lives. Keep the
// ParseResult (or a copy) alive as long as you read its records.
struct ParseResult {
  JRLQueryFile parsed_jrl_file;
  std::shared_ptr<const ModelArena> storage;

  // Compact JSON of `parsed_jrl_file`.
  std::expected<std::string, Error> to_string() const;
  // Pretty JSON (two-space indent) of `parsed_jrl_file`.
  std::expected<std::string, Error> to_string_pretty() const;
  // Single-line debug text, `ParseResult { parsed_jrl_file: ... }`.
  std::string to_debug_string() const;

  // Equal when the parsed files are; where they are stored does not count.
  friend bool operator==(const ParseResult& a, const ParseResult& b) {
    return a.parsed_jrl_file == b.parsed_jrl_file;
  }
};

// Inputs of this many bytes or more are refused ("input larger than 4 GiB
// is not supported"): node offsets are 32-bit, so every offset, the end
// included, must fit.
inline constexpr std::uint64_t MAX_INPUT_SIZE = std::uint64_t{1} << 32;

// Statements nested deeper than this are refused ("queries nested deeper
// than 256 levels are not supported"); the top-level statement is level 1.
inline constexpr std::size_t MAX_NESTING_DEPTH = 256;

// Parses one requirements file. The input must be valid UTF-8 (it is
// checked: the first ill-formed byte gives the report "input is not valid
// UTF-8" at its place) and shorter than 4 GiB. The first fault ends the parse; nothing partial comes back.
std::expected<ParseResult, Error> parse(std::string_view input);

}  // namespace jrl

// The library's own name for its namespace.
namespace libjrl = jrl;
