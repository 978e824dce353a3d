// The formatter on any input: a text that parses is formatted at a width
// chosen by the first byte and must keep its meaning (the same JSON), its
// comments and its fixed point, and lay no list on a line too wide; a text
// that does not parse must fail with parse's own error (of the text after
// a byte-order mark).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "checks.hpp"
#include "format_properties.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) return 0;
  const std::size_t width = 10 + data[0] % 120;
  const std::string_view text(reinterpret_cast<const char*>(data + 1),
                              size - 1);
  const auto broken = jrl::testing::format_violations(text, width);
  jrl::fuzz::require(broken.empty(),
                     broken.empty() ? "" : broken.front().c_str());
  return 0;
}
