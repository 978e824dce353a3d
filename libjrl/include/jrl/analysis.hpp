// One reading of a requirements file for the tools that show it while it is
// written (the checker, the language server, the outline): every
// diagnostic, every top-level statement with its model when it builds, and
// where each built requirement and selector stands, all from one pass.
//
// Offsets count a leading byte-order mark and lines and columns do not, as
// in `check` (see jrl/position.hpp), so that edits and spans apply to the
// text as given.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "jrl/diagnostics.hpp"
#include "jrl/parse.hpp"
#include "jrl/position.hpp"
#include "jrl/source_map.hpp"

namespace jrl {

// One top-level statement, whether or not it builds.
struct AnalysedStatement {
  // The statement from its first token through its ";" (through its last
  // token where no ";" closes it).
  ByteSpan span;
  SourceSpan place;
  // The bytes `statement_spans` gives it: the space and comments before it
  // included, so that the chunks of a text cover it.
  ByteSpan chunk;
  // Index of its requirement in `Analysis::parsed`, when it built. In a
  // file that does not parse, a statement builds exactly when its chunk
  // parses on its own (the one that holds the file's first error never
  // does).
  std::optional<std::size_t> requirement;

  friend bool operator==(const AnalysedStatement&,
                         const AnalysedStatement&) = default;
};

struct Analysis {
  // As `check(text, options)` gives them.
  std::vector<Diagnostic> diagnostics;
  // Every statement in file order, those with errors included. A text of
  // nothing but space and comments has none, and neither has one refused
  // for its size; one with bytes that are not UTF-8 has its statements,
  // which build where they hold no such bytes.
  std::vector<AnalysedStatement> statements;
  // The requirements that built, in file order, and where they and their
  // selectors stand: for a file that parses, what `parse(text, map)` gives
  // (offsets moved past a byte-order mark).
  ParseResult parsed;
  SourceMap source_map;
};

// Reads `text` once: each statement goes through the grammar at most once,
// and warnings come from the models and the source map.
Analysis analyse(std::string_view text, const CheckOptions& options = {});

}  // namespace jrl
