// The report as JSON: one line, keys in a fixed order, numbers in their
// shortest form, so that a report always has the same bytes.
#include <charconv>

#include "jrl/audit.hpp"
#include "jrl/text.hpp"

namespace jrl {
namespace {

class JsonLine {
 public:
  std::string text;

  JsonLine& open(char bracket) {
    comma();
    text += bracket;
    fresh_ = true;
    return *this;
  }
  JsonLine& close(char bracket) {
    text += bracket;
    fresh_ = false;
    return *this;
  }
  JsonLine& key(std::string_view k) {
    comma();
    text += json_string(k);
    text += ':';
    fresh_ = true;
    return *this;
  }
  JsonLine& value(std::string_view s) { return raw(json_string(s)); }
  JsonLine& value(const std::string& s) { return raw(json_string(s)); }
  JsonLine& value(const char* s) { return raw(json_string(s)); }
  JsonLine& value(bool b) { return raw(b ? "true" : "false"); }
  JsonLine& value(std::size_t n) { return raw(std::to_string(n)); }
  JsonLine& value(unsigned n) { return raw(std::to_string(n)); }
  JsonLine& value(double x) {
    char buffer[32];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, x).ptr;
    return raw(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  }
  template <typename T>
  JsonLine& field(std::string_view k, const T& v) {
    key(k);
    return value(v);
  }
  template <typename List>
  JsonLine& list(std::string_view k, const List& items) {
    key(k).open('[');
    for (const auto& item : items) value(item);
    return close(']');
  }

 private:
  JsonLine& raw(std::string_view s) {
    comma();
    text += s;
    fresh_ = false;
    return *this;
  }
  void comma() {
    if (!fresh_ && !text.empty()) text += ',';
    fresh_ = false;
  }
  bool fresh_ = true;
};

void write_attempt(JsonLine& j, std::string_view course, std::string_view term, AttemptStatus status) {
  j.field("course", course).field("term", term).field("status", to_string(status));
}

void write_items(JsonLine& j, const std::vector<AuditItem>& items) {
  j.key("items").open('[');
  for (const AuditItem& item : items) {
    j.open('{');
    switch (item.kind) {
      case AuditItem::Kind::attempt:
        write_attempt(j, item.course, item.term, item.status);
        j.list("could_also_count", item.could_also_count);
        break;
      case AuditItem::Kind::placement:
        j.field("placement", item.placement);
        break;
      case AuditItem::Kind::group:
        j.list("group", item.path);
        write_items(j, item.items);
        break;
    }
    j.close('}');
  }
  j.close(']');
}

}  // namespace

std::string to_json(const AuditReport& r) {
  JsonLine j;
  j.open('{');
  j.field("student", r.student).field("programme", r.programme).field("catalogue", r.catalogue);
  j.field("satisfied", r.satisfied).field("optimal", r.optimal);
  j.key("objective").open('{').key("priorities").open('[');
  for (const auto& tier : r.objective.priorities) j.open('[').value(tier[0]).value(tier[1]).value(tier[2]).close(']');
  j.close(']');
  j.field("progress", r.objective.progress).field("settled", r.objective.settled).field("fill", r.objective.fill);
  j.close('}');
  j.key("requirements").open('[');
  for (const RequirementReport& q : r.requirements) {
    j.open('{').field("index", q.index).field("line", q.line).field("description", q.description);
    j.field("priority", q.priority).field("status", to_string(q.status));
    j.field("lo", q.lo).field("hi", q.hi).field("count", q.count).field("missing", q.missing);
    j.field("credits", q.credits);
    write_items(j, q.items);
    j.field("explanation", q.explanation).list("would_count", q.would_count);
    j.close('}');
  }
  j.close(']');
  j.key("limits").open('[');
  for (const LimitReport& l : r.limits) {
    j.open('{').field("index", l.index).field("line", l.line).field("description", l.description);
    j.field("allowed", l.allowed).field("used", l.used).list("courses", l.courses).close('}');
  }
  j.close(']');
  j.key("unused").open('[');
  for (const AttemptRef& a : r.unused) {
    j.open('{');
    write_attempt(j, a.course, a.term, a.status);
    j.close('}');
  }
  j.close(']');
  j.list("warnings", r.warnings);
  j.key("exceptions").open('[');
  for (const ExceptionReport& e : r.exceptions) {
    j.open('{').field("kind", e.kind).field("requirement", e.requirement);
    if (!e.course.empty()) j.field("course", e.course);
    j.field("effect", e.effect).close('}');
  }
  j.close(']');
  j.close('}');
  return std::move(j.text);
}

}  // namespace jrl
