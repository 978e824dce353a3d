// Preparing a requirements file for auditing: parsed once, each top-level
// SELECT turned into a tree of query nodes (groups become nodes, caps are
// folded into the node around them), each call matched against the
// catalogue once.
#include <algorithm>
#include <string>
#include <utility>

#include "audit/programme_data.hpp"
#include "jrl/describe.hpp"
#include "jrl/selector_visit.hpp"
#include "jrl/source_map.hpp"

namespace jrl {
namespace {

std::pair<unsigned, unsigned> bounds(const Quantity& q) {
  if (const auto* one = std::get_if<quantity::Single>(&q)) return {one->count, one->count};
  const auto& many = std::get<quantity::Many>(q);
  return {many.from, many.to};
}

// The text as written, with each run of spaces and line breaks made one space.
std::string one_line(std::string_view text) {
  std::string out;
  bool space = false;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      space = !out.empty();
      continue;
    }
    if (space) out += ' ';
    space = false;
    out += c;
  }
  return out;
}

// What a call asks of a course, from its arguments by their labels.
AuditLeaf leaf_of(const SelectorFunction& row, auto&&... args) {
  AuditLeaf leaf;
  std::size_t i = 0;
  const auto take = Overloaded{
      [&](const SelectorArgument&, const Class& course) {
        (leaf.first ? leaf.last : leaf.first) = course;
      },
      [&](const SelectorArgument& slot, std::string_view text) {
        if (slot.label == "tag") {
          leaf.tag = text;
        } else if (slot.label == "distribution") {
          leaf.distribution = true;
        } else if (slot.label == "placement") {
          leaf.placement = text;
        }
      },
  };
  (take(row.arguments()[i++], args), ...);
  return leaf;
}

class Builder {
 public:
  Builder(AuditProgramme::Data& data, std::string_view text, const SourceMap& map)
      : data_(data), text_(text), map_(map) {}

  void requirement(std::size_t index, const JRLRequirement& r) {
    const std::size_t line = data_.statement_lines[index];
    const auto [lo, hi] = bounds(r.query.quantity);
    if (r.query.type == JRLQueryType::Limit) {
      data_.limits.push_back({index, line, std::string(r.description), hi});
      limit_leaves(r.query.selector, static_cast<std::uint32_t>(data_.limits.size() - 1));
      return;
    }
    const auto req = static_cast<std::uint32_t>(data_.requirements.size());
    const auto root = static_cast<std::uint32_t>(data_.nodes.size());
    data_.requirements.push_back({index, line, std::string(r.description), r.priority, root, 0});
    data_.nodes.push_back({});
    data_.nodes[root].lo = lo;
    data_.nodes[root].hi = hi;
    data_.nodes[root].requirement = req;
    entries(root, r.query.selector, {}, {});
    data_.requirements.back().end = static_cast<std::uint32_t>(data_.nodes.size());
  }

 private:
  std::string_view selector_text() {
    const ByteSpan s = map_.selectors[next_selector_++];
    return text_.substr(s.start, s.end - s.start);
  }

  void entries(std::uint32_t node, std::span<const Selector> list, const std::vector<std::size_t>& path,
               const std::vector<std::uint32_t>& caps) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < list.size(); ++i) {
      std::vector<std::size_t> at = path;
      at.push_back(i);
      texts.push_back(one_line(selector_text()));
      visit(list[i], Overloaded{
                         [&](const JRLQuery& nested) { this->nested(node, nested, at, caps); },
                         [&](const SelectorFunction& row, const auto&... args) {
                           AuditLeaf leaf = leaf_of(row, args...);
                           leaf.call = &list[i];
                           leaf.node = node;
                           leaf.caps = caps;
                           add_leaf(std::move(leaf));
                         },
                     });
    }
    // A cap's entries are written into the text of the node around it.
    if (!caps.empty()) return;
    std::string& out = data_.nodes[node].entries_text;
    if (texts.size() == 1) {
      out = texts.front();
      return;
    }
    out.assign(1, '[');
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (i > 0) out.append(", ");
      out.append(texts[i]);
    }
    out.push_back(']');
  }

  void nested(std::uint32_t node, const JRLQuery& q, const std::vector<std::size_t>& path,
              const std::vector<std::uint32_t>& caps) {
    const auto [lo, hi] = bounds(q.quantity);
    if (lo == 0) {
      std::vector<std::uint32_t> inside = caps;
      inside.push_back(static_cast<std::uint32_t>(data_.nodes[node].caps.size()));
      data_.nodes[node].caps.push_back({hi});
      entries(node, q.selector, path, inside);
      return;
    }
    const auto child = static_cast<std::uint32_t>(data_.nodes.size());
    AuditNode group;
    group.lo = lo;
    group.hi = hi;
    group.requirement = data_.nodes[node].requirement;
    group.parent = node;
    group.path = path;
    group.caps_of_group = caps;
    data_.nodes.push_back(std::move(group));
    data_.nodes[node].groups.push_back(child);
    entries(child, q.selector, path, {});
  }

  void add_leaf(AuditLeaf leaf) {
    if (leaf.placement && leaf.node) {
      auto& list = data_.nodes[*leaf.node].placements;
      auto it = std::ranges::find(list, *leaf.placement, &std::pair<std::string_view, std::vector<std::uint32_t>>::first);
      if (it == list.end()) {
        list.emplace_back(*leaf.placement, leaf.caps);
      } else {
        for (std::uint32_t c : leaf.caps) {
          if (std::ranges::find(it->second, c) == it->second.end()) it->second.push_back(c);
        }
      }
    }
    const auto id = static_cast<std::uint32_t>(data_.leaves.size());
    if (leaf.node) data_.nodes[*leaf.node].leaves.push_back(id);
    data_.leaves.push_back(std::move(leaf));
  }

  void limit_leaves(std::span<const Selector> list, std::uint32_t limit) {
    for (const Selector& s : list) {
      selector_text();
      visit(s, Overloaded{
                   [&](const JRLQuery& nested) { limit_leaves(nested.selector, limit); },
                   [&](const SelectorFunction& row, const auto&... args) {
                     AuditLeaf leaf = leaf_of(row, args...);
                     leaf.call = &s;
                     leaf.limit = limit;
                     if (!leaf.placement) add_leaf(std::move(leaf));
                   },
               });
    }
  }

  AuditProgramme::Data& data_;
  std::string_view text_;
  const SourceMap& map_;
  std::size_t next_selector_ = 0;
};

// Each call with the catalogue courses it selects, and the calls that can
// take a course on its code or an attempt's own tags.
void match_catalogue(AuditProgramme::Data& data) {
  const auto courses = data.catalogue.courses();
  data.leaves_of_course.assign(courses.size(), {});
  for (std::uint32_t id = 0; id < data.leaves.size(); ++id) {
    const AuditLeaf& leaf = data.leaves[id];
    if (leaf.placement) continue;
    if (!leaf.distribution) data.code_or_tag_leaves.push_back(id);
    for (const CatalogueCourse* c : data.catalogue.courses_for(*leaf.call)) {
      data.leaves_of_course[static_cast<std::size_t>(c - courses.data())].push_back(id);
    }
  }
}

}  // namespace

std::expected<AuditProgramme, std::string> AuditProgramme::prepare(std::string_view text,
                                                                   std::string_view name,
                                                                   const Catalogue& catalogue) {
  SourceMap map;
  auto parsed = parse(text, map);
  if (!parsed) return std::unexpected(parsed.error().render(name));
  auto data = std::make_shared<Data>(std::string(name), catalogue, std::move(*parsed));
  data->title = std::string(programme_title(text));
  const auto& statements = data->parsed.parsed_jrl_file.requirements;
  for (const SourceSpan& at : locate(text, map.requirements)) {
    data->statement_lines.push_back(at.start.line);
  }
  Builder builder(*data, text, map);
  for (std::size_t i = 0; i < statements.size(); ++i) builder.requirement(i, statements[i]);
  match_catalogue(*data);
  for (const AuditNode& node : data->nodes) {
    data->cap_base.push_back(data->cap_count);
    data->cap_count += static_cast<std::uint32_t>(node.caps.size());
  }
  return AuditProgramme(std::move(data));
}

const std::string& AuditProgramme::name() const { return data_->name; }
const std::string& AuditProgramme::title() const { return data_->title; }
const Catalogue& AuditProgramme::catalogue() const { return data_->catalogue; }

std::expected<std::uint32_t, std::string> AuditProgramme::Data::find_requirement(
    const RequirementRef& ref) const {
  const auto& statements = parsed.parsed_jrl_file.requirements;
  std::size_t index = 0;
  if (const auto* at = std::get_if<std::size_t>(&ref.target)) {
    index = *at;
    if (index >= statements.size()) {
      return std::unexpected("the file has no statement " + std::to_string(index) + " (it has " +
                             std::to_string(statements.size()) + ", counted from 0)");
    }
  } else {
    const std::string& description = std::get<std::string>(ref.target);
    const auto same = [&](const JRLRequirement& r) { return r.description == description; };
    const auto n = std::ranges::count_if(statements, same);
    if (n == 0) return std::unexpected("no statement has the description \"" + description + "\"");
    if (n > 1) {
      return std::unexpected(std::to_string(n) + " statements have the description \"" +
                             description + "\"; name one by its index");
    }
    index = static_cast<std::size_t>(std::ranges::find_if(statements, same) - statements.begin());
  }
  const auto it = std::ranges::find(requirements, index, &AuditRequirement::index);
  if (it == requirements.end()) {
    return std::unexpected("statement " + std::to_string(index) + " is a LIMIT, not a SELECT");
  }
  return static_cast<std::uint32_t>(it - requirements.begin());
}

}  // namespace jrl
