#include "diagnostics/warnings.hpp"

#include <algorithm>
#include <charconv>
#include <unordered_map>

#include "diagnostics/codes.hpp"
#include "jrl/model.hpp"
#include "text/number_text.hpp"
#include "language/grammar.hpp"
#include "parser/model_builder.hpp"

namespace jrl::diagnostics {
namespace {

std::size_t number(std::string_view digits) {
  std::size_t value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

std::string decimal(std::size_t n) { return number_text::decimal(n); }

// Looks at each requirement as the grammar hands it over.
class WarningSink final : public NodeSink {
 public:
  explicit WarningSink(std::size_t limit) : limit_(limit) {}

  void take(NodeRef node) override {
    if (node.rule() != Rule::special_statement) return;
    if (auto statement = node.child(0)) check_statement(*statement);
  }
  void discard() override { warnings_.clear(); }

  std::vector<Warning> result() && {
    // By place; at one place, in the order found.
    std::vector<std::size_t> order(warnings_.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return warnings_[a].start != warnings_[b].start
                 ? warnings_[a].start < warnings_[b].start
                 : a < b;
    });
    std::vector<Warning> out;
    out.reserve(std::min(order.size(), limit_));
    for (std::size_t i : order) {
      if (out.size() == limit_) break;
      out.push_back(std::move(warnings_[i]));
    }
    return out;
  }

 private:
  void add(std::string_view code, NodeRef node, std::string message) {
    if (warnings_.size() >= limit_) return;
    warnings_.push_back({code, node.start(), node.end(), std::move(message),
                         std::nullopt, 0});
  }

  // node: `statement`; its children are keyword, quantity, from, selector.
  void check_statement(NodeRef node) {
    const auto keyword = node.child(0);
    const auto quantity = node.child(1);
    const auto selector = node.child(3);
    if (!keyword || !quantity || !selector) return;
    const auto choice = selector->child(0);
    if (!choice) return;
    std::vector<NodeRef> items;
    if (choice->rule() == Rule::selector_list) {
      for (NodeRef item : choice->children()) items.push_back(item);
    } else {
      items.push_back(*choice);
    }

    bool only_classes = true;
    std::unordered_map<std::string, NodeRef> seen;
    for (NodeRef item : items) {
      const auto inner = item.child(0);
      if (!inner) continue;
      if (inner->rule() == Rule::statement) {
        only_classes = false;
        check_statement(*inner);
      } else {
        only_classes = only_classes && is_class_call(*inner);
        check_call(*inner);
      }
      auto built = ModelBuilder::parse_selector_single(item, arena_);
      if (!built) continue;
      auto [first, fresh] = seen.try_emplace(debug_text(*built), item);
      arena_.clear();
      if (!fresh && warnings_.size() < limit_) {
        add(CODE_DUPLICATE_SELECTOR, item,
            "this selector already stands in the list");
        warnings_.back().note = "first written here";
        warnings_.back().note_offset = first->second.start();
      }
    }

    if (!only_classes) return;
    const auto amount = quantity->child(0);
    if (!amount) return;
    const auto low = amount->rule() == Rule::quantity_many ? amount->child(0)
                                                          : amount;
    if (!low) return;
    const std::size_t wanted = number(low->text());
    const std::size_t available = seen.size();
    if (wanted > available) {
      const bool limit = keyword->rule() == Rule::limit;
      add(CODE_UNMET_COUNT, *amount,
          std::string(limit ? "LIMIT " : "SELECT ") + decimal(wanted) +
              " is more than the " + decimal(available) +
              (available == 1 ? " course" : " courses") +
              " its list can give");
    }
  }

  static bool is_class_call(NodeRef call) {
    const auto name = call.child(0);
    const auto function = name ? name->child(0) : std::nullopt;
    return function && function->rule() == Rule::class_;
  }

  // node: `XYZ`, a function call the builders accepted.
  void check_call(NodeRef call) {
    const auto name = call.child(0);
    const auto function = name ? name->child(0) : std::nullopt;
    if (!function) return;
    std::vector<NodeRef> args;
    for (NodeRef arg : call.children()) {
      if (arg.rule() != Rule::query_argument) continue;
      if (auto value = arg.child(0)) args.push_back(*value);
    }
    const Rule rule = function->rule();
    if ((rule == Rule::range || rule == Rule::range_tag ||
         rule == Rule::range_dist) &&
        args.size() >= 2) {
      check_range(call, args[0], args[1]);
    }
    const char* what = nullptr;
    switch (rule) {
      case Rule::tag:
      case Rule::range_tag:
        what = "tag";
        break;
      case Rule::dist:
      case Rule::range_dist:
        what = "distribution";
        break;
      case Rule::placement:
        what = "placement";
        break;
      case Rule::tag_dept:
      case Rule::dist_dept:
        what = rule == Rule::tag_dept ? "tag" : "distribution";
        break;
      default:
        return;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (args[i].rule() != Rule::string || args[i].text() != "\"\"") continue;
      const bool code = (rule == Rule::tag_dept || rule == Rule::dist_dept) &&
                        i == 1;
      add(CODE_EMPTY_TEXT, args[i],
          std::string("the ") + (code ? "major code" : what) +
              " is empty, so nothing can match it");
    }
  }

  void check_range(NodeRef call, NodeRef from, NodeRef to) {
    if (from.rule() != Rule::class_argument ||
        to.rule() != Rule::class_argument) {
      return;
    }
    const auto from_department = from.child(0);
    const auto from_number = from.child(1);
    const auto to_department = to.child(0);
    const auto to_number = to.child(1);
    if (!from_department || !from_number || !to_department || !to_number) {
      return;
    }
    const auto course = [](NodeRef department, NodeRef id) {
      return std::string(department.text()) + " " + std::string(id.text());
    };
    if (from_department->text() != to_department->text()) {
      add(CODE_RANGE_ACROSS_DEPARTMENTS, call,
          "the range starts in " + std::string(from_department->text()) +
              " and ends in " + std::string(to_department->text()));
    } else if (number(from_number->text().substr(0, 4)) >
               number(to_number->text().substr(0, 4))) {
      add(CODE_REVERSED_RANGE, call,
          "the range ends at " + course(*to_department, *to_number) +
              ", below its start " + course(*from_department, *from_number));
    }
  }

  std::size_t limit_;
  std::vector<Warning> warnings_;
  ModelArena arena_;  // the selector being compared; cleared after each
};

}  // namespace

std::vector<Warning> find_warnings(std::string_view text, std::size_t limit) {
  WarningSink sink(limit);
  if (!run_grammar(text, &sink)) return {};
  return std::move(sink).result();
}

}  // namespace jrl::diagnostics
