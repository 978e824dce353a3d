#include "diagnostics/warnings.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <unordered_map>

#include "diagnostics/codes.hpp"
#include "jrl/model.hpp"
#include "jrl/selector_functions.hpp"
#include "text/number_text.hpp"
#include "parser/function_rules.hpp"
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

// A function whose first two arguments are courses selects a range of them.
bool is_range(const SelectorFunction& f) {
  return f.arity >= 2 && f.argument_slots[0].kind == ArgumentKind::course &&
         f.argument_slots[1].kind == ArgumentKind::course;
}

// A function of one course selects just that course.
bool names_one_course(const SelectorFunction& f) {
  return f.arity == 1 && f.argument_slots[0].kind == ArgumentKind::course;
}

// The function a call (`XYZ`) names, or null.
const SelectorFunction* function_of_call(NodeRef call) {
  const auto name = call.child(0);
  const auto function = name ? name->child(0) : std::nullopt;
  return function ? function_of_rule(function->rule()) : nullptr;
}

// Looks at each requirement as the grammar hands it over.
class WarningSink final : public NodeSink {
 public:
  WarningSink(std::size_t limit, WarningWork* work)
      : limit_(limit), work_(work) {}

  void take(NodeRef node) override {
    if (node.rule() != Rule::special_statement) return;
    if (auto statement = node.child(0)) check_statement(*statement, false);
    // Keys name selectors within one requirement only.
    keys_.clear();
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

  // The number that stands for `key`: equal keys, equal numbers.
  std::size_t intern(std::string key) {
    if (work_ != nullptr) work_->key_bytes += key.size();
    return keys_.try_emplace(std::move(key), keys_.size()).first->second;
  }

  // The key of a function call as its model: its debug text, which opens
  // with the name of its alternative (never "Q", as a query's key does).
  std::optional<std::size_t> call_key(NodeRef item) {
    auto built = ModelBuilder::parse_selector_single(item, arena_);
    if (work_ != nullptr) ++work_->selectors_built;
    std::optional<std::size_t> key;
    if (built) key = intern(debug_text(*built));
    arena_.clear();
    return key;
  }

  // node: `statement`; its children are keyword, quantity, from, selector.
  // A nested one returns the key of the query it builds: equal queries
  // have equal keys, made from the keys of their selectors, so each
  // selector is built once however deep it stands. Nothing when a selector
  // of it does not build, or for a top-level one.
  std::optional<std::size_t> check_statement(NodeRef node, bool nested) {
    const auto keyword = node.child(0);
    const auto quantity = node.child(1);
    const auto selector = node.child(3);
    if (!keyword || !quantity || !selector) return std::nullopt;
    const auto choice = selector->child(0);
    if (!choice) return std::nullopt;
    std::vector<NodeRef> items;
    if (choice->rule() == Rule::selector_list) {
      for (NodeRef item : choice->children()) items.push_back(item);
    } else {
      items.push_back(*choice);
    }
    const auto amount = quantity->child(0);

    bool only_classes = true;
    bool all_built = amount.has_value();
    std::string query_key;
    if (nested && amount) {
      query_key.push_back('Q');
      query_key.push_back(keyword->rule() == Rule::limit ? 'L' : 'S');
      query_key += quantity_key(*amount);
    }
    std::unordered_map<std::size_t, NodeRef> seen;
    for (NodeRef item : items) {
      const auto inner = item.child(0);
      if (!inner) continue;
      std::optional<std::size_t> key;
      if (inner->rule() == Rule::statement) {
        only_classes = false;
        key = check_statement(*inner, true);
      } else {
        const SelectorFunction* function = function_of_call(*inner);
        only_classes = only_classes && function != nullptr &&
                       names_one_course(*function);
        if (function != nullptr) check_call(*inner, *function);
        key = call_key(item);
      }
      if (!key) {
        all_built = false;
        continue;
      }
      if (nested) {
        query_key += ',';
        query_key += decimal(*key);
      }
      auto [first, fresh] = seen.try_emplace(*key, item);
      if (!fresh && warnings_.size() < limit_) {
        add(CODE_DUPLICATE_SELECTOR, item,
            "this selector already stands in the list");
        warnings_.back().note = "first written here";
        warnings_.back().note_offset = first->second.start();
      }
    }

    if (only_classes && amount) {
      const auto low = amount->rule() == Rule::quantity_many ? amount->child(0)
                                                            : amount;
      if (low) check_count(*keyword, *amount, number(low->text()), seen.size());
    }
    if (!nested || !all_built) return std::nullopt;
    return intern(std::move(query_key));
  }

  // node: `quantity_single` or `quantity_many`, as the model holds it.
  static std::string quantity_key(NodeRef amount) {
    std::string key;
    if (amount.rule() != Rule::quantity_many) {
      key += 'S';
      key += decimal(number(amount.text()));
      return key;
    }
    const auto from = amount.child(0);
    const auto to = amount.child(1);
    key += 'M';
    key += decimal(from ? number(from->text()) : 0);
    key += '-';
    key += decimal(to ? number(to->text()) : 0);
    return key;
  }

  void check_count(NodeRef keyword, NodeRef amount, std::size_t wanted,
                   std::size_t available) {
    if (wanted > available) {
      const bool limit = keyword.rule() == Rule::limit;
      add(CODE_UNMET_COUNT, amount,
          std::string(limit ? "LIMIT " : "SELECT ") + decimal(wanted) +
              " is more than the " + decimal(available) +
              (available == 1 ? " course" : " courses") +
              " its list can give");
    }
  }

  // node: `XYZ`, a call of `function` that the builders accepted.
  void check_call(NodeRef call, const SelectorFunction& function) {
    std::vector<NodeRef> args;
    for (NodeRef arg : call.children()) {
      if (arg.rule() != Rule::query_argument) continue;
      if (auto value = arg.child(0)) args.push_back(*value);
    }
    if (is_range(function) && args.size() >= 2) {
      check_range(call, args[0], args[1]);
    }
    for (std::size_t i = 0; i < args.size() && i < function.arity; ++i) {
      if (args[i].rule() != Rule::string || args[i].text() != "\"\"") continue;
      add(CODE_EMPTY_TEXT, args[i],
          "the " + std::string(function.argument_slots[i].label) +
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
  WarningWork* work_;
  std::vector<Warning> warnings_;
  ModelArena arena_;  // the call being keyed; cleared after each
  std::unordered_map<std::string, std::size_t> keys_;
};

}  // namespace

std::vector<Warning> find_warnings(std::string_view text, std::size_t limit,
                                   WarningWork* work) {
  WarningSink sink(limit, work);
  if (!run_grammar(text, &sink)) return {};
  return std::move(sink).result();
}

}  // namespace jrl::diagnostics
