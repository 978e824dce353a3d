// The JSON form of a comparison: one document, its shape given in
// docs/diff.md.
#include <charconv>
#include <string>

#include "jrl/programme_diff.hpp"
#include "jrl/text.hpp"
#include "text/number_text.hpp"

namespace jrl {
namespace {

using number_text::decimal;

std::string optional_string(const std::optional<std::string>& text) {
  return text ? json_string(*text) : "null";
}

void append_courses(std::string& out, const std::optional<CourseList>& courses) {
  if (!courses) {
    out += "null";
    return;
  }
  out += '[';
  for (const CatalogueCourse* c : *courses) {
    if (out.back() != '[') out += ',';
    char credits[32];
    const auto end = std::to_chars(credits, credits + sizeof credits, c->credits).ptr;
    out += "{\"code\":" + json_string(c->code) + ",\"department\":" + json_string(c->department) +
           ",\"number\":" + decimal(c->number) + ",\"lab\":" + (c->lab ? "true" : "false") +
           ",\"title\":" + json_string(c->title) + ",\"credits\":" + std::string(credits, end) +
           '}';
  }
  out += ']';
}

void append_listed(std::string& out, const std::vector<ListedStatement>& statements) {
  out += '[';
  for (const ListedStatement& s : statements) {
    if (out.back() != '[') out += ',';
    out += "{\"index\":" + decimal(s.index) + ",\"line\":" + decimal(s.line) +
           ",\"description\":" + json_string(s.description) +
           ",\"statement\":" + json_string(s.statement) + ",\"priority\":" + decimal(s.priority) +
           ",\"courses\":";
    append_courses(out, s.courses);
    out += '}';
  }
  out += ']';
}

void append_change(std::string& out, const StatementChange& change) {
  out += "{\"kind\":" + json_string(change_name(change.kind)) + ",\"within\":[";
  for (std::size_t i = 0; i < change.within.size(); ++i) {
    if (i > 0) out += ',';
    out += json_string(change.within[i]);
  }
  out += "],\"old\":" + optional_string(change.old_value) +
         ",\"new\":" + optional_string(change.new_value) + '}';
}

void append_changed(std::string& out, const std::vector<ChangedStatement>& statements) {
  out += '[';
  for (const ChangedStatement& s : statements) {
    if (out.back() != '[') out += ',';
    out += "{\"old_index\":" + decimal(s.old_index) + ",\"new_index\":" + decimal(s.new_index) +
           ",\"old_line\":" + decimal(s.old_line) + ",\"new_line\":" + decimal(s.new_line) +
           ",\"description\":" + json_string(s.description) +
           ",\"type\":" + (s.is_limit ? "\"LIMIT\"" : "\"SELECT\"") +
           ",\"moved\":" + (s.moved ? "true" : "false") + ",\"changes\":[";
    for (std::size_t i = 0; i < s.changes.size(); ++i) {
      if (i > 0) out += ',';
      append_change(out, s.changes[i]);
    }
    out += "],\"courses_now_counting\":";
    append_courses(out, s.courses_now);
    out += ",\"courses_no_longer_counting\":";
    append_courses(out, s.courses_no_longer);
    out += '}';
  }
  out += ']';
}

}  // namespace

std::string diff_json(const ProgrammeDiff& diff) {
  std::string out = "{\"old\":" + json_string(diff.old_name) +
                    ",\"new\":" + json_string(diff.new_name) + ",\"catalogue\":" +
                    (diff.with_catalogue ? json_string(diff.catalogue) : "null") + ",\"added\":";
  append_listed(out, diff.added);
  out += ",\"removed\":";
  append_listed(out, diff.removed);
  out += ",\"changed\":";
  append_changed(out, diff.changed);
  out += ",\"unchanged\":" + decimal(diff.unchanged) + "}\n";
  return out;
}

}  // namespace jrl
