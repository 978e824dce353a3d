// Any bytes at all, straight into the public parse entry.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "checks.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  jrl::fuzz::check_parse(
      std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
