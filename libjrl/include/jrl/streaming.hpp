// Rendering a parsed file in pieces, for output too large to hold at once.
//
// Each function writes exactly the text of its in-memory counterpart
// (`to_string`, `to_string_pretty`, `to_debug_string`), but hands it to
// `sink` in order, chunk by chunk, as it is rendered; no more than about
// STREAM_CHUNK_SIZE bytes of it are held at any time. A chunk's bytes are
// valid only during the call that receives them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <functional>
#include <string_view>

#include "jrl/error.hpp"
#include "jrl/parse.hpp"

namespace jrl {

using TextSink = std::function<void(std::string_view chunk)>;

// The size of the chunks a sink receives (the last may be shorter; a text
// run longer than this may come in one piece of its own).
inline constexpr std::size_t STREAM_CHUNK_SIZE = std::size_t{1} << 16;

void stream_json(const ParseResult& result, const TextSink& sink);
void stream_json_pretty(const ParseResult& result, const TextSink& sink);
void stream_debug_string(const ParseResult& result, const TextSink& sink);

// The renderings of a whole parsed file.
enum class Rendering : std::uint8_t {
  json,         // to_string
  json_pretty,  // to_string_pretty
  debug,        // to_debug_string
};

// Parses `input` and streams a rendering of its model to `sink` without
// ever holding the model: the text is checked first, then parsed again with
// each requirement written and dropped as soon as it is built. The bytes are
// exactly those of the matching stream_* of `parse(input)`, and the error is
// exactly parse's, in which case nothing is written. Memory beyond the input
// is one requirement and one chunk; the price is a second run over the text.
std::expected<void, Error> parse_and_stream(std::string_view input,
                                            Rendering rendering,
                                            const TextSink& sink);

}  // namespace jrl
