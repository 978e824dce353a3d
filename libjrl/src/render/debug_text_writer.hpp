// Appends the single-line debug text of model records to a caller's buffer,
// so that a whole parse result renders into one buffer (in memory or
// streaming) without temporaries.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "jrl/model.hpp"
#include "jrl/parse.hpp"
#include "render/output_buffer.hpp"
#include "render/requirement_writer.hpp"

namespace jrl {

// `text` in double quotes. Inside, `"` `\` tab CR LF NUL become `\"` `\\`
// `\t` `\r` `\n` `\0`; grapheme-extending and non-printable characters
// become `\u{hex}`; everything else is copied. A byte that is not part of
// valid UTF-8 (never in a parsed model) is written as U+FFFD, so the output
// is always valid UTF-8.
void append_escaped_text(OutputBuffer& out, std::string_view text);
void append_escaped_text(std::string& out, std::string_view text);

void append_debug_text(OutputBuffer& out, const Class& value);
void append_debug_text(OutputBuffer& out, JRLQueryType value);
void append_debug_text(OutputBuffer& out, const Quantity& value);
void append_debug_text(OutputBuffer& out, const Selector& value);
void append_debug_text(OutputBuffer& out, const JRLQuery& value);
void append_debug_text(OutputBuffer& out, const JRLRequirement& value);
void append_debug_text(OutputBuffer& out, const JRLQueryFile& value);
void append_debug_text(OutputBuffer& out, const ParseResult& value);

// Writes the debug text of a parse result to `sink` a requirement at a time.
std::unique_ptr<RequirementWriter> streamed_debug_text(const TextSink& sink);

}  // namespace jrl
