// Text as HTML: the characters that would end a text node or an attribute
// value written as character references, so that anything from a file or a
// record reads as itself on a page.
#pragma once

#include <string>
#include <string_view>

namespace jrl {

inline void append_html(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
}

inline std::string html_escaped(std::string_view text) {
  std::string out;
  append_html(out, text);
  return out;
}

}  // namespace jrl
