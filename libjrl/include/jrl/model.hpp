// The query model: the records a requirements file is turned into.
//
// Plain values that view their storage: texts are std::string_view and the
// selectors of a query a std::span, both pointing into the ModelArena the
// records were built in (jrl/model_arena.hpp). A parsed file shares its arena
// with every copy of its ParseResult; its records are valid as long as one
// of them lives, and a parsed file is never changed afterwards. Every record
// but the file is trivially destructible, so a model is freed with its arena,
// in a few calls however large it is. Field order is the declared order,
// which is also the order of the debug text and of the JSON form.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "jrl/version.hpp"

namespace jrl {

// One course of the catalogue.
struct Class {
  std::string_view department_id;
  std::uint16_t course_number = 0;
  bool lab = false;

  friend bool operator==(const Class&, const Class&) = default;
};

enum class JRLQueryType : std::uint8_t { Select = 0, Limit = 1 };

namespace quantity {
// Exactly this many.
struct Single {
  std::uint16_t count = 0;
  friend bool operator==(const Single&, const Single&) = default;
};
// A range of counts, from `from` to `to` inclusive.
struct Many {
  std::uint16_t from = 0;
  std::uint16_t to = 0;
  friend bool operator==(const Many&, const Many&) = default;
};
}  // namespace quantity

using Quantity = std::variant<quantity::Single, quantity::Many>;

struct Selector;

// One SELECT or LIMIT query.
struct JRLQuery {
  Quantity quantity;
  JRLQueryType type = JRLQueryType::Select;
  std::span<const Selector> selector;
};

namespace selector {
struct Class {
  jrl::Class value;
  friend bool operator==(const Class&, const Class&) = default;
};
struct Placement {
  std::string_view value;
  friend bool operator==(const Placement&, const Placement&) = default;
};
struct Tag {
  std::string_view value;
  friend bool operator==(const Tag&, const Tag&) = default;
};
struct TagCode {
  std::string_view tag;
  std::string_view code;
  friend bool operator==(const TagCode&, const TagCode&) = default;
};
struct Dist {
  std::string_view value;
  friend bool operator==(const Dist&, const Dist&) = default;
};
struct DistCode {
  std::string_view dist;
  std::string_view code;
  friend bool operator==(const DistCode&, const DistCode&) = default;
};
struct Range {
  jrl::Class from;
  jrl::Class to;
  friend bool operator==(const Range&, const Range&) = default;
};
struct RangeDist {
  jrl::Class from;
  jrl::Class to;
  std::string_view dist;
  friend bool operator==(const RangeDist&, const RangeDist&) = default;
};
struct RangeTag {
  jrl::Class from;
  jrl::Class to;
  std::string_view tag;
  friend bool operator==(const RangeTag&, const RangeTag&) = default;
};
// A nested query, owned by value.
struct Query {
  JRLQuery value;
};
}  // namespace selector

// One thing a query selects from. The alternatives stand in variant order:
// the index of `value` is the variant number (Class 0 ... Query 9).
struct Selector {
  using Variant =
      std::variant<selector::Class, selector::Placement, selector::Tag,
                   selector::TagCode, selector::Dist, selector::DistCode,
                   selector::Range, selector::RangeDist, selector::RangeTag,
                   selector::Query>;
  Variant value;
};

bool operator==(const JRLQuery& a, const JRLQuery& b);
// In the variant's namespace, where std::variant's comparison finds it.
namespace selector {
inline bool operator==(const Query& a, const Query& b) {
  return a.value == b.value;
}
}  // namespace selector
inline bool operator==(const Selector& a, const Selector& b) {
  return a.value == b.value;
}
inline bool operator==(const JRLQuery& a, const JRLQuery& b) {
  return a.quantity == b.quantity && a.type == b.type &&
         std::ranges::equal(a.selector, b.selector);
}

// One requirement statement: a query with its description and priority.
struct JRLRequirement {
  JRLQuery query;
  std::string_view description;
  std::uint16_t priority = 1;

  friend bool operator==(const JRLRequirement&,
                         const JRLRequirement&) = default;
};

static_assert(std::is_trivially_destructible_v<Selector> &&
              std::is_trivially_destructible_v<JRLRequirement>);

// One requirements file. Its list of requirements is the one part it owns.
struct JRLQueryFile {
  std::string_view version = VERSION;  // a library constant, not owned
  std::vector<JRLRequirement> requirements;

  friend bool operator==(const JRLQueryFile&, const JRLQueryFile&) = default;
};

// Single-line debug text of each record and variant, e.g.
// `Class { department_id: "MATH", course_number: 1200, lab: false }`.
std::string debug_text(const Class& value);
std::string debug_text(JRLQueryType value);
std::string debug_text(const Quantity& value);
std::string debug_text(const Selector& value);
std::string debug_text(const JRLQuery& value);
std::string debug_text(const JRLRequirement& value);
std::string debug_text(const JRLQueryFile& value);

}  // namespace jrl
