// Which courses of a catalogue a selector selects, read from the indexes
// built once at load.
#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>
#include <type_traits>

#include "catalogue/catalogue_data.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"

namespace jrl {
namespace {

// What a function call asks of a course, gathered from its arguments by
// their labels in the function table.
struct Criteria {
  const Class* first = nullptr;  // the course, or the first of a range
  const Class* last = nullptr;   // the last of a range
  std::optional<std::string_view> tag;
  std::optional<std::string_view> distribution;
  std::string_view code;  // the programme a tag or distribution holds for
  bool placement = false;
  bool scoped = false;
};

// Every string argument of the table is one of these; matching knows what
// each means.
constexpr std::string_view TAG = "tag", DISTRIBUTION = "distribution",
                           PROGRAMME = "major code", PLACEMENT = "placement";

consteval bool every_string_argument_known() {
  for (const SelectorFunction& f : selector_functions()) {
    for (const SelectorArgument& a : f.arguments()) {
      if (a.kind == ArgumentKind::string && a.label != TAG && a.label != DISTRIBUTION &&
          a.label != PROGRAMME && a.label != PLACEMENT) {
        return false;
      }
    }
  }
  return true;
}
static_assert(every_string_argument_known(),
              "a new kind of string argument needs its meaning in catalogue matching");

void take(Criteria& c, const SelectorArgument&, const Class& course) {
  (c.first == nullptr ? c.first : c.last) = &course;
}

void take(Criteria& c, const SelectorArgument& slot, std::string_view text) {
  if (slot.label == TAG) {
    c.tag = text;
  } else if (slot.label == DISTRIBUTION) {
    c.distribution = text;
  } else if (slot.label == PROGRAMME) {
    c.code = text;
    c.scoped = true;
  } else {
    c.placement = true;
  }
}

bool holds(const std::vector<std::string>& names, std::string_view name) {
  return std::ranges::find(names, name) != names.end();
}

// Whether the course carries `name` in `everywhere`, or in `scoped` for the
// programme `code` (for any programme when `scoped` is false).
bool carries(const std::vector<std::string>& everywhere, const ProgrammeNames& by_programme,
             std::string_view name, bool scoped, std::string_view code) {
  if (holds(everywhere, name)) return true;
  if (scoped) {
    const auto it = by_programme.find(code);
    return it != by_programme.end() && holds(it->second, name);
  }
  return std::ranges::any_of(by_programme, [&](const auto& p) { return holds(p.second, name); });
}

const CoursePositions* lookup(const NameIndex& index, std::string_view key) {
  const auto it = index.find(key);
  return it == index.end() ? nullptr : &it->second;
}

// The courses carrying `name` as `scoped`/`code` say, in catalogue order.
void named(const NameIndexes& index, std::string_view name, bool scoped, std::string_view code,
           CoursePositions& out) {
  if (!scoped) {
    if (const auto* all = lookup(index.anywhere, name)) out.insert(out.end(), all->begin(), all->end());
    return;
  }
  const CoursePositions* a = lookup(index.everywhere, name);
  const CoursePositions* b = lookup(index.scoped, programme_key(name, code));
  const CoursePositions none;
  std::ranges::set_union(a ? *a : none, b ? *b : none, std::back_inserter(out));
}

}  // namespace

void Catalogue::Data::build_indexes() {
  const auto add = [](NameIndexes& index, std::uint32_t at, const std::vector<std::string>& names,
                      const ProgrammeNames& scoped) {
    for (const std::string& n : names) index.everywhere[n].push_back(at);
    for (const auto& [code, list] : scoped) {
      for (const std::string& n : list) index.scoped[programme_key(n, code)].push_back(at);
    }
    const auto mark = [&](const std::string& n) {
      CoursePositions& any = index.anywhere[n];
      if (any.empty() || any.back() != at) any.push_back(at);
    };
    std::ranges::for_each(names, mark);
    for (const auto& entry : scoped) std::ranges::for_each(entry.second, mark);
  };
  for (std::uint32_t at = 0; at < courses.size(); ++at) {
    const CatalogueCourse& c = courses[at];
    by_department[c.department].push_back(at);
    add(tags, at, c.tags, c.programme_tags);
    add(distributions, at, c.distributions, c.programme_distributions);
  }
  for (auto& entry : by_department) {
    std::ranges::sort(entry.second, {}, [this](std::uint32_t at) {
      return std::pair(courses[at].number, courses[at].lab);
    });
  }
}

namespace {

// Appends the positions of the courses the call selects.
void select(const Catalogue::Data& data, const Criteria& c, CoursePositions& out) {
  if (c.placement) return;
  if (c.first == nullptr) {
    if (c.tag) named(data.tags, *c.tag, c.scoped, c.code, out);
    if (c.distribution) named(data.distributions, *c.distribution, c.scoped, c.code, out);
    return;
  }
  const Class& from = *c.first;
  const Class& to = c.last ? *c.last : *c.first;
  if (from.department_id != to.department_id || from.course_number > to.course_number) return;
  const CoursePositions* dept = lookup(data.by_department, from.department_id);
  if (dept == nullptr) return;
  const auto key = [&data](std::uint32_t at) { return data.courses[at].number; };
  auto lo = std::ranges::lower_bound(*dept, from.course_number, {}, key);
  auto hi = std::ranges::upper_bound(*dept, to.course_number, {}, key);
  const std::size_t before = out.size();
  for (auto it = lo; it != hi; ++it) {
    const CatalogueCourse& course = data.courses[*it];
    if (c.last == nullptr && course.lab != from.lab) continue;
    if (c.tag && !carries(course.tags, course.programme_tags, *c.tag, c.scoped, c.code)) {
      continue;
    }
    if (c.distribution && !carries(course.distributions, course.programme_distributions,
                                   *c.distribution, c.scoped, c.code)) {
      continue;
    }
    out.push_back(*it);
  }
  std::sort(out.begin() + static_cast<std::ptrdiff_t>(before), out.end());
}

void collect(const Catalogue::Data& data, const Selector& selector, CoursePositions& out) {
  visit(selector, Overloaded{
                      [&](const JRLQuery& nested) {
                        for (const Selector& s : nested.selector) collect(data, s, out);
                      },
                      [&](const SelectorFunction& row, const auto&... args) {
                        Criteria c;
                        std::size_t i = 0;
                        (take(c, row.arguments()[i++], args), ...);
                        select(data, c, out);
                      },
                  });
}

std::vector<const CatalogueCourse*> in_order(const Catalogue::Data& data, CoursePositions& at) {
  std::ranges::sort(at);
  at.erase(std::ranges::unique(at).begin(), at.end());
  std::vector<const CatalogueCourse*> out;
  out.reserve(at.size());
  for (std::uint32_t i : at) out.push_back(&data.courses[i]);
  return out;
}

}  // namespace

std::vector<const CatalogueCourse*> Catalogue::courses_for(const Selector& selector) const {
  CoursePositions at;
  collect(*data_, selector, at);
  return in_order(*data_, at);
}

std::vector<const CatalogueCourse*> Catalogue::courses_for(
    const JRLRequirement& requirement) const {
  CoursePositions at;
  for (const Selector& s : requirement.query.selector) collect(*data_, s, at);
  return in_order(*data_, at);
}

const CatalogueCourse* Catalogue::find(const Class& course) const {
  Criteria c;
  c.first = &course;
  CoursePositions at;
  select(*data_, c, at);
  return at.empty() ? nullptr : &data_->courses[at.front()];
}

bool Catalogue::has_tag(std::string_view tag) const {
  return data_->tags.anywhere.contains(tag);
}
bool Catalogue::has_distribution(std::string_view distribution) const {
  return data_->distributions.anywhere.contains(distribution);
}
const std::string& Catalogue::name() const { return data_->name; }
std::span<const CatalogueCourse> Catalogue::courses() const { return data_->courses; }
std::span<const std::string> Catalogue::placements() const { return data_->placements; }
std::span<const std::string> Catalogue::programme_codes() const {
  return data_->programme_codes;
}

}  // namespace jrl
