#include "format_properties.hpp"

#include "jrl/jrl.hpp"

namespace jrl::testing {
namespace {

bool is_trailing_space(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

std::size_t chars(std::string_view text) {
  std::size_t n = 0;
  for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

// Where the comment of one line starts, or npos. Strings cannot span lines,
// so a line can be read on its own; a doubled quote closes and reopens.
std::size_t comment_start(std::string_view line) {
  bool in_string = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') {
      in_string = !in_string;
    } else if (!in_string && line[i] == '/' && i + 1 < line.size() &&
               line[i + 1] == '/') {
      return i;
    }
  }
  return std::string_view::npos;
}

// A line too wide must not hold a whole list: "[" and a later "]" outside
// strings and comments.
bool holds_flat_list(std::string_view code) {
  bool in_string = false;
  bool open = false;
  for (const char c : code) {
    if (c == '"') in_string = !in_string;
    if (in_string) continue;
    if (c == '[') open = true;
    if (c == ']' && open) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string_view> comments_of(std::string_view text) {
  std::vector<std::string_view> comments;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (const std::size_t at = comment_start(line); at != line.npos) {
      std::string_view comment = line.substr(at);
      while (!comment.empty() && is_trailing_space(comment.back())) {
        comment.remove_suffix(1);
      }
      comments.push_back(comment);
    }
    start = end + 1;
  }
  return comments;
}

std::vector<std::string> format_violations(std::string_view text,
                                           std::size_t width) {
  std::vector<std::string> broken;
  // A byte-order mark is no part of the text formatted, and stays in front.
  const std::size_t bom = byte_order_mark_length(text);
  const auto parsed = parse(text.substr(bom));
  const auto formatted = format(text, {.width = width});
  if (!parsed) {
    if (formatted) {
      broken.push_back("a text that does not parse was formatted");
    } else if (!(formatted.error() == parsed.error())) {
      broken.push_back("the error differs from parse's");
    }
    return broken;
  }
  if (!formatted) {
    broken.push_back("a text that parses failed to format: " +
                     formatted.error().render());
    return broken;
  }
  // A text of nothing but blank lines formats to nothing, mark and all.
  const std::size_t kept = formatted->empty() ? 0 : bom;
  if (byte_order_mark_length(*formatted) != kept) {
    broken.push_back("the byte-order mark was not kept");
  }
  const auto reparsed = parse(std::string_view(*formatted).substr(kept));
  if (!reparsed || reparsed->to_string() != parsed->to_string()) {
    broken.push_back("the formatted text means something else");
  }
  const auto again = format(*formatted, {.width = width});
  if (!again || *again != *formatted) {
    broken.push_back("formatting twice changes the text");
  }
  if (comments_of(text) != comments_of(*formatted)) {
    broken.push_back("the comments changed");
  }
  std::size_t start = 0;
  const std::string_view out = *formatted;
  while (start < out.size()) {
    std::size_t end = out.find('\n', start);
    if (end == std::string_view::npos) end = out.size();
    std::string_view line = out.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!line.empty() && is_trailing_space(line.back())) {
      broken.push_back("trailing whitespace");
    }
    if (chars(line) > width) {
      std::string_view code = line.substr(0, comment_start(line));
      while (!code.empty() && code.back() == ' ') code.remove_suffix(1);
      if (chars(code) > width && holds_flat_list(code)) {
        broken.push_back("a list on a line wider than the width: " +
                         std::string(line));
      }
    }
    start = end + 1;
  }
  if (!out.empty() && out.back() != '\n') {
    broken.push_back("no final line feed");
  }
  return broken;
}

}  // namespace jrl::testing
