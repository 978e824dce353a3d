// A small strict JSON reader for checking the library's JSON output.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jrl::fuzz {

// The two renderings of one JSON text, rebuilt from its parsed content.
struct JsonForms {
  std::string compact;
  std::string pretty;
};

// Reads one JSON value (RFC 8259: no comments, no trailing commas, strings
// of valid UTF-8 without raw control bytes) filling the whole text, and
// writes it out again in both forms: compact without any whitespace, pretty
// with a two-space indent, ": " after keys and "[]"/"{}" for empty
// containers. Strings are re-escaped minimally: `"`, `\` and control bytes
// (\b \t \n \f \r, else \u00xx); everything else is copied. None when the
// text is not JSON.
std::optional<JsonForms> reformat_json(std::string_view text);

}  // namespace jrl::fuzz
