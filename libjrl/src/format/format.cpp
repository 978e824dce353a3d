// jrl::format: parse first, so that only a text with a meaning is laid out
// and a fault is reported exactly as parse reports it; then read the tokens,
// break the lines and print.
#include "jrl/format.hpp"

#include "format/token_stream.hpp"
#include "jrl/parse.hpp"

namespace jrl {

std::expected<std::string, Error> format(std::string_view text,
                                         const FormatOptions& options) {
  if (auto parsed = parse(text); !parsed) {
    return std::unexpected(std::move(parsed.error()));
  }
  auto stream = formatting::read_tokens(text);
  if (!stream) return std::unexpected(std::move(stream.error()));
  formatting::break_lines(*stream, options.width);
  return formatting::print_tokens(text, *stream);
}

}  // namespace jrl
