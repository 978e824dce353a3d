#include "display_width.hpp"

#include <optional>

#include "parser/unicode_properties.hpp"
#include "utf8.hpp"

namespace jrl::cli {
namespace {

std::size_t leading_spaces(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  return i;
}

// A source line of a report, `N | text`: where its text begins.
std::optional<std::size_t> source_text_start(std::string_view line) {
  std::size_t i = leading_spaces(line);
  const std::size_t digits = i;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == digits || line.substr(i, 3) != " | ") return std::nullopt;
  return i + 3;
}

// An underline line, `| ` then blanks and the marks: where the blanks begin
// and where the marks begin.
std::optional<std::pair<std::size_t, std::size_t>> underline_parts(
    std::string_view line) {
  std::size_t i = leading_spaces(line);
  if (line.substr(i, 2) != "| ") return std::nullopt;
  i += 2;
  const std::size_t blanks = i;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i == line.size() || line[i] != '^') return std::nullopt;
  for (std::size_t k = i; k < line.size(); ++k) {
    if (line[k] != '^' && line[k] != '-') return std::nullopt;
  }
  return std::pair{blanks, i};
}

}  // namespace

std::string align_underlines(std::string_view report) {
  std::string out;
  out.reserve(report.size() + 16);
  std::optional<std::string_view> source;
  std::size_t begin = 0;
  while (begin <= report.size()) {
    std::size_t end = report.find('\n', begin);
    if (end == std::string_view::npos) end = report.size();
    const std::string_view line = report.substr(begin, end - begin);
    if (line.find("--> ") != std::string_view::npos) source.reset();
    const auto text_start = source_text_start(line);
    const auto parts = text_start ? std::nullopt : underline_parts(line);
    if (text_start && !source) {
      source = line.substr(*text_start);
      out.append(line);
    } else if (parts && source) {
      // One blank or tab per character before the marks.
      std::size_t chars = parts->second - parts->first;
      out.append(line.substr(0, parts->first));
      for (std::size_t i = 0; i < source->size() && chars > 0; --chars) {
        const utf8::Decoded c = utf8::decode(*source, i);
        if (c.code_point == '\t') {
          out.push_back('\t');
        } else {
          out.append(static_cast<std::size_t>(unicode::cell_width(c.code_point)), ' ');
        }
        i += c.length;
      }
      out.append(chars, ' ');
      out.append(line.substr(parts->second));
    } else {
      out.append(line);
    }
    if (end == report.size()) break;
    out.push_back('\n');
    begin = end + 1;
  }
  return out;
}

}  // namespace jrl::cli
