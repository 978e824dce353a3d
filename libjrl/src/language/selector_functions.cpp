#include "jrl/selector_functions.hpp"

#include <algorithm>

#include "text/char_classes.hpp"

namespace jrl {

const SelectorFunction* find_selector_function(std::string_view name) {
  const bool lower = std::none_of(name.begin(), name.end(), chars::is_upper);
  for (const SelectorFunction& f : selector_functions()) {
    if (f.name.size() != name.size()) continue;
    if (std::equal(name.begin(), name.end(), f.name.begin(),
                   [&](char written, char capital) {
                     return written ==
                            (lower ? chars::to_lower(capital) : capital);
                   })) {
      return &f;
    }
  }
  return nullptr;
}

}  // namespace jrl
