#include "display_width.hpp"

#include <optional>

namespace jrl::cli {
namespace {

// The character at `i` of UTF-8 `text` and its byte length.
char32_t decode(std::string_view text, std::size_t i, std::size_t& length) {
  const auto lead = static_cast<unsigned char>(text[i]);
  length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  if (i + length > text.size()) length = text.size() - i;
  if (length == 1) return lead;
  static constexpr unsigned char lead_mask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
  char32_t c = lead & lead_mask[length];
  for (std::size_t k = 1; k < length; ++k) {
    c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
  }
  return c;
}

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
        std::size_t length = 1;
        const char32_t c = decode(*source, i, length);
        if (c == '\t') {
          out.push_back('\t');
        } else {
          out.append(static_cast<std::size_t>(cell_width(c)), ' ');
        }
        i += length;
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
