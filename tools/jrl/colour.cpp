#include "colour.hpp"

#include <unistd.h>

#include <cstdlib>

namespace jrl::cli {

bool colour_enabled(ColourMode mode, int fd) {
  if (mode == ColourMode::always) return true;
  if (mode == ColourMode::never) return false;
  const char* no_colour = std::getenv("NO_COLOR");
  if (no_colour != nullptr && *no_colour != '\0') return false;
  const char* term = std::getenv("TERM");
  if (term != nullptr && std::string_view(term) == "dumb") return false;
  return isatty(fd) == 1;
}

std::string paint(std::string_view text, Tone tone, bool colour) {
  return colour ? jrl::paint(text, tone) : std::string(text);
}

std::string error_label(bool colour) {
  return paint("error", Tone::error, colour);
}

}  // namespace jrl::cli
