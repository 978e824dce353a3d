#include "diagnostics_json.hpp"

#include "jrl/text.hpp"

namespace jrl::cli {
namespace {

void append_member(std::string& out, std::string_view key,
                   std::string_view value_json) {
  if (out.back() != '{') out.push_back(',');
  out.append(json_string(key));
  out.push_back(':');
  out.append(value_json);
}

void append_number(std::string& out, std::string_view key, std::size_t n) {
  append_member(out, key, std::to_string(n));
}

}  // namespace

std::string diagnostic_json(std::string_view file, const Diagnostic& d,
                            bool placed) {
  std::string out = "{";
  append_member(out, "file", json_string(file));
  append_member(out, "severity", json_string(severity_name(d.severity)));
  append_member(out, "code", json_string(d.code));
  append_member(out, "message", json_string(d.message));
  std::string context = "[";
  for (const std::string& c : d.context) {
    if (context.size() > 1) context.push_back(',');
    context.append(json_string(c));
  }
  context.push_back(']');
  append_member(out, "context", context);
  if (placed) {
    append_number(out, "line", d.start.line);
    append_number(out, "column", d.start.column);
    append_number(out, "end_line", d.end.line);
    append_number(out, "end_column", d.end.column);
    append_number(out, "offset", d.offset);
    append_number(out, "end_offset", d.end_offset);
    append_member(out, "report", json_string(d.report));
  } else {
    for (const char* key : {"line", "column", "end_line", "end_column",
                            "offset", "end_offset", "report"}) {
      append_member(out, key, "null");
    }
  }
  std::string suggestions = "[";
  for (const Suggestion& s : d.suggestions) {
    if (suggestions.size() > 1) suggestions.push_back(',');
    std::string item = "{";
    append_member(item, "message", json_string(s.message));
    std::string edits = "[";
    for (const TextEdit& e : s.edits) {
      if (edits.size() > 1) edits.push_back(',');
      std::string edit = "{";
      append_number(edit, "offset", e.offset);
      append_number(edit, "end_offset", e.end_offset);
      append_number(edit, "line", e.start.line);
      append_number(edit, "column", e.start.column);
      append_number(edit, "end_line", e.end.line);
      append_number(edit, "end_column", e.end.column);
      append_member(edit, "replacement", json_string(e.replacement));
      edit.push_back('}');
      edits.append(edit);
    }
    edits.push_back(']');
    append_member(item, "edits", edits);
    item.push_back('}');
    suggestions.append(item);
  }
  suggestions.push_back(']');
  append_member(out, "suggestions", suggestions);
  std::string notes = "[";
  for (const Note& n : d.notes) {
    if (notes.size() > 1) notes.push_back(',');
    std::string item = "{";
    append_member(item, "message", json_string(n.message));
    append_number(item, "line", n.line_col.line);
    append_number(item, "column", n.line_col.column);
    item.push_back('}');
    notes.append(item);
  }
  notes.push_back(']');
  append_member(out, "notes", notes);
  out.push_back('}');
  return out;
}

}  // namespace jrl::cli
