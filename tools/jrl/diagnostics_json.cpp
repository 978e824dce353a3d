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
  std::string out = "\"";
  std::size_t i = 0;
  while (i < text.size()) {
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

std::string diagnostic_json(std::string_view file, const Error& error) {
  const ErrorFrame& innermost = error.innermost();

  std::string out = "{";
  append_member(out, "file", json_string(file));
  if (const ReportError* report = innermost.report()) {
    append_number(out, "line", report->start_line_col().line);
    append_number(out, "column", report->start_line_col().column);
    if (report->end_line_col()) {
      append_number(out, "end_line", report->end_line_col()->line);
      append_number(out, "end_column", report->end_line_col()->column);
    }
  }
  append_member(out, "message", json_string(innermost.text()));
  std::string context = "[";
  const Error::Frames frames = error.frames();
  for (std::size_t i = 0; i + 1 < frames.size(); ++i) {
    if (i > 0) context.push_back(',');
    context.append(json_string(frames[i].text()));
  }
  context.push_back(']');
  append_member(out, "context", context);
  out.push_back('}');
  return out;
}

}  // namespace jrl::cli
