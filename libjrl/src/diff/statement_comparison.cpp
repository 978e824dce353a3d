#include "diff/statement_comparison.hpp"

#include <algorithm>
#include <string>
#include <variant>

#include "diff/selector_text.hpp"
#include "text/number_text.hpp"

namespace jrl::diffing {
namespace {

const JRLQuery* nested(const Selector& selector) {
  const auto* query = std::get_if<selector::Query>(&selector.value);
  return query ? &query->value : nullptr;
}

class Comparison {
 public:
  explicit Comparison(std::vector<StatementChange>& out) : out_(out) {}

  void field(ChangeKind kind, std::string old_value, std::string new_value) {
    if (old_value != new_value) add(kind, std::move(old_value), std::move(new_value));
  }

  // What a query asks for: its type and quantity.
  void heading(const JRLQuery& a, const JRLQuery& b) {
    field(ChangeKind::type, type_text(a.type), type_text(b.type));
    field(ChangeKind::quantity, quantity_text(a.quantity), quantity_text(b.quantity));
  }

  // What it selects from.
  void selectors(const JRLQuery& a, const JRLQuery& b) {
    calls(a, b);
    nested_queries(a, b);
  }

 private:
  void add(ChangeKind kind, std::optional<std::string> old_value,
           std::optional<std::string> new_value) {
    out_.push_back({kind, within_, std::move(old_value), std::move(new_value)});
  }

  // The function calls of each side that the other lacks, as many times as
  // it lacks them.
  void calls(const JRLQuery& a, const JRLQuery& b) {
    const auto texts = [](const JRLQuery& q) {
      std::vector<std::string> out;
      for (const Selector& s : q.selector) {
        if (!nested(s)) out.push_back(selector_text(s));
      }
      return out;
    };
    std::vector<std::string> old_calls = texts(a);
    std::vector<std::string> new_calls = texts(b);
    std::vector<bool> kept(new_calls.size(), false);
    std::vector<std::string> removed;
    for (std::string& text : old_calls) {
      bool found = false;
      for (std::size_t i = 0; i < new_calls.size() && !found; ++i) {
        found = !kept[i] && new_calls[i] == text;
        if (found) kept[i] = true;
      }
      if (!found) add(ChangeKind::selector_removed, std::move(text), std::nullopt);
    }
    for (std::size_t i = 0; i < new_calls.size(); ++i) {
      if (!kept[i]) add(ChangeKind::selector_added, std::nullopt, std::move(new_calls[i]));
    }
  }

  // Nested statements: an equal pair is no change; the rest are paired in
  // order and compared inside, and those left over are selectors removed
  // or added.
  void nested_queries(const JRLQuery& a, const JRLQuery& b) {
    std::vector<const JRLQuery*> olds;
    std::vector<const JRLQuery*> news;
    for (const Selector& s : a.selector) {
      if (const JRLQuery* q = nested(s)) olds.push_back(q);
    }
    for (const Selector& s : b.selector) {
      if (const JRLQuery* q = nested(s)) news.push_back(q);
    }
    const auto drop_equal = [&] {
      for (auto o = olds.begin(); o != olds.end();) {
        const auto n = std::ranges::find_if(news, [&](const JRLQuery* q) { return *q == **o; });
        if (n == news.end()) {
          ++o;
        } else {
          news.erase(n);
          o = olds.erase(o);
        }
      }
    };
    drop_equal();
    const std::size_t paired = std::min(olds.size(), news.size());
    for (std::size_t i = 0; i < paired; ++i) {
      within_.push_back(query_text(*olds[i]));
      heading(*olds[i], *news[i]);
      selectors(*olds[i], *news[i]);
      within_.pop_back();
    }
    for (std::size_t i = paired; i < olds.size(); ++i) {
      add(ChangeKind::selector_removed, query_text(*olds[i]), std::nullopt);
    }
    for (std::size_t i = paired; i < news.size(); ++i) {
      add(ChangeKind::selector_added, std::nullopt, query_text(*news[i]));
    }
  }

  std::vector<StatementChange>& out_;
  std::vector<std::string> within_;
};

}  // namespace

std::vector<StatementChange> compare_statements(const JRLRequirement& old_statement,
                                                const JRLRequirement& new_statement) {
  std::vector<StatementChange> out;
  Comparison comparison(out);
  comparison.field(ChangeKind::description, std::string(old_statement.description),
                   std::string(new_statement.description));
  comparison.heading(old_statement.query, new_statement.query);
  comparison.field(ChangeKind::priority, number_text::decimal(old_statement.priority),
                   number_text::decimal(new_statement.priority));
  comparison.selectors(old_statement.query, new_statement.query);
  return out;
}

}  // namespace jrl::diffing
