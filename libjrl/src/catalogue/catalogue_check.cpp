// The warnings a catalogue shows in a requirements file that parses: each
// requirement walked depth first, each selector met with its place from the
// source map.
#include "jrl/catalogue_check.hpp"

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "diagnostics/codes.hpp"
#include "diagnostics/diagnostic_list.hpp"
#include "diagnostics/warnings.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"
#include "suggest/closest_string.hpp"
#include "text/number_text.hpp"

namespace jrl {
namespace {

using diagnostics::Warning;

// The names a catalogue knows for one kind of string argument, and the
// warning for one it does not.
struct NameKind {
  std::string_view label;  // the argument's label in the function table
  std::string_view code;
  std::string_view message;  // before the name, quoted
};
constexpr std::array<NameKind, 4> NAME_KINDS = {{
    {"tag", diagnostics::CODE_UNKNOWN_TAG, "no course of the catalogue carries the tag"},
    {"distribution", diagnostics::CODE_UNKNOWN_DISTRIBUTION,
     "no course of the catalogue carries the distribution"},
    {"major code", diagnostics::CODE_UNKNOWN_PROGRAMME_CODE,
     "the catalogue lists no programme with the code"},
    {"placement", diagnostics::CODE_UNKNOWN_PLACEMENT,
     "the catalogue lists no placement named"},
}};

consteval bool every_string_argument_has_a_kind() {
  for (const SelectorFunction& f : selector_functions()) {
    for (const SelectorArgument& a : f.arguments()) {
      if (a.kind == ArgumentKind::string &&
          std::ranges::find(NAME_KINDS, a.label, &NameKind::label) == NAME_KINDS.end()) {
        return false;
      }
    }
  }
  return true;
}
static_assert(every_string_argument_has_a_kind(),
              "a new kind of string argument needs its names in catalogue checking");

// Every name of each kind, sorted, each once.
struct KnownNames {
  std::array<std::vector<std::string_view>, NAME_KINDS.size()> names;

  explicit KnownNames(const Catalogue& catalogue) {
    std::array<std::set<std::string_view>, NAME_KINDS.size()> sets;
    const auto add_all = [](std::set<std::string_view>& to, const auto& names,
                            const ProgrammeNames& scoped) {
      to.insert(names.begin(), names.end());
      for (const auto& entry : scoped) to.insert(entry.second.begin(), entry.second.end());
    };
    for (const CatalogueCourse& c : catalogue.courses()) {
      add_all(sets[0], c.tags, c.programme_tags);
      add_all(sets[1], c.distributions, c.programme_distributions);
    }
    sets[2].insert(catalogue.programme_codes().begin(), catalogue.programme_codes().end());
    sets[3].insert(catalogue.placements().begin(), catalogue.placements().end());
    for (std::size_t i = 0; i < sets.size(); ++i) names[i].assign(sets[i].begin(), sets[i].end());
  }

  bool knows(std::size_t kind, std::string_view name) const {
    return std::ranges::binary_search(names[kind], name);
  }
};

// A string as the language writes it, when it can be written plainly.
std::optional<std::string> string_literal(std::string_view text) {
  if (text.find_first_of("\"\\\n\r") != std::string_view::npos) return std::nullopt;
  return '"' + std::string(text) + '"';
}

Suggestion replacement(ByteSpan at, std::string_view old_text, std::string text) {
  std::string message = "replace `" + std::string(old_text) + "` with `" + text + "`";
  TextEdit edit;
  edit.offset = at.start;
  edit.end_offset = at.end;
  edit.replacement = std::move(text);
  return Suggestion{std::move(message), {std::move(edit)}};
}

// What a query's entries can offer it from the catalogue: courses,
// placements and groups that can be complete, each once.
struct Offer {
  std::set<const CatalogueCourse*> courses;
  std::set<std::string_view> placements;
  std::set<const JRLQuery*> groups;

  void add(const Offer& other) {
    courses.insert(other.courses.begin(), other.courses.end());
    placements.insert(other.placements.begin(), other.placements.end());
    groups.insert(other.groups.begin(), other.groups.end());
  }
  bool holds(const Offer& other) const {
    return std::ranges::includes(courses, other.courses) &&
           std::ranges::includes(placements, other.placements) &&
           std::ranges::includes(groups, other.groups);
  }
};

// What a query can hold at most: `bound` items, drawn from `offer`.
struct Capacity {
  std::size_t bound = 0;
  Offer offer;
};

std::size_t most(const Quantity& quantity) {
  if (const auto* many = std::get_if<quantity::Many>(&quantity)) return many->to;
  return std::get<quantity::Single>(quantity).count;
}

class Walk {
 public:
  Walk(std::string_view body, std::size_t base, const Catalogue& catalogue,
       const KnownNames& known, std::span<const ByteSpan> selectors)
      : body_(body), base_(base), catalogue_(catalogue), known_(known), selectors_(selectors) {}

  void requirement(const JRLRequirement& r, ByteSpan span) {
    query(r.query, span.start - base_, r.query.type == JRLQueryType::Limit);
  }

  std::vector<Warning> take() && { return std::move(found_); }

 private:
  // Walks the query written from `start`, warning where the catalogue shows
  // a fault; returns what it can hold. In a LIMIT nothing is asked for, so
  // no count is checked there.
  Capacity query(const JRLQuery& q, std::size_t start, bool in_limit) {
    const std::size_t warned = found_.size();
    Offer own;
    Offer capped;
    std::size_t from_caps = 0;
    bool only_classes = true;
    std::set<std::string> classes;
    for (const Selector& selector : q.selector) {
      const ByteSpan at = next_span();
      visit(selector,
            Overloaded{
                [&](const JRLQuery& inner) {
                  only_classes = false;
                  Capacity c = query(inner, at.start, in_limit);
                  if (diagnostics::least(inner.quantity) == 0) {
                    from_caps += std::min(c.bound, most(inner.quantity));
                    capped.add(c.offer);
                  } else if (c.bound >= diagnostics::least(inner.quantity)) {
                    own.groups.insert(&inner);
                  }
                },
                [&](const SelectorFunction& row, const auto&... args) {
                  const bool one_course = diagnostics::names_one_course(row);
                  only_classes = only_classes && one_course;
                  if (one_course) classes.insert(debug_text(selector));
                  call(selector, row, at, own, args...);
                }});
    }
    Capacity out;
    std::size_t outside = own.groups.size();
    for (const CatalogueCourse* c : own.courses) outside += capped.courses.contains(c) ? 0 : 1;
    for (std::string_view p : own.placements) outside += capped.placements.contains(p) ? 0 : 1;
    out.bound = std::min(outside + from_caps, most(q.quantity));
    out.offer = std::move(own);
    out.offer.add(capped);
    const std::size_t wanted = diagnostics::least(q.quantity);
    // A list of courses too short for its count has its own warning, and so
    // has an entry that selects nothing: that one is the mistake to mend.
    const bool told = found_.size() > warned || (only_classes && wanted > classes.size());
    if (!in_limit && wanted > out.bound && !told) {
      add(diagnostics::CODE_UNMEETABLE, diagnostics::quantity_span(body_, start, q),
          "SELECT " + number_text::decimal(wanted) + " asks for more than its entries can " +
              "give from the catalogue: at most " + number_text::decimal(out.bound));
    }
    return out;
  }

  template <typename... Args>
  void call(const Selector& selector, const SelectorFunction& row, ByteSpan at, Offer& offer,
            const Args&... args) {
    bool faulty = false;
    std::size_t i = 0;
    (
        [&](const auto& arg) {
          const std::size_t n = i++;
          if constexpr (std::is_same_v<std::remove_cvref_t<decltype(arg)>, Class>) {
            if (diagnostics::names_one_course(row) && catalogue_.find(arg) == nullptr) {
              unknown_course(arg, diagnostics::argument_span(body_, at, n));
              faulty = true;
            }
          } else {
            faulty = name(row.arguments()[n].label, arg, at, n, offer) || faulty;
          }
        }(args),
        ...);
    if constexpr (sizeof...(Args) >= 2) {
      // A reversed range, or one across departments, has its own warning.
      const std::array<const Class*, 2> ends = {first_course(args...), second_course(args...)};
      if (diagnostics::is_range(row) && ends[0] && ends[1] &&
          (ends[0]->department_id != ends[1]->department_id ||
           ends[0]->course_number > ends[1]->course_number)) {
        faulty = true;
      }
    }
    if (faulty || placement(row)) return;
    const auto courses = catalogue_.courses_for(selector);
    if (courses.empty()) {
      add(diagnostics::CODE_SELECTS_NOTHING, at,
          "this selector selects no course of the catalogue");
    }
    offer.courses.insert(courses.begin(), courses.end());
  }

  template <typename A, typename... Rest>
  static const Class* first_course(const A& a, const Rest&...) {
    if constexpr (std::is_same_v<A, Class>) return &a;
    return nullptr;
  }
  template <typename A, typename B, typename... Rest>
  static const Class* second_course(const A&, const B& b, const Rest&...) {
    if constexpr (std::is_same_v<B, Class>) return &b;
    return nullptr;
  }

  static bool placement(const SelectorFunction& row) {
    return row.arity == 1 && row.argument_slots[0].label == "placement";
  }

  // Checks a string argument; whether it is at fault.
  bool name(std::string_view label, std::string_view text, ByteSpan call, std::size_t n,
            Offer& offer) {
    if (label == "placement") offer.placements.insert(text);
    // An empty one has its own warning.
    if (text.empty()) return true;
    const auto kind = static_cast<std::size_t>(
        std::ranges::find(NAME_KINDS, label, &NameKind::label) - NAME_KINDS.begin());
    if (known_.knows(kind, text)) return false;
    const ByteSpan at = diagnostics::argument_span(body_, call, n);
    std::vector<Suggestion> fixes;
    const auto closest = closest_string::closest_string(text, known_.names[kind]);
    if (closest) {
      if (auto literal = string_literal(*closest)) {
        fixes.push_back(replacement(at, body_.substr(at.start, at.end - at.start),
                                    std::move(*literal)));
      }
    }
    std::string message = std::string(NAME_KINDS[kind].message) + " \"" + std::string(text) + '"';
    // A placement is a fact of a record, not a course: it still counts.
    add(NAME_KINDS[kind].code, at, std::move(message), std::move(fixes));
    return label != "placement";
  }

  void unknown_course(const Class& course, ByteSpan at) {
    std::string written = diagnostics::course_text(course);
    std::string message = written + " is not in the catalogue";
    std::vector<Suggestion> fixes;
    if (const CatalogueCourse* closest = closest_course(course)) {
      fixes.push_back(
          replacement(at, body_.substr(at.start, at.end - at.start), closest->code));
    } else {
      message += ", which has no " + std::string(course.department_id) + " course";
    }
    add(diagnostics::CODE_UNKNOWN_COURSE, at, std::move(message), std::move(fixes));
  }

  // The course of the department most like `course`: the fewest digits
  // (and lab mark) to change, then the nearest number. Digits are compared
  // place by place: a course number is a code, and MATH 1201 is a slip for
  // MATH 1200 far more often than for MATH 2101.
  const CatalogueCourse* closest_course(const Class& course) const {
    const auto distance = [&](const CatalogueCourse& c) {
      std::size_t digits = c.lab != course.lab ? 1 : 0;
      for (unsigned a = c.number, b = course.course_number, i = 0; i < 4; ++i, a /= 10, b /= 10) {
        digits += a % 10 != b % 10 ? 1 : 0;
      }
      const int apart = static_cast<int>(c.number) - static_cast<int>(course.course_number);
      return std::pair(digits, apart < 0 ? -apart : apart);
    };
    const CatalogueCourse* best = nullptr;
    for (const CatalogueCourse& c : catalogue_.courses()) {
      if (c.department == course.department_id && (best == nullptr || distance(c) < distance(*best))) {
        best = &c;
      }
    }
    return best;
  }

  ByteSpan next_span() {
    if (next_ >= selectors_.size()) return {};
    const ByteSpan at = selectors_[next_++];
    return {at.start - base_, at.end - base_};
  }

  void add(std::string_view code, ByteSpan at, std::string message,
           std::vector<Suggestion> fixes = {}) {
    Warning w{code, at.start, at.end, std::move(message), std::nullopt, 0, std::move(fixes)};
    found_.push_back(std::move(w));
  }

  std::string_view body_;
  std::size_t base_;
  const Catalogue& catalogue_;
  const KnownNames& known_;
  std::span<const ByteSpan> selectors_;
  std::size_t next_ = 0;
  std::vector<Warning> found_;
};

}  // namespace

std::vector<Diagnostic> catalogue_warnings(std::string_view text, const Analysis& analysis,
                                           const Catalogue& catalogue) {
  if (std::ranges::any_of(analysis.diagnostics,
                          [](const Diagnostic& d) { return d.severity == Severity::error; })) {
    return {};
  }
  const std::size_t base = byte_order_mark_length(text);
  const std::string_view body = text.substr(base);
  const KnownNames known(catalogue);
  Walk walk(body, base, catalogue, known, analysis.source_map.selectors);
  const auto& requirements = analysis.parsed.parsed_jrl_file.requirements;
  for (std::size_t i = 0; i < requirements.size(); ++i) {
    walk.requirement(requirements[i], analysis.source_map.requirements.at(i));
  }
  std::vector<Warning> found = std::move(walk).take();
  // By place; no two warnings of one kind share a span.
  std::ranges::sort(found, {}, [](const Warning& w) { return std::tuple(w.start, w.end, w.code); });
  const LineIndex lines(body);
  const CheckOptions options;
  diagnostics::DiagnosticList list(body, lines, options);
  list.add_warnings(found);
  return std::move(list).take(base);
}

void add_catalogue_warnings(std::string_view text, Analysis& analysis,
                            const Catalogue& catalogue, const CheckOptions& options) {
  if (!options.warnings) return;
  std::vector<Diagnostic> found = catalogue_warnings(text, analysis, catalogue);
  if (found.empty()) return;
  // Both lists are warnings in order of place: merged, the library's own
  // come first at one place.
  std::vector<Diagnostic> all;
  all.reserve(analysis.diagnostics.size() + found.size());
  std::merge(std::make_move_iterator(analysis.diagnostics.begin()),
             std::make_move_iterator(analysis.diagnostics.end()),
             std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()),
             std::back_inserter(all),
             [](const Diagnostic& a, const Diagnostic& b) { return a.offset < b.offset; });
  if (all.size() > options.max_diagnostics) all.resize(options.max_diagnostics);
  analysis.diagnostics = std::move(all);
}

std::vector<Diagnostic> check(std::string_view text, const Catalogue& catalogue,
                              const CheckOptions& options) {
  Analysis analysis = analyse(text, options);
  add_catalogue_warnings(text, analysis, catalogue, options);
  return std::move(analysis.diagnostics);
}

}  // namespace jrl
