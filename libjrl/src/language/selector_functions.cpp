#include "jrl/selector_functions.hpp"

#include <algorithm>

namespace jrl {

const SelectorFunction* find_selector_function(std::string_view name) {
  const bool lower =
      std::none_of(name.begin(), name.end(),
                   [](char c) { return c >= 'A' && c <= 'Z'; });
  for (const SelectorFunction& f : selector_functions()) {
    if (f.name.size() != name.size()) continue;
    if (std::equal(name.begin(), name.end(), f.name.begin(),
                   [&](char written, char capital) {
                     const char lowered =
                         capital >= 'A' && capital <= 'Z'
                             ? static_cast<char>(capital - 'A' + 'a')
                             : capital;
                     return written == (lower ? lowered : capital);
                   })) {
      return &f;
    }
  }
  return nullptr;
}

}  // namespace jrl
