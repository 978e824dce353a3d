// The library's text helpers as the public API offers them.
#include <string>
#include <string_view>

#include "jrl/text.hpp"
#include "text/json_escape.hpp"
#include "text/utf8.hpp"

namespace jrl {

std::optional<std::size_t> first_invalid_utf8(std::string_view text) {
  return utf8::first_invalid(text);
}

std::string json_string(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('"');
  std::size_t i = 0;
  while (i < text.size()) {
    // Bytes that need nothing are copied a run at a time: most of a text is.
    std::size_t run = i;
    while (run < text.size()) {
      const auto c = static_cast<unsigned char>(text[run]);
      if (c >= 0x80 || json::ESCAPE[c] != 0) break;
      ++run;
    }
    out.append(text, i, run - i);
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
    char escaped[6];
    out.append(escaped, json::write_escape(escaped, byte));
    ++i;
  }
  out.push_back('"');
  return out;
}

}  // namespace jrl
