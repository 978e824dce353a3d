// The ANSI colours of reports: the one place that writes escape sequences.
#include <string>
#include <string_view>

#include "jrl/text.hpp"

namespace jrl {

std::string paint(std::string_view text, Tone tone) {
  constexpr std::string_view RESET = "\x1b[0m";
  std::string_view style;
  switch (tone) {
    case Tone::error:
      style = "\x1b[1;31m";
      break;
    case Tone::warning:
      style = "\x1b[1;33m";
      break;
    case Tone::help:
      style = "\x1b[1;36m";
      break;
    case Tone::strong:
      style = "\x1b[1m";
      break;
  }
  std::string out;
  out.reserve(style.size() + text.size() + RESET.size());
  out.append(style);
  out.append(text);
  out.append(RESET);
  return out;
}

}  // namespace jrl
