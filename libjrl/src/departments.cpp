#include "jrl/departments.hpp"

#include <cstddef>

#include "suggest/closest_string.hpp"
#include "wexmoor_departments/wexmoor_departments.hpp"

namespace jrl {
namespace {

// A course in a file names its department in four symbols, so the
// registry's shorter codes can be suggested by a report but never written.
constexpr std::size_t WRITABLE_CODE_SIZE = 4;

}  // namespace

std::span<const std::string_view> departments() {
  return wexmoor_departments::WEXMOOR_DEPARTMENTS_LIST.get();
}

std::optional<std::string_view> closest_department(std::string_view code) {
  if (wexmoor_departments::is_department(code)) return std::nullopt;
  // The closest of all codes, as the report names it; where that is a code
  // no file can hold, the next closest four-character one is a poorer
  // guess (MUSC is nearer MUS than any four-letter code), so none is given.
  auto closest = closest_string::closest_string(code, departments());
  if (!closest || closest->size() != WRITABLE_CODE_SIZE) return std::nullopt;
  return closest;
}

}  // namespace jrl
