// The one reading of a text behind `analyse` and `check`, with what it cost
// in runs of the grammar.
#pragma once

#include <cstddef>
#include <string_view>

#include "jrl/analysis.hpp"
#include "jrl/diagnostics.hpp"

namespace jrl::diagnostics {

// The texts a reading handed to the grammar, and their bytes (a text
// refused for its bytes before the grammar ran counts too).
struct GrammarRuns {
  std::size_t runs = 0;
  std::size_t bytes = 0;
};

// `analyse(text, options)`; with `whole` false, only its diagnostics are
// made (`check`): no model is kept and no statement past the cap of
// diagnostics is read. With `runs`, adds the grammar runs made there.
Analysis read(std::string_view text, const CheckOptions& options, bool whole,
              GrammarRuns* runs = nullptr);

}  // namespace jrl::diagnostics
