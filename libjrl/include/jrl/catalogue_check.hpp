// Checking a requirements file against a course catalogue: the names the
// catalogue does not know, the courses it does not hold, selectors that
// select nothing from it and queries it can never fill.
//
//   auto cat = jrl::Catalogue::load("examples/catalogue/wexmoor.json");
//   for (const jrl::Diagnostic& d : jrl::check(text, *cat)) ...
#pragma once

#include <string_view>
#include <vector>

#include "jrl/analysis.hpp"
#include "jrl/catalogue.hpp"
#include "jrl/diagnostics.hpp"

namespace jrl {

// The warnings `catalogue` shows in `text`, which `analysis` read
// (`analyse(text)`), in order of place. None for a text with an error: like
// every warning they are looked for in files that parse.
std::vector<Diagnostic> catalogue_warnings(std::string_view text,
                                           const Analysis& analysis,
                                           const Catalogue& catalogue);

// Adds the catalogue's warnings to `analysis.diagnostics`, among the other
// warnings by place, keeping `options.max_diagnostics`; nothing when
// `options.warnings` is false.
void add_catalogue_warnings(std::string_view text, Analysis& analysis,
                            const Catalogue& catalogue,
                            const CheckOptions& options = {});

// `check(text, options)` with the catalogue's warnings among the others.
std::vector<Diagnostic> check(std::string_view text, const Catalogue& catalogue,
                              const CheckOptions& options = {});

}  // namespace jrl
