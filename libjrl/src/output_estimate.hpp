// Capacity to reserve for a rendering of a file while it is being written.
//
// Growing a buffer by doubling copies about its final size again and faults
// in about twice the memory. Once some requirements are written, their
// average size times the count of all predicts the whole; the step is capped
// so that one large first requirement cannot reserve far beyond the output.
#pragma once

#include <cstddef>

namespace jrl {

// True after the requirements worth a new estimate: the 1st, 2nd, 4th, ...
constexpr bool estimate_due(std::size_t written) {
  return (written & (written - 1)) == 0;
}

// `used` bytes so far hold `written` of `total` requirements (written > 0).
constexpr std::size_t estimated_capacity(std::size_t used, std::size_t written,
                                         std::size_t total) {
  const std::size_t projected = used / written * total + used / 16 + 64;
  const std::size_t cap = used * 8;
  return projected < cap ? projected : cap;
}

}  // namespace jrl
