// JSON text of a parsed file, compact or pretty.
//
// One pass over the model into one growable buffer: each value is written
// when the walk reaches it, with no intermediate tree.
#pragma once

#include <memory>
#include <string>

#include "jrl/model.hpp"
#include "jrl/streaming.hpp"
#include "render/requirement_writer.hpp"

namespace jrl::json {

// Compact form: no whitespace anywhere.
std::string write_compact(const JRLQueryFile& file);

// Pretty form: two-space indent, each member on its own line, closing
// brackets on their own lines, `[]` for an empty array, no final line feed.
std::string write_pretty(const JRLQueryFile& file);

// Writes the text of a parsed file to `sink` a requirement at a time.
std::unique_ptr<RequirementWriter> streamed_file(bool pretty,
                                                 const TextSink& sink);

}  // namespace jrl::json
