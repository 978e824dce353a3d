#include "colour.hpp"

#include <unistd.h>

#include <cstdlib>

namespace jrl::cli {
namespace {

constexpr std::string_view BOLD_RED = "\x1b[1;31m";
constexpr std::string_view BOLD_YELLOW = "\x1b[1;33m";
constexpr std::string_view BOLD_CYAN = "\x1b[1;36m";
constexpr std::string_view BOLD = "\x1b[1m";
constexpr std::string_view RESET = "\x1b[0m";

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A report's underline line: gutter, " | ", then blanks or tabs and the
// marks `^` and `-`. Returns where the marks begin, or npos.
std::size_t underline_marks_start(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  if (line.substr(i, 2) != "| ") return std::string_view::npos;
  i += 2;
  while (i < line.size() && is_blank(line[i])) ++i;
  if (i == line.size() || line[i] != '^') return std::string_view::npos;
  for (std::size_t k = i; k < line.size(); ++k) {
    if (line[k] != '^' && line[k] != '-') return std::string_view::npos;
  }
  return i;
}

// A report's message line: gutter, " = ", message. Returns where the
// message begins, or npos.
std::size_t message_start(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] == ' ') ++i;
  if (i == 0 || line.substr(i, 2) != "= ") return std::string_view::npos;
  return i + 2;
}

void append_painted(std::string& out, std::string_view line, std::size_t from,
                    std::string_view style) {
  out.append(line.substr(0, from));
  out.append(style);
  out.append(line.substr(from));
  out.append(RESET);
}

}  // namespace

bool colour_enabled(ColourMode mode, int fd) {
  if (mode == ColourMode::always) return true;
  if (mode == ColourMode::never) return false;
  const char* no_colour = std::getenv("NO_COLOR");
  if (no_colour != nullptr && *no_colour != '\0') return false;
  const char* term = std::getenv("TERM");
  if (term != nullptr && std::string_view(term) == "dumb") return false;
  return isatty(fd) == 1;
}

std::string paint(std::string_view text, Paint paint, bool colour) {
  if (!colour) return std::string(text);
  const std::string_view style = paint == Paint::error     ? BOLD_RED
                                 : paint == Paint::warning ? BOLD_YELLOW
                                                           : BOLD_CYAN;
  std::string out(style);
  out.append(text);
  out.append(RESET);
  return out;
}

std::string error_label(bool colour) {
  return paint("error", Paint::error, colour);
}

std::string highlight_report(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 64);
  std::size_t begin = 0;
  while (true) {
    const std::size_t end = text.find('\n', begin);
    const std::string_view line = text.substr(
        begin,
        end == std::string_view::npos ? std::string_view::npos : end - begin);
    if (const auto marks = underline_marks_start(line);
        marks != std::string_view::npos) {
      append_painted(out, line, marks, BOLD_RED);
    } else if (const auto message = message_start(line);
               message != std::string_view::npos) {
      append_painted(out, line, message, BOLD);
    } else {
      out.append(line);
    }
    if (end == std::string_view::npos) return out;
    out.push_back('\n');
    begin = end + 1;
  }
}

}  // namespace jrl::cli
