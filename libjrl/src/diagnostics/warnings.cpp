#include "diagnostics/warnings.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>

#include "diagnostics/codes.hpp"
#include "diagnostics/tokens.hpp"
#include "jrl/selector_functions.hpp"
#include "jrl/selector_visit.hpp"
#include "text/number_text.hpp"

namespace jrl::diagnostics {
namespace {

std::string decimal(std::size_t n) { return number_text::decimal(n); }

}  // namespace

// A function whose first two arguments are courses selects a range of them.
bool is_range(const SelectorFunction& f) {
  return f.arity >= 2 && f.argument_slots[0].kind == ArgumentKind::course &&
         f.argument_slots[1].kind == ArgumentKind::course;
}

// A function of one course selects just that course.
bool names_one_course(const SelectorFunction& f) {
  return f.arity == 1 && f.argument_slots[0].kind == ArgumentKind::course;
}

// A course as written: its department and its four digits, "L" for a lab.
std::string course_text(const Class& course) {
  std::string digits = decimal(course.course_number);
  digits.insert(0, digits.size() < 4 ? 4 - digits.size() : 0, '0');
  return std::string(course.department_id) + " " + digits +
         (course.lab ? "L" : "");
}

// The least count a quantity asks for.
std::size_t least(const Quantity& quantity) {
  if (const auto* many = std::get_if<quantity::Many>(&quantity)) {
    return many->from;
  }
  return std::get<quantity::Single>(quantity).count;
}

// Where the quantity of the query written from `start` of `text` stands:
// after its keyword and any blanks, its digits (and "-" and the digits of
// the upper bound).
ByteSpan quantity_span(std::string_view text, std::size_t start,
                       const JRLQuery& query) {
  const std::string_view keyword =
      query.type == JRLQueryType::Limit ? "LIMIT" : "SELECT";
  const std::size_t from = after_blanks(text, start + keyword.size());
  const auto digits_from = [&](std::size_t at) {
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    return at;
  };
  std::size_t end = digits_from(from);
  if (std::holds_alternative<quantity::Many>(query.quantity)) {
    end = digits_from(end + 1);
  }
  return {from, end};
}

// Where the argument `index` of the call at `call` stands: its tokens
// between the call's brackets, cut at its commas.
ByteSpan argument_span(std::string_view text, ByteSpan call,
                       std::size_t index) {
  const std::string_view written = text.substr(call.start, call.end - call.start);
  std::size_t argument = 0;
  std::optional<ByteSpan> found;
  bool inside = false;
  for (const Token& token : tokenize(written)) {
    const char c = written[token.start];
    if (token.kind == TokenKind::punctuation && (c == '(' || c == ',' || c == ')')) {
      if (inside && c != '(') ++argument;
      inside = true;
      if (argument > index) break;
      continue;
    }
    if (!inside || argument != index) continue;
    if (!found) found = ByteSpan{token.start, token.end};
    found->end = token.end;
  }
  const ByteSpan at = found.value_or(ByteSpan{0, written.size()});
  return {call.start + at.start, call.start + at.end};
}

// One requirement's walk: its queries depth first, each selector met with
// its span from the source map.
class RequirementWalk {
 public:
  RequirementWalk(WarningFinder& out, std::string_view text,
                  std::span<const ByteSpan> selectors)
      : out_(out), text_(text), selectors_(selectors) {}

  // The query written from `start`. A nested one returns its key: equal
  // queries have equal keys, made from the keys of their selectors, so each
  // selector is looked at once however deep it stands.
  std::size_t walk(const JRLQuery& query, std::size_t start, bool nested) {
    bool only_classes = true;
    std::string query_key;
    if (nested) {
      query_key.push_back('Q');
      query_key.push_back(query.type == JRLQueryType::Limit ? 'L' : 'S');
      query_key += quantity_key(query.quantity);
    }
    // Each key met in the list, with where it was first written.
    std::unordered_map<std::size_t, std::size_t> seen;
    for (const Selector& selector : query.selector) {
      const ByteSpan at = next_span();
      const std::size_t key = visit(
          selector,
          Overloaded{
              [&](const JRLQuery& inner) {
                only_classes = false;
                return walk(inner, at.start, true);
              },
              [&](const SelectorFunction& row, const auto&... args) {
                only_classes = only_classes && names_one_course(row);
                call(row, at, args...);
                if (out_.work_ != nullptr) ++out_.work_->calls_keyed;
                return intern(debug_text(selector));
              }});
      if (nested) {
        query_key += ',';
        query_key += decimal(key);
      }
      const auto [first, fresh] = seen.try_emplace(key, at.start);
      if (!fresh && add(CODE_DUPLICATE_SELECTOR, at,
                        "this selector already stands in the list")) {
        out_.found_.back().note = "first written here";
        out_.found_.back().note_offset = first->second;
      }
    }
    if (only_classes) {
      const std::size_t wanted = least(query.quantity);
      if (wanted > seen.size()) {
        const bool limit = query.type == JRLQueryType::Limit;
        add(CODE_UNMET_COUNT, quantity_span(text_, start, query),
            std::string(limit ? "LIMIT " : "SELECT ") + decimal(wanted) +
                " is more than the " + decimal(seen.size()) +
                (seen.size() == 1 ? " course" : " courses") +
                " its list can give");
      }
    }
    return nested ? intern(std::move(query_key)) : 0;
  }

 private:
  ByteSpan next_span() {
    return next_ < selectors_.size() ? selectors_[next_++] : ByteSpan{};
  }

  bool add(std::string_view code, ByteSpan at, std::string message) {
    if (out_.found_.size() >= out_.limit_) return false;
    out_.found_.push_back(
        {code, at.start, at.end, std::move(message), std::nullopt, 0});
    return true;
  }

  // The number that stands for `key`: equal keys, equal numbers.
  std::size_t intern(std::string key) {
    if (out_.work_ != nullptr) out_.work_->key_bytes += key.size();
    return keys_.try_emplace(std::move(key), keys_.size()).first->second;
  }

  static std::string quantity_key(const Quantity& quantity) {
    if (const auto* many = std::get_if<quantity::Many>(&quantity)) {
      return 'M' + decimal(many->from) + '-' + decimal(many->to);
    }
    return 'S' + decimal(std::get<quantity::Single>(quantity).count);
  }

  // A call of `function` written at `at`, with its arguments.
  template <typename... Args>
  void call(const SelectorFunction& function, ByteSpan at,
            const Args&... args) {
    std::array<const Class*, sizeof...(Args)> courses{};
    std::array<std::string_view, sizeof...(Args)> texts{};
    std::size_t i = 0;
    (
        [&](const auto& arg) {
          if constexpr (std::is_same_v<std::remove_cvref_t<decltype(arg)>,
                                       Class>) {
            courses[i] = &arg;
          } else {
            texts[i] = arg;
          }
          ++i;
        }(args),
        ...);
    if constexpr (sizeof...(Args) >= 2) {
      if (is_range(function) && courses[0] != nullptr &&
          courses[1] != nullptr) {
        range(at, *courses[0], *courses[1]);
      }
    }
    for (std::size_t n = 0; n < sizeof...(Args); ++n) {
      if (function.argument_slots[n].kind != ArgumentKind::string ||
          !texts[n].empty()) {
        continue;
      }
      add(CODE_EMPTY_TEXT, argument_span(text_, at, n),
          "the " + std::string(function.argument_slots[n].label) +
              " is empty, so nothing can match it");
    }
  }

  void range(ByteSpan at, const Class& from, const Class& to) {
    if (from.department_id != to.department_id) {
      add(CODE_RANGE_ACROSS_DEPARTMENTS, at,
          "the range starts in " + std::string(from.department_id) +
              " and ends in " + std::string(to.department_id));
    } else if (from.course_number > to.course_number) {
      add(CODE_REVERSED_RANGE, at,
          "the range ends at " + course_text(to) + ", below its start " +
              course_text(from));
    }
  }

  WarningFinder& out_;
  std::string_view text_;
  std::span<const ByteSpan> selectors_;
  std::size_t next_ = 0;
  // Keys name selectors within one requirement only.
  std::unordered_map<std::string, std::size_t> keys_;
};

void WarningFinder::read(const JRLRequirement& requirement,
                         std::string_view text, ByteSpan span,
                         std::span<const ByteSpan> selectors) {
  if (found_.size() >= limit_) return;
  RequirementWalk(*this, text, selectors)
      .walk(requirement.query, span.start, false);
}

std::vector<Warning> WarningFinder::take() && {
  // By place; at one place, in the order found.
  std::vector<std::size_t> order(found_.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return found_[a].start != found_[b].start ? found_[a].start < found_[b].start
                                              : a < b;
  });
  std::vector<Warning> out;
  out.reserve(order.size());
  for (std::size_t i : order) out.push_back(std::move(found_[i]));
  return out;
}

}  // namespace jrl::diagnostics
