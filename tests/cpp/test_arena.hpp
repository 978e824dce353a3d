// Storage for the models the tests build by hand. It lives as long as the
// test program, so records made in it can be kept in tables and results.
#pragma once

#include <string_view>

#include "jrl/model_arena.hpp"

namespace jrl {

inline ModelArena& test_arena() {
  static ModelArena arena;
  return arena;
}

// A copy of `text` that outlives the string it came from.
inline std::string_view kept(std::string_view text) {
  return test_arena().text(text);
}

}  // namespace jrl
