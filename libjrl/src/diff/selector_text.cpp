#include "diff/selector_text.hpp"

#include <variant>

#include "jrl/selector_visit.hpp"
#include "text/number_text.hpp"

namespace jrl::diffing {
namespace {

using number_text::decimal;

void append_course(std::string& out, const Class& course) {
  const std::string digits = decimal(course.course_number);
  out += course.department_id;
  out += ' ';
  out.append(digits.size() < 4 ? 4 - digits.size() : 0, '0');
  out += digits;
  if (course.lab) out += 'L';
}

void append_argument(std::string& out, const Class& course) {
  append_course(out, course);
}
void append_argument(std::string& out, std::string_view text) {
  out += string_text(text);
}

void append_selector(std::string& out, const Selector& selector);

void append_query(std::string& out, const JRLQuery& query) {
  out += type_text(query.type);
  out += ' ';
  out += quantity_text(query.quantity);
  out += " FROM ";
  const bool list = query.selector.size() != 1;
  if (list) out += '[';
  for (std::size_t i = 0; i < query.selector.size(); ++i) {
    if (i > 0) out += ", ";
    append_selector(out, query.selector[i]);
  }
  if (list) out += ']';
}

void append_selector(std::string& out, const Selector& selector) {
  visit(selector,
        Overloaded{[&](const JRLQuery& nested) { append_query(out, nested); },
                   [&](const SelectorFunction& row, const auto&... args) {
                     out += row.name;
                     out += '(';
                     std::string_view separator;
                     const auto argument = [&](const auto& arg) {
                       out += separator;
                       separator = ", ";
                       append_argument(out, arg);
                     };
                     (argument(args), ...);
                     out += ')';
                   }});
}

}  // namespace

std::string string_text(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

std::string quantity_text(const Quantity& quantity) {
  if (const auto* many = std::get_if<quantity::Many>(&quantity)) {
    return decimal(many->from) + "-" + decimal(many->to);
  }
  return decimal(std::get<quantity::Single>(quantity).count);
}

std::string type_text(JRLQueryType type) {
  return type == JRLQueryType::Limit ? "LIMIT" : "SELECT";
}

std::string query_text(const JRLQuery& query) {
  std::string out;
  append_query(out, query);
  return out;
}

std::string selector_text(const Selector& selector) {
  std::string out;
  append_selector(out, selector);
  return out;
}

}  // namespace jrl::diffing
