// Files built from the fuzz bytes by a walk over the grammar. The first byte
// chooses whether the file is parsed as built, when it must give exactly the
// JSON the generator expects, or damaged by a few edits first.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "checks.hpp"
#include "generator.hpp"
#include "jrl/jrl.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace jrl::fuzz;
  Choices choices(std::span(data, size));
  const bool damage = choices.byte() & 1;
  GeneratedFile file = generate_file(choices);
  if (damage) {
    mutate_text(file.text, choices);
  } else {
    const auto result = jrl::parse(file.text);
    if (file.json) {
      require(result.has_value(), "a generated file parses");
      require(result->to_string() == *file.json,
              "a generated file gives the expected JSON");
    } else {
      require(!result.has_value() &&
                  result.error().render().find("nested deeper than 256") !=
                      std::string::npos,
              "nesting past the limit is refused");
    }
  }
  check_parse(file.text);
  return 0;
}
