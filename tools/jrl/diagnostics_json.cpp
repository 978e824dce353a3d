#include "diagnostics_json.hpp"

#include "utf8.hpp"

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

std::string json_string(std::string_view text) {
  constexpr char digits[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  std::size_t i = 0;
  while (i < text.size()) {
    // Printable ASCII other than the quote and the backslash is copied a
    // run at a time: most of a report is.
    std::size_t run = i;
    while (run < text.size()) {
      const auto c = static_cast<unsigned char>(text[run]);
      if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') break;
      ++run;
    }
    out.append(text.data() + i, run - i);
    i = run;
    if (i == text.size()) break;
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      const utf8::Decoded decoded = utf8::decode(text, i);
      out.append(decoded.valid ? text.substr(i, decoded.length)
                               : utf8::REPLACEMENT_TEXT);
      i += decoded.length;
      continue;
    }
    switch (byte) {
      case '"':
        out.append("\\\"");
        break;
      case '\\':
        out.append("\\\\");
        break;
      case '\b':
        out.append("\\b");
        break;
      case '\f':
        out.append("\\f");
        break;
      case '\n':
        out.append("\\n");
        break;
      case '\r':
        out.append("\\r");
        break;
      case '\t':
        out.append("\\t");
        break;
      default:
        if (byte < 0x20) {
          out.append("\\u00");
          out.push_back(digits[byte >> 4]);
          out.push_back(digits[byte & 0xF]);
        } else {
          out.push_back(static_cast<char>(byte));
        }
    }
    ++i;
  }
  out.push_back('"');
  return out;
}

std::string diagnostic_json(std::string_view file, const Diagnostic& d,
                            const LineIndex& lines) {
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
  append_number(out, "line", d.start.line);
  append_number(out, "column", d.start.column);
  append_number(out, "end_line", d.end.line);
  append_number(out, "end_column", d.end.column);
  append_number(out, "offset", d.offset);
  append_number(out, "end_offset", d.end_offset);
  append_member(out, "report", json_string(d.report));
  std::string suggestions = "[";
  for (const Suggestion& s : d.suggestions) {
    if (suggestions.size() > 1) suggestions.push_back(',');
    std::string item = "{";
    append_member(item, "message", json_string(s.message));
    std::string edits = "[";
    for (const TextEdit& e : s.edits) {
      if (edits.size() > 1) edits.push_back(',');
      const LineCol from = lines.at(e.offset);
      const LineCol to = lines.at(e.end_offset);
      std::string edit = "{";
      append_number(edit, "offset", e.offset);
      append_number(edit, "end_offset", e.end_offset);
      append_number(edit, "line", from.line);
      append_number(edit, "column", from.column);
      append_number(edit, "end_line", to.line);
      append_number(edit, "end_column", to.column);
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

std::string unreadable_json(std::string_view file, std::string_view message) {
  std::string out = "{";
  append_member(out, "file", json_string(file));
  append_member(out, "severity", json_string("error"));
  append_member(out, "code", json_string("JRL100"));
  append_member(out, "message", json_string(message));
  append_member(out, "context", "[]");
  for (const char* key : {"line", "column", "end_line", "end_column", "offset",
                          "end_offset", "report"}) {
    append_member(out, key, "null");
  }
  append_member(out, "suggestions", "[]");
  append_member(out, "notes", "[]");
  out.push_back('}');
  return out;
}

}  // namespace jrl::cli
