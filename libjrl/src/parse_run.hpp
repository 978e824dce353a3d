// One run of the grammar over a text, statement by statement, as `parse`
// makes it: the readers that keep more than the model (the checker, the
// analysis) take each statement through their own sink.
#pragma once

#include <expected>
#include <string_view>

#include "jrl/error.hpp"
#include "jrl/source_map.hpp"
#include "parser/parse_tree.hpp"

namespace jrl {

// Checks `input` as `parse` does (its size, its UTF-8) and runs the grammar
// over it, handing each top-level statement to `sink` as soon as it has
// matched. Fails with the error `parse` gives for a text that is refused or
// does not match the grammar; what the sink makes of the statements is its
// own affair. A run that fails may have handed over the statements before
// the place it failed at: they matched, and nothing takes them back.
std::expected<void, Error> run_statements(std::string_view input,
                                          NodeSink& sink);

// Appends where `statement` (a `special_statement`) and its selectors stand
// to `map`, as `parse(input, map)` records them.
void record_spans(NodeRef statement, SourceMap& map);

}  // namespace jrl
