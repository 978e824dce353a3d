// What a loaded catalogue holds: the courses in file order and the indexes
// that let a selector find its courses without reading every course.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "jrl/catalogue.hpp"

namespace jrl {

// Positions in Catalogue::Data::courses, ascending.
using CoursePositions = std::vector<std::uint32_t>;

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const {
    return std::hash<std::string_view>{}(s);
  }
};
using NameIndex =
    std::unordered_map<std::string, CoursePositions, NameHash, std::equal_to<>>;

// The courses carrying each name: for every programme (`everywhere`), for one
// programme (`scoped`, keyed by programme_key()), and for any programme at
// all (`anywhere`, the union of the two).
struct NameIndexes {
  NameIndex everywhere;
  NameIndex scoped;
  NameIndex anywhere;
};

// The key of `scoped` for a name held for one programme.
inline std::string programme_key(std::string_view name, std::string_view code) {
  std::string key(name);
  key += '\0';
  key += code;
  return key;
}

struct Catalogue::Data {
  std::string name;
  std::vector<CatalogueCourse> courses;
  std::vector<std::string> placements;
  std::vector<std::string> programme_codes;
  // Each department's courses, ordered by number and then lecture before
  // lab: a CLASS is a binary search, a RANGE a slice.
  NameIndex by_department;
  NameIndexes tags;
  NameIndexes distributions;

  void build_indexes();
};

}  // namespace jrl
